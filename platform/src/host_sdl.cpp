// The SDL2 host: one real, resizable window per user32 window, shown through its window surface.
//
// The program repaints 100 times a second for as long as it runs, so presenting is one memcpy per row into
// the window surface and nothing else, and waiting for a message sleeps until the next input or timer
// deadline: on X11 in poll() on the X connection itself, elsewhere in SDL_WaitEventTimeout.
#include "host.h"

#include <SDL.h>
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#endif

#include <poll.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct sdl_window {
    HWND handle;
    SDL_Window* window;
    Uint32 id;
};

bool started = false;
std::vector<sdl_window> sdl_windows;
SDL_Cursor* arrow = nullptr;
unsigned buttons = 0;  // MK_* of the buttons held, tracked from SDL's events
int x_connection = -1; // the X server connection's file descriptor, when SDL runs on X11

// SDL_WaitEventTimeout wakes itself by sending an event to one of our windows over a second X connection
// whenever it queues input while waiting. When that window is destroyed in between (Alt+F4 does exactly that)
// the X server answers the stray event with BadWindow, and Xlib's default handler ends the process with exit
// code 1. Sleeping on the connection ourselves sends nothing, so a closed window can never trip it.
int x_connection_of(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
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

sdl_window* by_handle(HWND handle) {
    for (sdl_window& w : sdl_windows) {
        if (w.handle == handle) {
            return &w;
        }
    }
    return nullptr;
}

HWND by_id(Uint32 id) {
    for (const sdl_window& w : sdl_windows) {
        if (w.id == id) {
            return w.handle;
        }
    }
    return nullptr;
}

bool set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

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

unsigned buttons_of_state(Uint32 state) {
    unsigned b = 0;
    if ((state & SDL_BUTTON_LMASK) != 0) {
        b |= MK_LBUTTON;
    }
    if ((state & SDL_BUTTON_RMASK) != 0) {
        b |= MK_RBUTTON;
    }
    if ((state & SDL_BUTTON_MMASK) != 0) {
        b |= MK_MBUTTON;
    }
    return b;
}

void handle(const SDL_Event& e) {
    using platform::input::mouse_action;
    switch (e.type) {
    case SDL_QUIT:
        platform::input::close_all();
        break;
    case SDL_WINDOWEVENT: {
        HWND window = by_id(e.window.windowID);
        if (window == nullptr) {
            break;
        }
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            platform::input::close(window);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            platform::input::resize(window, e.window.data1, e.window.data2);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            platform::input::expose(window);
            break;
        default:
            break;
        }
        break;
    }
    case SDL_MOUSEMOTION: {
        buttons = buttons_of_state(e.motion.state);
        if (HWND window = by_id(e.motion.windowID)) {
            platform::input::mouse(window, mouse_action::move, e.motion.x, e.motion.y, buttons);
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        unsigned button = 0;
        mouse_action action = mouse_action::move;
        switch (e.button.button) {
        case SDL_BUTTON_LEFT:
            button = MK_LBUTTON;
            action = down ? mouse_action::left_down : mouse_action::left_up;
            break;
        case SDL_BUTTON_RIGHT:
            button = MK_RBUTTON;
            action = down ? mouse_action::right_down : mouse_action::right_up;
            break;
        case SDL_BUTTON_MIDDLE:
            button = MK_MBUTTON;
            action = down ? mouse_action::middle_down : mouse_action::middle_up;
            break;
        default:
            return;
        }
        buttons = down ? (buttons | button) : (buttons & ~button);
        // Every click is a plain down/up pair: SDL's click count is not turned into double clicks.
        if (HWND window = by_id(e.button.windowID)) {
            platform::input::mouse(window, action, e.button.x, e.button.y, buttons);
        }
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        key_mapping key = map_key(e.key.keysym.scancode, e.key.keysym.sym);
        HWND window = by_id(e.key.windowID);
        if (key.virtual_key != 0) {
            platform::input::key(window, key.virtual_key, key.scan_code, key.extended, e.type == SDL_KEYDOWN);
        }
        break;
    }
    default:
        break;
    }
}

} // namespace

namespace platform {

translated_key translate_sdl_key(int sdl_scancode, int sdl_keycode) {
    return map_key(sdl_scancode, sdl_keycode);
}

} // namespace platform

namespace platform::host {

bool start(std::string* reason) {
    if (started) {
        return true;
    }
    // Without a desktop session there is nothing to open a window on; SDL would otherwise try to take over a
    // text console through KMS/DRM.
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) {
        if (reason != nullptr) {
            *reason = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        }
        return false;
    }
    // Only the desktop sessions that the environment names are tried: SDL would otherwise fall back to
    // drivers that draw nowhere, and probing Wayland without a session prints its own complaints.
    if (!set("SDL_VIDEODRIVER")) {
        std::string drivers;
        if (set("DISPLAY")) {
            drivers = "x11";
        }
        if (set("WAYLAND_DISPLAY")) {
            drivers += drivers.empty() ? "wayland" : ",wayland";
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    }
    // The mouse is never captured, as our windows promise; and frames go straight to the window surface, not
    // through a (software) OpenGL texture that would cost a whole core under Xvfb.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Closing the last window is reported as that window's close button only, not a second time as SDL_QUIT.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        if (reason != nullptr) {
            *reason = SDL_GetError();
            if (reason->empty()) {
                *reason = "SDL could not start its video subsystem";
            }
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
                if (set(name)) {
                    *reason += std::string(" (") + name + "=" + std::getenv(name) + ")";
                }
            }
            std::replace(reason->begin(), reason->end(), '\n', ' ');
        }
        SDL_Quit(); // what the failed start loaded (D-Bus, for one) is let go again
        return false;
    }
    started = true;
    arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (arrow != nullptr) {
        SDL_SetCursor(arrow);
    }
    return true;
}

