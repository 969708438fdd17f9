// kernel32: debugger output, the tick count and the module handle.
#include "host.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

// Without a debugger, debugger output goes to stderr, byte for byte.
void WINAPI OutputDebugStringA(LPCSTR text) {
    if (text == nullptr) {
        return;
    }
    std::fwrite(text, 1, std::strlen(text), stderr);
    std::fflush(stderr);
}

// Milliseconds on the host's clock, wrapping after 49.7 days like Windows' tick count.
DWORD WINAPI GetTickCount(void) {
    return static_cast<DWORD>(platform::host::now_ms());
}

// The program is the only module: it has a handle, and no other module is loaded.
HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    static HINSTANCE__ program_module{};
    return name == nullptr ? &program_module : nullptr;
}
