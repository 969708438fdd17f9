// Touch and pen as mouse messages, the way Windows promotes them for a program that handles no touch of its
// own: the program only ever sees WM_MOUSEMOVE and the button messages, whichever host the contacts come
// from.
//
// Only the primary contact counts: the first one down while no other is. At touch-down the pointer moves to
// it; what it becomes is decided by what it does next. Lifted within the hold time, having moved no further
// than the drag tolerance: a tap, a left click at the touch-down point. Moved further before the hold time:
// a left-button drag that starts where the finger went down. Held still for the hold time: a press and hold,
// whose sign the host shows at once and which becomes a right click where it was held when lifted, or a
// right-button drag from there when the finger moves on. A pen does the same, hovering moves the pointer,
// and with its barrel button held at touch-down it presses the right button instead of the left. A contact
// the system cancels releases whatever it pressed, where it was.
#include "user32.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace platform::user32 {

// The press-and-hold time and the drag tolerance: the time a contact must stay still to become a right click
// and how far it may wander meanwhile, in pixels either side of where it went down. The tolerance is
// SM_CXDRAG / SM_CYDRAG's documented default. Windows' documentation gives no figure for the hold time (a
// setting of its pen and touch control panel): one second, long enough that no tap becomes a right click.
constexpr std::uint64_t press_and_hold_ms = 1000;
constexpr int drag_tolerance = 4;

namespace {

using platform::input::contact;
using platform::input::contact_action;
using platform::input::contact_kind;

bool inside(HWND window, int x, int y) {
    window_record* w = find_window(window);
    return w != nullptr && x >= 0 && y >= 0 && x < w->pixels.width && y < w->pixels.height;
}

// A contact that started inside the window belongs to it until it lifts, as Windows captures it there: a
// position beyond the edge is taken at the edge, so its release always arrives.
POINT within_window(HWND window, int x, int y) {
    window_record* w = find_window(window);
    int right = w != nullptr ? std::max(w->pixels.width - 1, 0) : 0;
    int bottom = w != nullptr ? std::max(w->pixels.height - 1, 0) : 0;
    return POINT{std::clamp(x, 0, right), std::clamp(y, 0, bottom)};
}

void move(POINT at, unsigned buttons) {
    mouse_message(state.primary.window, WM_MOUSEMOVE, at.x, at.y, buttons);
}

void press(unsigned button, POINT at) {
    state.primary.button = button;
    mouse_message(state.primary.window, button == MK_RBUTTON ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, at.x, at.y,
                  button);
}

void release(POINT at) {
    if (state.primary.button != 0) {
        UINT message = state.primary.button == MK_RBUTTON ? WM_RBUTTONUP : WM_LBUTTONUP;
        mouse_message(state.primary.window, message, at.x, at.y, 0);
    }
    state.primary.button = 0;
}

void end_primary() {
    if (state.primary.now == contact_stage::held) {
        platform::host::hide_hold(state.primary.window);
    }
    state.primary = primary_contact{};
}

bool beyond_tolerance(POINT at) {
    return std::abs(at.x - state.primary.down.x) > drag_tolerance ||
           std::abs(at.y - state.primary.down.y) > drag_tolerance;
}

// The right button for a pen with its barrel button held, the left one otherwise.
unsigned drag_button() {
    return state.primary.pen && state.primary.barrel ? MK_RBUTTON : MK_LBUTTON;
}

void begin(HWND window, const contact& c) {
    if (state.primary.now != contact_stage::none && c.id == state.primary.id) {
        return; // a second down of the same contact is no new one
    }
    if (state.primary.now != contact_stage::none || !state.other_contacts.empty() ||
        !inside(window, c.x, c.y)) {
        if (std::find(state.other_contacts.begin(), state.other_contacts.end(), c.id) ==
            state.other_contacts.end()) {
            state.other_contacts.push_back(c.id);
        }
        return;
    }
    state.primary = primary_contact{};
    state.primary.now = contact_stage::deciding;
    state.primary.window = window;
    state.primary.id = c.id;
    state.primary.pen = c.kind == contact_kind::pen;
    state.primary.barrel = c.barrel;
    state.primary.down = POINT{c.x, c.y};
    state.primary.last = state.primary.down;
    state.primary.down_ms = platform::host::now_ms();
    move(state.primary.down, 0);
}

void follow(POINT at) {
    switch (state.primary.now) {
    case contact_stage::deciding:
        if (beyond_tolerance(at)) {
            state.primary.now = contact_stage::dragging;
            press(drag_button(), state.primary.down);
            move(at, state.primary.button);
        }
        break;
    case contact_stage::held:
        if (beyond_tolerance(at)) {
            platform::host::hide_hold(state.primary.window);
            state.primary.now = contact_stage::dragging;
            press(MK_RBUTTON, state.primary.down);
            move(at, state.primary.button);
        }
        break;
    case contact_stage::dragging:
        move(at, state.primary.button);
        break;
    case contact_stage::none:
        return;
    }
    state.primary.last = at;
}

void lift(POINT at, bool cancelled) {
    switch (state.primary.now) {
    case contact_stage::deciding:
    case contact_stage::held:
        // A tap or a press and hold: a click where it went down, unless the system took the contact back.
        if (!cancelled) {
            press(state.primary.now == contact_stage::held ? MK_RBUTTON : drag_button(), state.primary.down);
            release(state.primary.down);
        }
        break;
    case contact_stage::dragging:
        if (!cancelled && (at.x != state.primary.last.x || at.y != state.primary.last.y)) {
            move(at, state.primary.button);
        }
        release(cancelled ? state.primary.last : at);
        break;
    case contact_stage::none:
        break;
    }
    end_primary();
}

} // namespace

