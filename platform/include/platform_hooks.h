// What tests and tools may use of our Windows API layer beyond windows.h and the headless host: nothing that
// the program itself uses.
//
// The object count has a Windows answer too, so that a test needing only it builds for Windows as well and
// shows that what we expect of the API is what Windows does. Everything after it exists only in our layer:
// the client pixels that user32 and the hosts share (which tests read and the GDI draws into), the first
// window, and starting the host for tests that run without the process entry.
#pragma once

#include <windows.h>

namespace platform {

// GDI objects currently alive: pens, brushes, bitmaps and memory device contexts that were created and not
// yet deleted. Stock objects (GetStockObject, GetSysColorBrush) and window DCs are not counted.
#if defined(_WIN32)
inline int gdi_object_count() {
    return static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
}
#else
int gdi_object_count();
#endif

} // namespace platform

#if !defined(_WIN32)

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A window's client pixels: 0x00RRGGBB words, rows top-down, no padding.
struct pixel_buffer {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // width * height words

    // Rows [changed_top, changed_bottom) may differ from what the host last put on screen; every other row
    // is unchanged since then. Whatever writes pixels widens the band and the host empties it once it has
    // shown them, so a frame that repaints the same picture costs the screen nothing. A new buffer counts as
    // changed everywhere.
    // Mutable: showing the pixels changes none of them, only what is known about the screen.
    mutable int changed_top = 0;
    mutable int changed_bottom = INT_MAX;

    void mark_changed(int top, int bottom) {
        if (top >= bottom) {
            return;
        }
        if (changed_top >= changed_bottom) {
            changed_top = top;
            changed_bottom = bottom;
        } else {
            changed_top = std::min(changed_top, top);
            changed_bottom = std::max(changed_bottom, bottom);
        }
    }
    // Whoever writes `pixels` other than through a device context must call this.
    void mark_all_changed() {
        changed_top = 0;
        changed_bottom = INT_MAX;
        outlines.clear();
    }
    void mark_shown() const {
        changed_top = 0;
        changed_bottom = 0;
    }

    // What the GDI knows of each row without reading it: every pixel outside the columns [left, right) is
    // `fill`. A frame is mostly its background, so the next frame's copy compares only around what either
    // frame drew. Indexed by row for a buffer `outline_width` wide; empty (or made for another width):
    // nothing is known.
    struct row_outline {
        std::uint32_t fill = 0;
        int left = 0;
        int right = INT_MAX;
    };
    std::vector<row_outline> outlines{};
    int outline_width = 0;
};

// A device context whose drawing goes to `target` (a window's client area), as BeginPaint and GetDC give
// user32. Its pen, brush and font are the defaults of a new DC. `target` must outlive the DC; release it with
// release_window_dc, not DeleteDC.
HDC create_window_dc(pixel_buffer* target);
void release_window_dc(HDC dc);

// 0x00RRGGBB from a COLORREF (0x00BBGGRR) and back.
inline std::uint32_t pixel_from_colorref(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF colorref_from_pixel(std::uint32_t p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

// The first top-level window still open (the one the headless host's script goes to), NULL when none.
HWND first_window();

// The host this test is linked with, started and stopped as the process entry does around WinMain: false
// with a one-line reason when there is no display.
bool start_host(std::string* reason);
void stop_host();

} // namespace platform

#endif
