// The SDL host's input: SDL's event queue, each event reported to user32 through platform::input, always from
// inside host::pump or host::wait.
#include "sdl_host.h"

namespace platform::sdl {

namespace {

void window_event(const SDL_WindowEvent& e) {
    window* w = by_id(e.windowID);
    if (w == nullptr) {
        return;
    }
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
        platform::input::close(w->handle);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        platform::input::resize(w->handle, e.data1, e.data2);
        break;
    case SDL_WINDOWEVENT_LEAVE:
        w->pointer_inside = false;
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        w->exposed = true;
        platform::input::expose(w->handle);
        break;
    default:
        break;
    }
}

} // namespace

void handle(const SDL_Event& e) {
    // Asked for every event, so that it belongs to the SDL_KEYDOWN right after the X event only.
    x11_key_press press = take_last_x11_key_press();
    switch (e.type) {
    case SDL_QUIT:
        platform::input::close_all();
        break;
    case SDL_WINDOWEVENT:
        window_event(e.window);
        break;
    case SDL_SYSWMEVENT:
        x11_event(e.syswm.msg);
        break;
    case SDL_MOUSEMOTION:
        mouse_motion(e.motion);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        mouse_button(e.button);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        key(e.key, press);
        break;
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP:
        finger(e.tfinger);
        break;
    default:
        break;
    }
}

} // namespace platform::sdl

namespace platform::host {

void pump() {
    if (!sdl::started()) {
        return;
    }
    sdl::pass_on_close_request();
    // One pump for the whole queue: each SDL_PollEvent would pump again, and on Wayland every pump looks at
    // the connection with a poll() of its own.
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        sdl::handle(e);
    }
}

} // namespace platform::host
