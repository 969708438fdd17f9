// Ellipses and rectangles: which pixels the outline and the fill cover, for every kind of bounding box.
#include "gdi_test_support.h"

#include <climits>

using namespace gdi_test;

namespace {

// Draws with a black pen and a grey brush (either may be null) and returns the top-left of the canvas.
std::string figure(canvas& c, bool ellipse, RECT box, bool pen = true, bool brush = true, int rows = -1) {
    PatBlt(c.dc, 0, 0, c.width, c.height, WHITENESS);
    selected p(c.dc, pen ? CreatePen(PS_SOLID, 1, 0) : GetStockObject(NULL_PEN), pen);
    selected b(c.dc, brush ? CreateSolidBrush(RGB(128, 128, 128)) : GetStockObject(NULL_BRUSH), brush);
    EXPECT_TRUE(ellipse ? Ellipse(c.dc, box.left, box.top, box.right, box.bottom)
                        : Rectangle(c.dc, box.left, box.top, box.right, box.bottom));
    std::string all = c.picture();
    return rows < 0 ? all : all.substr(0, static_cast<std::size_t>(rows * (c.width + 1)));
}

// Shapes as Wine draws them, from the same bounding boxes: the right and bottom edges are outside.
TEST(Ellipse, PixelsAsWineDrawsThem) {
    struct row {
        RECT box;
        bool pen, brush;
        const char* picture;
    };
    const row rows[] = {
        {{0, 0, 10, 10},
         true,
         true,
         "...####.....\n..#oooo#....\n.#oooooo#...\n#oooooooo#..\n#oooooooo#..\n"
         "#oooooooo#..\n#oooooooo#..\n.#oooooo#...\n..#oooo#....\n...####.....\n"},
        {{0, 0, 9, 9},
         true,
         true,
         "...###......\n.##ooo##....\n.#ooooo#....\n#ooooooo#...\n#ooooooo#...\n"
         "#ooooooo#...\n.#ooooo#....\n.##ooo##....\n...###......\n............\n"},
        {{0, 0, 7, 5}, true, true, "..###.......\n##ooo##.....\n#ooooo#.....\n##ooo##.....\n..###.......\n"},
        {{0, 0, 7, 5}, false, true, "..ooo.......\nooooooo.....\nooooooo.....\nooooooo.....\n..ooo.......\n"},
        {{0, 0, 7, 5}, true, false, "..###.......\n##...##.....\n#.....#.....\n##...##.....\n..###.......\n"},
        {{7, 5, 0, 0}, true, true, "..###.......\n##ooo##.....\n#ooooo#.....\n##ooo##.....\n..###.......\n"},
    };
    canvas c(12, 12);
    for (const row& r : rows) {
        int lines = 0;
        for (const char* p = r.picture; *p; ++p) {
            lines += *p == '\n';
        }
        EXPECT_EQ(figure(c, true, r.box, r.pen, r.brush, lines), r.picture);
    }
}

TEST(Ellipse, TallNarrowEllipseAsWineDrawsIt) {
    canvas c(6, 15);
    EXPECT_EQ(figure(c, true, {0, 0, 5, 14}, true, true, 14),
              "..#...\n.#o#..\n.#o#..\n#ooo#.\n#ooo#.\n#ooo#.\n#ooo#.\n#ooo#.\n#ooo#.\n#ooo#.\n#ooo#.\n"
              ".#o#..\n.#o#..\n..#...\n");
}

TEST(Ellipse, StaysInsideItsBoxAndIsSymmetric) {
    canvas c(40, 40);
    for (int w = 3; w <= 36; w += 3) {
        for (int h = 3; h <= 36; h += 5) {
            std::string picture = figure(c, true, {2, 2, 2 + w, 2 + h});
            for (int y = 0; y < 40; ++y) {
                for (int x = 0; x < 40; ++x) {
                    char p = picture[y * 41 + x];
                    bool in_box = x >= 2 && x < 2 + w && y >= 2 && y < 2 + h;
                    ASSERT_TRUE(in_box || p == '.') << w << "x" << h << " at " << x << "," << y;
                    if (in_box) {
                        EXPECT_EQ(p, picture[y * 41 + (3 + w - x)]) << w << "x" << h; // left-right mirror
                        EXPECT_EQ(p, picture[(3 + h - y) * 41 + x]) << w << "x" << h; // top-bottom mirror
                    }
                }
            }
            // The outline touches all four sides of the box (but, as Wine draws them, narrow ellipses much
            // taller than wide stop short of their top and bottom rows).
            EXPECT_EQ(picture[(2 + h / 2) * 41 + 2], '#');
            EXPECT_EQ(picture[(2 + h / 2) * 41 + 1 + w], '#');
            if (w >= 9) {
                EXPECT_EQ(picture[2 * 41 + 2 + w / 2], '#');
                EXPECT_EQ(picture[(1 + h) * 41 + 2 + w / 2], '#');
            }
        }
    }
}

TEST(Ellipse, ThinOrEmptyBoxes) {
    canvas c(6, 6);
    const std::string blank = std::string(6, '.') + "\n";
    EXPECT_EQ(figure(c, true, {1, 1, 1, 5}), blank + blank + blank + blank + blank + blank);
    EXPECT_EQ(figure(c, true, {1, 1, 5, 1}), blank + blank + blank + blank + blank + blank);
    // Two pixels or less across: the ellipse is its rectangle.
    EXPECT_EQ(figure(c, true, {1, 1, 3, 5}, true, true, 6),
              blank + ".##...\n.##...\n.##...\n.##...\n" + blank);
    EXPECT_EQ(figure(c, true, {1, 1, 2, 2}), blank + blank + blank + blank + blank + blank); // no length
}

TEST(Ellipse, HugeBoxesAreClippedNotWalked) {
    canvas c(20, 20);
    // The canvas lies deep inside: all brush.
    figure(c, true, {INT_MIN, INT_MIN, INT_MAX, INT_MAX});
    EXPECT_EQ(c.pixels_of(RGB(128, 128, 128)).size(), 400u);
    figure(c, true, {INT_MAX, INT_MAX, INT_MIN, INT_MIN}, false, true);
    EXPECT_EQ(c.pixels_of(RGB(128, 128, 128)).size(), 400u);
    // An edge of a huge ellipse crossing the canvas: a thin outline with brush on its inner side only.
    figure(c, true, {-200000, 10, 200010, 400010});
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(c.at(x, 9), RGB(255, 255, 255)) << x;
        EXPECT_EQ(c.at(x, 10), RGB(0, 0, 0)) << x;
        EXPECT_EQ(c.at(x, 19), RGB(128, 128, 128)) << x;
    }
    // A huge one's middle row, its box from column 3: the outline touches column 3 and goes no further.
    EXPECT_EQ(figure(c, true, {3, -35000, 70004, 35001}, true, true, 1), "...#oooooooooooooooo\n");
    figure(c, true, {-(1 << 30), 5, 1 << 30, 6 + (1 << 30)}, true, false);
    EXPECT_EQ(c.pixels_of(RGB(0, 0, 0)).size(), 20u);
    EXPECT_TRUE(Ellipse(c.dc, INT_MIN, 0, INT_MIN + 3, INT_MAX));
}

