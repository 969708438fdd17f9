#include "program_run.h"

#include "scene/scene.h"

#include <unistd.h>

#include <cstdio>

namespace program_run {
namespace {

// Everything written to stderr (file descriptor 2) while it lives, through any stream.
class stderr_capture {
  public:
    stderr_capture() : file_(std::tmpfile()) {
        std::fflush(stderr);
        saved_ = file_ != nullptr ? dup(2) : -1;
        if (saved_ >= 0) {
            dup2(fileno(file_), 2);
        }
    }
    stderr_capture(const stderr_capture&) = delete;
    stderr_capture& operator=(const stderr_capture&) = delete;
    ~stderr_capture() { finish(); }

    std::string finish() {
        std::string text;
        if (saved_ < 0) {
            return text;
        }
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        saved_ = -1;
        std::rewind(file_);
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file_)) > 0;) {
            text.append(chunk, n);
        }
        std::fclose(file_);
        return text;
    }

  private:
    std::FILE* file_;
    int saved_;
};

result run_program(std::vector<headless::scripted_input> script, frames_kept keep,
                   const frame_watch& on_frame, bool refuse_windows) {
    headless::reset();
    scene = scene_state{};
    headless::fail_window_creation(refuse_windows);
    headless::set_script(std::move(script));
    result run;
    headless::set_paint_observer([&](const platform::pixel_buffer& pixels, std::uint64_t now) {
        if (keep == frames_kept::every || (keep == frames_kept::last && run.frames.empty())) {
            run.frames.push_back({now, pixels});
        } else if (keep == frames_kept::last) {
            run.frames.back() = {now, pixels};
        }
        if (on_frame) {
            on_frame(pixels, now);
        }
    });
    stderr_capture capture;
    run.exit_code = WinMain(GetModuleHandleA(NULL), NULL, const_cast<char*>(""), SW_SHOWDEFAULT);
    run.debug_output = capture.finish();
    headless::set_paint_observer(nullptr);
    headless::fail_window_creation(false);
    return run;
}

} // namespace

result run(std::vector<headless::scripted_input> script, frames_kept keep, const frame_watch& on_frame) {
    return run_program(std::move(script), keep, on_frame, false);
}

result run_without_windows() {
    return run_program({}, frames_kept::every, nullptr, true);
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

} // namespace program_run
