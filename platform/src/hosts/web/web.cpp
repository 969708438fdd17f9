// The web host: the main window is a canvas in a browser page (platform/src/hosts/web/index.html), built with
// Emscripten.
//
// The canvas is the client area of the first window, one canvas pixel per CSS pixel, and the page keeps it
// the size of the browser's viewport: a resize of the browser window reaches the program as a resize of its
// window. The page's own JavaScript (below, in EM_JS functions) only queues what the browser reports (mouse,
// keys, a new viewport size) and wakes the waiting message loop; the input is handed to user32 from pump()
// and wait(), as the host boundary requires, never from inside a browser event handler.
//
// Waiting: the blocking GetMessageA must give the browser its thread back, so the build uses ASYNCIFY and
// wait() suspends on a promise that the next deadline (a timer) or any input settles, whichever comes first.
// Presenting puts only the rows that changed on the canvas, usually none.
#include "host.h"
#include "web_host.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

// The JavaScript half. Each input is one record of seven numbers in Module.mirrorsInput, plus the key's
// code and key names for keys: kind (1 move, 2 button down, 3 button up, 4 key down, 5 key up, 6 viewport
// resize, 7 close, 8 a finger or pen: see touch.cpp), x, y, the DOM button, the DOM buttons held,
// whether the key is held down already (an auto-repeat) and nothing.
EM_JS(int, web_start, (), {
    var canvas = Module["canvas"] || document.getElementById("canvas");
    if (!canvas || !canvas.getContext) {
        return 0;
    }
    var context = canvas.getContext("2d", {alpha : false});
    if (!context) {
        return 0;
    }
    Module["canvas"] = canvas;
    var m = {canvas : canvas, context : context, queue : [], wake : null, frames : 0, image : null};
    Module["mirrorsHost"] = m;
    var push = function(record) {
        m.queue.push(record);
        if (m.wake) {
            var wake = m.wake;
            m.wake = null;
            wake();
        }
    };
    m.push = push;
    // Client coordinates of a mouse event (the canvas may be shown scaled); null when the pointer is outside
    // the canvas, where the desktop window would see nothing either (the mouse is never captured).
    var at = function(e) {
        var box = canvas.getBoundingClientRect();
        var x = Math.floor((e.clientX - box.left) / m.scale);
        var y = Math.floor((e.clientY - box.top) / m.scale);
        return x >= 0 && y >= 0 && x < canvas.width && y < canvas.height ? [ x, y ] : null;
    };
    var mouse = function(kind) {
        return function(e) {
            // A finger's emulated mouse: the finger itself reaches the program as a contact.
            if (e.sourceCapabilities && e.sourceCapabilities.firesTouchEvents) {
                return;
            }
            var p = at(e);
            if (p) {
                push({kind : kind, x : p[0], y : p[1], button : e.button, buttons : e.buttons});
            }
            if (kind == 2) {
                canvas.focus();
            }
        };
    };
    canvas.addEventListener("mousemove", mouse(1));
    canvas.addEventListener("mousedown", mouse(2));
    canvas.addEventListener("mouseup", mouse(3));
    // The right button belongs to the program: the page"s context menu never opens over it.
    canvas.addEventListener(
        "contextmenu", function(e) { e.preventDefault(); });
    // Keys reach the program while the canvas has the focus; the browser keeps its own shortcuts, so no key
    // event is prevented.
    var key = function(kind) {
        return function(e) {
            push({kind : kind, code : e.code || "", key : e.key || "", repeat : e.repeat});
        };
    };
    canvas.addEventListener("keydown", key(4));
    canvas.addEventListener("keyup", key(5));
    window.addEventListener(
        "resize", function() {
            var size = m.fit();
            push({kind : 6, x : size[0], y : size[1]});
        });
    canvas.tabIndex = 0;
    canvas.focus();
    return 1;
});

// The client area that the canvas should have for the viewport (touch.cpp).
EM_JS(int, web_viewport_width, (), { return Module["mirrorsHost"].fit()[0]; });
EM_JS(int, web_viewport_height, (), { return Module["mirrorsHost"].fit()[1]; });

