// user32 over a host: window classes, windows and their client pixels, the message queue, timers, painting
// and the default window procedure.
//
// One thread, as in the program: all state is process-wide. A window's pixels live in its record; device
// contexts from BeginPaint and GetDC draw straight into them and EndPaint hands them to the host to show.
#include "host.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// What CW_USEDEFAULT gives, and the largest client extent we accept (a 256 MB pixel buffer at most).
constexpr int default_client_width = 1024;
constexpr int default_client_height = 640;
constexpr int max_client_extent = 8192;

// Windows' USER_TIMER_MINIMUM and USER_TIMER_MAXIMUM.
constexpr UINT timer_minimum_ms = 0x0000000A;
constexpr UINT timer_maximum_ms = 0x7FFFFFFF;

// Atoms of registered classes start where Windows' string atoms do.
constexpr ATOM first_class_atom = 0xC000;

struct class_record {
    ATOM atom;
    std::string name;
    UINT style;
    WNDPROC proc;
    HBRUSH background;
};

struct window_record {
    HWND handle = nullptr;
    ATOM class_atom = 0;
    UINT class_style = 0;
    WNDPROC proc = nullptr;
    HBRUSH background = nullptr;
    DWORD style = 0;
    int x = 0; // position of the client area on the (imaginary) screen
    int y = 0;
    platform::pixel_buffer pixels;
    bool visible = false;
    bool size_reported = false; // WM_SIZE / WM_MOVE sent once, when first shown
    bool destroying = false;
    // The update region, kept as its bounding rectangle: painting a little more than needed is harmless.
    bool has_update = false;
    RECT update = {0, 0, 0, 0};
    bool erase_pending = false;
    bool erase_failed = false; // an early WM_ERASEBKGND (RDW_ERASENOW) returned 0
    bool internal_paint = false;
};

struct timer_record {
    HWND window;
    UINT_PTR id;
    UINT period_ms;
    std::uint64_t due_ms;
    TIMERPROC proc;
};

struct open_dc {
    HDC dc;
    HWND window;
    bool from_begin_paint;
};

std::vector<class_record> classes;
ATOM next_class_atom = first_class_atom;

// Live windows in creation order; destroyed ones wait in `dead_windows` until no window procedure is running
// and no device context draws into their pixels, so that a procedure destroying its own window is safe.
std::vector<std::unique_ptr<window_record>> windows;
std::vector<std::unique_ptr<window_record>> dead_windows;
std::uintptr_t next_window_serial = 1;

std::deque<MSG> queue; // posted and input messages, first in first out
bool quit_pending = false;
int quit_code = 0;

std::vector<timer_record> timers;
UINT_PTR next_thread_timer_id = 0x7FFE;

std::vector<open_dc> open_dcs;
int procedure_depth = 0;

bool key_is_down[256] = {};
bool menu_key_armed = false;      // Alt or F10 pressed alone: its release would activate the menu bar
POINT cursor = {0, 0};            // last pointer position on the screen, for MSG.pt
unsigned synthesised_buttons = 0; // MK_* held through mouse_event

HWND handle_of_serial(std::uintptr_t serial) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10000) + serial * 4);
}

window_record* find_window(HWND window) {
    if (window == nullptr) {
        return nullptr;
    }
    for (const std::unique_ptr<window_record>& w : windows) {
        if (w->handle == window) {
            return w.get();
        }
    }
    return nullptr;
}

