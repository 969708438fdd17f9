// A bitmap keeps only a span of real pixels per row, around what was drawn; the rest reads as its fill
// colour. Every drawing call must therefore stay inside the area it makes real, and copies must put the
// pieces of each row together. Each step below is done on two bitmaps with the same picture: one filled whole
// (so almost nothing is real) and one filled in two parts (so every pixel is real). Their pixels must agree
// after every step, and so must their copies into a window.
#include <windows.h>

#include "platform_hooks.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int width = 40;
constexpr int height = 30;
constexpr COLORREF grey = RGB(100, 100, 100);

struct step {
    const char* name;
    std::function<void(HDC dc, HDC other)> draw; // `other` is a second bitmap of the same kind, for copies
};

void PrintTo(const step& s, std::ostream* out) {
    *out << s.name;
}

void with_pen(HDC dc, int pen_width, COLORREF colour, const std::function<void()>& draw) {
    HPEN pen = CreatePen(PS_SOLID, pen_width, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    draw();
    SelectObject(dc, old);
    DeleteObject(pen);
}

void line(HDC dc, int pen_width, int x0, int y0, int x1, int y1) {
    with_pen(dc, pen_width, RGB(255, 255, 0), [&] {
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y1);
    });
}

void fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    RECT r{left, top, right, bottom};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

const step steps[] = {
    {"thin line across", [](HDC dc, HDC) { line(dc, 1, 3, 4, 36, 25); }},
    {"thin line leaving every side", [](HDC dc, HDC) { line(dc, 1, -20, 50, 70, -9); }},
    {"wide line", [](HDC dc, HDC) { line(dc, 5, 30, 3, 12, 20); }},
    {"very wide line at the edge", [](HDC dc, HDC) { line(dc, 13, 38, 1, 39, 28); }},
    {"two-pixel line", [](HDC dc, HDC) { line(dc, 2, 0, 29, 39, 0); }},
    {"polyline",
     [](HDC dc, HDC) {
         POINT p[] = {{5, 5}, {34, 9}, {20, 26}, {6, 12}};
         with_pen(dc, 1, RGB(255, 0, 0), [&] { Polyline(dc, p, 4); });
     }},
    {"ellipse with a wide pen",
     [](HDC dc, HDC) { with_pen(dc, 3, RGB(255, 0, 0), [&] { Ellipse(dc, 8, 6, 23, 19); }); }},
    {"small disc", [](HDC dc, HDC) { Ellipse(dc, 15, 15, 26, 26); }},
    {"rectangle without outline",
     [](HDC dc, HDC) {
         HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_PEN));
         Rectangle(dc, 2, 20, 17, 28);
         SelectObject(dc, old);
     }},
    {"opaque text", [](HDC dc, HDC) { TextOutA(dc, 9, 2, "x1", 2); }},
    {"transparent text",
     [](HDC dc, HDC) {
         SetBkMode(dc, TRANSPARENT);
         TextOutA(dc, -3, 17, "Wg", 2);
         SetBkMode(dc, OPAQUE);
     }},
    {"single pixels",
     [](HDC dc, HDC) {
         SetPixel(dc, 0, 0, RGB(1, 2, 3));
         SetPixel(dc, 39, 29, RGB(4, 5, 6));
         SetPixel(dc, 20, 14, RGB(7, 8, 9));
     }},
    {"fill of a part", [](HDC dc, HDC) { fill(dc, 12, 7, 19, 23, RGB(0, 0, 255)); }},
    {"pattern fill of whole rows", [](HDC dc, HDC) { PatBlt(dc, 0, 10, width, 3, WHITENESS); }},
    {"copy within, to the right and down", [](HDC dc, HDC) { BitBlt(dc, 3, 2, 30, 20, dc, 0, 0, SRCCOPY); }},
    {"copy within, to the left and up", [](HDC dc, HDC) { BitBlt(dc, 0, 0, 33, 25, dc, 5, 4, SRCCOPY); }},
    {"copy within, along one row band", [](HDC dc, HDC) { BitBlt(dc, 7, 6, 25, 3, dc, 1, 6, SRCCOPY); }},
    {"copy of a part from another bitmap",
     [](HDC dc, HDC other) { BitBlt(dc, 10, 5, 22, 18, other, 4, 3, SRCCOPY); }},
    {"copy from another bitmap, half outside",
     [](HDC dc, HDC other) { BitBlt(dc, -6, 20, width, height, other, 0, 0, SRCCOPY); }},
};