// Takes the oldest queued input into `record` (kind, x, y, button, buttons, repeat) and its key code and key
// name into the two buffers; 0 when nothing is queued.
EM_JS(int, web_take_input, (int* record, char* code, int code_size, char* key, int key_size), {
    var m = Module["mirrorsHost"];
    if (!m || m.queue.length == 0) {
        return 0;
    }
    var e = m.queue.shift();
    var base = record >> 2;
    HEAP32[base] = e.kind;
    HEAP32[base + 1] = e.x | 0;
    HEAP32[base + 2] = e.y | 0;
    HEAP32[base + 3] = e.button | 0;
    HEAP32[base + 4] = e.buttons | 0;
    HEAP32[base + 5] = e.repeat ? 1 : 0;
    stringToUTF8(e.code || "", code, code_size);
    stringToUTF8(e.key || "", key, key_size);
    return 1;
});

// Sleeps until `ms` have passed (never, when negative) or an input arrives.
EM_ASYNC_JS(void, web_sleep, (double ms), {
    var m = Module["mirrorsHost"];
    await new Promise(function(resolve) {
        var timer = ms >= 0 ? setTimeout(
                                  function() {
                                      m.wake = null;
                                      resolve();
                                  },
                                  ms)
                            : null;
        m.wake = function() {
            if (timer != null) {
                clearTimeout(timer);
            }
            resolve();
        };
        if (m.queue.length > 0) {
            m.wake();
            m.wake = null;
        }
    });
});

// Puts rows [top, bottom) of a width x height frame of 0x00RRGGBB words on the canvas; a canvas of another
// size is made this size first and gets every row. Counts the frame either way.
EM_JS(void, web_present, (const std::uint32_t* pixels, int width, int height, int top, int bottom, int paint),
      {
          var m = Module["mirrorsHost"];
          var canvas = m.canvas;
          if (canvas.width != width || canvas.height != height || !m.image || m.shownScale != m.scale) {
              canvas.width = width;
              canvas.height = height;
              // One canvas pixel per CSS pixel (fewer on a small screen), never smoothed when the page is
              // zoomed or the display is dense.
              m.shownScale = m.scale;
              canvas.style.width = (width * m.scale) + "px";
              canvas.style.height = (height * m.scale) + "px";
              m.image = m.context.createImageData(width, height);
              m.words = new Uint32Array(m.image.data.buffer);
              top = 0;
              bottom = height;
          }
          if (top < bottom) {
              // ImageData is R, G, B, A in memory: the little-endian word 0xAABBGGRR.
              var source = HEAPU32;
              var words = m.words;
              var start = (pixels >> 2) + top * width;
              for (var i = top * width, end = bottom * width, s = start; i < end; ++i, ++s) {
                  var p = source[s];
                  words[i] = 0xFF000000 | ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >>> 16) & 0xFF);
              }
              m.context.putImageData(m.image, 0, 0, 0, top, width, bottom - top);
          }
          if (paint) {
              m.frames++;
          }
      });

EM_JS(void, web_show, (int visible), {
    var m = Module["mirrorsHost"];
    if (m) {
        m.canvas.style.visibility = visible ? "visible" : "hidden";
    }
});