bool same_class_name(const std::string& a, const char* b) {
    std::size_t n = std::strlen(b);
    if (a.size() != n) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// A class by name or, for MAKEINTATOM values, by atom.
class_record* find_class(LPCSTR name) {
    if (name == nullptr) {
        return nullptr;
    }
    bool by_atom = IS_INTRESOURCE(name);
    ATOM atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
    for (class_record& c : classes) {
        if (by_atom ? c.atom == atom : same_class_name(c.name, name)) {
            return &c;
        }
    }
    return nullptr;
}

int clamp_extent(int extent) {
    return std::clamp(extent, 0, max_client_extent);
}

RECT client_rect_of(const window_record& w) {
    return RECT{0, 0, w.pixels.width, w.pixels.height};
}

bool rect_is_empty(const RECT& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

RECT intersect(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

RECT bounding_union(const RECT& a, const RECT& b) {
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool needs_paint(const window_record& w) {
    return w.visible && !w.destroying && (w.has_update || w.internal_paint);
}

// Calls a window procedure, keeping count so that destroyed windows stay allocated while any runs.
LRESULT call_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    window_record* w = find_window(window);
    if (w == nullptr || w->proc == nullptr) {
        return 0;
    }
    WNDPROC proc = w->proc;
    ++procedure_depth;
    LRESULT result = proc(window, message, wparam, lparam);
    --procedure_depth;
    return result;
}

void release_dc_entry(std::size_t index) {
    platform::release_window_dc(open_dcs[index].dc);
    open_dcs.erase(open_dcs.begin() + static_cast<std::ptrdiff_t>(index));
}

// Frees destroyed windows once nothing can touch their pixels any more. A device context that the program
// never gave back to a destroyed window is released here, as Windows does when the window goes away.
void free_dead_windows() {
    if (procedure_depth > 0 || dead_windows.empty()) {
        return;
    }
    for (std::size_t i = open_dcs.size(); i-- > 0;) {
        if (find_window(open_dcs[i].window) == nullptr) {
            release_dc_entry(i);
        }
    }
    dead_windows.clear();
}

void invalidate(window_record& w, const RECT* rect, bool erase) {
    RECT area = client_rect_of(w);
    if (rect != nullptr) {
        area = intersect(area, *rect);
    }
    if (rect_is_empty(area)) {
        return;
    }
    w.update = w.has_update ? bounding_union(w.update, area) : area;
    w.has_update = true;
    if (erase) {
        w.erase_pending = true;
    }
}

// Removes `rect` (the whole client area when null) from the update rectangle. Only what can be cut from the
// bounding rectangle as a whole band is removed; anything else stays invalid and is painted once more.
void validate(window_record& w, const RECT* rect) {
    if (!w.has_update) {
        return;
    }
    RECT& u = w.update;
    if (rect == nullptr ||
        (rect->left <= u.left && rect->right >= u.right && rect->top <= u.top && rect->bottom >= u.bottom)) {
        w.has_update = false;
    } else if (rect->left <= u.left && rect->right >= u.right) {
        if (rect->top <= u.top && rect->bottom > u.top) {
            u.top = rect->bottom;
        } else if (rect->bottom >= u.bottom && rect->top < u.bottom) {
            u.bottom = rect->top;
        }
    } else if (rect->top <= u.top && rect->bottom >= u.bottom) {
        if (rect->left <= u.left && rect->right > u.left) {
            u.left = rect->right;
        } else if (rect->right >= u.right && rect->left < u.right) {
            u.right = rect->left;
        }
    }
    if (w.has_update && rect_is_empty(u)) {
        w.has_update = false;
    }
    if (!w.has_update) {
        w.erase_pending = false;
    }
}

// Sends WM_PAINT at once when the window has something to paint (UpdateWindow, RDW_UPDATENOW).
void paint_now(HWND window) {
    window_record* w = find_window(window);
    if (w != nullptr && needs_paint(*w)) {
        call_procedure(window, WM_PAINT, 0, 0);
    }
}

void report_size_and_position(HWND window) {
    window_record* w = find_window(window);
    if (w == nullptr) {
        return;
    }
    w->size_reported = true;
    LPARAM size = MAKELPARAM(w->pixels.width, w->pixels.height);
    LPARAM position = MAKELPARAM(w->x, w->y);
    call_procedure(window, WM_SIZE, SIZE_RESTORED, size);
    call_procedure(window, WM_MOVE, 0, position);
}

// Gives the window a client area of width x height, keeping the pixels that still fit. Classes with
// CS_HREDRAW / CS_VREDRAW get their whole client area invalidated when the width / height changes; others
// only the newly uncovered parts.
void set_client_size(HWND window, int width, int height, bool tell_host) {
    window_record* w = find_window(window);
    if (w == nullptr) {
        return;
    }
    width = clamp_extent(width);
    height = clamp_extent(height);
    int old_width = w->pixels.width;
    int old_height = w->pixels.height;
    if (width == old_width && height == old_height) {
        return;
    }
    platform::pixel_buffer resized;
    resized.width = width;
    resized.height = height;
    resized.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u);
    int keep_width = std::min(width, old_width);
    int keep_height = std::min(height, old_height);
    for (int row = 0; row < keep_height; ++row) {
        std::copy_n(w->pixels.pixels.begin() + static_cast<std::ptrdiff_t>(row) * old_width, keep_width,
                    resized.pixels.begin() + static_cast<std::ptrdiff_t>(row) * width);
    }
    w->pixels = std::move(resized);

    // The update rectangle may lie partly outside the smaller client area now.
    if (w->has_update) {
        w->update = intersect(w->update, client_rect_of(*w));
        if (rect_is_empty(w->update)) {
            w->has_update = false;
        }
    }
    bool redraw_all = (width != old_width && (w->class_style & CS_HREDRAW) != 0) ||
                      (height != old_height && (w->class_style & CS_VREDRAW) != 0);
    if (redraw_all) {
        invalidate(*w, nullptr, true);
    } else {
        if (width > old_width) {
            RECT strip = {old_width, 0, width, height};
            invalidate(*w, &strip, true);
        }
        if (height > old_height) {
            RECT strip = {0, old_height, width, height};
            invalidate(*w, &strip, true);
        }
    }
    if (tell_host) {
        platform::host::resize_window(window, width, height);
    }
    if (w->size_reported) {
        call_procedure(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    }
}

bool message_in_range(UINT message, UINT first, UINT last) {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

// NULL: any window and thread messages; -1: thread messages only; otherwise that window's messages.
bool message_for(HWND message_window, HWND filter) {
    if (filter == nullptr) {
        return true;
    }
    if (filter == reinterpret_cast<HWND>(static_cast<std::uintptr_t>(-1))) {
        return message_window == nullptr;
    }
    return message_window == filter;
}

void stamp(MSG* msg) {
    msg->time = static_cast<DWORD>(platform::host::now_ms());
    msg->pt = cursor;
}

// The next message by Windows' priorities: posted and input messages in arrival order, then the quit
// request, then WM_PAINT for a window with something to paint, then WM_TIMER for a due timer.
bool take_message(MSG* out, HWND filter, UINT first, UINT last, bool remove) {
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (message_for(it->hwnd, filter) && message_in_range(it->message, first, last)) {
            *out = *it;
            if (remove) {
                queue.erase(it);
            }
            return true;
        }
    }
    // Like Windows, the quit request ignores the filters: a loop filtering by window still ends.
    if (quit_pending) {
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = static_cast<WPARAM>(quit_code);
        stamp(out);
        if (remove) {
            quit_pending = false;
        }
        return true;
    }
    if (message_in_range(WM_PAINT, first, last)) {
        for (const std::unique_ptr<window_record>& w : windows) {
            if (needs_paint(*w) && message_for(w->handle, filter)) {
                *out = MSG{w->handle, WM_PAINT, 0, 0, 0, {0, 0}};
                stamp(out);
                return true;
            }
        }
    }
    if (message_in_range(WM_TIMER, first, last)) {
        std::uint64_t now = platform::host::now_ms();
        timer_record* due = nullptr;
        for (timer_record& t : timers) {
            if (t.due_ms <= now && message_for(t.window, filter) &&
                (due == nullptr || t.due_ms < due->due_ms)) {
                due = &t;
            }
        }
        if (due != nullptr) {
            *out = MSG{due->window, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc), 0, {0, 0}};
            stamp(out);
            // Restarting the period from now coalesces: a loop that was late gets one tick, not a burst.
            if (remove) {
                due->due_ms = now + due->period_ms;
            }
            return true;
        }
    }
    return false;
}

std::optional<std::uint64_t> next_timer_deadline(HWND filter, UINT first, UINT last) {
    std::optional<std::uint64_t> deadline;
    if (!message_in_range(WM_TIMER, first, last)) {
        return deadline;
    }
    for (const timer_record& t : timers) {
        if (message_for(t.window, filter) && (!deadline || t.due_ms < *deadline)) {
            deadline = t.due_ms;
        }
    }
    return deadline;
}

void post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    MSG msg = {window, message, wparam, lparam, 0, {0, 0}};
    stamp(&msg);
    queue.push_back(msg);
}

void forget_window(HWND window) {
    std::erase_if(queue, [window](const MSG& m) { return m.hwnd == window; });
    std::erase_if(timers, [window](const timer_record& t) { return t.window == window; });
}

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
    post(window, message, flags, MAKELPARAM(x, y));
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

HWND first_window() {
    for (const std::unique_ptr<window_record>& w : windows) {
        if (!w->destroying) {
            return w->handle;
        }
    }
    return nullptr;
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
    quit_pending = false;
    quit_code = 0;
    timers.clear();
    std::fill(std::begin(key_is_down), std::end(key_is_down), false);
    menu_key_armed = false;
    cursor = POINT{0, 0};
    synthesised_buttons = 0;
}

} // namespace platform::input

