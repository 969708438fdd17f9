// user32's default processing and input: DefWindowProcA, the keyboard state and what the host reports
// (mouse, keys, resizes, exposes, closes), and synthesised mouse input.
#include "user32.h"

#include <algorithm>

namespace platform::user32 {

POINT cursor = {0, 0};

namespace {

// A key that went down while no window of ours had the focus is down here too, but that press reached no
// window. Its auto-repeat goes to whichever window has the focus by then, with bit 30 (held before) set, as
// on Windows: so Alt+F4 held while the window appears closes it at the first repeat.
bool key_is_down[256] = {};
bool menu_key_armed = false;      // Alt or F10 pressed alone: its release would activate the menu bar
unsigned synthesised_buttons = 0; // MK_* held through mouse_event

// The class background brush may be a system colour index + 1, as Windows allows.
HBRUSH background_brush(HBRUSH brush) {
    std::uintptr_t value = reinterpret_cast<std::uintptr_t>(brush);
    if (value != 0 && value <= 31) {
        return GetSysColorBrush(static_cast<int>(value - 1));
    }
    return brush;
}

LRESULT default_key_processing(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    bool alt_context = (lparam & (LPARAM{1} << 29)) != 0;
    bool repeat = (lparam & (LPARAM{1} << 30)) != 0;
    switch (message) {
    case WM_SYSKEYDOWN:
        if (wparam == VK_F4 && alt_context) {
            menu_key_armed = false;
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else if (wparam == VK_MENU || wparam == VK_F10) {
            if (!repeat) {
                menu_key_armed = true;
            }
        } else {
            menu_key_armed = false;
        }
        break;
    case WM_KEYDOWN:
        menu_key_armed = false;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        // Alt or F10 pressed and released on its own asks for the menu bar, which a window without a menu
        // answers with nothing.
        if ((wparam == VK_MENU || wparam == VK_F10) && menu_key_armed) {
            menu_key_armed = false;
            SendMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, 0);
        }
        break;
    default:
        break;
    }
    return 0;
}

} // namespace

} // namespace platform::user32

using namespace platform::user32;

namespace platform::input {

void mouse(HWND window, mouse_action action, int x, int y, unsigned buttons) {
    window_record* w = find_window(window);
    if (w == nullptr || w->destroying || !w->visible) {
        return;
    }
    // The mouse is never captured: outside the client area nothing reaches the window, not even a release.
    if (x < 0 || y < 0 || x >= w->pixels.width || y >= w->pixels.height) {
        return;
    }
    cursor = POINT{w->x + x, w->y + y};
    UINT message = WM_MOUSEMOVE;
    switch (action) {
    case mouse_action::move:
        message = WM_MOUSEMOVE;
        break;
    case mouse_action::left_down:
        message = WM_LBUTTONDOWN;
        break;
    case mouse_action::left_up:
        message = WM_LBUTTONUP;
        break;
    case mouse_action::right_down:
        message = WM_RBUTTONDOWN;
        break;
    case mouse_action::right_up:
        message = WM_RBUTTONUP;
        break;
    case mouse_action::middle_down:
        message = WM_MBUTTONDOWN;
        break;
    case mouse_action::middle_up:
        message = WM_MBUTTONUP;
        break;
    }
    WPARAM flags = buttons & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
    if (key_is_down[VK_SHIFT]) {
        flags |= MK_SHIFT;
    }
    if (key_is_down[VK_CONTROL]) {
        flags |= MK_CONTROL;
    }
    if (message == WM_MOUSEMOVE) {
        post_mouse_move(window, flags, MAKELPARAM(x, y));
    } else {
        post(window, message, flags, MAKELPARAM(x, y));
    }
}

void key(HWND window, unsigned virtual_key, unsigned scan_code, bool extended, bool down) {
    virtual_key &= 0xFFu;
    if (virtual_key == 0) {
        return;
    }
    bool was_down = key_is_down[virtual_key];
    key_is_down[virtual_key] = down;
    window_record* w = find_window(window);
    if (w == nullptr || w->destroying) {
        return;
    }
    bool alt = key_is_down[VK_MENU];
    bool control = key_is_down[VK_CONTROL];
    // Alt combinations and F10 are system keys, unless Control is held too (Ctrl+Alt is AltGr). Releasing Alt
    // itself is a system key release although Alt is up by then.
    bool system = (alt && !control) || virtual_key == VK_F10 || (!down && virtual_key == VK_MENU && !control);
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    DWORD bits = 1u | ((scan_code & 0xFFu) << 16);
    if (extended) {
        bits |= 1u << 24;
    }
    if (alt) {
        bits |= 1u << 29;
    }
    if (!down || was_down) {
        bits |= 1u << 30;
    }
    if (!down) {
        bits |= 1u << 31;
    }
    post(window, message, virtual_key, static_cast<LPARAM>(bits));
}

void resize(HWND window, int width, int height) {
    set_client_size(window, width, height, false);
}

void expose(HWND window) {
    InvalidateRect(window, nullptr, FALSE);
}

void close(HWND window) {
    window_record* w = find_window(window);
    if (w != nullptr && !w->destroying) {
        post(window, WM_CLOSE, 0, 0);
    }
}

void close_all() {
    for (const std::unique_ptr<window_record>& w : windows) {
        close(w->handle);
    }
}

void reset() {
    while (!windows.empty()) {
        HWND window = windows.front()->handle;
        if (!DestroyWindow(window)) {
            // Already being destroyed further up the stack: drop it without more messages.
            platform::host::destroy_window(window);
            dead_windows.push_back(std::move(windows.front()));
            windows.erase(windows.begin());
        }
    }
    for (std::size_t i = open_dcs.size(); i-- > 0;) {
        release_dc_entry(i);
    }
    free_dead_windows();
    classes.clear();
    next_class_atom = first_class_atom;
    queue.clear();
    move_waits_last = false;
    quit_pending = false;
    quit_code = 0;
    timers.clear();
    std::fill(std::begin(key_is_down), std::end(key_is_down), false);
    menu_key_armed = false;
    cursor = POINT{0, 0};
    synthesised_buttons = 0;
    forget_contacts();
}

} // namespace platform::input