namespace {

bool started = false;
HWND canvas_window = nullptr; // the window whose client area the canvas is
int canvas_width = -1;        // the size the canvas was last given, -1 before the first present
int canvas_height = -1;
bool resize_pending = false; // the viewport differs from the window made for it: report it
double clock_origin = 0.0;

struct web_key {
    std::string_view code; // KeyboardEvent.code: the physical key
    unsigned virtual_key;
};

// Keys other than letters, digits and function keys, by physical position; the set-1 scan code follows from
// the virtual key except where two keys share one.
constexpr web_key named_keys[] = {
    {"Escape", VK_ESCAPE},  {"Enter", VK_RETURN},   {"Space", VK_SPACE},      {"Tab", VK_TAB},
    {"Backspace", VK_BACK}, {"ArrowLeft", VK_LEFT}, {"ArrowRight", VK_RIGHT}, {"ArrowUp", VK_UP},
    {"ArrowDown", VK_DOWN}, {"Home", VK_HOME},      {"End", VK_END},          {"PageUp", VK_PRIOR},
    {"PageDown", VK_NEXT},  {"Insert", VK_INSERT},  {"Delete", VK_DELETE},
};

// Virtual key and set-1 scan code of a key the browser names by its physical position (`code`) and by what
// the keyboard layout makes of it (`key`). virtual_key 0: a key we do not map.
platform::translated_key translate_web_key(std::string_view code, std::string_view key) {
    using platform::scan_code_of;
    auto same_as = [](unsigned vk) {
        platform::scan_code c = scan_code_of(vk);
        return platform::translated_key{vk, c.code, c.extended};
    };
    if (code.size() == 4 && code.substr(0, 3) == "Key" && code[3] >= 'A' && code[3] <= 'Z') {
        // The letter follows the layout, the scan code the key's place.
        unsigned letter = static_cast<unsigned>(code[3]);
        if (key.size() == 1 && std::isalpha(static_cast<unsigned char>(key[0]))) {
            letter = static_cast<unsigned>(std::toupper(static_cast<unsigned char>(key[0])));
        }
        return {letter, scan_code_of(static_cast<unsigned>(code[3])).code, false};
    }
    if (code.size() == 6 && code.substr(0, 5) == "Digit" && code[5] >= '0' && code[5] <= '9') {
        return same_as(static_cast<unsigned>(code[5]));
    }
    if (code.size() >= 2 && code.size() <= 3 && code[0] == 'F') {
        int n = 0;
        for (char c : code.substr(1)) {
            n = c >= '0' && c <= '9' ? n * 10 + (c - '0') : -1000;
        }
        if (n >= 1 && n <= 12) {
            return same_as(VK_F1 + static_cast<unsigned>(n - 1));
        }
    }
    const struct {
        std::string_view code;
        platform::translated_key key;
    } sided[] = {
        {"NumpadEnter", {VK_RETURN, 0x1C, true}},   {"ShiftLeft", {VK_SHIFT, 0x2A, false}},
        {"ShiftRight", {VK_SHIFT, 0x36, false}},    {"ControlLeft", {VK_CONTROL, 0x1D, false}},
        {"ControlRight", {VK_CONTROL, 0x1D, true}}, {"AltLeft", {VK_MENU, 0x38, false}},
        {"AltRight", {VK_MENU, 0x38, true}},
    };
    for (const auto& s : sided) {
        if (s.code == code) {
            return s.key;
        }
    }
    for (const web_key& k : named_keys) {
        if (k.code == code) {
            return same_as(k.virtual_key);
        }
    }
    return {0, 0, false};
}

using platform::input::button;

// The DOM's `buttons` bits (1 left, 2 right, 4 middle) in the layer's words.
platform::input::button_set held_of(int dom_buttons) {
    return ((dom_buttons & 1) != 0 ? bit_of(button::left) : 0u) |
           ((dom_buttons & 2) != 0 ? bit_of(button::right) : 0u) |
           ((dom_buttons & 4) != 0 ? bit_of(button::middle) : 0u);
}

void deliver_mouse(int kind, int x, int y, int dom_button, int dom_buttons) {
    if (kind == 1) {
        platform::input::pointer_moved(canvas_window, x, y, held_of(dom_buttons));
        return;
    }
    // The DOM's `button`: 0 left, 1 middle, 2 right; the back and forward buttons are none of the layer's,
    // as a Windows window without XBUTTON handling sees nothing of them.
    constexpr button buttons[] = {button::left, button::middle, button::right};
    if (dom_button >= 0 && dom_button <= 2) {
        platform::input::button_changed(canvas_window, buttons[dom_button], kind == 2, x, y,
                                        held_of(dom_buttons));
    }
}

void deliver_queued_input() {
    if (canvas_window != nullptr && resize_pending) {
        resize_pending = false;
        platform::input::resize(canvas_window, web_viewport_width(), web_viewport_height());
    }
    int record[6];
    char code[32];
    char key[16];
    while (web_take_input(record, code, sizeof code, key, sizeof key) != 0) {
        if (canvas_window == nullptr) {
            continue;
        }
        int kind = record[0];
        switch (kind) {
        case 1:
        case 2:
        case 3:
            deliver_mouse(kind, record[1], record[2], record[3], record[4]);
            break;
        case 4:
        case 5: {
            platform::translated_key k = translate_web_key(code, key);
            if (k.virtual_key != 0) {
                platform::input::key(canvas_window, k.virtual_key, k.scan_code, k.extended, kind == 4);
            }
            break;
        }
        case 6:
            platform::input::resize(canvas_window, std::max(record[1], 0), std::max(record[2], 0));
            break;
        case 8:
            platform::web_touch::deliver(canvas_window, record);
            break;
        default:
            break;
        }
    }
}

} // namespace

