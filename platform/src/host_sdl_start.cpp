// The SDL host's start and its signals: a display that never answers ends the start in one line, and SIGINT
// and SIGTERM close the windows once the program runs.
#include "host_sdl_start.h"

#include "host.h"

#include <SDL.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>

namespace {

// A display server that accepts the connection but never answers (stopped, or hung) would keep SDL_Init
// waiting forever for its first reply. While the start lasts, an alarm waits this long; then its handler says
// so in one line, made before the start, and ends the process.
constexpr unsigned display_answer_limit_s = 5;
char no_answer_line[512];
std::size_t no_answer_length = 0;

extern "C" void on_start_alarm(int) {
    ssize_t written = write(STDERR_FILENO, no_answer_line, no_answer_length);
    (void)written;
    _exit(1);
}

// SIGINT and SIGTERM ask every window to close, as logging out does on Windows, so that the program ends
// through its own message loop with its own exit code. The handler only notes the request and wakes the wait
// through a pipe; pump() passes it on.
volatile std::sig_atomic_t close_requested = 0;
int wake_pipe[2] = {-1, -1};

extern "C" void on_close_signal(int) {
    close_requested = 1;
    if (wake_pipe[1] >= 0) {
        char byte = 1;
        ssize_t written = write(wake_pipe[1], &byte, 1); // full pipe: a wake-up is pending anyway
        (void)written;
    }
}

void catch_close_signals() {
    if (wake_pipe[0] < 0 && pipe(wake_pipe) == 0) {
        for (int fd : wake_pipe) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    struct sigaction action = {};
    action.sa_handler = on_close_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void pass_on_close_request() {
    if (close_requested == 0) {
        return;
    }
    close_requested = 0;
    char drained[64];
    while (wake_pipe[0] >= 0 && read(wake_pipe[0], drained, sizeof drained) > 0) {
    }
    platform::input::close_all();
}

} // namespace

namespace platform::sdl_start {

int init_video(const std::string& display) {
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
    int result = SDL_Init(SDL_INIT_VIDEO);
    alarm(0);
    sigaction(SIGALRM, &before, nullptr);
    return result;
}

void catch_close_signals() {
    ::catch_close_signals();
}

void pass_on_close_request() {
    ::pass_on_close_request();
}

bool close_pending() {
    return close_requested != 0;
}

int wake_fd() {
    return wake_pipe[0];
}

} // namespace platform::sdl_start
