// kernel32: debugger output, the tick count, the module handle, and the host started for a test as the
// process entry starts it.
#include "host.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#if defined(__EMSCRIPTEN__)
#include <emscripten.h>

// In a browser the debugger is the developer tools' console, which shows messages rather than a stream:
// each finished line becomes one message without its line ending, and an unfinished one waits for the rest.
EM_JS(void, debug_output_to_console, (const char* text), {
    var pending = (Module["mirrorsDebugText"] || "") + UTF8ToString(text);
    var lines = pending.split(String.fromCharCode(10));
    Module["mirrorsDebugText"] = lines.pop();
    lines.forEach(
        function(line) { console.log(line.endsWith(String.fromCharCode(13)) ? line.slice(0, -1) : line); });
});

void WINAPI OutputDebugStringA(LPCSTR text) {
    if (text != nullptr) {
        debug_output_to_console(text);
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
