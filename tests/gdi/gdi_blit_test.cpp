// Block transfers, fills and single pixels, with clipping at every edge of the coordinate range.
#include "gdi_test_support.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace gdi_test;

namespace {

// The pixels inside the normalised rectangle (x, y, x + w, y + h), clipped to the canvas. A negative size
// reaches back from x and keeps x's own pixel, as on Windows.
pixel_set expected_block(const canvas& c, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
    std::int64_t left = w < 0 ? x + w + 1 : x, right = w < 0 ? x + 1 : x + w;
    std::int64_t top = h < 0 ? y + h + 1 : y, bottom = h < 0 ? y + 1 : y + h;
    pixel_set out;
    for (std::int64_t py = std::max<std::int64_t>(top, 0); py < std::min<std::int64_t>(bottom, c.height);
         ++py) {
        for (std::int64_t px = std::max<std::int64_t>(left, 0); px < std::min<std::int64_t>(right, c.width);
             ++px) {
            out.insert({static_cast<int>(px), static_cast<int>(py)});
        }
    }
    return out;
}

struct block {
    int x, y, w, h;
};

const block blocks[] = {
    {2, 3, 4, 5},
    {-3, -2, 6, 5},
    {8, 9, 100, 100},
    {6, 7, -4, -3},
    {0, 0, 0, 5},
    {0, 0, 5, 0},
    {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
    {INT_MAX, INT_MAX, INT_MIN, INT_MIN},
    {INT_MAX, 2, 1, 3},
    {-5, -5, 3, 3},
    {INT_MIN, 0, -1, 4},
    {5, 5, INT_MAX, INT_MAX},
};

class Blocks : public ::testing::TestWithParam<block> {};

TEST_P(Blocks, PatBltFillsTheClippedNormalisedRectangle) {
    block b = GetParam();
    canvas c(12, 10);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
    selected keep(c.dc, brush);
    EXPECT_TRUE(PatBlt(c.dc, b.x, b.y, b.w, b.h, PATCOPY));
    EXPECT_EQ(c.pixels_of(RGB(0, 0, 0)), expected_block(c, b.x, b.y, b.w, b.h));
}

TEST_P(Blocks, BitBltCopiesTheClippedNormalisedRectangle) {
    block b = GetParam();
    canvas source(12, 10);
    PatBlt(source.dc, 0, 0, 12, 10, BLACKNESS);
    SetPixel(source.dc, 0, 0, RGB(0, 0, 0)); // a written, not just pending, source
    canvas c(12, 10);
    EXPECT_TRUE(BitBlt(c.dc, b.x, b.y, b.w, b.h, source.dc, b.x, b.y, SRCCOPY));
    EXPECT_EQ(c.pixels_of(RGB(0, 0, 0)), expected_block(c, b.x, b.y, b.w, b.h));
}

INSTANTIATE_TEST_SUITE_P(EdgesOfTheRange, Blocks, ::testing::ValuesIn(blocks));

TEST(PatBlt, RasterOperations) {
    canvas c(4, 4);
    EXPECT_TRUE(PatBlt(c.dc, 0, 0, 4, 4, BLACKNESS));
    EXPECT_EQ(c.at(3, 3), RGB(0, 0, 0));
    EXPECT_TRUE(PatBlt(c.dc, 0, 0, 2, 2, WHITENESS));
    EXPECT_EQ(c.at(1, 1), RGB(255, 255, 255));
    EXPECT_EQ(c.at(2, 2), RGB(0, 0, 0));
    {
        selected keep(c.dc, GetStockObject(NULL_BRUSH), false);
        EXPECT_TRUE(PatBlt(c.dc, 0, 0, 4, 4, PATCOPY));
        EXPECT_EQ(c.at(3, 3), RGB(0, 0, 0));
    }
    EXPECT_FALSE(PatBlt(c.dc, 0, 0, 4, 4, SRCCOPY)); // needs a source
    EXPECT_FALSE(PatBlt(c.dc, 0, 0, 4, 4, 0x00550009 /* DSTINVERT: not supported */));
    EXPECT_EQ(c.at(3, 3), RGB(0, 0, 0));
}

TEST(BitBlt, SourceOffsetsAndSourceBoundsClip) {
    canvas source(4, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            SetPixel(source.dc, x, y, RGB(x, y, 7));
        }
    }
    canvas c(8, 8);
    EXPECT_TRUE(BitBlt(c.dc, 3, 2, 6, 6, source.dc, 1, 2, SRCCOPY));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            int sx = x - 3 + 1, sy = y - 2 + 2;
            bool copied = x >= 3 && y >= 2 && sx < 4 && sy < 4;
            EXPECT_EQ(c.at(x, y), copied ? RGB(sx, sy, 7) : RGB(255, 255, 255)) << x << "," << y;
        }
    }
}