std::optional<std::uint64_t> contact_deadline() {
    if (state.primary.now != contact_stage::deciding || drag_button() == MK_RBUTTON) {
        return std::nullopt;
    }
    return state.primary.down_ms + press_and_hold_ms;
}

void contact_clock() {
    if (state.primary.now != contact_stage::none && find_window(state.primary.window) == nullptr) {
        state.primary = primary_contact{}; // its window is gone, and with it the hold's deadline
        return;
    }
    std::optional<std::uint64_t> due = contact_deadline();
    if (due && platform::host::now_ms() >= *due) {
        state.primary.now = contact_stage::held;
        platform::host::show_hold(state.primary.window, state.primary.down.x, state.primary.down.y);
    }
}

void forget_contacts() {
    if (state.primary.now == contact_stage::held && find_window(state.primary.window) != nullptr) {
        platform::host::hide_hold(state.primary.window);
    }
    state.primary = primary_contact{};
    state.other_contacts.clear();
}

} // namespace platform::user32

using namespace platform::user32;

namespace platform::input {

void contact_changed(HWND window, const contact& c) {
    // The hold time may have passed since the last look at the clock: that comes first.
    contact_clock();
    bool is_primary = state.primary.now != contact_stage::none && c.id == state.primary.id;
    switch (c.action) {
    case contact_action::hover:
        // A pen above the screen moves the pointer, as a mouse would, while nothing is down.
        if (c.kind == contact_kind::pen && state.primary.now == contact_stage::none &&
            state.other_contacts.empty()) {
            mouse_message(window, WM_MOUSEMOVE, c.x, c.y, 0);
        }
        break;
    case contact_action::down:
        begin(window, c);
        break;
    case contact_action::move:
        if (is_primary) {
            follow(within_window(state.primary.window, c.x, c.y));
        }
        break;
    case contact_action::up:
    case contact_action::cancel:
        if (is_primary) {
            lift(within_window(state.primary.window, c.x, c.y), c.action == contact_action::cancel);
        } else {
            std::erase(state.other_contacts, c.id);
        }
        break;
    }
}

} // namespace platform::input
