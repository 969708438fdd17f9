// Writes the README's screenshot: the whole program on the headless host, a left click at (420, 180) and the
// cursor moved on, saved as a PNG of the window's client area.
//   usage: screenshot <out.png>
#include "headless_host.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::uint32_t crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<unsigned char>(v >> shift));
    }
}

void put_chunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    put32(out, crc32(body.data(), body.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks: no compression library needed.
std::vector<unsigned char> zlib_stored(const std::vector<unsigned char>& raw) {
    std::vector<unsigned char> z = {0x78, 0x01};
    std::size_t pos = 0;
    do {
        std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n));
        z.push_back(static_cast<unsigned char>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    put32(z, (b << 16) | a);
    return z;
}

bool write_png(const std::string& path, const platform::pixel_buffer& frame) {
    std::vector<unsigned char> raw;
    for (int y = 0; y < frame.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < frame.width; ++x) {
            std::uint32_t p = frame.pixels[static_cast<std::size_t>(y) * frame.width + x];
            raw.push_back(static_cast<unsigned char>(p >> 16));
            raw.push_back(static_cast<unsigned char>(p >> 8));
            raw.push_back(static_cast<unsigned char>(p));
        }
    }
    std::vector<unsigned char> header;
    put32(header, static_cast<std::uint32_t>(frame.width));
    put32(header, static_cast<std::uint32_t>(frame.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    put_chunk(png, "IHDR", header);
    put_chunk(png, "IDAT", zlib_stored(raw));
    put_chunk(png, "IEND", {});
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshot <out.png>\n");
        return 2;
    }
    using headless::input;
    headless::set_script({
        {20, input::left_down, 420, 180, 0},
        {21, input::left_up, 420, 180, 0},
        {30, input::mouse_move, 540, 372, 0},
        {60, input::close_button, 0, 0, 0},
    });
    platform::pixel_buffer last;
    headless::set_paint_observer(
        [&last](const platform::pixel_buffer& pixels, std::uint64_t) { last = pixels; });
    int exit_code = WinMain(GetModuleHandleA(NULL), NULL, const_cast<char*>(""), SW_SHOWDEFAULT);
    if (exit_code != 0 || last.width == 0 || !write_png(argv[1], last)) {
        std::fprintf(stderr, "screenshot: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
