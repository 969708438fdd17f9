// The web host: the main window is a canvas in a browser page (platform/src/hosts/web/index.html), built with
// Emscripten.
//
// The canvas is the client area of the first window, one canvas pixel per CSS pixel, and the page keeps it
// the size of the browser's viewport: a resize of the browser window reaches the program as a resize of its
// window. The page's own JavaScript (page.js) only queues what the browser reports (mouse, keys, fingers, a
// new viewport size) and wakes the waiting message loop; the input is handed to user32 from pump()
// and wait(), as the host boundary requires, never from inside a browser event handler.
//
// Waiting: the blocking GetMessageA must give the browser its thread back, so the build uses ASYNCIFY and
// wait() suspends on a promise that the next deadline (a timer) or any input settles, whichever comes first.
// Presenting puts only the rows that changed on the canvas, usually none.
#include "web_host.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>

namespace {

// All the C++ half keeps of the page.
struct page_state {
    bool started = false;
    HWND canvas_window = nullptr; // the window whose client area the canvas is
    int canvas_width = -1;        // the size the canvas was last given, -1 before the first present
    int canvas_height = -1;
    bool resize_pending = false; // the viewport differs from the window made for it: report it
    double clock_origin = 0.0;
};

page_state page;

using platform::input::button;

// The DOM's `buttons` bits (1 left, 2 right, 4 middle) in the layer's words.
platform::input::button_set held_of(int dom_buttons) {
    return ((dom_buttons & 1) != 0 ? bit_of(button::left) : 0u) |
           ((dom_buttons & 2) != 0 ? bit_of(button::right) : 0u) |
           ((dom_buttons & 4) != 0 ? bit_of(button::middle) : 0u);
}

// A finger or pen: user32 makes mouse messages of it as Windows does (user32/touch.cpp).
void deliver_contact(const input_record& r) {
    using platform::input::contact_action;
    using platform::input::contact_kind;
    constexpr contact_action actions[] = {contact_action::down, contact_action::move, contact_action::up,
                                          contact_action::cancel, contact_action::hover};
    if ((r.a & 7) <= 4) {
        contact_kind kind = (r.a & 8) != 0 ? contact_kind::pen : contact_kind::touch;
        platform::input::contact_changed(page.canvas_window,
                                         {r.b, kind, actions[r.a & 7], r.x, r.y, (r.a & 16) != 0});
    }
}

void deliver(const input_record& r, const char* code, const char* key) {
    switch (static_cast<record_kind>(r.kind)) {
    case record_kind::move:
        platform::input::pointer_moved(page.canvas_window, r.x, r.y, held_of(r.b));
        break;
    case record_kind::button_down:
    case record_kind::button_up: {
        // The DOM's `button`: 0 left, 1 middle, 2 right; the back and forward buttons are none of the
        // layer's, as a Windows window without XBUTTON handling sees nothing of them.
        constexpr button buttons[] = {button::left, button::middle, button::right};
        if (r.a >= 0 && r.a <= 2) {
            bool down = r.kind == static_cast<int>(record_kind::button_down);
            platform::input::button_changed(page.canvas_window, buttons[r.a], down, r.x, r.y, held_of(r.b));
        }
        break;
    }
    case record_kind::key_down:
    case record_kind::key_up: {
        platform::translated_key k = platform::web::translate_key(code, key);
        if (k.virtual_key != 0) {
            bool down = r.kind == static_cast<int>(record_kind::key_down);
            platform::input::key(page.canvas_window, k.virtual_key, k.scan_code, k.extended, down);
        }
        break;
    }
    case record_kind::resize:
        platform::input::resize(page.canvas_window, std::max(r.x, 0), std::max(r.y, 0));
        break;
    case record_kind::contact:
        deliver_contact(r);
        break;
    }
}

void deliver_queued_input() {
    if (page.canvas_window != nullptr && page.resize_pending) {
        page.resize_pending = false;
        platform::input::resize(page.canvas_window, web_viewport_width(), web_viewport_height());
    }
    input_record record;
    char code[32];
    char key[16];
    while (web_take_input(&record, code, sizeof code, key, sizeof key) != 0) {
        if (page.canvas_window != nullptr) {
            deliver(record, code, key);
        }
    }
}

} // namespace

namespace platform::host {

bool start(std::string* reason) {
    if (page.started) {
        return true;
    }
    if (web_start() == 0) {
        if (reason != nullptr) {
            *reason = "the page has no canvas with a 2D context";
        }
        return false;
    }
    page.clock_origin = emscripten_get_now();
    page.started = true;
    return true;
}

void stop() {
    // The canvas keeps the last frame: the page says that the program has ended.
    page.started = false;
    page.canvas_window = nullptr;
}

bool create_window(HWND window, const char*, int width, int height) {
    if (!page.started && !start(nullptr)) {
        return false;
    }
    if (page.canvas_window == nullptr) {
        page.canvas_window = window;
        // The window is made at the size the program asked for; the first message call tells it the
        // viewport's.
        page.resize_pending = width != web_viewport_width() || height != web_viewport_height();
    }
    return true;
}

void destroy_window(HWND window) {
    if (window == page.canvas_window) {
        page.canvas_window = nullptr;
    }
}

void show_window(HWND window, bool visible) {
    if (window == page.canvas_window) {
        web_show(visible ? 1 : 0);
    }
}

void resize_window(HWND, int, int) {
    // The canvas takes the client area's size with the next frame.
}

void present(HWND window, const pixel_buffer& pixels, present_reason reason) {
    if (window != page.canvas_window || pixels.width <= 0 || pixels.height <= 0) {
        return;
    }
    bool same_size = pixels.width == page.canvas_width && pixels.height == page.canvas_height;
    int top = same_size ? std::max(pixels.changed_top, 0) : 0;
    int bottom = same_size ? std::min(pixels.changed_bottom, pixels.height) : pixels.height;
    web_present(pixels.pixels.data(), pixels.width, pixels.height, top, bottom,
                reason == present_reason::paint ? 1 : 0);
    pixels.mark_shown();
    page.canvas_width = pixels.width;
    page.canvas_height = pixels.height;
}

std::uint64_t now_ms() {
    double elapsed = emscripten_get_now() - page.clock_origin;
    return elapsed > 0 ? static_cast<std::uint64_t>(elapsed) : 0;
}

void pump() {
    if (page.started) {
        deliver_queued_input();
    }
}

wait_result wait(std::optional<std::uint64_t> deadline_ms) {
    if (!deadline_ms && (!page.started || page.canvas_window == nullptr)) {
        return wait_result::idle_forever;
    }
    double sleep_ms = -1;
    if (deadline_ms) {
        // The clock counts whole milliseconds from an origin inside one: sleep to the start of the deadline's
        // millisecond, rounded up to the browser timer's whole milliseconds, so that it has come on waking.
        double left = static_cast<double>(*deadline_ms) - (emscripten_get_now() - page.clock_origin);
        if (left <= 0) {
            return wait_result::woke;
        }
        sleep_ms = std::ceil(left);
    }
    web_sleep(sleep_ms);
    deliver_queued_input();
    return wait_result::woke;
}

// The ring that shows a press and hold, drawn by the page over the canvas.
void show_hold(HWND, int x, int y) {
    web_hold_ring(x, y, 1);
}

void hide_hold(HWND) {
    web_hold_ring(0, 0, 0);
}

} // namespace platform::host
