// The SDL host's start and its signals (host_sdl_start.cpp).
#pragma once

#include <string>

namespace platform::sdl_start {

// SDL_Init(SDL_INIT_VIDEO), watched: a display server that accepts the connection but never answers ends the
// process after a few seconds with one line on stderr naming `display`, and exit code 1.
int init_video(const std::string& display);

// From now on SIGINT and SIGTERM ask every window to close (through pass_on_close_request), and wake the
// host's sleep through wake_fd().
void catch_close_signals();
// Passes a close request that a signal made on to every window; called from the host's pump.
void pass_on_close_request();
// Whether a signal asked to close and pump has not passed it on yet.
bool close_pending();
// The read end of the signals' wake-up pipe, -1 before catch_close_signals.
int wake_fd();

} // namespace platform::sdl_start
