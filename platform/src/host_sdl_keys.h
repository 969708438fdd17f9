// The SDL host's keyboard (host_sdl_keys.cpp): SDL's keys as Windows virtual keys on a US keyboard.
#pragma once

#include "host.h"

namespace platform {

// A key given as SDL scancode (the physical key) and SDL keycode (what the layout makes of it).
translated_key translate_sdl_key(int sdl_scancode, int sdl_keycode);

} // namespace platform
