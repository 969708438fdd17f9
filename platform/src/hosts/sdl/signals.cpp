// SIGINT and SIGTERM ask every window to close, as logging out does on Windows, so that the program ends
// through its own message loop with its own exit code. The handler only notes the request and wakes the wait
// through a pipe; the host's pump passes it on.
#include "sdl_host.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace platform::sdl {

namespace {

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

} // namespace

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

bool close_pending() {
    return close_requested != 0;
}

int wake_fd() {
    return wake_pipe[0];
}

} // namespace platform::sdl