// A bitmap in a memory DC, grey everywhere, with either almost nothing real or every pixel real.
struct canvas {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;

    explicit canvas(bool all_real) {
        HDC screen = GetDC(nullptr); // in colour, as a window's frame is
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        previous = SelectObject(dc, bitmap);
        if (all_real) {
            fill(dc, 0, 0, width, height - 1, grey); // neither fill covers the whole bitmap
            fill(dc, 0, height - 1, width, height, grey);
        } else {
            fill(dc, 0, 0, width, height, grey);
        }
    }
    ~canvas() {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    canvas(const canvas&) = delete;
    canvas& operator=(const canvas&) = delete;
};

struct pair_of_canvases {
    canvas lazy{false};
    canvas real{true};
    canvas lazy_other{false};
    canvas real_other{true};

    pair_of_canvases() {
        // The second pair gets a picture with real spans of its own.
        for (HDC dc : {lazy_other.dc, real_other.dc}) {
            line(dc, 1, 2, 27, 37, 8);
            TextOutA(dc, 20, 12, "k", 1);
        }
    }

    void apply(const step& s) {
        s.draw(lazy.dc, lazy_other.dc);
        s.draw(real.dc, real_other.dc);
    }
};

void expect_same_pixels(HDC lazy, HDC real, const std::string& after) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(GetPixel(lazy, x, y), GetPixel(real, x, y))
                << "at " << x << ", " << y << " after " << after;
        }
    }
}

// Both bitmaps copied into windows of their own, then part of each again at an offset.
void expect_same_window_copies(HDC lazy, HDC real, const std::string& after) {
    platform::pixel_buffer windows[2];
    HDC sources[2] = {lazy, real};
    for (int i = 0; i < 2; ++i) {
        windows[i].width = width;
        windows[i].height = height;
        windows[i].pixels.assign(static_cast<std::size_t>(width) * height, 0x123456u);
        HDC window_dc = platform::create_window_dc(&windows[i]);
        BitBlt(window_dc, 0, 0, width, height, sources[i], 0, 0, SRCCOPY);
        BitBlt(window_dc, 11, 3, 17, 20, sources[i], 2, 9, SRCCOPY);
        platform::release_window_dc(window_dc);
    }
    ASSERT_EQ(windows[0].pixels, windows[1].pixels) << "window copies differ after " << after;
}

class lazy_bitmap_steps : public testing::TestWithParam<step> {};

TEST_P(lazy_bitmap_steps, draw_the_same_as_on_a_bitmap_that_is_all_real) {
    pair_of_canvases c;
    // Something real already, so that the step also widens existing spans.
    for (HDC dc : {c.lazy.dc, c.real.dc}) {
        SetPixel(dc, 25, 8, RGB(0, 255, 0));
        SetPixel(dc, 4, 22, RGB(0, 255, 0));
    }
    c.apply(GetParam());
    expect_same_pixels(c.lazy.dc, c.real.dc, GetParam().name);
    expect_same_window_copies(c.lazy.dc, c.real.dc, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(table, lazy_bitmap_steps, testing::ValuesIn(steps),
                         [](const testing::TestParamInfo<step>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c != '\0'; ++c) {
                                 name += (*c >= 'a' && *c <= 'z') || (*c >= '0' && *c <= '9') ? *c : '_';
                             }
                             return name;
                         });

// Long sequences of steps in shuffled orders, with a whole fill now and then that drops everything real.
TEST(lazy_bitmap, sequences_of_steps_draw_the_same) {
    std::mt19937 random(20261208);
    for (int sequence = 0; sequence < 12; ++sequence) {
        pair_of_canvases c;
        std::string done;
        for (int i = 0; i < 25; ++i) {
            if (random() % 9 == 0) {
                fill(c.lazy.dc, 0, 0, width, height, RGB(0, 0, 40 + i));
                fill(c.real.dc, 0, 0, width, height - 1, RGB(0, 0, 40 + i));
                fill(c.real.dc, 0, height - 1, width, height, RGB(0, 0, 40 + i));
                done += "[whole fill] ";
                continue;
            }
            const step& s = steps[random() % std::size(steps)];
            c.apply(s);
            done += std::string(s.name) + "; ";
            expect_same_pixels(c.lazy.dc, c.real.dc, done);
            expect_same_window_copies(c.lazy.dc, c.real.dc, done);
            if (testing::Test::HasFatalFailure()) {
                return;
            }
        }
    }
}

} // namespace
