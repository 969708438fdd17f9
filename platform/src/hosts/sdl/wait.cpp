// How the SDL host sleeps between frames, and its clock.
//
// The program wakes 100 times a second for its repaint timer and otherwise only for input. SDL's own wait,
// SDL_WaitEventTimeout, counts in whole milliseconds of SDL_GetTicks (so each 10 ms wait ends up to a
// millisecond late, 97 to 98 frames a second) and on Wayland polls the connection without a timeout several
// times per wake. Where the window's events come in over a display connection that we can see, X11 or
// Wayland, the host instead sleeps in the kernel on that connection until input or the deadline, to the
// nanosecond where ppoll() exists. Everywhere else (macOS, Windows) SDL_WaitEventTimeout is the wait.
//
// On X11 this also matters for more than speed: SDL_WaitEventTimeout wakes itself by sending an event to one
// of our windows over a second X connection whenever it queues input while waiting. When that window is
// destroyed in between (Alt+F4 does exactly that) the X server answers the stray event with BadWindow, and
// Xlib's default handler ends the process with exit code 1. Sleeping on the connection ourselves sends
// nothing, so a closed window can never trip it.
#include "sdl_host.h"

#include <algorithm>
#include <chrono>
#include <climits>

#if defined(__linux__)
#include <poll.h>
#include <time.h>
#endif

namespace platform::sdl {

namespace {

// The host's clock: nanoseconds of a monotonic clock since it was first read. Our own rather than
// SDL_GetTicks64, whose position within the current millisecond is hidden: a wait of whole milliseconds from
// somewhere inside one ends up to a millisecond late, and the program's 10 ms repaint timer, which restarts
// from each tick, would run at 97 frames a second instead of 100.
std::uint64_t clock_ns() {
    static const std::uint64_t origin = monotonic_ns();
    return monotonic_ns() - origin;
}

// How long until the deadline, to the nanosecond (none without a deadline); 0 once it has passed.
std::optional<std::uint64_t> left_until(std::optional<std::uint64_t> deadline_ms) {
    if (!deadline_ms) {
        return std::nullopt;
    }
    std::uint64_t due_ns = std::min<std::uint64_t>(*deadline_ms, UINT64_MAX / 1000000) * 1000000;
    std::uint64_t now = clock_ns();
    return due_ns <= now ? 0 : std::min<std::uint64_t>(due_ns - now, std::uint64_t{INT_MAX} * 1000000);
}

void sleep_on_display(std::optional<std::uint64_t> left_ns) {
    if (state.connection.wayland != nullptr) {
        sleep_on_wayland(state.connection.wayland, state.connection.fd, left_ns);
    } else {
        sleep_until_readable(state.connection.fd, left_ns);
    }
}

} // namespace

std::uint64_t monotonic_ns() {
    // CLOCK_MONOTONIC on Linux (the clock of the frame log), mach's monotonic clock on macOS.
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count());
}

void sleep_on_connection_of(SDL_Window* window) {
    if (state.connection.fd >= 0) {
        return;
    }
    display_connection found;
    found.wayland = wayland_display_of(window, &found.fd);
    if (found.wayland == nullptr) {
        found.fd = x11_connection_of(window);
    }
    state.connection = found;
}

void sleep_until_readable(int fd, std::optional<std::uint64_t> left_ns) {
#if defined(__linux__)
    pollfd readable[2] = {{fd, POLLIN, 0}, {wake_fd(), POLLIN, 0}};
    nfds_t count = wake_fd() >= 0 ? 2 : 1;
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
#else
    (void)fd;
    (void)left_ns;
#endif
}

} // namespace platform::sdl

namespace platform::host {

using namespace platform::sdl;

std::uint64_t now_ms() {
    return clock_ns() / 1000000;
}

wait_result wait(std::optional<std::uint64_t> deadline_ms) {
    std::optional<std::uint64_t> left_ns = left_until(deadline_ms);
    if ((left_ns && *left_ns == 0) || close_pending()) {
        return wait_result::woke;
    }
    // SDL waits in whole milliseconds: rounded up, so that the deadline has passed when it returns.
    int left_ms = left_ns ? static_cast<int>((*left_ns + 999999) / 1000000) : -1;
    if (!started() || state.windows.empty()) {
        // No window can report anything: only a deadline can end the wait.
        if (!left_ns) {
            return wait_result::idle_forever;
        }
        SDL_Delay(static_cast<Uint32>(left_ms));
        return wait_result::woke;
    }
    if (state.connection.fd >= 0) {
        // Events that Xlib or libwayland already read off the connection (while presenting, say) would not
        // wake the sleep: drain them into SDL's queue first, and sleep only when nothing is waiting. The wake
        // pipe too: a signal that arrives just before the sleep would not interrupt it.
        SDL_PumpEvents();
        if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) != SDL_TRUE) {
            sleep_on_display(left_ns);
        }
        return wait_result::woke;
    }
    SDL_Event e;
    if (left_ms < 0 ? SDL_WaitEvent(&e) != 0 : SDL_WaitEventTimeout(&e, left_ms) != 0) {
        handle(e);
    }
    return wait_result::woke;
}

} // namespace platform::host
