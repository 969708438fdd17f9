// user32's painting: the update rectangle of each window, WM_PAINT and WM_ERASEBKGND, and the device
// contexts of BeginPaint and GetDC, whose finished pixels go to the host.
#include "user32.h"

#include <algorithm>

namespace platform::user32 {

namespace {

RECT bounding_union(const RECT& a, const RECT& b) {
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
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

} // namespace

void release_dc_entry(std::size_t index) {
    platform::release_window_dc(state.open_dcs[index].dc);
    state.open_dcs.erase(state.open_dcs.begin() + static_cast<std::ptrdiff_t>(index));
}

void invalidate(window_record& w, const RECT* rect, bool erase) {
    RECT area = client_rect_of(w);
    if (rect != nullptr) {
        // Windows makes a region of the rectangle, which puts inverted corners in order.
        RECT ordered = {std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                        std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
        area = intersect(area, ordered);
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

// Sends WM_PAINT at once when the window has something to paint (UpdateWindow, RDW_UPDATENOW).
void paint_now(HWND window) {
    window_record* w = find_window(window);
    if (w != nullptr && needs_paint(*w)) {
        call_procedure(window, WM_PAINT, 0, 0);
    }
}

} // namespace platform::user32

using namespace platform::user32;

// Painting ------------------------------------------------------------------------------------------------

BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    if (window == nullptr) {
        for (const std::unique_ptr<window_record>& w : state.windows) {
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
    if (window == nullptr) {
        return TRUE; // the desktop's, which this layer does not draw
    }
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
    state.open_dcs.push_back(open_dc{dc, window, true});
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
    for (std::size_t i = 0; i < state.open_dcs.size(); ++i) {
        if (state.open_dcs[i].dc == paint->hdc && state.open_dcs[i].from_begin_paint &&
            state.open_dcs[i].window == window) {
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
    // The screen's device context: there is no desktop here, so what is drawn on it goes nowhere, but what is
    // made compatible with it is in colour, as on Windows (a fresh memory DC's bitmaps are monochrome).
    static platform::pixel_buffer no_desktop{};
    window_record* w = find_window(window);
    if (w == nullptr && window != nullptr) {
        return nullptr;
    }
    HDC dc = platform::create_window_dc(w ? &w->pixels : &no_desktop);
    if (dc != nullptr) {
        state.open_dcs.push_back(open_dc{dc, window, false});
    }
    return dc;
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
    for (std::size_t i = 0; i < state.open_dcs.size(); ++i) {
        if (state.open_dcs[i].dc == dc && !state.open_dcs[i].from_begin_paint &&
            state.open_dcs[i].window == window) {
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
