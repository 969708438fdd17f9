// user32's classes and windows: registration, creation and destruction, showing, sizes and positions.
#include "user32.h"

#include <algorithm>
#include <cstring>

namespace platform::user32 {

state_record state;

namespace {

HWND handle_of_serial(std::uintptr_t serial) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10000) + serial * 4);
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
    for (class_record& c : state.classes) {
        if (by_atom ? c.atom == atom : same_class_name(c.name, name)) {
            return &c;
        }
    }
    return nullptr;
}

int clamp_extent(int extent) {
    return std::clamp(extent, 0, max_client_extent);
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

} // namespace

window_record* find_window(HWND window) {
    if (window == nullptr) {
        return nullptr;
    }
    for (const std::unique_ptr<window_record>& w : state.windows) {
        if (w->handle == window) {
            return w.get();
        }
    }
    return nullptr;
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
    ++state.procedure_depth;
    LRESULT result = proc(window, message, wparam, lparam);
    --state.procedure_depth;
    return result;
}

// Frees destroyed windows once nothing can touch their pixels any more. A device context that the program
// never gave back to a destroyed window is released here, as Windows does when the window goes away.
void free_dead_windows() {
    if (state.procedure_depth > 0 || state.dead_windows.empty()) {
        return;
    }
    for (std::size_t i = state.open_dcs.size(); i-- > 0;) {
        if (find_window(state.open_dcs[i].window) == nullptr) {
            release_dc_entry(i);
        }
    }
    state.dead_windows.clear();
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

} // namespace platform::user32

using namespace platform::user32;

// Classes ---------------------------------------------------------------------------------------------------

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* cls) {
    if (cls == nullptr || cls->cbSize != sizeof(WNDCLASSEXA) || cls->lpszClassName == nullptr ||
        IS_INTRESOURCE(cls->lpszClassName) || cls->lpfnWndProc == nullptr || find_class(cls->lpszClassName)) {
        return 0;
    }
    if (state.next_class_atom == 0) {
        return 0; // every atom handed out
    }
    ATOM atom = state.next_class_atom++;
    state.classes.push_back(
        class_record{atom, cls->lpszClassName, cls->style, cls->lpfnWndProc, cls->hbrBackground});
    return atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR name, HINSTANCE) {
    class_record* c = find_class(name);
    if (c == nullptr) {
        return FALSE;
    }
    ATOM atom = c->atom;
    for (const std::unique_ptr<window_record>& w : state.windows) {
        if (w->class_atom == atom) {
            return FALSE; // still in use
        }
    }
    std::erase_if(state.classes, [atom](const class_record& r) { return r.atom == atom; });
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
    record->handle = handle_of_serial(state.next_window_serial++);
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
    state.windows.push_back(std::move(record));
    // A new window has everything to paint, background first.
    invalidate(*state.windows.back(), nullptr, true);

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
                state.windows.begin(), state.windows.end(),
                [window](const std::unique_ptr<window_record>& r) { return r->handle == window; });
            state.dead_windows.push_back(std::move(*it));
            state.windows.erase(it);
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
    auto it = std::find_if(state.windows.begin(), state.windows.end(),
                           [window](const std::unique_ptr<window_record>& r) { return r->handle == window; });
    if (it != state.windows.end()) {
        state.dead_windows.push_back(std::move(*it));
        state.windows.erase(it);
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
    // WM_MOVE before WM_SIZE, the order DefWindowProc's WM_WINDOWPOSCHANGED handling sends them in.
    if (moved && w->size_reported) {
        call_procedure(window, WM_MOVE, 0, MAKELPARAM(x, y));
        if (find_window(window) == nullptr) {
            return TRUE;
        }
    }
    set_client_size(window, width, height, true);
    w = find_window(window);
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
