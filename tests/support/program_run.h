// The whole program through WinMain on the headless host, as the program, ray display, golden and soak tests
// and tools/replay run it: a fresh start, a script of input on the virtual clock, and what came out of it.
#pragma once

#include "headless_host.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace program_run {

struct frame {
    std::uint64_t at_ms;
    headless::frame pixels;
};

enum class frames_kept { every, last, none };

// Called after each frame is kept, with its pixels and the virtual time: for what a test watches during the
// run (GDI objects, the heap, the scene) or posts to the window.
using frame_watch = std::function<void(headless::frame_view pixels, std::uint64_t now_ms)>;

struct result {
    int exit_code = 0;
    std::string debug_output; // the lines the program wrote to the debugger (stderr here), as written
    std::vector<frame> frames;
};

// Resets the host and the scene as a fresh process has them, then runs WinMain with the script to its end;
// with refuse_windows the host cannot create the main window.
result run(std::vector<headless::scripted_input> script, frames_kept keep = frames_kept::every,
           const frame_watch& on_frame = nullptr, bool refuse_windows = false);

// The last frame presented at or before `at_ms` (the first one if none was).
const frame& frame_at(const result& run, std::uint64_t at_ms);

// The pixel at (x, y), 0xFFFFFFFF outside the frame.
std::uint32_t pixel(headless::frame_view frame, int x, int y);

} // namespace program_run
