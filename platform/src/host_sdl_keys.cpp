// The SDL host's keyboard: SDL's keys as Windows virtual keys with their set-1 scan codes on a US keyboard.
#include "host_sdl_keys.h"
#include "host.h"

#include <SDL.h>

namespace {

using key_mapping = platform::translated_key;

// SDL scancodes are physical positions like set-1 codes; virtual keys of letters follow the layout.
key_mapping map_key(int scancode, int keycode) {
    auto s = static_cast<SDL_Scancode>(scancode);
    if (s >= SDL_SCANCODE_A && s <= SDL_SCANCODE_Z) {
        unsigned letter = 'A' + static_cast<unsigned>(s - SDL_SCANCODE_A);
        if (keycode >= SDLK_a && keycode <= SDLK_z) {
            letter = 'A' + static_cast<unsigned>(keycode - SDLK_a);
        }
        platform::scan_code physical =
            platform::scan_code_of('A' + static_cast<unsigned>(s - SDL_SCANCODE_A));
        return {letter, physical.code, false};
    }
    if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_9) {
        unsigned digit = '1' + static_cast<unsigned>(s - SDL_SCANCODE_1);
        return {digit, platform::scan_code_of(digit).code, false};
    }
    if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F12) {
        unsigned vk = VK_F1 + static_cast<unsigned>(s - SDL_SCANCODE_F1);
        return {vk, platform::scan_code_of(vk).code, false};
    }
    auto same_as = [](unsigned vk) {
        platform::scan_code code = platform::scan_code_of(vk);
        return key_mapping{vk, code.code, code.extended};
    };
    switch (s) {
    case SDL_SCANCODE_0:
        return same_as('0');
    case SDL_SCANCODE_ESCAPE:
        return same_as(VK_ESCAPE);
    case SDL_SCANCODE_RETURN:
        return same_as(VK_RETURN);
    case SDL_SCANCODE_KP_ENTER:
        return {VK_RETURN, 0x1C, true};
    case SDL_SCANCODE_SPACE:
        return same_as(VK_SPACE);
    case SDL_SCANCODE_TAB:
        return same_as(VK_TAB);
    case SDL_SCANCODE_BACKSPACE:
        return same_as(VK_BACK);
    case SDL_SCANCODE_LSHIFT:
        return {VK_SHIFT, 0x2A, false};
    case SDL_SCANCODE_RSHIFT:
        return {VK_SHIFT, 0x36, false};
    case SDL_SCANCODE_LCTRL:
        return {VK_CONTROL, 0x1D, false};
    case SDL_SCANCODE_RCTRL:
        return {VK_CONTROL, 0x1D, true};
    case SDL_SCANCODE_LALT:
        return {VK_MENU, 0x38, false};
    case SDL_SCANCODE_RALT:
        return {VK_MENU, 0x38, true};
    case SDL_SCANCODE_LEFT:
        return same_as(VK_LEFT);
    case SDL_SCANCODE_RIGHT:
        return same_as(VK_RIGHT);
    case SDL_SCANCODE_UP:
        return same_as(VK_UP);
    case SDL_SCANCODE_DOWN:
        return same_as(VK_DOWN);
    case SDL_SCANCODE_HOME:
        return same_as(VK_HOME);
    case SDL_SCANCODE_END:
        return same_as(VK_END);
    case SDL_SCANCODE_PAGEUP:
        return same_as(VK_PRIOR);
    case SDL_SCANCODE_PAGEDOWN:
        return same_as(VK_NEXT);
    case SDL_SCANCODE_INSERT:
        return same_as(VK_INSERT);
    case SDL_SCANCODE_DELETE:
        return same_as(VK_DELETE);
    default:
        return {0, 0, false};
    }
}

} // namespace

namespace platform {

translated_key translate_sdl_key(int sdl_scancode, int sdl_keycode) {
    return map_key(sdl_scancode, sdl_keycode);
}

} // namespace platform
