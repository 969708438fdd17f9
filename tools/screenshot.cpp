// Writes the README's screenshot: the whole program on the headless host, a left click at (420, 180) and the
// cursor moved on, saved as a PNG of the window's client area.
//   usage: screenshot <out.png>
#include "png_file.h"
#include "program_run.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshot <out.png>\n");
        return 2;
    }
    using headless::input;
    program_run::result run = program_run::run(
        {
            {20, input::left_down, 420, 180, 0},
            {21, input::left_up, 420, 180, 0},
            {30, input::mouse_move, 540, 372, 0},
            {60, input::close_button, 0, 0, 0},
        },
        program_run::frames_kept::last);
    if (run.exit_code != 0 || run.frames.empty() || run.frames.back().pixels.width == 0) {
        std::fprintf(stderr, "screenshot: the program drew no frame\n");
        return 1;
    }
    const headless::frame& last = run.frames.back().pixels;
    std::string failure = png_file::write(argv[1], {last.width, last.height, last.pixels});
    if (!failure.empty()) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", failure.c_str());
        return 1;
    }
    return 0;
}
