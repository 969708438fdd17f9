// The process entry: what WinMain gets, and the one line when there is no display. Each case runs a small
// executable built from the entry and a stand-in WinMain.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

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
};

class no_display : public testing::TestWithParam<display_case> {};

TEST_P(no_display, one_line_on_stderr_and_exit_code_one) {
    // stderr only; WinMain would print to stdout and return 42.
    finished f = run(std::string("env -i ") + GetParam().environment + " " + GetParam().executable +
                     " 2>&1 >/dev/null");
    EXPECT_EQ(f.exit_code, 1);
    const std::string prefix = "mirrors: cannot open a display: ";
    ASSERT_GT(f.output.size(), prefix.size() + 1) << f.output;
    EXPECT_EQ(f.output.substr(0, prefix.size()), prefix) << f.output;
    EXPECT_EQ(f.output.find('\n'), f.output.size() - 1) << "exactly one line: " << f.output;
}

INSTANTIATE_TEST_SUITE_P(cases, no_display,
                         testing::Values(display_case{"empty_environment", "", USER32_ENTRY_PROBE_SDL},
                                         // A display that nothing serves. (Leak checking is off: D-Bus keeps
                                         // a buffer from SDL's failed start that nobody can give back.)
                                         display_case{
                                             "unreachable_display",
                                             "ASAN_OPTIONS=detect_leaks=0 DISPLAY=/nonexistent/socket:0",
                                             USER32_ENTRY_PROBE_SDL},
                                         display_case{"the_program", "", MIRRORS_EXECUTABLE}),
                         [](const testing::TestParamInfo<display_case>& info) { return info.param.name; });

} // namespace
