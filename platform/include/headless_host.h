// The headless host: our Windows API layer with no display at all, for tests and benchmarks.
//
// Time is virtual. The clock starts at 0 ms and only moves when the message loop has nothing to do: instead
// of sleeping, GetMessageA advances the clock to the next timer deadline or the next scripted input,
// whichever comes first. A program that repaints on a 10 ms timer therefore runs thousands of frames a
// second.
//
// Ending a run: when the script is exhausted and a window still exists, the host clicks that window's close
// button (WM_CLOSE) at the time of the last scripted input, without advancing the clock, so a run never
// hangs. A test that wants frames after its last input ends its script with an explicit close_button at the
// time it wants. A message loop that could never receive anything again (no window left to close, no timer,
// nothing posted) does not hang either: GetMessageA writes one line to stderr and returns 0 as if it had
// retrieved WM_QUIT with exit code 1.
//
// PeekMessageA never advances the clock: only a waiting GetMessageA does (or advance_clock below).
#pragma once

#include <windows.h>

#include "layer_input.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace headless {

// A window's client pixels: 0x00RRGGBB words, rows top-down, no padding. A view of the host's own buffer,
// good until the program next draws or the window goes away: keep a frame to hold on to them.
struct frame_view {
    int width = 0;
    int height = 0;
    std::span<const std::uint32_t> pixels; // width * height words
};

// A copy of a window's client pixels.
struct frame {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    frame() = default;
    frame(frame_view v) : width(v.width), height(v.height), pixels(v.pixels.begin(), v.pixels.end()) {}
    operator frame_view() const { return {width, height, pixels}; }
};

// What happens at a moment of the script, in the layer's words (layer_input.h), and the two things a user
// does to the window itself, a resize and its close button.
enum class event {
    pointer_moved,
    button_down,
    button_up,
    key_down,
    key_up,
    contact_changed,
    resize,
    close_button
};

namespace raw = platform::input;

struct input {
    event what = event::pointer_moved;
    raw::button button = raw::button::left;                 // button_down, button_up
    raw::contact_kind device = raw::contact_kind::touch;    // contact_changed
    raw::contact_action action = raw::contact_action::down; // contact_changed
    bool operator==(const input&) const = default;

    // The inputs that scripts use, by name.
    static const input mouse_move, left_down, left_up, right_down, right_up, key_down, key_up, resize,
        close_button, touch_down, touch_move, touch_up, touch_cancel, pen_hover, pen_down, pen_move, pen_up;
};

inline constexpr input input::mouse_move{event::pointer_moved};
inline constexpr input input::left_down{event::button_down, raw::button::left};
inline constexpr input input::left_up{event::button_up, raw::button::left};
inline constexpr input input::right_down{event::button_down, raw::button::right};
inline constexpr input input::right_up{event::button_up, raw::button::right};
inline constexpr input input::key_down{event::key_down};
inline constexpr input input::key_up{event::key_up};
inline constexpr input input::resize{event::resize};
inline constexpr input input::close_button{event::close_button};
constexpr input contact(raw::contact_kind device, raw::contact_action action) {
    return {event::contact_changed, raw::button::left, device, action};
}
inline constexpr input input::touch_down = contact(raw::contact_kind::touch, raw::contact_action::down);
inline constexpr input input::touch_move = contact(raw::contact_kind::touch, raw::contact_action::move);
inline constexpr input input::touch_up = contact(raw::contact_kind::touch, raw::contact_action::up);
inline constexpr input input::touch_cancel = contact(raw::contact_kind::touch, raw::contact_action::cancel);
inline constexpr input input::pen_hover = contact(raw::contact_kind::pen, raw::contact_action::hover);
inline constexpr input input::pen_down = contact(raw::contact_kind::pen, raw::contact_action::down);
inline constexpr input input::pen_move = contact(raw::contact_kind::pen, raw::contact_action::move);
inline constexpr input input::pen_up = contact(raw::contact_kind::pen, raw::contact_action::up);

struct scripted_input {
    std::uint64_t at_ms; // virtual time at which it arrives (absolute; clock starts at 0)
    input kind;
    int x = 0;           // pointer position in client coordinates (mouse kinds); new client width (resize)
    int y = 0;           // ... ; new client height (resize)
    unsigned key = 0;    // virtual-key code (key kinds); Alt is VK_MENU
    int contact = 0;     // which finger or pen (touch and pen kinds)
    bool barrel = false; // the pen's barrel button is held (pen kinds)
};

// Replaces the script; inputs are delivered to the (first) top-level window in time order. The pointer
// starts outside the window; a mouse input places it at (x, y) first (a move message is generated only for
// mouse_move and only if inside the client area), then presses/releases. Inputs outside the client area are
// not delivered. Key inputs carry the PC/AT scan code and extended bit of the key on a US keyboard; keys held
// down together (Shift, Control, Alt) combine as on a real keyboard, and a second key_down without a key_up
// is an auto-repeat. Touch and pen inputs reach user32 as contacts, at any position. Inputs for a moment
// already past are delivered at the next message call.
void set_script(std::vector<scripted_input> script);

// Called after every EndPaint of a top-level window with its client pixels and the virtual time.
void set_paint_observer(std::function<void(frame_view pixels, std::uint64_t now_ms)> observer);

// The first top-level window's client pixels as last painted. While that window exists this is its live
// pixel buffer; once it is destroyed, a copy taken at that moment. Empty before any paint.
frame_view window_pixels();

std::uint64_t now_ms();
int frames_presented(); // number of EndPaint presentations so far
// The virtual times at which a press and hold was shown as registered (the ring a tablet draws).
const std::vector<std::uint64_t>& hold_signs();
void fail_window_creation(bool fail); // the host refuses to create windows (CreateWindowExA -> NULL)

// Moves the virtual clock forward as if the program had been busy for `ms` (for example inside a slow
// paint). Nothing is delivered until the next message call.
void advance_clock(std::uint64_t ms);

// Reset everything (script, clock, observers, counters) for tests that run several sessions in one process.
// Any window still open is destroyed (its procedure gets WM_DESTROY and WM_NCDESTROY), and then every timer,
// queued message, pending quit, registered window class and held key is forgotten, so the next session starts
// like a fresh process.
void reset();

} // namespace headless
