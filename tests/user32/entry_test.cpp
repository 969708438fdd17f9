// The process entry: what WinMain gets, and the one line when there is no display. Each case runs a small
// executable built from the entry and a stand-in WinMain.
#include <gtest/gtest.h>
#if defined(MIRRORS_SEATLESS_COMPOSITOR)
#include <wayland-server.h>

#include <atomic>
#include <thread>
#endif

#include <cstdio>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct finished {
    int exit_code;
    std::string output;
};

finished run(const std::string& command) {
    finished f = {-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return f;
    }
    char buffer[256];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        f.output.append(buffer, n);
    }
    int status = pclose(pipe);
    f.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return f;
}

struct argument_case {
    const char* name;
    const char* arguments; // as typed in a shell
    const char* command_line;
};

class entry_arguments : public testing::TestWithParam<argument_case> {};

TEST_P(entry_arguments, win_main_gets_the_instance_and_the_joined_arguments) {
    finished f = run(std::string(USER32_ENTRY_PROBE) + " " + GetParam().arguments);
    EXPECT_EQ(f.exit_code, 42) << "WinMain's result is the exit code";
    EXPECT_EQ(f.output, std::string("instance module\nprevious null\ncommand line [") +
                            GetParam().command_line + "]\nshow 10\n");
}

INSTANTIATE_TEST_SUITE_P(cases, entry_arguments,
                         testing::Values(argument_case{"none", "", ""},
                                         argument_case{"one", "alpha", "alpha"},
                                         argument_case{"several", "a 'b c'  d", "a b c d"},
                                         argument_case{"empty_one", "''", ""}),
                         [](const testing::TestParamInfo<argument_case>& info) { return info.param.name; });

struct display_case {
    const char* name;
    const char* environment;
    const char* executable;
    const char* names = ""; // what the line says gave no answer
};

#if defined(MIRRORS_SEATLESS_COMPOSITOR)
// A Wayland compositor without a seat, as weston's headless backend is: it announces nothing at all.
struct seatless_compositor {
    wl_display* display = wl_display_create();
    const char* socket = wl_display_add_socket_auto(display); // in XDG_RUNTIME_DIR
    std::atomic<bool> done = false;
    std::thread serving{[this] {
        for (; !done; wl_display_flush_clients(display)) {
            wl_event_loop_dispatch(wl_display_get_event_loop(display), 20);
        }
    }};
    ~seatless_compositor() {
        done = true;
        serving.join();
        wl_display_destroy(display);
    }
};
#endif

// An X server that takes the connection and never answers, as a stopped one does: a listening socket at a
// free display number ("DISPLAY=:silent" in a case stands for it, "WAYLAND_DISPLAY=silent" for its path).
class no_display : public testing::TestWithParam<display_case> {
  protected:
    void SetUp() override {
        mkdir("/tmp/.X11-unix", 01777);
        for (int n = 400 + getpid() % 500; path.empty() && n < 1000; ++n) {
            std::string candidate = "/tmp/.X11-unix/X" + std::to_string(n);
            if (access(candidate.c_str(), F_OK) != 0) {
                sockaddr_un address = {};
                address.sun_family = AF_UNIX;
                std::snprintf(address.sun_path, sizeof address.sun_path, "%s", candidate.c_str());
                silent = socket(AF_UNIX, SOCK_STREAM, 0);
                if (bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                    listen(silent, 4) == 0) {
                    path = candidate;
                    display = "DISPLAY=:" + std::to_string(n);
                }
            }
        }
        ASSERT_FALSE(path.empty());
    }
    void TearDown() override {
        close(silent);
        unlink(path.c_str());
    }
    int silent = -1;
    std::string path;
    std::string display;
};

TEST_P(no_display, one_line_on_stderr_and_exit_code_one) {
    std::string environment = GetParam().environment;
    for (auto [from, to] : {std::pair<std::string, std::string>{"DISPLAY=:silent", display},
                            {"WAYLAND_DISPLAY=silent", "WAYLAND_DISPLAY=" + path}}) {
        if (std::size_t at = environment.find(from); at != std::string::npos) {
            environment.replace(at, from.size(), to);
        }
    }
#if defined(MIRRORS_SEATLESS_COMPOSITOR)
    std::unique_ptr<seatless_compositor> compositor;
    if (environment == "WAYLAND_DISPLAY=seatless") {
        setenv("XDG_RUNTIME_DIR", path.substr(0, path.rfind('/')).c_str(), 1);
        compositor = std::make_unique<seatless_compositor>();
        environment = std::string("XDG_RUNTIME_DIR=") + getenv("XDG_RUNTIME_DIR") +
                      " WAYLAND_DISPLAY=" + compositor->socket;
    }
#else
    if (environment == "WAYLAND_DISPLAY=seatless") {
        GTEST_SKIP() << "built without libwayland-server";
    }
#endif
    // stderr only; WinMain would print to stdout and return 42.
    finished f = run(std::string("env -i ") + environment + " " + GetParam().executable + " 2>&1 >/dev/null");
    EXPECT_EQ(f.exit_code, 1);
    const std::string prefix = "mirrors: cannot open a display: ";
    ASSERT_GT(f.output.size(), prefix.size() + 1) << f.output;
    EXPECT_EQ(f.output.substr(0, prefix.size()), prefix) << f.output;
    EXPECT_EQ(f.output.find('\n'), f.output.size() - 1) << "exactly one line: " << f.output;
    EXPECT_NE(f.output.find(GetParam().names), std::string::npos) << f.output;
}

INSTANTIATE_TEST_SUITE_P(
    cases, no_display,
    testing::Values(display_case{"empty_environment", "", USER32_ENTRY_PROBE_SDL},
                    // A display that nothing serves. (Leak checking is off: D-Bus keeps
                    // a buffer from SDL's failed start that nobody can give back.)
                    display_case{"unreachable_display",
                                 "ASAN_OPTIONS=detect_leaks=0 DISPLAY=/nonexistent/socket:0",
                                 USER32_ENTRY_PROBE_SDL},
                    display_case{"the_program", "", MIRRORS_EXECUTABLE},
                    // It gives up after a few seconds rather than waiting forever.
                    display_case{"a_display_that_does_not_answer", "DISPLAY=:silent", MIRRORS_EXECUTABLE,
                                 "the X server at DISPLAY=:"},
                    // Wayland chosen where both are set: the line names the compositor it waited on (a socket
                    // path as WAYLAND_DISPLAY, as libwayland allows).
                    display_case{"a_compositor_that_does_not_answer",
                                 "SDL_VIDEODRIVER=wayland DISPLAY=:silent WAYLAND_DISPLAY=silent",
                                 MIRRORS_EXECUTABLE,
                                 "the Wayland compositor at WAYLAND_DISPLAY=/tmp/.X11-unix/X"},
                    // SDL 2.26 alone dies there of SIGSEGV.
                    display_case{"seatless_wayland", "WAYLAND_DISPLAY=seatless", MIRRORS_EXECUTABLE}),
    [](const testing::TestParamInfo<display_case>& info) { return info.param.name; });

} // namespace
