// What user32 and the hosts need from our GDI beyond the public API: device contexts that draw straight into
// a window's client pixels. Pixels everywhere are 0x00RRGGBB words, rows top-down, no padding.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace platform {

struct pixel_buffer {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // width * height words
};

// A device context whose drawing goes to `target` (a window's client area). Its pen, brush and font are the
// defaults of a new DC. `target` must outlive the DC; release it with release_window_dc, not DeleteDC.
HDC create_window_dc(pixel_buffer* target);
void release_window_dc(HDC dc);

// 0x00RRGGBB from a COLORREF (0x00BBGGRR) and back.
inline std::uint32_t pixel_from_colorref(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF colorref_from_pixel(std::uint32_t p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

} // namespace platform
