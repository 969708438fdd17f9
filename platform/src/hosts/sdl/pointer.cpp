// The SDL host's mouse from SDL's events: every move, and the buttons where the X events are not read (other
// drivers; on X11 see x11.cpp). Fingers are no mouse here: touch.cpp.
#include "sdl_host.h"

namespace platform::sdl {

unsigned buttons = 0;

namespace {

unsigned buttons_of_state(Uint32 state) {
    unsigned b = 0;
    if ((state & SDL_BUTTON_LMASK) != 0) {
        b |= MK_LBUTTON;
    }
    if ((state & SDL_BUTTON_RMASK) != 0) {
        b |= MK_RBUTTON;
    }
    if ((state & SDL_BUTTON_MMASK) != 0) {
        b |= MK_MBUTTON;
    }
    return b;
}

// Whether SDL's next queued event tells that the pointer left `window`: SDL then reports the move that took
// it out at the window's edge, which is no position the pointer had in it. Only the very next event: a leave
// further on in the queue says nothing of the moves before it, which were inside.
bool leaves_next(Uint32 window) {
    SDL_Event next;
    return SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
           next.type == SDL_WINDOWEVENT && next.window.windowID == window &&
           next.window.event == SDL_WINDOWEVENT_LEAVE;
}

} // namespace

using platform::input::mouse_action;

mouse_action button_action(unsigned button, bool down) {
    switch (button) {
    case MK_LBUTTON:
        return down ? mouse_action::left_down : mouse_action::left_up;
    case MK_RBUTTON:
        return down ? mouse_action::right_down : mouse_action::right_up;
    default:
        return down ? mouse_action::middle_down : mouse_action::middle_up;
    }
}

// A move in SDL's queue is already out of it, so the next one can be looked at. The mouse SDL makes of a
// finger is left out: the finger events tell it (touch.cpp).
void mouse_motion(const SDL_MouseMotionEvent& e) {
    window* w = by_id(e.windowID);
    if (w == nullptr || e.which == SDL_TOUCH_MOUSEID) {
        return;
    }
    if (leaves_next(e.windowID)) {
        w->pointer_inside = false;
        return;
    }
    w->pointer_inside = true;
    if (!raw_x11_events()) {
        buttons = buttons_of_state(e.state);
    }
    platform::input::mouse(w->handle, mouse_action::move, e.x, e.y, buttons);
}

void mouse_button(const SDL_MouseButtonEvent& e) {
    window* w = by_id(e.windowID);
    if (w == nullptr || raw_x11_events() || e.which == SDL_TOUCH_MOUSEID) {
        return;
    }
    bool down = e.type == SDL_MOUSEBUTTONDOWN;
    unsigned button = e.button == SDL_BUTTON_LEFT     ? MK_LBUTTON
                      : e.button == SDL_BUTTON_RIGHT  ? MK_RBUTTON
                      : e.button == SDL_BUTTON_MIDDLE ? MK_MBUTTON
                                                      : 0u;
    if (button == 0) {
        return;
    }
    buttons = down ? (buttons | button) : (buttons & ~button);
    // Once the pointer has left, SDL gives a button's events the last position inside, at the edge: they
    // happened outside and are not the window's. Every click is a plain down/up pair: SDL's click count is
    // not turned into double clicks.
    if (w->pointer_inside) {
        platform::input::mouse(w->handle, button_action(button, down), e.x, e.y, buttons);
    }
}

} // namespace platform::sdl