namespace platform::host {

bool start(std::string* reason) {
    if (started) {
        return true;
    }
    if (web_start() == 0) {
        if (reason != nullptr) {
            *reason = "the page has no canvas with a 2D context";
        }
        return false;
    }
    platform::web_touch::start();
    clock_origin = emscripten_get_now();
    started = true;
    return true;
}

void stop() {
    // The canvas keeps the last frame: the page says that the program has ended.
    started = false;
    canvas_window = nullptr;
}

bool create_window(HWND window, const char*, int width, int height) {
    if (!started && !start(nullptr)) {
        return false;
    }
    if (canvas_window == nullptr) {
        canvas_window = window;
        // The window is made at the size the program asked for; the first message call tells it the
        // viewport's.
        resize_pending = width != web_viewport_width() || height != web_viewport_height();
    }
    return true;
}

void destroy_window(HWND window) {
    if (window == canvas_window) {
        canvas_window = nullptr;
    }
}

void show_window(HWND window, bool visible) {
    if (window == canvas_window) {
        web_show(visible ? 1 : 0);
    }
}

void resize_window(HWND, int, int) {
    // The canvas takes the client area's size with the next frame.
}

void present(HWND window, const pixel_buffer& pixels, present_reason reason) {
    if (window != canvas_window || pixels.width <= 0 || pixels.height <= 0) {
        return;
    }
    bool same_size = pixels.width == canvas_width && pixels.height == canvas_height;
    int top = same_size ? std::max(pixels.changed_top, 0) : 0;
    int bottom = same_size ? std::min(pixels.changed_bottom, pixels.height) : pixels.height;
    web_present(pixels.pixels.data(), pixels.width, pixels.height, top, bottom,
                reason == present_reason::paint ? 1 : 0);
    pixels.mark_shown();
    canvas_width = pixels.width;
    canvas_height = pixels.height;
}

std::uint64_t now_ms() {
    double elapsed = emscripten_get_now() - clock_origin;
    return elapsed > 0 ? static_cast<std::uint64_t>(elapsed) : 0;
}

void pump() {
    if (started) {
        deliver_queued_input();
    }
}

wait_result wait(std::optional<std::uint64_t> deadline_ms) {
    if (!deadline_ms && (!started || canvas_window == nullptr)) {
        return wait_result::idle_forever;
    }
    double sleep_ms = -1;
    if (deadline_ms) {
        // The clock counts whole milliseconds from an origin inside one: sleep to the start of the deadline's
        // millisecond, rounded up to the browser timer's whole milliseconds, so that it has come on waking.
        double left = static_cast<double>(*deadline_ms) - (emscripten_get_now() - clock_origin);
        if (left <= 0) {
            return wait_result::woke;
        }
        sleep_ms = std::ceil(left);
    }
    web_sleep(sleep_ms);
    deliver_queued_input();
    return wait_result::woke;
}

} // namespace platform::host
