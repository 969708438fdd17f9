// The SDL host's fingers: each SDL finger event is a contact for user32, which makes mouse messages of them
// as Windows would (user32/touch.cpp). SDL's own promotion, a finger as the left button only, is turned off:
// it knows no press and hold, so a finger could never give the right button.
#include "sdl_host.h"

#include <algorithm>
#include <cmath>

namespace platform::sdl {

void configure_touch() {
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
}

namespace {

// A fraction of the window's extent as a pixel; far outside it (a driver's odd value), at most a window's
// width beyond either edge.
int pixel_of(float fraction, int extent) {
    return static_cast<int>(std::floor(std::clamp(static_cast<double>(fraction), -1.0, 2.0) * extent));
}

} // namespace

void finger(const SDL_TouchFingerEvent& e) {
    window* w = by_id(e.windowID);
    // A touchpad moves the pointer through the mouse events already: only a screen's fingers touch the
    // window. (A device SDL does not know, as for pushed events, counts as a screen.)
    SDL_TouchDeviceType type = SDL_GetTouchDeviceType(e.touchId);
    if (w == nullptr || type == SDL_TOUCH_DEVICE_INDIRECT_ABSOLUTE ||
        type == SDL_TOUCH_DEVICE_INDIRECT_RELATIVE) {
        return;
    }
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(w->sdl, &width, &height);
    // SDL gives the finger's place as a fraction of the window's size, the window's logical size: our client
    // pixels.
    if (!std::isfinite(e.x) || !std::isfinite(e.y)) {
        return;
    }
    int x = pixel_of(e.x, width);
    int y = pixel_of(e.y, height);
    using platform::input::contact_action;
    contact_action action = e.type == SDL_FINGERDOWN ? contact_action::down
                            : e.type == SDL_FINGERUP ? contact_action::up
                                                     : contact_action::move;
    // Finger ids are unique per device only.
    long long id = static_cast<long long>(e.fingerId) ^ (static_cast<long long>(e.touchId) << 32);
    platform::input::contact_changed(w->handle,
                                     {id, platform::input::contact_kind::touch, action, x, y, false});
}

} // namespace platform::sdl

namespace platform::host {

// A desktop window shows no sign of a press and hold: the right click comes at the lift all the same, and
// nothing may be drawn into the program's own pixels.
void show_hold(HWND, int, int) {}
void hide_hold(HWND) {}

} // namespace platform::host
