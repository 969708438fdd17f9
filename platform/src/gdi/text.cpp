// Text: TextOutA and GetTextExtentPoint32A with our one bitmap font, and the DC's text colours and mode.
//
// Text is laid out in fixed 8 x 16 cells from its top-left corner. In the opaque mode (the default) every
// cell is painted whole, background colour first; in the transparent mode only the glyph's own pixels are.
#include "gdi.h"

#include <algorithm>
#include <climits>

using namespace platform::gdi;

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
    dc_data* d = find_dc(dc);
    if (!d || length < 0 || !is_font(d->font)) {
        return FALSE;
    }
    if (length == 0 || !text) {
        return TRUE; // a null string has no characters to draw, as Windows finds too
    }
    int width, height;
    dc_extent(*d, &width, &height);
    box area =
        clip_box(box{x, y, x + std::int64_t{font_cell_width} * length, std::int64_t{y} + font_cell_height},
                 width, height);
    if (area.empty()) {
        return TRUE;
    }
    bool opaque = d->back_mode == OPAQUE;
    surface s = pixels_for_write(*d, area, opaque);
    if (!s.pixels) {
        return TRUE;
    }
    std::uint32_t ink = device_pixel(*d, platform::pixel_from_colorref(d->text_color));
    std::uint32_t paper = device_pixel(*d, platform::pixel_from_colorref(d->back_color));
    // Only the characters whose cells reach the surface are looked at.
    std::int64_t first = (area.left - x) / font_cell_width;
    std::int64_t last = (area.right - 1 - x) / font_cell_width;
    for (std::int64_t i = first; i <= last; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        int glyph = (c >= font_first_char && c <= font_last_char) ? c - font_first_char : font_missing_glyph;
        std::int64_t cell_left = x + i * font_cell_width;
        std::int64_t left = std::max(cell_left, area.left);
        std::int64_t right = std::min(cell_left + font_cell_width, area.right);
        for (std::int64_t row = area.top; row < area.bottom; ++row) {
            unsigned bits = font_glyphs[glyph][row - y];
            std::uint32_t* out = s.row(static_cast<int>(row));
            for (std::int64_t column = left; column < right; ++column) {
                bool set = (bits & (0x80u >> (column - cell_left))) != 0;
                if (set) {
                    out[column] = ink;
                } else if (opaque) {
                    out[column] = paper;
                }
            }
        }
    }
    return TRUE;
}

BOOL WINAPI GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, LPSIZE size) {
    dc_data* d = find_dc(dc);
    // A string too long for its width to fit in a LONG has no extent to give.
    if (!d || !size || length < 0 || (!text && length > 0) || length > INT_MAX / font_cell_width) {
        return FALSE;
    }
    // No characters have no height either, as on Windows.
    size->cx = length * font_cell_width;
    size->cy = length > 0 ? font_cell_height : 0;
    return TRUE;
}

COLORREF WINAPI SetTextColor(HDC dc, COLORREF color) {
    dc_data* d = find_dc(dc);
    if (!d) {
        return CLR_INVALID;
    }
    COLORREF previous = d->text_color;
    d->text_color = color;
    return previous;
}

COLORREF WINAPI SetBkColor(HDC dc, COLORREF color) {
    dc_data* d = find_dc(dc);
    if (!d) {
        return CLR_INVALID;
    }
    COLORREF previous = d->back_color;
    d->back_color = color;
    return previous;
}

int WINAPI SetBkMode(HDC dc, int mode) {
    dc_data* d = find_dc(dc);
    if (!d || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    int previous = d->back_mode;
    d->back_mode = mode;
    return previous;
}
