// The SDL host's fingers (host_sdl_touch.cpp): SDL's touch events as contacts for user32.
#pragma once

#include <windows.h>

#include <SDL.h>

namespace platform::sdl_touch {

// Before SDL_Init: fingers come as finger events only, never also as an emulated mouse.
void configure();
// A finger down, moving or up over `window` (NULL: none of ours).
void finger(const SDL_TouchFingerEvent& e, HWND window);

} // namespace platform::sdl_touch