// Classes ---------------------------------------------------------------------------------------------------

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* cls) {
    if (cls == nullptr || cls->cbSize != sizeof(WNDCLASSEXA) || cls->lpszClassName == nullptr ||
        IS_INTRESOURCE(cls->lpszClassName) || cls->lpfnWndProc == nullptr || find_class(cls->lpszClassName)) {
        return 0;
    }
    if (next_class_atom == 0) {
        return 0; // every atom handed out
    }
    ATOM atom = next_class_atom++;
    classes.push_back(
        class_record{atom, cls->lpszClassName, cls->style, cls->lpfnWndProc, cls->hbrBackground});
    return atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR name, HINSTANCE) {
    class_record* c = find_class(name);
    if (c == nullptr) {
        return FALSE;
    }
    ATOM atom = c->atom;
    for (const std::unique_ptr<window_record>& w : windows) {
        if (w->class_atom == atom) {
            return FALSE; // still in use
        }
    }
    std::erase_if(classes, [atom](const class_record& r) { return r.atom == atom; });
    return TRUE;
}

// Windows -------------------------------------------------------------------------------------------------

// Sizes are those of the client area: our windows have no frame of their own to subtract.
HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                            LPVOID param) {
    class_record* cls = find_class(class_name);
    if (cls == nullptr || (parent != nullptr && find_window(parent) == nullptr)) {
        return nullptr;
    }
    if (width == CW_USEDEFAULT) {
        width = default_client_width;
        height = default_client_height;
    }
    if (x == CW_USEDEFAULT) {
        x = 0;
        y = 0; // for overlapped windows y is then the show command, not a position
    }
    if (y == CW_USEDEFAULT) {
        y = 0;
    }
    width = clamp_extent(width);
    height = clamp_extent(height);

    auto record = std::make_unique<window_record>();
    record->handle = handle_of_serial(next_window_serial++);
    record->class_atom = cls->atom;
    record->class_style = cls->style;
    record->proc = cls->proc;
    record->background = cls->background;
    record->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    record->x = x;
    record->y = y;
    record->pixels.width = width;
    record->pixels.height = height;
    record->pixels.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u);
    HWND window = record->handle;
    if (!platform::host::create_window(window, title != nullptr ? title : "", width, height)) {
        return nullptr;
    }
    windows.push_back(std::move(record));
    // A new window has everything to paint, background first.
    invalidate(*windows.back(), nullptr, true);

    CREATESTRUCTA create = {param, instance,   menu,    parent, height, width, y, x, static_cast<LONG>(style),
                            title, class_name, ex_style};
    LPARAM create_param = reinterpret_cast<LPARAM>(&create);
    if (!call_procedure(window, WM_NCCREATE, 0, create_param)) {
        // Refused before it was created: only the non-client destruction is reported.
        if (window_record* w = find_window(window)) {
            w->destroying = true;
            call_procedure(window, WM_NCDESTROY, 0, 0);
            forget_window(window);
            platform::host::destroy_window(window);
            auto it = std::find_if(
                windows.begin(), windows.end(),
                [window](const std::unique_ptr<window_record>& r) { return r->handle == window; });
            dead_windows.push_back(std::move(*it));
            windows.erase(it);
            free_dead_windows();
        }
        return nullptr;
    }
    if (find_window(window) == nullptr) {
        return nullptr;
    }
    if (call_procedure(window, WM_CREATE, 0, create_param) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    if (find_window(window) == nullptr) {
        return nullptr;
    }
    if ((style & WS_VISIBLE) != 0) {
        ShowWindow(window, SW_SHOW);
    }
    return find_window(window) != nullptr ? window : nullptr;
}

