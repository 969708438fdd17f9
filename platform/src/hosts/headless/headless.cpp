// The headless host: no display, a virtual clock and scripted input (see headless_host.h).
#include "headless_host.h"
#include "host.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

std::uint64_t clock_ms = 0;
std::vector<headless::scripted_input> script;
std::size_t next_input = 0;
std::uint64_t last_input_ms = 0;
HWND closed_by_host = nullptr; // the window that the end of the script already closed

std::function<void(headless::frame_view, std::uint64_t)> paint_observer;
int frames = 0;
std::vector<std::uint64_t> hold_signs;
bool refuse_windows = false;

std::vector<HWND> host_windows;
// The first window's buffer while it lives, then a copy of its last pixels.
HWND shown_window = nullptr;
const platform::pixel_buffer* shown_pixels = nullptr;
platform::pixel_buffer last_pixels;

unsigned buttons = 0; // MK_* of the buttons held, whether or not the pointer is over the window

// A finger or pen input as the contact it reports.
void deliver_contact(HWND window, const headless::scripted_input& in) {
    using headless::input;
    using platform::input::contact_action;
    using platform::input::contact_kind;
    bool pen = in.kind >= input::pen_hover;
    contact_action action = contact_action::down;
    switch (in.kind) {
    case input::touch_move:
    case input::pen_move:
        action = contact_action::move;
        break;
    case input::touch_up:
    case input::pen_up:
        action = contact_action::up;
        break;
    case input::touch_cancel:
        action = contact_action::cancel;
        break;
    case input::pen_hover:
        action = contact_action::hover;
        break;
    default:
        break;
    }
    if (window != nullptr) {
        platform::input::touch(window, {in.contact, pen ? contact_kind::pen : contact_kind::touch, action,
                                        in.x, in.y, in.barrel});
    }
}

void deliver(const headless::scripted_input& in) {
    using headless::input;
    using platform::input::mouse_action;
    HWND window = platform::first_window();
    auto press = [&](unsigned button, bool down, mouse_action action) {
        buttons = down ? (buttons | button) : (buttons & ~button);
        if (window != nullptr) {
            platform::input::mouse(window, action, in.x, in.y, buttons);
        }
    };
    switch (in.kind) {
    case input::mouse_move:
        if (window != nullptr) {
            platform::input::mouse(window, mouse_action::move, in.x, in.y, buttons);
        }
        break;
    case input::left_down:
        press(MK_LBUTTON, true, mouse_action::left_down);
        break;
    case input::left_up:
        press(MK_LBUTTON, false, mouse_action::left_up);
        break;
    case input::right_down:
        press(MK_RBUTTON, true, mouse_action::right_down);
        break;
    case input::right_up:
        press(MK_RBUTTON, false, mouse_action::right_up);
        break;
    case input::key_down:
    case input::key_up: {
        platform::scan_code code = platform::scan_code_of(in.key);
        // Key state is kept even without a window, as a real keyboard would.
        platform::input::key(window, in.key, code.code, code.extended, in.kind == input::key_down);
        break;
    }
    case input::resize:
        if (window != nullptr) {
            platform::input::resize(window, std::max(in.x, 0), std::max(in.y, 0));
        }
        break;
    case input::close_button:
        if (window != nullptr) {
            platform::input::close(window);
        }
        break;
    default:
        deliver_contact(window, in);
        break;
    }
}

headless::frame_view view_of(const platform::pixel_buffer& b) {
    return {b.width, b.height, b.pixels};
}

void deliver_due_inputs() {
    while (next_input < script.size() && script[next_input].at_ms <= clock_ms) {
        deliver(script[next_input++]);
    }
}

} // namespace

namespace headless {

void set_script(std::vector<scripted_input> inputs) {
    std::stable_sort(inputs.begin(), inputs.end(),
                     [](const scripted_input& a, const scripted_input& b) { return a.at_ms < b.at_ms; });
    script = std::move(inputs);
    next_input = 0;
    last_input_ms = script.empty() ? 0 : script.back().at_ms;
    closed_by_host = nullptr;
}

void set_paint_observer(std::function<void(frame_view pixels, std::uint64_t now_ms)> observer) {
    paint_observer = std::move(observer);
}

frame_view window_pixels() {
    return view_of(shown_pixels != nullptr ? *shown_pixels : last_pixels);
}

std::uint64_t now_ms() {
    return clock_ms;
}

int frames_presented() {
    return frames;
}

const std::vector<std::uint64_t>& hold_signs() {
    return ::hold_signs;
}

void fail_window_creation(bool fail) {
    refuse_windows = fail;
}

void advance_clock(std::uint64_t ms) {
    clock_ms += ms;
}

void reset() {
    platform::input::reset();
    script.clear();
    next_input = 0;
    last_input_ms = 0;
    closed_by_host = nullptr;
    clock_ms = 0;
    paint_observer = nullptr;
    frames = 0;
    ::hold_signs.clear();
    refuse_windows = false;
    host_windows.clear();
    shown_window = nullptr;
    shown_pixels = nullptr;
    last_pixels = platform::pixel_buffer{};
    buttons = 0;
}

} // namespace headless

namespace platform::host {

bool start(std::string*) {
    return true;
}

void stop() {}

bool create_window(HWND window, const char*, int, int) {
    if (refuse_windows) {
        return false;
    }
    host_windows.push_back(window);
    return true;
}

void destroy_window(HWND window) {
    std::erase(host_windows, window);
    if (window == shown_window) {
        last_pixels = *shown_pixels;
        shown_pixels = nullptr;
        shown_window = nullptr;
    }
}

void show_window(HWND, bool) {}

void resize_window(HWND, int, int) {}

void present(HWND window, const pixel_buffer& pixels, present_reason reason) {
    if (reason != present_reason::paint) {
        return;
    }
    if (window == platform::first_window()) {
        shown_window = window;
        shown_pixels = &pixels;
    }
    ++frames;
    if (paint_observer) {
        paint_observer(view_of(pixels), clock_ms);
    }
}

std::uint64_t now_ms() {
    return clock_ms;
}

void show_hold(HWND, int, int) {
    hold_signs.push_back(clock_ms);
}

void hide_hold(HWND) {}

void pump() {
    deliver_due_inputs();
}

wait_result wait(std::optional<std::uint64_t> deadline_ms) {
    if (next_input < script.size()) {
        std::uint64_t next = script[next_input].at_ms;
        if (deadline_ms && *deadline_ms < next) {
            clock_ms = std::max(clock_ms, *deadline_ms);
        } else {
            clock_ms = std::max(clock_ms, next);
            deliver_due_inputs();
        }
        return wait_result::woke;
    }
    // The script is over: close the window that is left, once, at the current time.
    HWND window = platform::first_window();
    if (window != nullptr && window != closed_by_host) {
        closed_by_host = window;
        clock_ms = std::max(clock_ms, last_input_ms);
        platform::input::close(window);
        return wait_result::woke;
    }
    if (deadline_ms) {
        clock_ms = std::max(clock_ms, *deadline_ms);
        return wait_result::woke;
    }
    return wait_result::idle_forever;
}

} // namespace platform::host
