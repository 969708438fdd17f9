// What the SDL host reads from the X server itself when SDL runs on X11: the buttons, and the keys held when
// a window of ours gets the focus. SDL hands over every X event as an SDL_SYSWMEVENT once they are enabled.
#include "sdl_host.h"

#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#endif

#include <cstring>

namespace platform::sdl {

namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
using platform::input::button;

// The buttons the X server says are held, in the layer's words.
platform::input::button_set held_of(unsigned mask) {
    return ((mask & Button1Mask) != 0 ? bit_of(button::left) : 0u) |
           ((mask & Button2Mask) != 0 ? bit_of(button::middle) : 0u) |
           ((mask & Button3Mask) != 0 ? bit_of(button::right) : 0u);
}

// The buttons as the X server reports them, at the pointer's true position in the window, with the state of
// all of them before the event: user32 makes of it what Windows would. SDL drops a release whose press it did
// not see (pressed elsewhere, released over the window), which Windows delivers to the window under the
// pointer; and once the pointer has left, SDL gives a button's events the last position inside, clamped to
// the window's edge. A release outside the client area is then left out by user32, as the mouse is never
// captured. The wheel and the side buttons are no button of the layer's. (Moves come from SDL: it reads them
// through XInput2, whose events it alone can read.)
void x11_buttons(const XEvent& x) {
    if (x.type != ButtonPress && x.type != ButtonRelease) {
        return;
    }
    const window* target = nullptr;
    for (const window& w : state.windows) {
        if (w.x_window != 0 && w.x_window == x.xbutton.window) {
            target = &w;
        }
    }
    unsigned n = x.xbutton.button;
    if (target == nullptr || (n != Button1 && n != Button2 && n != Button3)) {
        return;
    }
    button b = n == Button1 ? button::left : n == Button2 ? button::middle : button::right;
    platform::input::button_changed(target->handle, b, x.type == ButtonPress, x.xbutton.x, x.xbutton.y,
                                    held_of(x.xbutton.state));
}

// The keyboard at focus time comes in a KeymapNotify event, and each SDL_KEYDOWN follows the X event it comes
// from (see keys.cpp).

void x11_keys(const XEvent& x) {
    if (x.type == KeymapNotify) {
        for (unsigned code = 0; code < 256; ++code) {
            bool down =
                (static_cast<unsigned char>(x.xkeymap.key_vector[code / 8]) & (1u << (code % 8))) != 0;
            state.x_key_held_before[code] = down && !state.x_key_down_here[code];
        }
    } else if (x.type == KeyPress) {
        unsigned code = x.xkey.keycode & 0xFFu;
        state.last_key_press =
            state.x_key_held_before[code] ? x11_key_press::held_before : x11_key_press::fresh;
        state.x_key_down_here[code] = !state.x_key_held_before[code];
    } else if (x.type == KeyRelease) {
        unsigned code = x.xkey.keycode & 0xFFu;
        state.x_key_down_here[code] = false;
        state.x_key_held_before[code] = false;
    }
}
#endif

} // namespace

bool x11_running() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, "x11") == 0;
}

void read_raw_x11_events(bool on) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (on) {
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    }
    state.raw_x11_events = on;
#else
    (void)on;
#endif
}

bool raw_x11_events() {
    return state.raw_x11_events;
}

void x11_event(const SDL_SysWMmsg* message) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (state.raw_x11_events && message != nullptr && message->subsystem == SDL_SYSWM_X11) {
        x11_buttons(message->msg.x11.event);
        x11_keys(message->msg.x11.event);
    }
#else
    (void)message;
#endif
}

x11_key_press take_last_x11_key_press() {
    x11_key_press press = state.last_key_press;
    state.last_key_press = x11_key_press::none;
    return press;
}

unsigned long x_window_of(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
        return info.info.x11.window;
    }
#else
    (void)window;
#endif
    return 0;
}

int x11_connection_of(SDL_Window* window) {
#if defined(__linux__) && defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11 &&
        info.info.x11.display != nullptr) {
        return ConnectionNumber(info.info.x11.display);
    }
#else
    (void)window;
#endif
    return -1;
}

} // namespace platform::sdl
