// The process entry: starts the host, then runs the program's WinMain as Windows' start-up code would.
#include "host.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    std::string reason;
    if (!platform::host::start(&reason)) {
        std::fprintf(stderr, "mirrors: cannot open a display: %s\n", reason.c_str());
        return 1;
    }
    // Like Windows' lpCmdLine: the arguments after the program name, as one string.
    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            command_line += ' ';
        }
        command_line += argv[i];
    }
    int result = WinMain(GetModuleHandleA(nullptr), nullptr, command_line.data(), SW_SHOWDEFAULT);
    platform::host::stop();
#if defined(__EMSCRIPTEN__)
    // In a browser main() gave the page its thread back at the loop's first wait, long ago: its return value
    // would reach nobody. exit() ends the program with the code, which the page then shows.
    std::exit(result);
#else
    return result;
#endif
}
