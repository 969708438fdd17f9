#include "png_file.h"

#include <png.h>

#include <map>

namespace png_file {

namespace {

std::string failure(png_image& png, const std::string& path) {
    std::string why = path + ": " + png.message;
    png_image_free(&png);
    return why;
}

} // namespace

std::string write(const std::string& path, const image& frame) {
    const std::size_t count = static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height);
    if (frame.width <= 0 || frame.height <= 0 || frame.pixels.size() != count) {
        return path + ": no frame to write";
    }
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(frame.width);
    png.height = static_cast<png_uint_32>(frame.height);

    std::map<std::uint32_t, std::uint8_t> index;
    std::vector<std::uint8_t> palette;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(count);
    for (std::uint32_t p : frame.pixels) {
        auto [at, added] = index.try_emplace(p, static_cast<std::uint8_t>(index.size()));
        if (added && index.size() > 256) {
            break;
        }
        if (added) {
            palette.insert(palette.end(), {static_cast<std::uint8_t>(p >> 16),
                                           static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p)});
        }
        bytes.push_back(at->second);
    }
    int ok;
    if (index.size() <= 256) {
        png.format = PNG_FORMAT_RGB_COLORMAP;
        png.colormap_entries = static_cast<png_uint_32>(index.size());
        ok = png_image_write_to_file(&png, path.c_str(), 0, bytes.data(), 0, palette.data());
    } else {
        bytes.clear();
        for (std::uint32_t p : frame.pixels) {
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                                       static_cast<std::uint8_t>(p)});
        }
        png.format = PNG_FORMAT_RGB;
        ok = png_image_write_to_file(&png, path.c_str(), 0, bytes.data(), 0, nullptr);
    }
    return ok ? std::string() : failure(png, path);
}

std::string read(const std::string& path, image& frame) {
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        return failure(png, path);
    }
    png.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> bytes(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr)) {
        return failure(png, path);
    }
    frame.width = static_cast<int>(png.width);
    frame.height = static_cast<int>(png.height);
    frame.pixels.resize(bytes.size() / 3);
    for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
        frame.pixels[i] =
            static_cast<std::uint32_t>(bytes[3 * i] << 16 | bytes[3 * i + 1] << 8 | bytes[3 * i + 2]);
    }
    return std::string();
}

} // namespace png_file
