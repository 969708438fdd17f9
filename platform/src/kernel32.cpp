// kernel32: debugger output, the tick count, the module handle, and the host started for a test as the
// process entry starts it.
#include "host.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#if defined(__EMSCRIPTEN__)
// In a browser the debugger is the developer tools' console (the web host's page.js).
extern "C" void web_debug_output(const char* text);

void WINAPI OutputDebugStringA(LPCSTR text) {
    if (text != nullptr) {
        web_debug_output(text);
    }
}
#else
// Without a debugger, debugger output goes to stderr, byte for byte.
void WINAPI OutputDebugStringA(LPCSTR text) {
    if (text == nullptr) {
        return;
    }
    std::fwrite(text, 1, std::strlen(text), stderr);
    std::fflush(stderr);
}
#endif

// Milliseconds on the host's clock, wrapping after 49.7 days like Windows' tick count.
DWORD WINAPI GetTickCount(void) {
    return static_cast<DWORD>(platform::host::now_ms());
}

// The program is the only module: it has a handle, and no other module is loaded.
HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    static HINSTANCE__ program_module{};
    return name == nullptr ? &program_module : nullptr;
}

namespace platform {

bool start_host(std::string* reason) {
    return host::start(reason);
}

void stop_host() {
    host::stop();
}

} // namespace platform
