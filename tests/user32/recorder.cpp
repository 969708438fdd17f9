#include "recorder.h"

#include <map>
#include <set>

namespace recorder {

namespace {

std::vector<message> messages;
reaction current_reaction;
std::set<HWND> recording_windows;

// The messages our layer models, with their names for failure output.
#define NAMED(id)                                                                                            \
    { id, #id }
const std::map<UINT, const char*>& modelled() {
    static const std::map<UINT, const char*> names = {
        NAMED(WM_CREATE),      NAMED(WM_DESTROY),    NAMED(WM_MOVE),          NAMED(WM_SIZE),
        NAMED(WM_PAINT),       NAMED(WM_CLOSE),      NAMED(WM_QUIT),          NAMED(WM_ERASEBKGND),
        NAMED(WM_SHOWWINDOW),  NAMED(WM_NCCREATE),   NAMED(WM_NCDESTROY),     NAMED(WM_KEYDOWN),
        NAMED(WM_KEYUP),       NAMED(WM_SYSKEYDOWN), NAMED(WM_SYSKEYUP),      NAMED(WM_SYSCOMMAND),
        NAMED(WM_TIMER),       NAMED(WM_MOUSEMOVE),  NAMED(WM_LBUTTONDOWN),   NAMED(WM_LBUTTONUP),
        NAMED(WM_RBUTTONDOWN), NAMED(WM_RBUTTONUP),  NAMED(WM_LBUTTONDBLCLK), NAMED(WM_USER)};
    return names;
}
#undef NAMED

// Windows sends more than our layer models (frames, activation, focus, input methods): the record keeps what
// the layer models and the program's own messages, so that a sequence means the same on both.
bool recorded([[maybe_unused]] UINT id) {
#if defined(_WIN32)
    return id >= WM_USER || modelled().count(id) != 0;
#else
    return true;
#endif
}

LRESULT CALLBACK recording_procedure(HWND window, UINT id, WPARAM wparam, LPARAM lparam) {
    recording_windows.insert(window);
    if (id == WM_NCDESTROY) {
        recording_windows.erase(window);
    }
    if (!recorded(id)) {
        return DefWindowProcA(window, id, wparam, lparam);
    }
    messages.push_back(message{window, id, wparam, lparam});
    if (current_reaction) {
        if (std::optional<LRESULT> answer = current_reaction(window, id, wparam, lparam)) {
            return *answer;
        }
    }
    return DefWindowProcA(window, id, wparam, lparam);
}

} // namespace

const char class_name[] = "recording_window";

std::string name_of(UINT id) {
    auto found = modelled().find(id);
    return found != modelled().end() ? found->second : "message " + std::to_string(id);
}

std::ostream& operator<<(std::ostream& out, const message& m) {
    return out << name_of(m.id) << "(" << m.wparam << ", 0x" << std::hex << m.lparam << std::dec << ")";
}

std::vector<message>& log() {
    return messages;
}

std::vector<UINT> ids() {
    std::vector<UINT> result;
    for (const message& m : messages) {
        result.push_back(m.id);
    }
    return result;
}

void clear() {
    messages.clear();
}

void react(reaction r) {
    current_reaction = std::move(r);
}

void reset_layer() {
#if defined(_WIN32)
    current_reaction = nullptr;
    while (!recording_windows.empty()) {
        HWND window = *recording_windows.begin();
        DestroyWindow(window);
        recording_windows.erase(window); // WM_NCDESTROY has done it unless the window was already gone
    }
    UnregisterClassA(class_name, GetModuleHandleA(nullptr));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    } // a WM_QUIT of the last test too
#else
    recording_windows.clear();
    headless::reset();
#endif
}

void fresh_layer(UINT class_style, HBRUSH background) {
    reset_layer();
    clear();
    current_reaction = nullptr;
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof cls;
    cls.style = class_style;
    cls.lpfnWndProc = recording_procedure;
    cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    cls.hbrBackground = background;
    cls.lpszClassName = class_name;
    ASSERT_NE(RegisterClassExA(&cls), 0);
}

HWND shown_window(int width, int height) {
#if defined(_WIN32)
    // Frameless, so that the client area is the size asked for, as on our layer, which draws no frame.
    const DWORD window_style = WS_POPUP;
#else
    const DWORD window_style = WS_OVERLAPPEDWINDOW;
#endif
    HWND window = CreateWindowExA(0, class_name, "", window_style, 0, 0, width, height, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    clear();
    return window;
}

int run_loop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace recorder
