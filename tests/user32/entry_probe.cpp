// A stand-in program for the process entry's tests: reports what WinMain was called with.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    std::printf("instance %s\n",
                instance != nullptr && instance == GetModuleHandleA(nullptr) ? "module" : "wrong");
    std::printf("previous %s\n", previous == nullptr ? "null" : "set");
    std::printf("command line [%s]\n", command_line != nullptr ? command_line : "(null)");
    std::printf("show %d\n", show);
    return 42;
}