TEST(Rectangle, OutlineFillAndTheNullPenRule) {
    canvas c(7, 6);
    EXPECT_EQ(figure(c, false, {1, 1, 6, 5}), ".......\n.#####.\n.#ooo#.\n.#ooo#.\n.#####.\n.......\n");
    EXPECT_EQ(figure(c, false, {6, 5, 1, 1}, true, false),
              ".......\n.#####.\n.#...#.\n.#...#.\n.#####.\n.......\n");
    // Without an outline the fill stops one pixel short on the right and at the bottom.
    EXPECT_EQ(figure(c, false, {1, 1, 6, 5}, false, true),
              ".......\n.oooo..\n.oooo..\n.oooo..\n.......\n.......\n");
    EXPECT_EQ(figure(c, false, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, true, true),
              "ooooooo\nooooooo\nooooooo\nooooooo\nooooooo\nooooooo\n");
    EXPECT_EQ(figure(c, false, {3, 3, 3, 3}), figure(c, false, {3, 3, 4, 4}));
}

TEST(Figures, WidePenOutlinesAreThick) {
    canvas c(40, 40);
    selected p(c.dc, CreatePen(PS_SOLID, 5, 0));
    selected b(c.dc, CreateSolidBrush(RGB(128, 128, 128)));
    PatBlt(c.dc, 0, 0, 40, 40, WHITENESS);
    EXPECT_TRUE(Ellipse(c.dc, 5, 5, 35, 35));
    int dark = 0; // a middle row crosses the five-pixel outline twice, on the left and on the right
    for (int x = 0; x < 40; ++x) {
        dark += c.at(x, 20) == RGB(0, 0, 0);
    }
    EXPECT_EQ(dark, 10);
    EXPECT_EQ(c.at(20, 20), RGB(128, 128, 128));
    EXPECT_TRUE(Rectangle(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
}

} // namespace
