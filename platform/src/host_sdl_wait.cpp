// How the SDL host sleeps between frames, and its clock.
//
// The program wakes 100 times a second for its repaint timer and otherwise only for input. SDL's own wait,
// SDL_WaitEventTimeout, counts in whole milliseconds of SDL_GetTicks (so each 10 ms wait ends up to a
// millisecond late, 97 to 98 frames a second) and on Wayland polls the connection without a timeout several
// times per wake. Where the window's events come in over a display connection that we can see, X11 or
// Wayland, the host instead sleeps in the kernel on that connection until input or the deadline, to the
// nanosecond where ppoll() exists. Everywhere else (macOS, Windows) SDL_WaitEventTimeout is the wait.
#include "host_sdl_wait.h"

#include <SDL_syswm.h>

#include <chrono>
#include <climits>

#if defined(__linux__) && defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#define MIRRORS_X11_WAIT 1
#endif
#if defined(__linux__) && defined(SDL_VIDEO_DRIVER_WAYLAND) && defined(MIRRORS_WAYLAND_CLIENT)
#include <wayland-client.h>
#define MIRRORS_WAYLAND_WAIT 1
#endif
#if defined(MIRRORS_X11_WAIT) || defined(MIRRORS_WAYLAND_WAIT)
#include <poll.h>
#include <time.h>
#endif

namespace platform::sdl_wait {

std::uint64_t monotonic_ns() {
    // CLOCK_MONOTONIC on Linux (the clock of the frame log), mach's monotonic clock on macOS.
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count());
}

connection connection_of(SDL_Window* window) {
    connection found;
#if defined(MIRRORS_X11_WAIT) || defined(MIRRORS_WAYLAND_WAIT)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE) {
        return found;
    }
#if defined(MIRRORS_X11_WAIT)
    if (info.subsystem == SDL_SYSWM_X11 && info.info.x11.display != nullptr) {
        found.fd = ConnectionNumber(info.info.x11.display);
    }
#endif
#if defined(MIRRORS_WAYLAND_WAIT)
    if (info.subsystem == SDL_SYSWM_WAYLAND && info.info.wl.display != nullptr) {
        found.fd = wl_display_get_fd(info.info.wl.display);
        found.wayland = info.info.wl.display;
    }
#endif
#else
    (void)window;
#endif
    return found;
}

namespace {

#if defined(MIRRORS_X11_WAIT) || defined(MIRRORS_WAYLAND_WAIT)
// Sleeps until the connection or wake_fd has something to read or left_ns (none: no limit) have passed.
void sleep_on(int fd, int wake_fd, std::optional<std::uint64_t> left_ns) {
    pollfd readable[2] = {{fd, POLLIN, 0}, {wake_fd, POLLIN, 0}};
    nfds_t count = wake_fd >= 0 ? 2 : 1;
#if defined(_GNU_SOURCE)
    // glibc declares ppoll() only with the GNU extensions.
    timespec timeout{};
    if (left_ns) {
        timeout.tv_sec = static_cast<time_t>(*left_ns / 1000000000);
        timeout.tv_nsec = static_cast<long>(*left_ns % 1000000000);
    }
    ppoll(readable, count, left_ns ? &timeout : nullptr, nullptr);
#else
    // Whole milliseconds, rounded up so that the deadline has passed on return.
    poll(readable, count, left_ns ? static_cast<int>((*left_ns + 999999) / 1000000) : -1);
#endif
}
#endif

} // namespace

void sleep(const connection& on, int wake_fd, std::optional<std::uint64_t> left_ns) {
#if defined(MIRRORS_WAYLAND_WAIT)
    if (on.wayland != nullptr) {
        // The reader's protocol of libwayland: when events are queued but not yet dispatched, SDL's next pump
        // has work and there is nothing to sleep for. Otherwise our requests (acknowledged configures, for
        // one) go out first, then we sleep, and leave reading the connection to SDL's next pump.
        auto* display = static_cast<wl_display*>(on.wayland);
        if (wl_display_prepare_read(display) != 0) {
            return;
        }
        wl_display_flush(display);
        sleep_on(on.fd, wake_fd, left_ns);
        wl_display_cancel_read(display);
        return;
    }
#endif
#if defined(MIRRORS_X11_WAIT)
    if (on.fd >= 0) {
        sleep_on(on.fd, wake_fd, left_ns);
    }
#else
    (void)on;
    (void)wake_fd;
    (void)left_ns;
#endif
}

} // namespace platform::sdl_wait