BOOL WINAPI DestroyWindow(HWND window) {
    window_record* w = find_window(window);
    if (w == nullptr || w->destroying) {
        return FALSE;
    }
    w->destroying = true;
    call_procedure(window, WM_DESTROY, 0, 0);
    call_procedure(window, WM_NCDESTROY, 0, 0);
    // Its timers and messages go with it, including any the procedure made while being destroyed.
    forget_window(window);
    platform::host::destroy_window(window);
    auto it = std::find_if(windows.begin(), windows.end(),
                           [window](const std::unique_ptr<window_record>& r) { return r->handle == window; });
    if (it != windows.end()) {
        dead_windows.push_back(std::move(*it));
        windows.erase(it);
    }
    free_dead_windows();
    return TRUE;
}

BOOL WINAPI IsWindow(HWND window) {
    return find_window(window) != nullptr ? TRUE : FALSE;
}

// Every show command but SW_HIDE shows the window; minimised and maximised states are not modelled.
BOOL WINAPI ShowWindow(HWND window, int show) {
    window_record* w = find_window(window);
    if (w == nullptr) {
        return FALSE;
    }
    bool was_visible = w->visible;
    bool visible = show != SW_HIDE;
    if (visible != was_visible) {
        w->visible = visible;
        if (visible) {
            w->style |= WS_VISIBLE;
        } else {
            w->style &= ~static_cast<DWORD>(WS_VISIBLE);
        }
        call_procedure(window, WM_SHOWWINDOW, visible ? TRUE : FALSE, 0);
        if (find_window(window) == nullptr) {
            return was_visible ? TRUE : FALSE;
        }
        platform::host::show_window(window, visible);
    }
    if (visible && !w->size_reported) {
        report_size_and_position(window);
    }
    return was_visible ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND window) {
    if (find_window(window) == nullptr) {
        return FALSE;
    }
    paint_now(window);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    window_record* w = find_window(window);
    if (w == nullptr || rect == nullptr) {
        return FALSE;
    }
    *rect = client_rect_of(*w);
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    window_record* w = find_window(window);
    if (w == nullptr) {
        return FALSE;
    }
    bool moved = x != w->x || y != w->y;
    w->x = x;
    w->y = y;
    set_client_size(window, width, height, true);
    w = find_window(window);
    if (w == nullptr) {
        return TRUE;
    }
    if (moved && w->size_reported) {
        call_procedure(window, WM_MOVE, 0, MAKELPARAM(x, y));
        w = find_window(window);
    }
    if (w != nullptr && repaint) {
        invalidate(*w, nullptr, true);
    }
    return TRUE;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    // The system cursors, one shared handle each; this layer has no cursor resources of its own.
    static const WORD system_ids[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642,
                                      32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651};
    static HICON__ system_cursors[std::size(system_ids)];
    if (instance != nullptr || name == nullptr || !IS_INTRESOURCE(name)) {
        return nullptr;
    }
    WORD id = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name));
    for (std::size_t i = 0; i < std::size(system_ids); ++i) {
        if (system_ids[i] == id) {
            return &system_cursors[i];
        }
    }
    return nullptr;
}

