// A small drawing canvas for the GDI tests: a memory DC with its own white colour bitmap, read back as text.
#pragma once

#include <windows.h>

#include "platform_hooks.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace gdi_test {

using pixel_set = std::set<std::pair<int, int>>;

struct canvas {
    int width;
    int height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old_bitmap;

    // The bitmap is compatible with the screen, as a window's would be: one compatible with a fresh memory DC
    // is monochrome.
    canvas(int w, int h) : width(w), height(h) {
        HDC screen = GetDC(nullptr);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        old_bitmap = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, w, h, WHITENESS);
    }
    ~canvas() {
        SelectObject(dc, old_bitmap);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    canvas(const canvas&) = delete;
    canvas& operator=(const canvas&) = delete;

    COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }

    // Every pixel of one colour.
    pixel_set pixels_of(COLORREF color) const {
        pixel_set out;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (at(x, y) == color) {
                    out.insert({x, y});
                }
            }
        }
        return out;
    }

    // Rows as text: '#' black, '.' white, 'o' grey (128), '?' anything else.
    std::string picture() const {
        std::string out;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                COLORREF c = at(x, y);
                out += c == RGB(0, 0, 0)         ? '#'
                       : c == RGB(255, 255, 255) ? '.'
                       : c == RGB(128, 128, 128) ? 'o'
                                                 : '?';
            }
            out += '\n';
        }
        return out;
    }
};

// Selects an object for the lifetime of the scope and deletes it afterwards when it was made for the test.
struct selected {
    HDC dc;
    HGDIOBJ object;
    HGDIOBJ previous;
    bool owned;
    selected(HDC d, HGDIOBJ o, bool own = true)
        : dc(d), object(o), previous(SelectObject(d, o)), owned(own) {}
    ~selected() {
        SelectObject(dc, previous);
        if (owned) {
            DeleteObject(object);
        }
    }
    selected(const selected&) = delete;
    selected& operator=(const selected&) = delete;
};

inline HPEN geometric_pen(COLORREF color) {
    LOGBRUSH brush{BS_SOLID, color, 0};
    return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, 1, &brush, 0, nullptr);
}

} // namespace gdi_test
