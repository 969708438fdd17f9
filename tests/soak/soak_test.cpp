// A long seeded storm of input through the whole program on the headless host: moves and clicks of both
// buttons, thousands of wall vertices, coordinates at the edges of the client area and at the ends of the
// 16-bit range, resizes down to nothing and back, keys. The program must come through it without a crash,
// without leaking GDI objects, and with a heap that stops growing once the wall list does.
#include "headless_host.h"
#include "platform_hooks.h"
#include "program_run.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#ifndef SOAK_FRAMES
#define SOAK_FRAMES 100000
#endif

// Bytes held through operator new right now. The allocator's own statistics would also count what it keeps
// cached for reuse (glibc's per-thread cache grows as new block sizes turn up), which is no leak.
namespace {
std::size_t live_bytes = 0;
constexpr std::size_t header = 16; // keeps the default new alignment of malloc's blocks

void* counted_allocation(std::size_t n) {
    void* block = std::malloc(n + header);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *static_cast<std::size_t*>(block) = n;
    live_bytes += n;
    return static_cast<char*>(block) + header;
}

void counted_release(void* p) noexcept {
    if (p == nullptr) {
        return;
    }
    void* block = static_cast<char*>(p) - header;
    live_bytes -= *static_cast<std::size_t*>(block);
    std::free(block);
}
} // namespace