// Messages ------------------------------------------------------------------------------------------------

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT first, UINT last) {
    bool thread_only = window == reinterpret_cast<HWND>(static_cast<std::uintptr_t>(-1));
    if (msg == nullptr || (window != nullptr && !thread_only && find_window(window) == nullptr)) {
        return -1;
    }
    for (;;) {
        free_dead_windows();
        platform::host::pump();
        if (take_message(msg, window, first, last, true)) {
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        std::optional<std::uint64_t> deadline = next_timer_deadline(window, first, last);
        if (platform::host::wait(deadline) == platform::host::wait_result::idle_forever) {
            std::fputs(
                "GetMessageA: no window, timer or message can ever arrive; ending the loop with code 1\n",
                stderr);
            *msg = MSG{};
            msg->message = WM_QUIT;
            msg->wParam = 1;
            stamp(msg);
            return FALSE;
        }
    }
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
    if (msg == nullptr) {
        return FALSE;
    }
    free_dead_windows();
    platform::host::pump();
    return take_message(msg, window, first, last, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

// Character messages are not generated: nothing in the program reads WM_CHAR.
BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (msg == nullptr) {
        return FALSE;
    }
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (msg == nullptr) {
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        // Only a callback that a live timer was set with is called: a posted WM_TIMER cannot run arbitrary
        // code.
        TIMERPROC proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        for (const timer_record& t : timers) {
            if (t.window == msg->hwnd && t.id == msg->wParam && t.proc == proc) {
                ++procedure_depth;
                proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
                --procedure_depth;
                return 0;
            }
        }
        return 0;
    }
    return call_procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (window != nullptr) {
        window_record* w = find_window(window);
        if (w == nullptr || w->destroying) {
            return FALSE;
        }
    }
    post(window, message, wparam, lparam);
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return call_procedure(window, message, wparam, lparam);
}

void WINAPI PostQuitMessage(int exit_code) {
    quit_pending = true;
    quit_code = exit_code;
}

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

// Timers --------------------------------------------------------------------------------------------------

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse_ms, TIMERPROC callback) {
    if (window != nullptr) {
        window_record* w = find_window(window);
        if (w == nullptr || w->destroying) {
            return 0;
        }
    }
    UINT period = std::clamp(elapse_ms, timer_minimum_ms, timer_maximum_ms);
    std::uint64_t due = platform::host::now_ms() + period;
    if (window == nullptr) {
        // A thread timer: `id` names an existing one to replace, otherwise a new id is chosen.
        auto existing = std::find_if(timers.begin(), timers.end(), [id](const timer_record& t) {
            return t.window == nullptr && t.id == id;
        });
        if (id == 0 || existing == timers.end()) {
            do {
                id = next_thread_timer_id++;
                if (next_thread_timer_id == 0) {
                    next_thread_timer_id = 1;
                }
            } while (std::any_of(timers.begin(), timers.end(),
                                 [id](const timer_record& t) { return t.window == nullptr && t.id == id; }));
            timers.push_back(timer_record{nullptr, id, period, due, callback});
        } else {
            *existing = timer_record{nullptr, id, period, due, callback};
        }
        return id;
    }
    for (timer_record& t : timers) {
        if (t.window == window && t.id == id) {
            t = timer_record{window, id, period, due, callback};
            return id != 0 ? id : 1;
        }
    }
    timers.push_back(timer_record{window, id, period, due, callback});
    return id != 0 ? id : 1;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    auto it = std::find_if(timers.begin(), timers.end(),
                           [window, id](const timer_record& t) { return t.window == window && t.id == id; });
    if (it == timers.end()) {
        return FALSE;
    }
    timers.erase(it);
    return TRUE;
}

// Painting ------------------------------------------------------------------------------------------------

BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    if (window == nullptr) {
        for (const std::unique_ptr<window_record>& w : windows) {
            invalidate(*w, nullptr, erase != FALSE);
        }
        return TRUE;
    }
    window_record* w = find_window(window);
    if (w == nullptr) {
        return FALSE;
    }
    invalidate(*w, rect, erase != FALSE);
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND window, const RECT* rect) {
    if (window == nullptr) {
        // As on Windows: no window means every window is invalidated and erased.
        return InvalidateRect(nullptr, nullptr, TRUE);
    }
    window_record* w = find_window(window);
    if (w == nullptr) {
        return FALSE;
    }
    validate(*w, rect);
    return TRUE;
}

