// Writes the desktop icon: the whole program on the headless host, with a closed room of walls drawn by the
// right button and a ray launched inside it, saved as a square PNG of `size` pixels.
//   usage: icon <size> <out.png>
//
// The window is one text line taller than the icon and the picture is the client area below that line, so
// the cursor coordinates, which belong to the running program and not to its emblem, stay out of the icon.
#include "headless_host.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Height of the coordinate line at the top of the client area (one line of the 8 x 16 system font).
constexpr int text_band = 16;
constexpr int smallest = 16;
constexpr int largest = 1024;

// The scene on a 256 x 256 canvas, scaled to the icon's size: a cup of three walls drawn with the right
// button and a ray launched inside it, reflected at the floor and at the right wall before it leaves over
// the rim. Few bounces read better at 48 pixels than a room full of them.
constexpr POINT walls[] = {{28, 24}, {44, 228}, {212, 228}, {228, 24}};
constexpr POINT launch = {84, 64};
constexpr POINT aim = {128, 150};

int scaled(int v, int size) {
    return (v * size + 128) / 256;
}

std::vector<headless::scripted_input> script_for(int size) {
    using headless::input;
    std::vector<headless::scripted_input> script = {{1, input::resize, size, size + text_band, 0}};
    std::uint64_t at = 10;
    auto at_point = [size](POINT p) { return POINT{scaled(p.x, size), scaled(p.y, size) + text_band}; };
    for (POINT vertex : walls) {
        POINT p = at_point(vertex);
        script.push_back({at++, input::right_down, p.x, p.y, 0});
        script.push_back({at++, input::right_up, p.x, p.y, 0});
    }
    POINT from = at_point(launch);
    POINT to = at_point(aim);
    script.push_back({at++, input::left_down, from.x, from.y, 0});
    script.push_back({at++, input::left_up, from.x, from.y, 0});
    script.push_back({at++, input::mouse_move, to.x, to.y, 0});
    script.push_back({at + 30, input::close_button, 0, 0, 0});
    return script;
}

// The one place that knows the file format: 8-bit RGB rows through libpng.
bool write_png(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = info != nullptr;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            png_write_row(png, rgb.data() + static_cast<std::size_t>(y) * width * 3);
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < smallest || size > largest) {
        std::fprintf(stderr, "usage: icon <size %d..%d> <out.png>\n", smallest, largest);
        return 2;
    }
    headless::set_script(script_for(size));
    platform::pixel_buffer last;
    headless::set_paint_observer(
        [&last](const platform::pixel_buffer& pixels, std::uint64_t) { last = pixels; });
    // Each right-button release writes its vertex to the debugger output, stderr here: not for the build log.
    std::fflush(stderr);
    int saved_stderr = dup(2);
    int null_device = open("/dev/null", O_WRONLY);
    if (saved_stderr >= 0 && null_device >= 0) {
        dup2(null_device, 2);
    }
    int exit_code = WinMain(GetModuleHandleA(NULL), NULL, const_cast<char*>(""), SW_SHOWDEFAULT);
    if (saved_stderr >= 0 && null_device >= 0) {
        dup2(saved_stderr, 2);
    }
    for (int fd : {saved_stderr, null_device}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    if (exit_code != 0 || last.width != size || last.height != size + text_band) {
        std::fprintf(stderr, "icon: the program ended with %d and a last frame of %d x %d\n", exit_code,
                     last.width, last.height);
        return 1;
    }
    std::vector<unsigned char> rgb;
    rgb.reserve(static_cast<std::size_t>(size) * size * 3);
    for (int y = text_band; y < size + text_band; ++y) {
        for (int x = 0; x < size; ++x) {
            std::uint32_t p = last.pixels[static_cast<std::size_t>(y) * last.width + x];
            rgb.insert(rgb.end(), {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                   static_cast<unsigned char>(p)});
        }
    }
    if (!write_png(argv[2], size, size, rgb)) {
        std::fprintf(stderr, "icon: could not write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
