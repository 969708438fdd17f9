// Text: cells of the bitmap font, colours and background modes, clipping, and text extents.
#include "gdi_test_support.h"

#include <algorithm>
#include <climits>

using namespace gdi_test;

namespace {

// The cell at (x, y) as 16 rows of 8 characters: '#' text colour, '.' background, '?' anything else.
std::string cell(const canvas& c, int x, int y, COLORREF ink = RGB(0, 0, 0),
                 COLORREF paper = RGB(255, 255, 255)) {
    std::string out;
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 8; ++column) {
            COLORREF p = c.at(x + column, y + row);
            out += p == ink ? '#' : p == paper ? '.' : '?';
        }
    }
    return out;
}

std::string glyph(const char* text) {
    canvas c(8, 16);
    PatBlt(c.dc, 0, 0, 8, 16, BLACKNESS);
    EXPECT_TRUE(TextOutA(c.dc, 0, 0, text, 1));
    return cell(c, 0, 0);
}

TEST(Text, DefaultIsBlackOnAnOpaqueWhiteCell) {
    canvas c(40, 20);
    PatBlt(c.dc, 0, 0, 40, 20, BLACKNESS);
    EXPECT_TRUE(TextOutA(c.dc, 3, 2, "Hi", 2));
    std::string h = cell(c, 3, 2), i = cell(c, 11, 2);
    EXPECT_EQ(h.find('?'), std::string::npos);
    EXPECT_GT(std::count(h.begin(), h.end(), '#'), 10);
    EXPECT_GT(std::count(h.begin(), h.end(), '.'), 60); // the background of the cell is painted white
    EXPECT_NE(h, i);
    EXPECT_EQ(c.at(2, 2), RGB(0, 0, 0)); // nothing outside the two cells
    EXPECT_EQ(c.at(19, 2), RGB(0, 0, 0));
    EXPECT_EQ(c.at(3, 18), RGB(0, 0, 0));
    EXPECT_EQ(c.at(18, 17), RGB(255, 255, 255));
}

TEST(Text, GlyphsAreDistinctAndReadable) {
    EXPECT_EQ(glyph(" "), std::string(128, '.'));
    // 'l' is a vertical stroke: some column is set in many consecutive rows.
    std::string l = glyph("l");
    int longest = 0;
    for (int column = 0; column < 8; ++column) {
        int run = 0;
        for (int row = 0; row < 16; ++row) {
            run = l[row * 8 + column] == '#' ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    EXPECT_GE(longest, 7);
    // Every printable character has its own picture.
    std::set<std::string> seen;
    for (char ch = 0x21; ch < 0x7F; ++ch) {
        char text[2] = {ch, 0};
        EXPECT_TRUE(seen.insert(glyph(text)).second) << ch;
    }
    // Characters outside printable ASCII share one visible fallback glyph.
    std::string fallback = glyph("\x01");
    EXPECT_EQ(glyph("\x7F"), fallback);
    EXPECT_EQ(glyph("\xE9"), fallback);
    EXPECT_EQ(glyph("\n"), fallback);
    EXPECT_EQ(seen.count(fallback), 0u);
    EXPECT_NE(fallback, glyph(" "));
}

TEST(Text, ColoursAndTransparentMode) {
    canvas c(8, 16); // opaque text paints the whole cell
    std::string a = glyph("A");
    EXPECT_EQ(SetTextColor(c.dc, RGB(10, 20, 30)), RGB(0, 0, 0));
    EXPECT_EQ(SetBkColor(c.dc, RGB(40, 50, 60)), RGB(255, 255, 255));
    TextOutA(c.dc, 0, 0, "A", 1);
    EXPECT_EQ(cell(c, 0, 0, RGB(10, 20, 30), RGB(40, 50, 60)), a);
    EXPECT_EQ(SetBkMode(c.dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(c.dc, 7), 0); // not a mode: nothing changes
    PatBlt(c.dc, 0, 0, 8, 16, BLACKNESS);
    TextOutA(c.dc, 0, 0, "A", 1);
    EXPECT_EQ(cell(c, 0, 0, RGB(10, 20, 30), RGB(0, 0, 0)), a); // the background shows through
    EXPECT_EQ(SetBkMode(c.dc, OPAQUE), TRANSPARENT);
}

TEST(Text, ClippedAtEveryEdge) {
    canvas reference(24, 16);
    TextOutA(reference.dc, 0, 0, "abc", 3);
    canvas c(24, 16);
    // Shifted left and up by part of a cell: the visible rest is the same picture, moved.
    EXPECT_TRUE(TextOutA(c.dc, -5, -3, "abc", 3));
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 19; ++x) {
            EXPECT_EQ(c.at(x, y), reference.at(x + 5, y + 3)) << x << "," << y;
        }
    }
    for (auto [x, y] : {std::pair{INT_MIN, 0}, std::pair{INT_MAX, 0}, std::pair{0, INT_MIN},
                        std::pair{0, INT_MAX}, std::pair{INT_MAX - 7, INT_MAX - 15}, std::pair{-8 * 3, 0}}) {
        PatBlt(c.dc, 0, 0, 24, 16, BLACKNESS);
        EXPECT_TRUE(TextOutA(c.dc, x, y, "abc", 3));
        EXPECT_EQ(c.pixels_of(RGB(0, 0, 0)).size(), 24u * 16u) << x << "," << y;
    }
    EXPECT_TRUE(TextOutA(c.dc, 0, 0, "", 0));
    EXPECT_TRUE(TextOutA(c.dc, 0, 0, nullptr, 0));
    EXPECT_TRUE(TextOutA(c.dc, 0, 0, nullptr, 2)); // no characters to draw
    EXPECT_FALSE(TextOutA(c.dc, 0, 0, "abc", -1));
}

TEST(Text, ExtentIsEightByLengthTimesSixteen) {
    canvas c(1, 1);
    SIZE size{};
    struct row {
        const char* text;
        int length;
        BOOL ok;
        LONG cx;
    };
    for (row r : {row{"", 0, TRUE, 0}, row{"X 12", 4, TRUE, 32}, row{"Y -480", 6, TRUE, 48},
                  row{"abc", -1, FALSE, 0}, row{nullptr, 3, FALSE, 0}}) {
        size = SIZE{-1, -1};
        EXPECT_EQ(GetTextExtentPoint32A(c.dc, r.text, r.length, &size), r.ok) << r.length;
        if (r.ok) {
            EXPECT_EQ(size.cx, r.cx);
            EXPECT_EQ(size.cy, r.length > 0 ? 16 : 0);
        }
    }
    EXPECT_FALSE(GetTextExtentPoint32A(c.dc, "abc", 3, nullptr));
    EXPECT_FALSE(GetTextExtentPoint32A(c.dc, "abc", INT_MAX, &size)); // no LONG holds its width
}

} // namespace