TEST(BitBlt, OverlappingCopyWithinOneDcBehavesLikeMemmove) {
    struct shift {
        int dx, dy;
    };
    for (shift s : {shift{1, 0}, shift{-1, 0}, shift{0, 1}, shift{0, -1}, shift{2, 3}, shift{-3, -2}}) {
        canvas c(10, 10);
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                SetPixel(c.dc, x, y, RGB(x, y, 0));
            }
        }
        EXPECT_TRUE(BitBlt(c.dc, 3 + s.dx, 3 + s.dy, 3, 3, c.dc, 3, 3, SRCCOPY));
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(c.at(3 + s.dx + x, 3 + s.dy + y), RGB(3 + x, 3 + y, 0)) << s.dx << "," << s.dy;
            }
        }
    }
}

TEST(FillRect, BrushOrSystemColourNumber) {
    canvas c(6, 6);
    PatBlt(c.dc, 0, 0, 6, 6, BLACKNESS);
    RECT inverted{4, 4, 1, 1};
    EXPECT_EQ(FillRect(c.dc, &inverted, reinterpret_cast<HBRUSH>(1 /* COLOR_SCROLLBAR + 1: the first */)), 1);
    EXPECT_EQ(c.pixels_of(RGB(200, 200, 200)), expected_block(c, 4, 4, -3, -3));
    RECT extreme{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_EQ(FillRect(c.dc, &extreme, GetSysColorBrush(COLOR_WINDOWFRAME)), 1);
    EXPECT_EQ(c.pixels_of(RGB(100, 100, 100)).size(), 36u);
    EXPECT_EQ(FillRect(c.dc, nullptr, GetSysColorBrush(COLOR_WINDOW)), 0);
    EXPECT_EQ(FillRect(c.dc, &extreme, nullptr), 0);
    EXPECT_EQ(c.pixels_of(RGB(100, 100, 100)).size(), 36u);
}

// A bitmap compatible with a fresh memory DC is monochrome: each colour drawn becomes the nearer of black and
// white; copied to colour, black takes the text colour and white the background colour; copied from colour,
// the source's background colour becomes white and all else black.
TEST(BitBlt, MonochromeBitmapsOfAFreshMemoryDc) {
    HDC mono = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(mono, 3, 1);
    HGDIOBJ old = SelectObject(mono, bitmap);
    EXPECT_EQ(SetPixel(mono, 0, 0, RGB(200, 210, 190)), RGB(255, 255, 255));
    EXPECT_EQ(SetPixel(mono, 1, 0, RGB(90, 0, 40)), RGB(0, 0, 0));
    EXPECT_EQ(SetPixel(mono, 2, 0, RGB(255, 255, 0)), RGB(255, 255, 255)); // yellow: nearer white
    canvas colour(3, 1);
    SetTextColor(colour.dc, RGB(255, 0, 0));
    SetBkColor(colour.dc, RGB(0, 0, 255));
    BitBlt(colour.dc, 0, 0, 3, 1, mono, 0, 0, SRCCOPY);
    EXPECT_EQ(colour.at(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(colour.at(1, 0), RGB(255, 0, 0));
    SetBkColor(colour.dc, RGB(255, 0, 0));
    BitBlt(mono, 0, 0, 3, 1, colour.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(mono, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(mono, 1, 0), RGB(255, 255, 255));
    SelectObject(mono, old);
    DeleteDC(mono);
    DeleteObject(bitmap);
}

TEST(Pixels, SetAndGetWithinBoundsOnly) {
    canvas c(3, 2);
    EXPECT_EQ(SetPixel(c.dc, 2, 1, 0x01020304), RGB(4, 3, 2)); // the colour actually set, high byte dropped
    EXPECT_EQ(c.at(2, 1), RGB(4, 3, 2));
    for (auto [x, y] : {std::pair{3, 0}, std::pair{0, 2}, std::pair{-1, 0}, std::pair{INT_MIN, INT_MAX}}) {
        EXPECT_EQ(SetPixel(c.dc, x, y, 0), CLR_INVALID);
        EXPECT_EQ(GetPixel(c.dc, x, y), CLR_INVALID);
    }
    // The shared default bitmap of a new DC is never drawn into.
    HDC dc = CreateCompatibleDC(nullptr);
    SetPixel(dc, 0, 0, RGB(255, 255, 255));
    PatBlt(dc, 0, 0, 1, 1, WHITENESS);
    DeleteDC(dc);
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetPixel(other, 0, 0), RGB(0, 0, 0));
    DeleteDC(other);
}

#if !defined(_WIN32)
// Our window DCs on a window's client pixels (platform::create_window_dc), which only our layer has: the
// conformance build leaves them out.

TEST(BitBlt, FromAFreshOrFilledBitmapToAWindow) {
    platform::pixel_buffer window{6, 4, std::vector<std::uint32_t>(24, 0xABCDEF)};
    HDC window_dc = platform::create_window_dc(&window);
    HDC memory = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = CreateCompatibleBitmap(window_dc, 6, 4);
    HGDIOBJ old = SelectObject(memory, bitmap);
    EXPECT_TRUE(BitBlt(window_dc, 0, 0, 3, 4, memory, 0, 0, SRCCOPY)); // reads as black
    EXPECT_EQ(window.pixels[0], 0u);
    EXPECT_EQ(window.pixels[3], 0xABCDEFu);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ old_brush = SelectObject(memory, brush);
    BitBlt(memory, 0, 0, 6, 4, nullptr, 0, 0, PATCOPY);
    SetPixel(memory, 5, 3, RGB(9, 8, 7)); // written over the whole-bitmap fill
    EXPECT_TRUE(BitBlt(window_dc, 0, 0, 6, 4, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(window.pixels[0], 0x010203u);
    EXPECT_EQ(window.pixels[22], 0x010203u);
    EXPECT_EQ(window.pixels[23], 0x090807u);
    SelectObject(memory, old_brush);
    SelectObject(memory, old);
    DeleteObject(brush);
    DeleteObject(bitmap);
    DeleteDC(memory);
    platform::release_window_dc(window_dc);
}

// Bitmaps keep undrawn rows as one colour behind the scenes; whatever the order of fills, pixels, partial and
// whole-row blocks and copies (also within one bitmap), every pixel must read as a plain array says.
TEST(BitBlt, RandomOperationsAgreeWithAPlainPixelArray) {
    const int w = 13, h = 11;
    std::srand(99);
    // A block's columns (or rows) from its start and size, a negative size keeping the start's own pixel.
    auto low = [](int start, int size) { return size < 0 ? start + size + 1 : start; };
    auto high = [](int start, int size) { return size < 0 ? start + 1 : start + size; };
    platform::pixel_buffer window{w, h, std::vector<std::uint32_t>(w * h, 0)};
    HDC window_dc = platform::create_window_dc(&window);
    canvas other(w, h);
    for (int round = 0; round < 40; ++round) {
        HDC dc = CreateCompatibleDC(window_dc);
        HBITMAP bitmap = CreateCompatibleBitmap(window_dc, w, h);
        HGDIOBJ old = SelectObject(dc, bitmap);
        std::vector<COLORREF> model(w * h, RGB(0, 0, 0));
        for (int step = 0; step < 12; ++step) {
            int x = std::rand() % (w + 4) - 2, y = std::rand() % (h + 4) - 2;
            int cw = std::rand() % (w + 2) - 1, ch = std::rand() % (h + 2) - 1;
            COLORREF color = RGB(std::rand() % 256, step, round);
            int kind = std::rand() % 6;
            auto paint = [&](int px, int py, COLORREF c) {
                if (px >= 0 && py >= 0 && px < w && py < h) {
                    model[py * w + px] = c;
                }
            };
            if (kind == 0 || kind == 1 || kind == 2) { // whole bitmap, whole rows, any block
                HBRUSH brush = CreateSolidBrush(color);
                selected keep(dc, brush);
                int bx = kind == 2 ? x : 0, bw = kind == 2 ? cw : w;
                int by = kind == 0 ? 0 : y, bh = kind == 0 ? h : ch;
                PatBlt(dc, bx, by, bw, bh, PATCOPY);
                for (int py = low(by, bh); py < high(by, bh); ++py) {
                    for (int px = low(bx, bw); px < high(bx, bw); ++px) {
                        paint(px, py, color);
                    }
                }
            } else if (kind == 3) {
                SetPixel(dc, x, y, color);
                paint(x, y, color);
            } else {
                // From another bitmap, or within this one (a shifted copy of itself).
                HDC source = kind == 4 ? other.dc : dc;
                SetPixel(other.dc, std::rand() % w, std::rand() % h, color);
                int sx = std::rand() % (w + 4) - 2, sy = std::rand() % (h + 4) - 2;
                if (std::rand() % 2) { // whole rows up or down
                    x = sx = 0;
                    cw = w;
                }
                std::vector<COLORREF> before = model;
                BitBlt(dc, x, y, cw, ch, source, sx, sy, SRCCOPY);
                for (int py = low(y, ch); py < high(y, ch); ++py) {
                    for (int px = low(x, cw); px < high(x, cw); ++px) {
                        int qx = px - x + sx, qy = py - y + sy;
                        if (qx >= 0 && qy >= 0 && qx < w && qy < h) {
                            paint(px, py, kind == 4 ? other.at(qx, qy) : before[qy * w + qx]);
                        }
                    }
                }
            }
            for (int py = 0; py < h; ++py) {
                for (int px = 0; px < w; ++px) {
                    ASSERT_EQ(GetPixel(dc, px, py), model[py * w + px])
                        << round << "/" << step << " kind " << kind;
                }
            }
        }
        BitBlt(window_dc, 0, 0, w, h, dc, 0, 0, SRCCOPY);
        for (int i = 0; i < w * h; ++i) {
            ASSERT_EQ(window.pixels[i], platform::pixel_from_colorref(model[i])) << round << " at " << i;
        }
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    platform::release_window_dc(window_dc);
}

#endif

} // namespace
