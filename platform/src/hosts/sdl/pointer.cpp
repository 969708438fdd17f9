// The SDL host's mouse from SDL's events: every move, and the buttons where the X events are not read (other
// drivers; on X11 see x11.cpp). Fingers are no mouse here: touch.cpp.
#include "sdl_host.h"

namespace platform::sdl {

namespace {

using platform::input::button;

// SDL's buttons held, in the layer's words.
platform::input::button_set held_of(Uint32 mask) {
    return ((mask & SDL_BUTTON_LMASK) != 0 ? bit_of(button::left) : 0u) |
           ((mask & SDL_BUTTON_RMASK) != 0 ? bit_of(button::right) : 0u) |
           ((mask & SDL_BUTTON_MMASK) != 0 ? bit_of(button::middle) : 0u);
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

// A move in SDL's queue is already out of it, so the next one can be looked at. The mouse SDL makes of a
// finger is left out: the finger events tell it (touch.cpp). On X11 the buttons held are the X server's, from
// its button events (x11.cpp), not SDL's.
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
    std::optional<platform::input::button_set> held;
    if (!raw_x11_events()) {
        held = held_of(e.state);
    }
    platform::input::pointer_moved(w->handle, e.x, e.y, held);
}

void mouse_button(const SDL_MouseButtonEvent& e) {
    window* w = by_id(e.windowID);
    if (w == nullptr || raw_x11_events() || e.which == SDL_TOUCH_MOUSEID) {
        return;
    }
    if (e.button != SDL_BUTTON_LEFT && e.button != SDL_BUTTON_RIGHT && e.button != SDL_BUTTON_MIDDLE) {
        return;
    }
    button b = e.button == SDL_BUTTON_LEFT    ? button::left
               : e.button == SDL_BUTTON_RIGHT ? button::right
                                              : button::middle;
    // Once the pointer has left, SDL gives a button's events the last position inside, at the edge: they
    // happened outside and are not the window's. Every click is a plain down/up pair: SDL's click count is
    // not turned into double clicks.
    int x = w->pointer_inside ? e.x : -1;
    int y = w->pointer_inside ? e.y : -1;
    platform::input::button_changed(w->handle, b, e.type == SDL_MOUSEBUTTONDOWN, x, y);
}

} // namespace platform::sdl
