// The headless host: no display, a virtual clock and scripted input (see headless_host.h).
#include "headless_host.h"
#include "host.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

// The imaginary machine: its clock, its input script and what it shows. reset() makes a new one.
struct machine_state {
    std::uint64_t clock_ms = 0;
    std::vector<headless::scripted_input> script;
    std::size_t next_input = 0;
    std::uint64_t last_input_ms = 0;
    HWND closed_by_host = nullptr; // the window that the end of the script already closed

    std::function<void(headless::frame_view, std::uint64_t)> paint_observer;
    int frames = 0;
    std::vector<std::uint64_t> hold_signs;
    bool refuse_windows = false;

    // The first window's buffer while it lives, then a copy of its last pixels.
    HWND shown_window = nullptr;
    const platform::pixel_buffer* shown_pixels = nullptr;
    platform::pixel_buffer last_pixels;
};

machine_state machine;

void deliver(const headless::scripted_input& in) {
    using headless::event;
    HWND window = platform::first_window();
    // Button and key states are user32's, kept even without a window, as a real mouse and keyboard would.
    switch (in.kind.what) {
    case event::pointer_moved:
        platform::input::pointer_moved(window, in.x, in.y);
        break;
    case event::button_down:
    case event::button_up:
        platform::input::button_changed(window, in.kind.button, in.kind.what == event::button_down, in.x,
                                        in.y);
        break;
    case event::key_down:
    case event::key_up: {
        platform::scan_code code = platform::scan_code_of(in.key);
        platform::input::key(window, in.key, code.code, code.extended, in.kind.what == event::key_down);
        break;
    }
    case event::contact_changed:
        if (window != nullptr) {
            platform::input::contact_changed(
                window, {in.contact, in.kind.device, in.kind.action, in.x, in.y, in.barrel});
        }
        break;
    case event::resize:
        if (window != nullptr) {
            platform::input::resize(window, std::max(in.x, 0), std::max(in.y, 0));
        }
        break;
    case event::close_button:
        if (window != nullptr) {
            platform::input::close(window);
        }
        break;
    }
}

headless::frame_view view_of(const platform::pixel_buffer& b) {
    return {b.width, b.height, b.pixels};
}

void deliver_due_inputs() {
    while (machine.next_input < machine.script.size() &&
           machine.script[machine.next_input].at_ms <= machine.clock_ms) {
        deliver(machine.script[machine.next_input++]);
    }
}

} // namespace

namespace headless {

void set_script(std::vector<scripted_input> inputs) {
    std::stable_sort(inputs.begin(), inputs.end(),
                     [](const scripted_input& a, const scripted_input& b) { return a.at_ms < b.at_ms; });
    machine.script = std::move(inputs);
    machine.next_input = 0;
    machine.last_input_ms = machine.script.empty() ? 0 : machine.script.back().at_ms;
    machine.closed_by_host = nullptr;
}

void set_paint_observer(std::function<void(frame_view pixels, std::uint64_t now_ms)> observer) {
    machine.paint_observer = std::move(observer);
}

frame_view window_pixels() {
    return view_of(machine.shown_pixels != nullptr ? *machine.shown_pixels : machine.last_pixels);
}

std::uint64_t now_ms() {
    return machine.clock_ms;
}

int frames_presented() {
    return machine.frames;
}

const std::vector<std::uint64_t>& hold_signs() {
    return machine.hold_signs;
}

void fail_window_creation(bool fail) {
    machine.refuse_windows = fail;
}

void advance_clock(std::uint64_t ms) {
    machine.clock_ms += ms;
}

void reset() {
    platform::input::reset();
    machine = machine_state{};
}

} // namespace headless

namespace platform::host {

bool start(std::string*) {
    return true;
}

void stop() {}

bool create_window(HWND, const char*, int, int) {
    return !machine.refuse_windows;
}

void destroy_window(HWND window) {
    if (window == machine.shown_window) {
        machine.last_pixels = *machine.shown_pixels;
        machine.shown_pixels = nullptr;
        machine.shown_window = nullptr;
    }
}

void show_window(HWND, bool) {}

void resize_window(HWND, int, int) {}

void present(HWND window, const pixel_buffer& pixels, present_reason reason) {
    if (reason != present_reason::paint) {
        return;
    }
    if (window == platform::first_window()) {
        machine.shown_window = window;
        machine.shown_pixels = &pixels;
    }
    ++machine.frames;
    if (machine.paint_observer) {
        machine.paint_observer(view_of(pixels), machine.clock_ms);
    }
}

std::uint64_t now_ms() {
    return machine.clock_ms;
}

void show_hold(HWND, int, int) {
    machine.hold_signs.push_back(machine.clock_ms);
}

void hide_hold(HWND) {}

void pump() {
    deliver_due_inputs();
}

wait_result wait(std::optional<std::uint64_t> deadline_ms) {
    if (machine.next_input < machine.script.size()) {
        std::uint64_t next = machine.script[machine.next_input].at_ms;
        if (deadline_ms && *deadline_ms < next) {
            machine.clock_ms = std::max(machine.clock_ms, *deadline_ms);
        } else {
            machine.clock_ms = std::max(machine.clock_ms, next);
            deliver_due_inputs();
        }
        return wait_result::woke;
    }
    // The script is over: close the window that is left, once, at the current time.
    HWND window = platform::first_window();
    if (window != nullptr && window != machine.closed_by_host) {
        machine.closed_by_host = window;
        machine.clock_ms = std::max(machine.clock_ms, machine.last_input_ms);
        platform::input::close(window);
        return wait_result::woke;
    }
    if (deadline_ms) {
        machine.clock_ms = std::max(machine.clock_ms, *deadline_ms);
        return wait_result::woke;
    }
    return wait_result::idle_forever;
}

} // namespace platform::host
