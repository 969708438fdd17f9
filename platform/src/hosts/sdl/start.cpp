// The SDL host's start: which display to connect to, SDL's video subsystem started under a watch (a display
// that never answers ends the start in one line), and letting it all go again.
#include "sdl_host.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform::sdl {

namespace {

bool set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Without a desktop session there is nothing to open a window on; SDL would otherwise try to take over a
// text console through KMS/DRM. Only the desktop sessions that the environment names are tried: SDL would
// otherwise fall back to drivers that draw nowhere, and probing Wayland without a session prints its own
// complaints. (macOS and Windows always have their one desktop.)
bool choose_video_drivers(std::string* reason) {
#if defined(__linux__)
    if (set("SDL_VIDEODRIVER")) {
        return true;
    }
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
        if (reason != nullptr) {
            *reason = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        }
        return false;
    }
    std::string drivers;
    if (set("DISPLAY")) {
        drivers = "x11";
    }
    if (set("WAYLAND_DISPLAY")) {
        drivers += drivers.empty() ? "wayland" : ",wayland";
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
#else
    (void)reason;
#endif
    return true;
}

// The display as the line about one that does not answer names it: the one of the driver SDL tries first,
// which SDL_VIDEODRIVER may name whatever else is set. Without WAYLAND_DISPLAY, libwayland connects to
// wayland-0.
std::string display_name() {
    const char* chosen =
        set("SDL_VIDEODRIVER") ? std::getenv("SDL_VIDEODRIVER") : SDL_GetHint(SDL_HINT_VIDEODRIVER);
    std::string drivers = chosen != nullptr ? chosen : "";
    bool wayland_first = SDL_strcasecmp(drivers.substr(0, drivers.find(',')).c_str(), "wayland") == 0;
    if (set("DISPLAY") && !wayland_first) {
        return std::string("the X server at DISPLAY=") + std::getenv("DISPLAY");
    }
    if (set("WAYLAND_DISPLAY")) {
        return std::string("the Wayland compositor at WAYLAND_DISPLAY=") + std::getenv("WAYLAND_DISPLAY");
    }
    if (wayland_first) {
        return "the Wayland compositor at wayland-0";
    }
    return "the display";
}

// A display server that accepts the connection but never answers (stopped, or hung) would keep SDL_Init
// waiting forever for its first reply. While the start lasts, an alarm waits this long; then its handler says
// so in one line, made before the start, and ends the process with exit code 1.
constexpr unsigned display_answer_limit_s = 5;
char no_answer_line[512];
std::size_t no_answer_length = 0;

extern "C" void on_start_alarm(int) {
    ssize_t written = write(STDERR_FILENO, no_answer_line, no_answer_length);
    (void)written;
    _exit(1);
}

// SDL's error, in one line with the display variables that were set.
std::string failure_reason() {
    std::string reason = SDL_GetError();
    if (reason.empty()) {
        reason = "SDL could not start its video subsystem";
    }
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (set(name)) {
            reason += std::string(" (") + name + "=" + std::getenv(name) + ")";
        }
    }
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    return reason;
}

// Whether `drivers` (SDL's comma-separated list) names `driver`, and the list without it.
bool names(const std::string& drivers, const char* driver, std::string* others) {
    bool found = false;
    std::size_t from = 0;
    while (from <= drivers.size()) {
        std::size_t end = std::min(drivers.find(',', from), drivers.size());
        std::string name = drivers.substr(from, end - from);
        if (SDL_strcasecmp(name.c_str(), driver) == 0) {
            found = true;
        } else if (!name.empty()) {
            *others += (others->empty() ? "" : ",") + name;
        }
        from = end + 1;
    }
    return found;
}

// SDL 2.26 cannot start on a Wayland compositor without a seat (weston's headless backend, a kiosk with no
// keyboard or pointer): its Wayland start sets up the mouse on the seat's record without looking whether
// there is one, and the process dies of SIGSEGV. Such a compositor is left out of the drivers SDL tries; when
// it was the only one, the start fails with the reason, as without a display. (Running on it anyway would
// need a Wayland host of our own, for a window that could still only be closed by a signal.)
bool leave_out_seatless_wayland(std::string* reason) {
    const char* drivers = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    std::string others;
    if (drivers == nullptr || !names(drivers, "wayland", &others) || wayland_compositor_has_seat()) {
        return true;
    }
    if (others.empty()) {
        const char* socket = std::getenv("WAYLAND_DISPLAY");
        *reason = std::string("the Wayland compositor at WAYLAND_DISPLAY=") +
                  (set("WAYLAND_DISPLAY") ? socket : "") +
                  " has no seat (no keyboard, no pointer), without which SDL 2 cannot start";
        return false;
    }
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, others.c_str(), SDL_HINT_OVERRIDE);
    return true;
}

// SDL's video subsystem started, under the watch: the reason when it failed, empty when it runs.
std::string start_video_watched(const std::string& display) {
    int length = std::snprintf(no_answer_line, sizeof no_answer_line,
                               "mirrors: cannot open a display: %s does not answer (waited %u s)\n",
                               display.c_str(), display_answer_limit_s);
    no_answer_length = length < 0 ? 0 : std::min(static_cast<std::size_t>(length), sizeof no_answer_line - 1);
    struct sigaction action = {};
    struct sigaction before = {};
    action.sa_handler = on_start_alarm;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, &before);
    alarm(display_answer_limit_s);
    std::string reason;
    if (leave_out_seatless_wayland(&reason) && SDL_Init(SDL_INIT_VIDEO) != 0) {
        reason = failure_reason();
    }
    alarm(0);
    sigaction(SIGALRM, &before, nullptr);
    return reason;
}

// Once SDL runs: what the display system in use needs, the signals, and the state.arrow cursor.
void settle_in() {
    if (x11_running()) {
        // On X11 frames go straight to the window's own surface, not through a (software) OpenGL texture
        // that would cost a whole core under Xvfb. Only there: Wayland and Cocoa have no surface of their
        // own, and without the texture a window would show nothing. SDL reads the hint when the first surface
        // is made.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    configure_density();
    catch_close_signals();
    read_raw_x11_events(x11_running());
    state.arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (state.arrow != nullptr) {
        SDL_SetCursor(state.arrow);
    }
}

} // namespace

bool started() {
    return state.started;
}

} // namespace platform::sdl

namespace platform::host {

using namespace platform::sdl;

bool start(std::string* reason) {
    if (state.started) {
        return true;
    }
    if (!choose_video_drivers(reason)) {
        return false;
    }
    // The mouse is never captured, as our windows promise.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    // Closing the last window is reported as that window's close button only, not a second time as SDL_QUIT.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // SIGINT and SIGTERM are ours (see signals.cpp): until the start is over they end the process.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    configure_touch();
    std::string failure = start_video_watched(display_name());
    if (!failure.empty()) {
        if (reason != nullptr) {
            *reason = failure;
        }
        SDL_Quit(); // what the failed start loaded (D-Bus, for one) is let go again
        return false;
    }
    state.started = true;
    settle_in();
    return true;
}

void stop() {
    if (!state.started) {
        return;
    }
    destroy_all_windows();
    if (state.arrow != nullptr) {
        SDL_FreeCursor(state.arrow);
    }
    SDL_Quit();
    SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    close_frame_log();
    state = host_state{};
}

} // namespace platform::host
