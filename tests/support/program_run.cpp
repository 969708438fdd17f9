#include "program_run.h"

#include "scene/scene.h"

#include <unistd.h>

#include <cstdio>
#include <functional>

namespace program_run {
namespace {

// What `body` writes to stderr (file descriptor 2, through any stream) while it runs.
std::string capture_stderr(const std::function<void()>& body) {
    std::fflush(stderr);
    std::FILE* file = std::tmpfile();
    const int saved = file != nullptr ? dup(2) : -1;
    if (saved >= 0) {
        dup2(fileno(file), 2);
    }
    body();
    std::string text;
    if (saved >= 0) {
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
        std::rewind(file);
        for (int c; (c = std::fgetc(file)) != EOF;) {
            text += static_cast<char>(c);
        }
    }
    if (file != nullptr) {
        std::fclose(file);
    }
    return text;
}

} // namespace

result run(std::vector<headless::scripted_input> script, frames_kept keep, const frame_watch& on_frame,
           bool refuse_windows) {
    headless::reset();
    scene = scene_state{};
    headless::fail_window_creation(refuse_windows);
    headless::set_script(std::move(script));
    result run;
    headless::set_paint_observer([&](headless::frame_view pixels, std::uint64_t now) {
        if (keep == frames_kept::every || (keep == frames_kept::last && run.frames.empty())) {
            run.frames.push_back({now, headless::frame(pixels)});
        } else if (keep == frames_kept::last) {
            run.frames.back() = {now, headless::frame(pixels)};
        }
        if (on_frame) {
            on_frame(pixels, now);
        }
    });
    run.debug_output = capture_stderr([&run] {
        run.exit_code = WinMain(GetModuleHandleA(NULL), NULL, const_cast<char*>(""), SW_SHOWDEFAULT);
    });
    headless::set_paint_observer(nullptr);
    return run;
}

const frame& frame_at(const result& run, std::uint64_t at_ms) {
    const frame* found = &run.frames.front();
    for (const frame& f : run.frames) {
        if (f.at_ms <= at_ms) {
            found = &f;
        }
    }
    return *found;
}

std::uint32_t pixel(headless::frame_view frame, int x, int y) {
    if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) {
        return 0xFFFFFFFFu;
    }
    return frame.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) +
                        static_cast<std::size_t>(x)];
}

} // namespace program_run