void stop() {
    if (!started) {
        return;
    }
    for (sdl_window& w : sdl_windows) {
        SDL_DestroyWindow(w.window);
    }
    sdl_windows.clear();
    if (arrow != nullptr) {
        SDL_FreeCursor(arrow);
        arrow = nullptr;
    }
    SDL_Quit();
    started = false;
    x_connection = -1;
}

bool create_window(HWND window, const char* title, int width, int height) {
    if (!started && !start(nullptr)) {
        return false;
    }
    // SDL windows cannot be 0 pixels wide or high; the client area still is.
    SDL_Window* w =
        SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, std::max(width, 1),
                         std::max(height, 1), SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (w == nullptr) {
        return false;
    }
    sdl_windows.push_back(sdl_window{window, w, SDL_GetWindowID(w)});
    if (x_connection < 0) {
        x_connection = x_connection_of(w);
    }
    return true;
}

void destroy_window(HWND window) {
    for (auto it = sdl_windows.begin(); it != sdl_windows.end(); ++it) {
        if (it->handle == window) {
            SDL_DestroyWindow(it->window);
            sdl_windows.erase(it);
            return;
        }
    }
}

void show_window(HWND window, bool visible) {
    if (sdl_window* w = by_handle(window)) {
        if (visible) {
            SDL_ShowWindow(w->window);
        } else {
            SDL_HideWindow(w->window);
        }
    }
}

void resize_window(HWND window, int width, int height) {
    if (sdl_window* w = by_handle(window)) {
        SDL_SetWindowSize(w->window, std::max(width, 1), std::max(height, 1));
    }
}

void present(HWND window, const pixel_buffer& pixels, present_reason) {
    sdl_window* w = by_handle(window);
    if (w == nullptr || pixels.width <= 0 || pixels.height <= 0) {
        return;
    }
    SDL_Surface* surface = SDL_GetWindowSurface(w->window);
    if (surface == nullptr) {
        return;
    }
    int columns = std::min(surface->w, pixels.width);
    int rows = std::min(surface->h, pixels.height);
    if (columns <= 0 || rows <= 0) {
        return;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        return;
    }
    const std::uint32_t* source = pixels.pixels.data();
    auto* target = static_cast<unsigned char*>(surface->pixels);
    Uint32 format = surface->format->format;
    if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
        // Our 0x00RRGGBB words are exactly these formats: one copy per row.
        std::size_t row_bytes = static_cast<std::size_t>(columns) * sizeof(std::uint32_t);
        for (int y = 0; y < rows; ++y) {
            std::memcpy(target + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface->pitch),
                        source + static_cast<std::size_t>(y) * static_cast<std::size_t>(pixels.width),
                        row_bytes);
        }
    } else {
        SDL_ConvertPixels(columns, rows, SDL_PIXELFORMAT_RGB888, source,
                          pixels.width * static_cast<int>(sizeof(std::uint32_t)), format, target,
                          surface->pitch);
    }
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    SDL_UpdateWindowSurface(w->window);
}

std::uint64_t now_ms() {
    return SDL_GetTicks64();
}

void pump() {
    if (!started) {
        return;
    }
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
        handle(e);
    }
}

wait_result wait(std::optional<std::uint64_t> deadline_ms) {
    if (!started || sdl_windows.empty()) {
        // No window can report anything: only a deadline can end the wait.
        if (!deadline_ms) {
            return wait_result::idle_forever;
        }
        std::uint64_t now = now_ms();
        if (*deadline_ms > now) {
            SDL_Delay(static_cast<Uint32>(std::min<std::uint64_t>(*deadline_ms - now, INT_MAX)));
        }
        return wait_result::woke;
    }
    int timeout = -1;
    if (deadline_ms) {
        std::uint64_t now = now_ms();
        if (*deadline_ms <= now) {
            return wait_result::woke;
        }
        timeout = static_cast<int>(std::min<std::uint64_t>(*deadline_ms - now, INT_MAX));
    }
    if (x_connection >= 0) {
        // Events that Xlib already read off the connection (while presenting, say) would not wake poll():
        // drain them into SDL's queue first, and sleep only when nothing is waiting.
        SDL_PumpEvents();
        if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE) {
            return wait_result::woke;
        }
        pollfd connection = {x_connection, POLLIN, 0};
        poll(&connection, 1, timeout);
        return wait_result::woke;
    }
    SDL_Event e;
    if (timeout < 0 ? SDL_WaitEvent(&e) != 0 : SDL_WaitEventTimeout(&e, timeout) != 0) {
        handle(e);
    }
    return wait_result::woke;
}

} // namespace platform::host
