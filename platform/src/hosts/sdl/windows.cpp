// The SDL host's windows: one real, resizable SDL window per user32 window, created hidden.
#include "sdl_host.h"

#include <algorithm>

namespace platform::sdl {

host_state state;

window* by_handle(HWND handle) {
    for (window& w : state.windows) {
        if (w.handle == handle) {
            return &w;
        }
    }
    return nullptr;
}

window* by_id(Uint32 id) {
    for (window& w : state.windows) {
        if (w.id == id) {
            return &w;
        }
    }
    return nullptr;
}

void destroy_all_windows() {
    for (window& w : state.windows) {
        SDL_DestroyWindow(w.sdl);
    }
    state.windows.clear();
}

} // namespace platform::sdl

namespace platform::host {

using namespace platform::sdl;

bool create_window(HWND handle, const char* title, int width, int height) {
    if (!started() && !start(nullptr)) {
        return false;
    }
    // SDL windows cannot be 0 pixels wide or high; the client area still is.
    SDL_Window* w = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                     std::max(width, 1), std::max(height, 1),
                                     SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | density_window_flags());
    if (w == nullptr) {
        return false;
    }
    state.windows.push_back(window{handle, w, SDL_GetWindowID(w), x_window_of(w)});
    sleep_on_connection_of(w);
    return true;
}

void destroy_window(HWND handle) {
    for (auto it = state.windows.begin(); it != state.windows.end(); ++it) {
        if (it->handle == handle) {
            SDL_DestroyWindow(it->sdl);
            state.windows.erase(it);
            return;
        }
    }
}

void show_window(HWND handle, bool visible) {
    if (window* w = by_handle(handle)) {
        if (visible) {
            SDL_ShowWindow(w->sdl);
        } else {
            SDL_HideWindow(w->sdl);
        }
    }
}

void resize_window(HWND handle, int width, int height) {
    if (window* w = by_handle(handle)) {
        SDL_SetWindowSize(w->sdl, std::max(width, 1), std::max(height, 1));
    }
}

} // namespace platform::host
