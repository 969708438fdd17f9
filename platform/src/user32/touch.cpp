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
using platform::input::mouse_action;

enum class stage {
    none,     // no primary contact
    deciding, // down, still near where it went down, the hold time not yet over
    dragging, // a button pressed and following the contact
    held,     // the hold registered: a right click on lift, unless it moves on
};

struct primary_contact {
    stage now = stage::none;
    HWND window = nullptr;
    long long id = 0;
    bool pen = false;
    bool barrel = false; // the barrel button was held at touch-down
    POINT down = {0, 0}; // where it went down (client coordinates)
    POINT last = {0, 0}; // where it was last, inside the client area
    std::uint64_t down_ms = 0;
    unsigned button = 0; // MK_LBUTTON or MK_RBUTTON once pressed
};

primary_contact primary;
std::vector<long long> other_contacts; // down while the primary was, or before it: they reach nothing

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

void send(mouse_action action, POINT at, unsigned buttons) {
    platform::input::mouse(primary.window, action, at.x, at.y, buttons);
}

void press(unsigned button, POINT at) {
    primary.button = button;
    send(button == MK_RBUTTON ? mouse_action::right_down : mouse_action::left_down, at, button);
}

void release(POINT at) {
    if (primary.button != 0) {
        send(primary.button == MK_RBUTTON ? mouse_action::right_up : mouse_action::left_up, at, 0);
    }
    primary.button = 0;
}

void end_primary() {
    if (primary.now == stage::held) {
        platform::host::hide_hold(primary.window);
    }
    primary = primary_contact{};
}

bool beyond_tolerance(POINT at) {
    return std::abs(at.x - primary.down.x) > drag_tolerance ||
           std::abs(at.y - primary.down.y) > drag_tolerance;
}

// The right button for a pen with its barrel button held, the left one otherwise.
unsigned drag_button() {
    return primary.pen && primary.barrel ? MK_RBUTTON : MK_LBUTTON;
}

void begin(HWND window, const contact& c) {
    if (primary.now != stage::none && c.id == primary.id) {
        return; // a second down of the same contact is no new one
    }
    if (primary.now != stage::none || !other_contacts.empty() || !inside(window, c.x, c.y)) {
        if (std::find(other_contacts.begin(), other_contacts.end(), c.id) == other_contacts.end()) {
            other_contacts.push_back(c.id);
        }
        return;
    }
    primary = primary_contact{};
    primary.now = stage::deciding;
    primary.window = window;
    primary.id = c.id;
    primary.pen = c.kind == contact_kind::pen;
    primary.barrel = c.barrel;
    primary.down = POINT{c.x, c.y};
    primary.last = primary.down;
    primary.down_ms = platform::host::now_ms();
    send(mouse_action::move, primary.down, 0);
}

void follow(POINT at) {
    switch (primary.now) {
    case stage::deciding:
        if (beyond_tolerance(at)) {
            primary.now = stage::dragging;
            press(drag_button(), primary.down);
            send(mouse_action::move, at, primary.button);
        }
        break;
    case stage::held:
        if (beyond_tolerance(at)) {
            platform::host::hide_hold(primary.window);
            primary.now = stage::dragging;
            press(MK_RBUTTON, primary.down);
            send(mouse_action::move, at, primary.button);
        }
        break;
    case stage::dragging:
        send(mouse_action::move, at, primary.button);
        break;
    case stage::none:
        return;
    }
    primary.last = at;
}

void lift(POINT at, bool cancelled) {
    switch (primary.now) {
    case stage::deciding:
    case stage::held:
        // A tap or a press and hold: a click where it went down, unless the system took the contact back.
        if (!cancelled) {
            press(primary.now == stage::held ? MK_RBUTTON : drag_button(), primary.down);
            release(primary.down);
        }
        break;
    case stage::dragging:
        if (!cancelled && (at.x != primary.last.x || at.y != primary.last.y)) {
            send(mouse_action::move, at, primary.button);
        }
        release(cancelled ? primary.last : at);
        break;
    case stage::none:
        break;
    }
    end_primary();
}

} // namespace

std::optional<std::uint64_t> contact_deadline() {
    if (primary.now != stage::deciding || drag_button() == MK_RBUTTON) {
        return std::nullopt;
    }
    return primary.down_ms + press_and_hold_ms;
}

void contact_clock() {
    if (primary.now != stage::none && find_window(primary.window) == nullptr) {
        primary = primary_contact{}; // its window is gone, and with it the hold's deadline
        return;
    }
    std::optional<std::uint64_t> due = contact_deadline();
    if (due && platform::host::now_ms() >= *due) {
        primary.now = stage::held;
        platform::host::show_hold(primary.window, primary.down.x, primary.down.y);
    }
}

void forget_contacts() {
    if (primary.now == stage::held && find_window(primary.window) != nullptr) {
        platform::host::hide_hold(primary.window);
    }
    primary = primary_contact{};
    other_contacts.clear();
}

} // namespace platform::user32

using namespace platform::user32;

namespace platform::input {

void touch(HWND window, const contact& c) {
    // The hold time may have passed since the last look at the clock: that comes first.
    contact_clock();
    bool is_primary = primary.now != stage::none && c.id == primary.id;
    switch (c.action) {
    case contact_action::hover:
        // A pen above the screen moves the pointer, as a mouse would, while nothing is down.
        if (c.kind == contact_kind::pen && primary.now == stage::none && other_contacts.empty()) {
            platform::input::mouse(window, mouse_action::move, c.x, c.y, 0);
        }
        break;
    case contact_action::down:
        begin(window, c);
        break;
    case contact_action::move:
        if (is_primary) {
            follow(within_window(primary.window, c.x, c.y));
        }
        break;
    case contact_action::up:
    case contact_action::cancel:
        if (is_primary) {
            lift(within_window(primary.window, c.x, c.y), c.action == contact_action::cancel);
        } else {
            std::erase(other_contacts, c.id);
        }
        break;
    }
}

} // namespace platform::input