// Regions are not modelled: a region stands for the whole client area.
BOOL WINAPI RedrawWindow(HWND window, const RECT* update, HRGN region, UINT flags) {
    window_record* w = find_window(window);
    if (w == nullptr) {
        return FALSE;
    }
    const RECT* area = region != nullptr ? nullptr : update;
    if ((flags & RDW_INVALIDATE) != 0) {
        invalidate(*w, area, (flags & RDW_ERASE) != 0 && (flags & RDW_NOERASE) == 0);
        if ((flags & RDW_INTERNALPAINT) != 0) {
            w->internal_paint = true;
        }
    } else if ((flags & RDW_VALIDATE) != 0) {
        validate(*w, area);
        if ((flags & RDW_NOERASE) != 0) {
            w->erase_pending = false;
        }
        if ((flags & RDW_NOINTERNALPAINT) != 0) {
            w->internal_paint = false;
        }
    }
    if ((flags & RDW_UPDATENOW) != 0) {
        paint_now(window);
    } else if ((flags & RDW_ERASENOW) != 0 && w->erase_pending && w->visible) {
        HDC dc = GetDC(window);
        if (dc != nullptr) {
            w->erase_pending = false;
            LRESULT erased = call_procedure(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
            if (window_record* still = find_window(window)) {
                still->erase_failed = erased == 0;
            }
            ReleaseDC(window, dc);
        }
    }
    return TRUE;
}

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
    window_record* w = find_window(window);
    if (w == nullptr || paint == nullptr) {
        return nullptr;
    }
    HDC dc = platform::create_window_dc(&w->pixels);
    if (dc == nullptr) {
        return nullptr;
    }
    open_dcs.push_back(open_dc{dc, window, true});
    RECT painted = w->has_update ? w->update : RECT{0, 0, 0, 0};
    bool erase = w->erase_pending;
    BOOL erase_left_to_caller = w->erase_failed ? TRUE : FALSE;
    w->has_update = false;
    w->internal_paint = false;
    w->erase_pending = false;
    w->erase_failed = false;
    if (erase) {
        LRESULT erased = call_procedure(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        erase_left_to_caller = erased == 0 ? TRUE : FALSE;
    }
    *paint = PAINTSTRUCT{};
    paint->hdc = dc;
    paint->fErase = erase_left_to_caller;
    paint->rcPaint = painted;
    return dc;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint) {
    if (paint == nullptr) {
        return FALSE;
    }
    for (std::size_t i = 0; i < open_dcs.size(); ++i) {
        if (open_dcs[i].dc == paint->hdc && open_dcs[i].from_begin_paint && open_dcs[i].window == window) {
            release_dc_entry(i);
            if (window_record* w = find_window(window)) {
                platform::host::present(window, w->pixels, platform::host::present_reason::paint);
            }
            free_dead_windows();
            return TRUE;
        }
    }
    return TRUE; // like Windows, EndPaint never fails
}

HDC WINAPI GetDC(HWND window) {
    window_record* w = find_window(window);
    if (w == nullptr) {
        return nullptr; // no screen device context: nothing draws outside a window here
    }
    HDC dc = platform::create_window_dc(&w->pixels);
    if (dc != nullptr) {
        open_dcs.push_back(open_dc{dc, window, false});
    }
    return dc;
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
    for (std::size_t i = 0; i < open_dcs.size(); ++i) {
        if (open_dcs[i].dc == dc && !open_dcs[i].from_begin_paint && open_dcs[i].window == window) {
            release_dc_entry(i);
            if (window_record* w = find_window(window)) {
                platform::host::present(window, w->pixels, platform::host::present_reason::direct);
            }
            free_dead_windows();
            return 1;
        }
    }
    return 0;
}

// Synthesised input goes to the first window. Relative moves add to the last pointer position; absolute ones
// map 0..65535 onto its client area, which stands for the screen.
void WINAPI mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD, ULONG_PTR) {
    HWND window = platform::input::first_window();
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