namespace platform {

HWND first_window() {
    for (const std::unique_ptr<window_record>& w : windows) {
        if (!w->destroying) {
            return w->handle;
        }
    }
    return nullptr;
}

} // namespace platform

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE) {
            SendMessageA(window, WM_CLOSE, 0, 0);
        }
        return 0; // SC_KEYMENU: there is no menu to open
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return default_key_processing(window, message, wparam, lparam);
    case WM_ERASEBKGND: {
        window_record* w = find_window(window);
        HBRUSH brush = w != nullptr ? background_brush(w->background) : nullptr;
        if (brush == nullptr || wparam == 0) {
            return 0;
        }
        RECT client = client_rect_of(*w);
        FillRect(reinterpret_cast<HDC>(wparam), &client, brush);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (BeginPaint(window, &paint) != nullptr) {
            EndPaint(window, &paint);
        }
        return 0;
    }
    default:
        return 0;
    }
}

// Synthesised input goes to the first window. Relative moves add to the last pointer position; absolute ones
// map 0..65535 onto its client area, which stands for the screen.
void WINAPI mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD, ULONG_PTR) {
    HWND window = platform::first_window();
    window_record* w = find_window(window);
    if (w == nullptr) {
        return;
    }
    unsigned& buttons = synthesised_buttons;
    std::int64_t x = cursor.x - w->x;
    std::int64_t y = cursor.y - w->y;
    if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
        x = static_cast<std::int64_t>(dx & 0xFFFFu) * w->pixels.width / 65536;
        y = static_cast<std::int64_t>(dy & 0xFFFFu) * w->pixels.height / 65536;
    } else {
        x += static_cast<std::int32_t>(dx);
        y += static_cast<std::int32_t>(dy);
    }
    int cx = static_cast<int>(std::clamp<std::int64_t>(x, -65536, 65536));
    int cy = static_cast<int>(std::clamp<std::int64_t>(y, -65536, 65536));
    using platform::input::mouse_action;
    if ((flags & MOUSEEVENTF_MOVE) != 0) {
        platform::input::mouse(window, mouse_action::move, cx, cy, buttons);
    }
    const struct {
        DWORD flag;
        unsigned button;
        bool down;
        mouse_action action;
    } changes[] = {{MOUSEEVENTF_LEFTDOWN, MK_LBUTTON, true, mouse_action::left_down},
                   {MOUSEEVENTF_LEFTUP, MK_LBUTTON, false, mouse_action::left_up},
                   {MOUSEEVENTF_RIGHTDOWN, MK_RBUTTON, true, mouse_action::right_down},
                   {MOUSEEVENTF_RIGHTUP, MK_RBUTTON, false, mouse_action::right_up},
                   {MOUSEEVENTF_MIDDLEDOWN, MK_MBUTTON, true, mouse_action::middle_down},
                   {MOUSEEVENTF_MIDDLEUP, MK_MBUTTON, false, mouse_action::middle_up}};
    for (const auto& change : changes) {
        if ((flags & change.flag) != 0) {
            buttons = change.down ? (buttons | change.button) : (buttons & ~change.button);
            platform::input::mouse(window, change.action, cx, cy, buttons);
        }
    }
}
