// The SDL host's keyboard: SDL's keys as Windows virtual keys with their set-1 scan codes on a US keyboard,
// and which window each key event is for.
#include "sdl_host.h"

#include <utility>

namespace {

using key_mapping = platform::translated_key;

// Keys whose scan code is the one of their virtual key.
constexpr std::pair<SDL_Scancode, unsigned> same_as_virtual[] = {
    {SDL_SCANCODE_0, '0'},           {SDL_SCANCODE_ESCAPE, VK_ESCAPE}, {SDL_SCANCODE_RETURN, VK_RETURN},
    {SDL_SCANCODE_SPACE, VK_SPACE},  {SDL_SCANCODE_TAB, VK_TAB},       {SDL_SCANCODE_BACKSPACE, VK_BACK},
    {SDL_SCANCODE_LEFT, VK_LEFT},    {SDL_SCANCODE_RIGHT, VK_RIGHT},   {SDL_SCANCODE_UP, VK_UP},
    {SDL_SCANCODE_DOWN, VK_DOWN},    {SDL_SCANCODE_HOME, VK_HOME},     {SDL_SCANCODE_END, VK_END},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR}, {SDL_SCANCODE_PAGEDOWN, VK_NEXT}, {SDL_SCANCODE_INSERT, VK_INSERT},
    {SDL_SCANCODE_DELETE, VK_DELETE}};

// Keys that share their virtual key with another: the scan code and the extended flag tell them apart.
constexpr std::pair<SDL_Scancode, key_mapping> told_apart[] = {
    {SDL_SCANCODE_KP_ENTER, {VK_RETURN, 0x1C, true}}, {SDL_SCANCODE_LSHIFT, {VK_SHIFT, 0x2A, false}},
    {SDL_SCANCODE_RSHIFT, {VK_SHIFT, 0x36, false}},   {SDL_SCANCODE_LCTRL, {VK_CONTROL, 0x1D, false}},
    {SDL_SCANCODE_RCTRL, {VK_CONTROL, 0x1D, true}},   {SDL_SCANCODE_LALT, {VK_MENU, 0x38, false}},
    {SDL_SCANCODE_RALT, {VK_MENU, 0x38, true}}};

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
    for (const auto& [sdl, vk] : same_as_virtual) {
        if (s == sdl) {
            platform::scan_code code = platform::scan_code_of(vk);
            return {vk, code.code, code.extended};
        }
    }
    for (const auto& [sdl, mapping] : told_apart) {
        if (s == sdl) {
            return mapping;
        }
    }
    return {0, 0, false};
}

} // namespace

namespace platform {

translated_key translate_sdl_key(int sdl_scancode, int sdl_keycode) {
    return map_key(sdl_scancode, sdl_keycode);
}

} // namespace platform

namespace platform::sdl {

// Keys already held when a window of ours gets the focus, as Windows treats them: the press that another
// window saw gives no message, but the key is down, and each of its auto-repeats reaches the focused window
// as a key-down with bit 30 (held before) set. SDL reports some of those keys as pressed when the focus comes
// (it compares the keyboard with its own idea of it): that is the press another window saw, the state only.
// The X server's auto-repeat of the others reaches SDL as fresh presses; on X11 each SDL_KEYDOWN is checked
// against the X event it comes from (see x11.cpp), and a repeat of a key held before the focus tells the
// key's state first, so that the window gets it as a repeat.
void key(const SDL_KeyboardEvent& e, x11_key_press press) {
    translated_key k = translate_sdl_key(e.keysym.scancode, e.keysym.sym);
    if (k.virtual_key == 0) {
        return;
    }
    bool down = e.type == SDL_KEYDOWN;
    window* w = by_id(e.windowID);
    HWND target = w != nullptr ? w->handle : nullptr;
    if (down && raw_x11_events() && press != x11_key_press::fresh) {
        platform::input::key(nullptr, k.virtual_key, k.scan_code, k.extended, true);
        if (press == x11_key_press::none) {
            return;
        }
    }
    platform::input::key(target, k.virtual_key, k.scan_code, k.extended, down);
}

} // namespace platform::sdl
