// The SDL host's sleep between frames and its clock (host_sdl_wait.cpp).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>

namespace platform::sdl_wait {

// Nanoseconds of a monotonic clock from an arbitrary origin.
std::uint64_t monotonic_ns();

// The display connection that a window's events arrive on, where the host can sleep on it: X11 or Wayland.
struct connection {
    int fd = -1;             // -1: none, SDL_WaitEventTimeout is the wait
    void* wayland = nullptr; // the wl_display on Wayland
};
connection connection_of(SDL_Window* window);

// Sleeps until the connection or wake_fd (-1: none) has input to read or left_ns (none: no limit) have
// passed. The caller has pumped SDL's events just before, so that nothing already read off the connection
// waits unseen.
void sleep(const connection& on, int wake_fd, std::optional<std::uint64_t> left_ns);

} // namespace platform::sdl_wait
