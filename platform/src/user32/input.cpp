// user32's default processing and input: DefWindowProcA, the keyboard state and what the host reports
// (mouse, keys, resizes, exposes, closes), and synthesised mouse input.
#include "user32.h"

#include <algorithm>

namespace platform::user32 {

namespace {

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
            state.menu_key_armed = false;
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else if (wparam == VK_MENU || wparam == VK_F10) {
            if (!repeat) {
                state.menu_key_armed = true;
            }
        } else {
            state.menu_key_armed = false;
        }
        break;
    case WM_KEYDOWN:
        state.menu_key_armed = false;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        // Alt or F10 pressed and released on its own asks for the menu bar, which a window without a menu
        // answers with nothing.
        if ((wparam == VK_MENU || wparam == VK_F10) && state.menu_key_armed) {
            state.menu_key_armed = false;
            SendMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, 0);
        }
        break;
    default:
        break;
    }
    return 0;
}

} // namespace

void mouse_message(HWND window, UINT message, int x, int y, WPARAM buttons) {
    window_record* w = find_window(window);
    if (w == nullptr || w->destroying || !w->visible) {
        return;
    }
    // The mouse is never captured: outside the client area nothing reaches the window, not even a release.
    if (x < 0 || y < 0 || x >= w->pixels.width || y >= w->pixels.height) {
        return;
    }
    state.cursor = POINT{w->x + x, w->y + y};
    WPARAM flags = buttons & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
    if (state.key_is_down[VK_SHIFT]) {
        flags |= MK_SHIFT;
    }
    if (state.key_is_down[VK_CONTROL]) {
        flags |= MK_CONTROL;
    }
    if (message == WM_MOUSEMOVE) {
        post_mouse_move(window, flags, MAKELPARAM(x, y));
    } else {
        post(window, message, flags, MAKELPARAM(x, y));
    }
}

} // namespace platform::user32

using namespace platform::user32;

namespace platform::input {

namespace {

// Each button's messages and its MK_* flag, in the order of input::button.
struct button_messages {
    UINT down;
    UINT up;
    WPARAM flag;
};
constexpr button_messages messages_of[] = {{WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON},
                                           {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON},
                                           {WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON}};

WPARAM button_flags(button_set held) {
    WPARAM flags = 0;
    for (unsigned b = 0; b < std::size(messages_of); ++b) {
        if ((held & (1u << b)) != 0) {
            flags |= messages_of[b].flag;
        }
    }
    return flags;
}

} // namespace

void pointer_moved(HWND window, int x, int y, std::optional<button_set> held) {
    if (held) {
        state.buttons = *held;
    }
    mouse_message(window, WM_MOUSEMOVE, x, y, button_flags(state.buttons));
}

void button_changed(HWND window, button b, bool down, int x, int y, std::optional<button_set> held) {
    button_set before = held.value_or(state.buttons);
    state.buttons = down ? (before | bit_of(b)) : (before & ~bit_of(b));
    const button_messages& m = messages_of[static_cast<unsigned>(b)];
    mouse_message(window, down ? m.down : m.up, x, y, button_flags(state.buttons));
}

void key(HWND window, unsigned virtual_key, unsigned scan_code, bool extended, bool down) {
    virtual_key &= 0xFFu;
    if (virtual_key == 0) {
        return;
    }
    bool was_down = state.key_is_down[virtual_key];
    state.key_is_down[virtual_key] = down;
    window_record* w = find_window(window);
    if (w == nullptr || w->destroying) {
        return;
    }
    bool alt = state.key_is_down[VK_MENU];
    bool control = state.key_is_down[VK_CONTROL];
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
    for (const std::unique_ptr<window_record>& w : state.windows) {
        close(w->handle);
    }
}

void reset() {
    while (!state.windows.empty()) {
        HWND window = state.windows.front()->handle;
        if (!DestroyWindow(window)) {
            // Already being destroyed further up the stack: drop it without more messages.
            platform::host::destroy_window(window);
            state.dead_windows.push_back(std::move(state.windows.front()));
            state.windows.erase(state.windows.begin());
        }
    }
    for (std::size_t i = state.open_dcs.size(); i-- > 0;) {
        release_dc_entry(i);
    }
    free_dead_windows();
    forget_contacts();
    // Handles and thread timer ids are never handed out twice, so that one kept from before still names
    // nothing; and what a window procedure still running above may touch stays until it returns.
    state_record fresh;
    fresh.next_window_serial = state.next_window_serial;
    fresh.next_thread_timer_id = state.next_thread_timer_id;
    fresh.dead_windows = std::move(state.dead_windows);
    fresh.procedure_depth = state.procedure_depth;
    state = std::move(fresh);
}

} // namespace platform::input

namespace platform {

HWND first_window() {
    for (const std::unique_ptr<window_record>& w : state.windows) {
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

// Synthesised input goes to the first window and presses the same buttons as the mouse, as on Windows.
// Relative moves add to the last pointer position; absolute ones map 0..65535 onto its client area, which
// stands for the screen.
void WINAPI mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD, ULONG_PTR) {
    HWND window = platform::first_window();
    window_record* w = find_window(window);
    if (w == nullptr) {
        return;
    }
    std::int64_t x = state.cursor.x - w->x;
    std::int64_t y = state.cursor.y - w->y;
    if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
        x = static_cast<std::int64_t>(dx & 0xFFFFu) * w->pixels.width / 65536;
        y = static_cast<std::int64_t>(dy & 0xFFFFu) * w->pixels.height / 65536;
    } else {
        x += static_cast<std::int32_t>(dx);
        y += static_cast<std::int32_t>(dy);
    }
    int cx = static_cast<int>(std::clamp<std::int64_t>(x, -65536, 65536));
    int cy = static_cast<int>(std::clamp<std::int64_t>(y, -65536, 65536));
    using platform::input::button;
    if ((flags & MOUSEEVENTF_MOVE) != 0) {
        platform::input::pointer_moved(window, cx, cy);
    }
    const struct {
        DWORD flag;
        button b;
        bool down;
    } changes[] = {
        {MOUSEEVENTF_LEFTDOWN, button::left, true},     {MOUSEEVENTF_LEFTUP, button::left, false},
        {MOUSEEVENTF_RIGHTDOWN, button::right, true},   {MOUSEEVENTF_RIGHTUP, button::right, false},
        {MOUSEEVENTF_MIDDLEDOWN, button::middle, true}, {MOUSEEVENTF_MIDDLEUP, button::middle, false}};
    for (const auto& change : changes) {
        if ((flags & change.flag) != 0) {
            platform::input::button_changed(window, change.b, change.down, cx, cy);
        }
    }
}
