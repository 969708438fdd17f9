// The web host on phones and tablets: fingers and pens through Pointer Events, the canvas scaled down on a
// small screen, and the ring that shows a press and hold.
//
// Fingers and pens are contacts for user32, which makes mouse messages of them as Windows does; the browser's
// own mouse events for a finger (a tap as a click) are suppressed, so each touch reaches the program once.
// The page itself never pans, zooms or selects under a finger (index.html: touch-action none).
//
// Scale: below a viewport of 640 x 400 CSS pixels the canvas is shown at a scale s of about
// min(vw / 640, vh / 400), never less than one device pixel per canvas pixel, and the program gets a client
// area of floor(vw / s) x floor(vh / s): a portrait phone shows the whole width of the built-in walls. The
// canvas is scaled without smoothing (image-rendering: pixelated), so its colours stay exact.
#include "web_host.h"

#include "host.h"

#include <emscripten.h>

// Contacts are input records of kind 8: x, y in client pixels, then the action (0 down, 1 move, 2 up,
// 3 cancel, 4 hover) plus 8 for a pen and 16 for its barrel button held, then the pointer's id.
EM_JS(void, web_start_touch, (), {
    var m = Module["mirrorsHost"];
    var canvas = m.canvas;
    m.scale = 1;
    // The client area for the viewport, and the scale to show it at.
    m.fit = function() {
        var vw = window.innerWidth;
        var vh = window.innerHeight;
        var s = Math.min(vw / 640, vh / 400);
        s = s >= 1 ? 1 : Math.min(1, Math.max(s, 1 / (window.devicePixelRatio || 1)));
        m.scale = s;
        return [ Math.floor(vw / s + 1e-9), Math.floor(vh / s + 1e-9) ];
    };
    var ring = document.createElement("div");
    ring.id = "hold";
    document.body.appendChild(ring);
    m.ring = ring;
    var contact = function(action) {
        return function(e) {
            if (e.pointerType == "mouse") {
                return; // the mouse events tell it
            }
            if (action == 0) {
                // No emulated mouse events for it, and its moves stay ours beyond the canvas's edge.
                e.preventDefault();
                canvas.focus();
                if (canvas.setPointerCapture) {
                    try {
                        canvas.setPointerCapture(e.pointerId);
                    } catch (ignored) {
                    }
                }
            }
            var pen = e.pointerType == "pen";
            if (action == 1 && pen && e.buttons == 0) {
                action = 4; // a pen above the screen
            }
            var box = canvas.getBoundingClientRect();
            var flags = action | (pen ? 8 : 0) | (pen && (e.buttons & 2) ? 16 : 0);
            m.push({
                kind : 8,
                x : Math.floor((e.clientX - box.left) / m.scale),
                y : Math.floor((e.clientY - box.top) / m.scale),
                button : flags,
                buttons : e.pointerId
            });
        };
    };
    canvas.addEventListener("pointerdown", contact(0));
    canvas.addEventListener("pointermove", contact(1));
    canvas.addEventListener("pointerup", contact(2));
    canvas.addEventListener("pointercancel", contact(3));
});

// The ring over the canvas at client (x, y): drawn by the page above the canvas, never into its pixels.
EM_JS(void, web_hold_ring, (int x, int y, int visible), {
    var m = Module["mirrorsHost"];
    if (!m || !m.ring) {
        return;
    }
    if (!visible) {
        m.ring.style.display = "none";
        return;
    }
    var box = m.canvas.getBoundingClientRect();
    m.ring.style.left = (box.left + (x + 0.5) * m.scale) + "px";
    m.ring.style.top = (box.top + (y + 0.5) * m.scale) + "px";
    m.ring.style.display = "block";
});

namespace platform::web_touch {

void start() {
    web_start_touch();
}

void deliver(HWND window, const int* record) {
    using platform::input::contact_action;
    int flags = record[3];
    int action = flags & 7;
    if (window == nullptr || action > 4) {
        return;
    }
    constexpr contact_action actions[] = {contact_action::down, contact_action::move, contact_action::up,
                                          contact_action::cancel, contact_action::hover};
    platform::input::contact c = {
        record[4],
        (flags & 8) != 0 ? platform::input::contact_kind::pen : platform::input::contact_kind::touch,
        actions[action],
        record[1],
        record[2],
        (flags & 16) != 0};
    platform::input::touch(window, c);
}

} // namespace platform::web_touch

namespace platform::host {

void show_hold(HWND, int x, int y) {
    web_hold_ring(x, y, 1);
}

void hide_hold(HWND) {
    web_hold_ring(0, 0, 0);
}

} // namespace platform::host
