// Writes the README's screenshot: the whole program on the headless host, a left click at (420, 180) and the
// cursor moved on, saved as a PNG of the window's client area.
//   usage: screenshot <out.png>
#include "headless_host.h"
#include "png_file.h"

#include <cstdio>
#include <string>

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
    headless::frame last;
    headless::set_paint_observer([&last](headless::frame_view pixels, std::uint64_t) { last = pixels; });
    int exit_code = WinMain(GetModuleHandleA(NULL), NULL, const_cast<char*>(""), SW_SHOWDEFAULT);
    if (exit_code != 0 || last.width == 0) {
        std::fprintf(stderr, "screenshot: the program drew no frame\n");
        return 1;
    }
    std::string failure = png_file::write(argv[1], {last.width, last.height, last.pixels});
    if (!failure.empty()) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", failure.c_str());
        return 1;
    }
    return 0;
}
