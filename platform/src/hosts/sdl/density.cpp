// The SDL host on high-density screens. A Wayland compositor at an integer output scale (2 on many laptops)
// would otherwise stretch our window's buffer itself and smooth it: the program's few colours become dozens
// and its one-pixel lines blur. With SDL_WINDOW_ALLOW_HIGHDPI the window keeps its size in logical pixels,
// the size of the client area, and SDL draws the window surface into a buffer of the output's density with
// its renderer; scaled by the nearest pixel, each program pixel becomes an exact block, as in a browser.
// Input and sizes stay in logical pixels, the client area's. X11 has no output scale and is left as it is.
#include "sdl_host.h"

#include <cstring>

namespace platform::sdl {

namespace {

bool on_wayland() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, "wayland") == 0;
}

} // namespace

void configure_density() {
    // The window surface's texture is made with the scale quality of this moment.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
}

Uint32 density_window_flags() {
    return on_wayland() ? SDL_WINDOW_ALLOW_HIGHDPI : 0;
}

} // namespace platform::sdl
