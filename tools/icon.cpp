// Writes the desktop icon: the whole program on the headless host, with a closed room of walls drawn by the
// right button and a ray launched inside it, saved as a square PNG of `size` pixels.
//   usage: icon <size> <out.png>
//
// The window is one text line taller than the icon and the picture is the client area below that line, so
// the cursor coordinates, which belong to the running program and not to its emblem, stay out of the icon.
#include "png_file.h"
#include "program_run.h"

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

} // namespace

int main(int argc, char** argv) {
    int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < smallest || size > largest) {
        std::fprintf(stderr, "usage: icon <size %d..%d> <out.png>\n", smallest, largest);
        return 2;
    }
    // Each right-button release writes its vertex to the debugger output: captured, not for the build log.
    program_run::result run = program_run::run(script_for(size), program_run::frames_kept::last);
    const headless::frame* last = run.frames.empty() ? nullptr : &run.frames.back().pixels;
    if (run.exit_code != 0 || last == nullptr || last->width != size || last->height != size + text_band) {
        std::fprintf(stderr, "icon: the program ended with %d and a last frame of %d x %d\n", run.exit_code,
                     last ? last->width : 0, last ? last->height : 0);
        return 1;
    }
    // The icon is the client area below the text line.
    png_file::image icon{size, size, {}};
    icon.pixels.assign(last->pixels.begin() + static_cast<std::ptrdiff_t>(text_band) * last->width,
                       last->pixels.end());
    std::string failure = png_file::write(argv[2], icon);
    if (!failure.empty()) {
        std::fprintf(stderr, "icon: cannot write %s\n", failure.c_str());
        return 1;
    }
    return 0;
}
