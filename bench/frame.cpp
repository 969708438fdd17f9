// Cost of one frame as the program makes it, against the cost of touching that much memory at all.
//
// The frame is the real one: a main window created by the program's own code on the headless host, the
// built-in walls, a ray of the full 22 points, and every iteration one timer tick through main_window_proc,
// which repaints at once (RedrawWindow with RDW_UPDATENOW): off-screen bitmap and memory DC, background fill,
// draw_frame, block transfer to the window DC, everything released, EndPaint. The floor beside it is what any
// frame of that size must at least cost: one memset of the pixels (the background) and one memcpy of them
// (the copy to the window), 32-bit pixels, measured in the same run. The summary at the end gives
// frame / floor for every size, for frames that repeat the last one (the mouse still) and for frames that all
// differ (the mouse moving).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "headless_host.h"
#include "optics/ray_path.h"
#include "platform_hooks.h"
#include "scene/scene.h"

namespace {

struct frame_size {
    int width;
    int height;
};
const frame_size sizes[] = {{1024, 640}, {1920, 1080}};

// Inside the built-in walls these rays are reflected 21 times at 22 distinct points before the path is full.
const POINT launch{420, 180};
const POINT cursor{380, 210};
const POINT other_cursor{380, 211};

std::string size_name(const frame_size& size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

LPARAM client_point(POINT p) {
    return MAKELPARAM(p.x, p.y);
}

// A fresh session: the main window at the given client size, the walls loaded by its first paint, the ray
// launched with a left click and the cursor moved off the launch point, all through the window procedure.
// Null, with the reason in `error`, when the frame is not the one this benchmark promises.
HWND open_main_window(const frame_size& size, std::string* error) {
    headless::reset();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    register_main_window_class(instance);
    HWND window = create_main_window(instance, SW_SHOWNORMAL);
    if (window == nullptr) {
        *error = "the main window could not be created";
        return nullptr;
    }
    MoveWindow(window, 0, 0, size.width, size.height, TRUE);
    UpdateWindow(window);
    main_window_proc(window, WM_LBUTTONDOWN, MK_LBUTTON, client_point(launch));
    main_window_proc(window, WM_LBUTTONUP, 0, client_point(launch));
    main_window_proc(window, WM_MOUSEMOVE, 0, client_point(cursor));
    RECT client;
    GetClientRect(window, &client);
    if (client.right != size.width || client.bottom != size.height) {
        *error = "the client area does not have the requested size";
    } else if (trace_ray_path(scene.walls, scene.launch, scene.cursor).size() !=
               static_cast<std::size_t>(max_path_points)) {
        *error = "the ray does not have the full 22 points";
    }
    return error->empty() ? window : nullptr;
}

// With `moving`, the cursor moves between two points before every tick, so that every frame differs from the
// one before; otherwise every frame repeats the last, as while the mouse is still.
void frame(benchmark::State& state, frame_size size, bool moving) {
    std::string error;
    HWND window = open_main_window(size, &error);
    if (window == nullptr) {
        state.SkipWithError(error.c_str());
        return;
    }
    if (moving && trace_ray_path(scene.walls, launch, other_cursor).size() !=
                      static_cast<std::size_t>(max_path_points)) {
        state.SkipWithError("the second ray does not have the full 22 points");
        return;
    }
    const int objects_before = platform::gdi_object_count();
    const int frames_before = headless::frames_presented();
    bool at_other = false;
    for (auto _ : state) {
        if (moving) {
            at_other = !at_other;
            main_window_proc(window, WM_MOUSEMOVE, 0, client_point(at_other ? other_cursor : cursor));
        }
        main_window_proc(window, WM_TIMER, 1, 0);
    }
    // Every tick must have made exactly one frame and released everything it made.
    if (headless::frames_presented() - frames_before != static_cast<int>(state.iterations())) {
        state.SkipWithError("a timer tick did not present exactly one frame");
    } else if (platform::gdi_object_count() != objects_before) {
        state.SkipWithError("GDI objects leaked across frames");
    }
    headless::frame_view shown = headless::window_pixels();
    if (shown.width != size.width || shown.height != size.height) {
        state.SkipWithError("the frame shown does not cover the client area");
    }
    headless::reset();
}

void floor(benchmark::State& state, frame_size size) {
    const std::size_t count = static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
    // Both blocks are written once before timing, as the recycled memory of a running program is.
    std::vector<std::uint32_t> off_screen(count, 1);
    std::vector<std::uint32_t> window(count, 1);
    for (auto _ : state) {
        std::memset(off_screen.data(), 0, count * sizeof(std::uint32_t));
        benchmark::ClobberMemory();
        std::memcpy(window.data(), off_screen.data(), count * sizeof(std::uint32_t));
        benchmark::DoNotOptimize(window.data());
        benchmark::ClobberMemory();
    }
}

// The console output as usual, plus the CPU time per iteration of every run for the summary. CPU time, not
// wall time: on a shared machine the wall clock also counts the time other processes had the core.
class summary_reporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            if (run.run_type == Run::RT_Iteration) {
                times_[run.run_name.function_name].push_back(run.GetAdjustedCPUTime());
            } else if (run.aggregate_name == "median") {
                medians_[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The median of the repetitions; negative when the benchmark did not run.
    double time_of(const std::string& name) const {
        if (auto median = medians_.find(name); median != medians_.end()) {
            return median->second;
        }
        auto it = times_.find(name);
        if (it == times_.end() || it->second.empty()) {
            return -1.0;
        }
        std::vector<double> t = it->second;
        std::sort(t.begin(), t.end());
        return t[t.size() / 2];
    }

  private:
    std::map<std::string, std::vector<double>> times_;
    std::map<std::string, double> medians_;
};

} // namespace

int main(int argc, char** argv) {
    for (const frame_size& size : sizes) {
        benchmark::RegisterBenchmark(("floor/" + size_name(size)).c_str(), floor, size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("frame/" + size_name(size)).c_str(), frame, size, false)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("frame_moving/" + size_name(size)).c_str(), frame, size, true)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    summary_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nframe / floor in CPU time (floor: one memset and one memcpy of the frame's pixels)\n");
    for (const std::string kind : {"frame", "frame_moving"}) {
        for (const frame_size& size : sizes) {
            const std::string name = kind + "/" + size_name(size);
            double frame_time = reporter.time_of(name);
            double floor_time = reporter.time_of("floor/" + size_name(size));
            if (frame_time > 0 && floor_time > 0) {
                std::printf("  %-24s %8.1f us   floor %8.1f us   ratio %.2f\n", name.c_str(), frame_time,
                            floor_time, frame_time / floor_time);
            }
        }
    }
    std::fflush(stdout);
    benchmark::Shutdown();
    return 0;
}
