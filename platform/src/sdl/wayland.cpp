// What the SDL host does on Wayland itself, through libwayland-client (which SDL loads at run time anyway):
// it sleeps on the display connection (see wait.cpp).
#include "sdl_host.h"

#include <SDL_syswm.h>

#if defined(__linux__) && defined(SDL_VIDEO_DRIVER_WAYLAND) && defined(MIRRORS_WAYLAND_CLIENT)
#include <wayland-client.h>
#define MIRRORS_WAYLAND_WAIT 1
#endif

namespace platform::sdl {

void* wayland_display_of(SDL_Window* window, int* fd) {
#if defined(MIRRORS_WAYLAND_WAIT)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_WAYLAND &&
        info.info.wl.display != nullptr) {
        *fd = wl_display_get_fd(info.info.wl.display);
        return info.info.wl.display;
    }
#else
    (void)window;
    (void)fd;
#endif
    return nullptr;
}

void sleep_on_wayland(void* display, int fd, std::optional<std::uint64_t> left_ns) {
#if defined(MIRRORS_WAYLAND_WAIT)
    // The reader's protocol of libwayland: when events are queued but not yet dispatched, SDL's next pump has
    // work and there is nothing to sleep for. Otherwise our requests (acknowledged configures, for one) go
    // out first, then we sleep, and leave reading the connection to SDL's next pump.
    auto* wayland = static_cast<wl_display*>(display);
    if (wl_display_prepare_read(wayland) != 0) {
        return;
    }
    wl_display_flush(wayland);
    sleep_until_readable(fd, left_ns);
    wl_display_cancel_read(wayland);
#else
    (void)display;
    (void)fd;
    (void)left_ns;
#endif
}

} // namespace platform::sdl