// Every form the program uses, so that no block crosses between our allocator and a sanitizer's own.
void* operator new(std::size_t n) {
    return counted_allocation(n);
}
void* operator new[](std::size_t n) {
    return counted_allocation(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return counted_allocation(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return counted_allocation(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    counted_release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    counted_release(p);
}
void operator delete(void* p) noexcept {
    counted_release(p);
}
void operator delete[](void* p) noexcept {
    counted_release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    counted_release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    counted_release(p);
}

namespace {

using headless::input;
using headless::scripted_input;

// splitmix64: the same storm from the same seed with every compiler and standard library.
struct random_source {
    std::uint64_t state;

    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    bool percent(int p) { return below(100) < p; }
};

// A client size as the script asks for it; the window clamps each extent to 0..8192.
struct client_size {
    int width;
    int height;
};

constexpr int max_extent = 8192;
// The heap is measured at one client size only, because the window's own pixels and the GDI's spare bitmap
// memory take part in it. Each measuring pause walks through a ladder of widths first, so that whatever the
// GDI keeps of the last few frames' bitmaps is the same at every pause. The storm's own sizes never hit
// these.
constexpr int measuring_height = 150;
constexpr int measuring_ladder[] = {192, 193, 194, 195, 196, 197, 198, 199, 200};
constexpr int measuring_width = 200;

// The phases of the storm in virtual time.
struct storm_plan {
    std::uint64_t growth_ms;     // from here on: right clicks only add vertices, no left click ends drawing
    std::uint64_t steady_ms;     // from here on: no right-button release, the wall list is final
    std::uint64_t ray_ms;        // from here on: left clicks show the ray against all the walls
    std::uint64_t end_ms;        // the close button
    std::uint64_t measure_every; // a measuring pause in the steady phase every so many ms
    int vertices;                // right-button releases of the growth phase
};

// One frame per 10 ms tick, plus a little for the moments when the window has no client area to paint.
storm_plan plan_for(int frames) {
    std::uint64_t end = static_cast<std::uint64_t>(frames) * 21 / 2;
    return storm_plan{end * 60 / 100, end * 75 / 100, end * 92 / 100, end, 2000, frames / 50};
}

class storm_writer {
  public:
    explicit storm_writer(std::uint64_t seed) : random_{seed} {}

    std::vector<scripted_input> write(const storm_plan& plan) {
        // Anything goes: walls are started, extended and dropped for a new polyline, rays fired, the window
        // resized to nothing and back.
        std::uint64_t t = 1;
        while (t < plan.growth_ms) {
            t += 1 + static_cast<std::uint64_t>(random_.below(20));
            t = any_event(t);
        }

        // Growth: one long polyline, with every kind of input that leaves the walls alone in between.
        t = plan.growth_ms;
        resize_to(t, client_size{640, 480});
        const std::uint64_t step =
            (plan.steady_ms - plan.growth_ms) / static_cast<std::uint64_t>(plan.vertices);
        for (int v = 0; v < plan.vertices; ++v) {
            t = plan.growth_ms + 1 + static_cast<std::uint64_t>(v) * step;
            POINT p = point_inside();
            add(t, input::right_down, p.x, p.y);
            add(t + 1, input::right_up, p.x, p.y);
            std::uint64_t later =
                t + 2 + static_cast<std::uint64_t>(random_.below(static_cast<int>(step) / 2));
            if (random_.percent(5)) {
                resize_to(later, random_size());
            } else {
                leave_walls_alone(later);
            }
        }

        // Steady: the wall list is final; from ray_ms on, left clicks trace the ray through all of it.
        t = plan.steady_ms;
        std::uint64_t next_pause = plan.steady_ms;
        while (t < plan.end_ms) {
            if (t >= next_pause) {
                for (int width : measuring_ladder) {
                    resize_to(t++, client_size{width, measuring_height});
                }
                t += 40;
                next_pause += plan.measure_every;
                continue;
            }
            t += 1 + static_cast<std::uint64_t>(random_.below(30));
            if (t >= plan.ray_ms && random_.percent(3)) {
                POINT p = point();
                add(t, input::left_down, p.x, p.y);
                add(t + 1, input::left_up, p.x, p.y);
            } else if (random_.percent(6)) {
                t = resize(t);
            } else {
                leave_walls_alone(t);
            }
        }
        add(plan.end_ms, input::close_button);
        return std::move(script_);
    }

  private:
    void add(std::uint64_t at, input kind, int x = 0, int y = 0, unsigned key = 0) {
        script_.push_back(scripted_input{at, kind, x, y, key});
    }

    // The client area's corners and edges often, anywhere inside it otherwise.
    POINT point_inside() {
        int right = std::max(size_.width - 1, 0);
        int bottom = std::max(size_.height - 1, 0);
        switch (random_.below(8)) {
        case 0:
            return POINT{0, 0};
        case 1:
            return POINT{right, bottom};
        case 2:
            return POINT{right, random_.below(bottom + 1)};
        case 3:
            return POINT{random_.below(right + 1), bottom};
        default:
            return POINT{random_.below(right + 1), random_.below(bottom + 1)};
        }
    }

    // Now and then just outside the client area or at the end of the coordinate range (both dropped).
    POINT point() {
        switch (random_.below(10)) {
        case 0:
            return POINT{size_.width, random_.below(std::max(size_.height, 1))};
        case 1:
            return POINT{65535, 65535};
        default:
            return point_inside();
        }
    }

    client_size random_size() {
        static const client_size special[] = {
            {1, 1}, {max_extent, 1}, {1, max_extent}, {70000, 3}, {1024, 640}, {max_extent, 2}, {2, 2},
        };
        if (random_.percent(30)) {
            return special[random_.below(static_cast<int>(std::size(special)))];
        }
        client_size s{1 + random_.below(400), 1 + random_.below(300)};
        if (s.height == measuring_height) {
            ++s.height;
        }
        return s;
    }

    void resize_to(std::uint64_t at, client_size s) {
        add(at, input::resize, s.width, s.height);
        size_ = client_size{std::clamp(s.width, 0, max_extent), std::clamp(s.height, 0, max_extent)};
    }

    // A new random size; one time in four no client area at all (negative sizes included), and then a size
    // again a little later. Returns the time of the last input it wrote.
    std::uint64_t resize(std::uint64_t at) {
        static const client_size empty[] = {{0, 0}, {0, 480}, {640, 0}, {-7, -7}, {3, -1}};
        if (random_.percent(25)) {
            resize_to(at, empty[random_.below(static_cast<int>(std::size(empty)))]);
            at += 1 + static_cast<std::uint64_t>(random_.below(50));
        }
        resize_to(at, random_size());
        return at;
    }

    std::uint64_t any_event(std::uint64_t at) {
        int roll = random_.below(100);
        POINT p = point();
        if (roll < 8) {
            add(at, input::left_down, p.x, p.y);
            add(at + static_cast<std::uint64_t>(random_.below(3)), input::left_up, p.x, p.y);
        } else if (roll < 20) {
            add(at, input::right_down, p.x, p.y);
            add(at + static_cast<std::uint64_t>(random_.below(3)), input::right_up, p.x, p.y);
        } else if (roll < 25) {
            return resize(at);
        } else {
            leave_walls_alone(at);
        }
        return at;
    }

    // Moves, presses without the releases that edit, a left release on its own, keys.
    void leave_walls_alone(std::uint64_t at) {
        static const unsigned keys[] = {VK_SHIFT, VK_CONTROL, VK_MENU, VK_F10, VK_SPACE, 'A', VK_LEFT};
        POINT p = point();
        int roll = random_.below(100);
        if (roll < 70) {
            add(at, input::mouse_move, p.x, p.y);
        } else if (roll < 78) {
            add(at, input::right_down, p.x, p.y);
        } else if (roll < 84) {
            add(at, input::left_up, p.x, p.y);
        } else {
            unsigned key = keys[random_.below(static_cast<int>(std::size(keys)))];
            add(at, input::key_down, 0, 0, key);
            add(at + static_cast<std::uint64_t>(random_.below(40)), input::key_up, 0, 0, key);
        }
    }

    random_source random_;
    client_size size_{1024, 640};
    std::vector<scripted_input> script_;
};

// What the paint observer saw.
struct soak_record {
    int frames = 0;
    int gdi_objects_after_first_frame = -1;
    int frames_with_other_gdi_count = 0;
    int first_frame_with_other_gdi_count = -1;
    int gdi_objects_at_last_frame = -1;
    std::size_t walls_at_growth_end = 0;
    std::uint64_t walls_last_changed_ms = 0;
    std::size_t walls_last_seen = 0;
    std::vector<std::size_t> heap_samples; // at the measuring size, after the walls stopped changing
    std::vector<std::uint64_t> heap_sample_ms;
    int posted = 0;
};

// Messages whose coordinates no client area can produce: the program takes both words as unsigned, so a
// pointer left of or above the window arrives as 65535. Posted straight to the window's queue.
void post_edge_message(random_source& random, std::uint64_t now, const storm_plan& plan,
                       soak_record& record) {
    HWND window = platform::first_window();
    if (window == nullptr) {
        return;
    }
    static const WORD coordinates[] = {0, 65535, 32767, 32768, 65534};
    WORD x = coordinates[random.below(static_cast<int>(std::size(coordinates)))];
    WORD y = coordinates[random.below(static_cast<int>(std::size(coordinates)))];
    std::vector<UINT> allowed = {WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_LBUTTONUP};
    if (now < plan.growth_ms || now >= plan.ray_ms) {
        allowed.push_back(WM_LBUTTONDOWN);
    }
    if (now < plan.steady_ms) {
        allowed.push_back(WM_RBUTTONUP);
    }
    UINT message = allowed[static_cast<std::size_t>(random.below(static_cast<int>(allowed.size())))];
    PostMessageA(window, message, 0, MAKELPARAM(x, y));
    ++record.posted;
}

TEST(soak, a_long_storm_of_input_leaks_no_gdi_objects_and_no_memory) {
    const int frames_wanted = SOAK_FRAMES;
    const storm_plan plan = plan_for(frames_wanted);
    std::vector<scripted_input> script = storm_writer{20240607}.write(plan);

    soak_record record;
    record.heap_samples.reserve(static_cast<std::size_t>(frames_wanted));
    record.heap_sample_ms.reserve(static_cast<std::size_t>(frames_wanted));
    random_source post_random{77};

    auto watch = [&](headless::frame_view pixels, std::uint64_t now) {
        ++record.frames;
        int objects = platform::gdi_object_count();
        if (record.frames == 1) {
            record.gdi_objects_after_first_frame = objects;
        } else if (objects != record.gdi_objects_after_first_frame) {
            if (record.frames_with_other_gdi_count++ == 0) {
                record.first_frame_with_other_gdi_count = record.frames;
            }
        }
        record.gdi_objects_at_last_frame = objects;

        std::size_t walls = scene.walls.size();
        if (walls != record.walls_last_seen) {
            record.walls_last_seen = walls;
            record.walls_last_changed_ms = now;
        }
        if (now < plan.steady_ms) {
            record.walls_at_growth_end = walls;
        }
        if (now >= plan.steady_ms && pixels.width == measuring_width && pixels.height == measuring_height) {
            record.heap_samples.push_back(live_bytes);
            record.heap_sample_ms.push_back(now);
        }
        if (record.frames % 50 == 0) {
            post_edge_message(post_random, now, plan, record);
        }
    };
    // Every right-button release writes a debugger line, kept out of the test log.
    program_run::result run = program_run::run(std::move(script), program_run::frames_kept::none, watch);

    EXPECT_EQ(run.exit_code, 0);
    EXPECT_GE(record.frames, frames_wanted);
    EXPECT_GT(record.posted, frames_wanted / 60);
    EXPECT_NE(run.debug_output.find("65535, 65535\r\n"), std::string::npos)
        << "a release at the far end of the coordinate range reached the scene";

    // GDI objects: the frame's bitmap and context are gone after every frame, and the surface's pen and brush
    // are replaced, not piled up.
    EXPECT_GT(record.gdi_objects_after_first_frame, 0);
    EXPECT_EQ(record.frames_with_other_gdi_count, 0)
        << "first at frame " << record.first_frame_with_other_gdi_count;
    EXPECT_EQ(record.gdi_objects_at_last_frame, record.gdi_objects_after_first_frame);

    // The walls grew to thousands of vertices and then stayed as they were.
    EXPECT_GE(record.walls_at_growth_end, static_cast<std::size_t>(plan.vertices));
    EXPECT_EQ(record.walls_last_seen, record.walls_at_growth_end);
    EXPECT_LT(record.walls_last_changed_ms, plan.steady_ms);

    // Memory: once the wall list has stopped growing, the heap at every measuring pause is the heap at the
    // last one, up to a queue's spare chunk or so.
    ASSERT_GE(record.heap_samples.size(), 10u);
    const std::size_t last = record.heap_samples.back();
    const std::size_t tolerance = 4 * 1024;
    std::size_t most_off = 0;
    std::uint64_t most_off_at = 0;
    for (std::size_t i = 0; i < record.heap_samples.size(); ++i) {
        std::size_t sample = record.heap_samples[i];
        std::size_t off = sample > last ? sample - last : last - sample;
        if (off > most_off) {
            most_off = off;
            most_off_at = record.heap_sample_ms[i];
        }
    }
    EXPECT_LE(most_off, tolerance) << "heap at " << most_off_at << " ms differs from the last sample ("
                                   << last << " bytes) by " << most_off << " bytes";
}

} // namespace
