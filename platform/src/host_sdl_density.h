// The SDL host on high-density screens (host_sdl_density.cpp).
#pragma once

#include <SDL.h>

namespace platform::sdl_density {

// After SDL_Init, before the first window: how scaled frames are shown.
void configure();
// The flags a new window adds for it.
Uint32 window_flags();

} // namespace platform::sdl_density
