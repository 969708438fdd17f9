// What the SDL host does on Wayland itself, through libwayland-client (which SDL loads at run time anyway):
// it looks for a seat before SDL starts (see start.cpp), and sleeps on the display connection (see wait.cpp).
#include "sdl_host.h"

#include <SDL_syswm.h>

#include <cstdlib>
#include <cstring>

#if defined(__linux__) && defined(SDL_VIDEO_DRIVER_WAYLAND) && defined(MIRRORS_WAYLAND_CLIENT)
#include <wayland-client.h>
#define MIRRORS_WAYLAND_WAIT 1
#endif

namespace platform::sdl {

#if defined(MIRRORS_WAYLAND_WAIT)
namespace {

extern "C" void on_global(void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
    if (std::strcmp(interface, wl_seat_interface.name) == 0) {
        *static_cast<bool*>(data) = true;
    }
}

extern "C" void on_global_remove(void*, wl_registry*, std::uint32_t) {}

} // namespace
#endif

bool wayland_compositor_has_seat() {
#if defined(MIRRORS_WAYLAND_WAIT)
    // A socket handed over in WAYLAND_SOCKET can be connected to only once, and that is SDL's; a relative
    // WAYLAND_DISPLAY cannot be found without XDG_RUNTIME_DIR, and libwayland would say so on stderr (when
    // SDL tries it, it does).
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (std::getenv("WAYLAND_SOCKET") != nullptr ||
        (std::getenv("XDG_RUNTIME_DIR") == nullptr && (name == nullptr || name[0] != '/'))) {
        return true;
    }
    // The compositor SDL would connect to: WAYLAND_DISPLAY's, or wayland-0.
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return true; // SDL will say why it cannot connect
    }
    bool seat = false;
    static const wl_registry_listener listener = {on_global, on_global_remove};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &seat);
    // Every global is announced by the time the compositor answers this round trip.
    bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return seat || !answered;
#else
    return true;
#endif
}

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
