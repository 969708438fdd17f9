// One-pixel lines: the Windows pixel choice in every octant, the excluded end point, joins, clipping of lines
// whose ends lie anywhere in the 32-bit range, and the current position.
#include "gdi_test_support.h"

#include <climits>
#include <cstdlib>
#include <vector>

using namespace gdi_test;

namespace {

// An independent model: the textbook Bresenham loop with the per-octant bias of the Windows line rules
// (octants numbered counter-clockwise from +x with y down; ties step the minor axis in octants 3, 5, 6, 8).
pixel_set reference_line(int x0, int y0, int x1, int y1) {
    int dx = x1 - x0, dy = y1 - y0;
    int octant;
    if (dy > 0) {
        octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
    } else {
        octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
    }
    int bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
    bool x_major = std::abs(dx) > std::abs(dy);
    int major = x_major ? std::abs(dx) : std::abs(dy), minor = x_major ? std::abs(dy) : std::abs(dx);
    int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
    int err = 2 * minor - major;
    pixel_set out;
    int x = x0, y = y0;
    for (int i = 0; i < major; ++i) {
        out.insert({x, y});
        if (err + bias > 0) {
            (x_major ? y : x) += x_major ? sy : sx;
            err += 2 * minor - 2 * major;
        } else {
            err += 2 * minor;
        }
        (x_major ? x : y) += x_major ? sx : sy;
    }
    return out;
}

pixel_set inside(const pixel_set& pixels, int width, int height) {
    pixel_set out;
    for (auto [x, y] : pixels) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            out.insert({x, y});
        }
    }
    return out;
}

pixel_set drawn(canvas& c, std::vector<POINT> points, HPEN pen) {
    PatBlt(c.dc, 0, 0, c.width, c.height, WHITENESS);
    selected keep(c.dc, pen);
    EXPECT_TRUE(Polyline(c.dc, points.data(), static_cast<int>(points.size())));
    return c.pixels_of(RGB(0, 0, 0));
}

TEST(Lines, EveryDirectionMatchesTheWindowsRules) {
    canvas c(41, 41);
    for (int dx = -20; dx <= 20; ++dx) {
        for (int dy = -20; dy <= 20; ++dy) {
            EXPECT_EQ(drawn(c, {{20, 20}, {20 + dx, 20 + dy}}, CreatePen(PS_SOLID, 1, 0)),
                      reference_line(20, 20, 20 + dx, 20 + dy))
                << dx << "," << dy;
        }
    }
}

// Pixels as Wine draws them: ties between two pixels go to the smaller minor coordinate in every direction,
// so a line and its reverse share their middle pixels; the end point is left out.
TEST(Lines, HalfwayTiesAsWineDrawsThem) {
    struct row {
        POINT from, to;
        pixel_set pixels;
    };
    const row rows[] = {
        {{1, 1}, {5, 3}, {{1, 1}, {2, 1}, {3, 2}, {4, 2}}},
        {{5, 3}, {1, 1}, {{2, 1}, {3, 2}, {4, 2}, {5, 3}}},
        {{1, 1}, {3, 5}, {{1, 1}, {1, 2}, {2, 3}, {2, 4}}},
        {{3, 5}, {1, 1}, {{1, 2}, {2, 3}, {2, 4}, {3, 5}}},
        {{1, 5}, {5, 3}, {{1, 5}, {2, 4}, {3, 4}, {4, 3}}},
        {{5, 3}, {1, 5}, {{2, 4}, {3, 4}, {4, 3}, {5, 3}}},
        {{1, 5}, {3, 1}, {{1, 4}, {1, 5}, {2, 2}, {2, 3}}},
        {{3, 1}, {1, 5}, {{1, 4}, {2, 2}, {2, 3}, {3, 1}}},
    };
    canvas c(8, 8);
    for (const row& r : rows) {
        EXPECT_EQ(drawn(c, {r.from, r.to}, CreatePen(PS_SOLID, 0, 0)), r.pixels)
            << r.from.x << "," << r.from.y;
    }
}

TEST(Lines, PolylineJoinsAndGeometricEnds) {
    canvas c(8, 8);
    // A cosmetic pen leaves out only the last point; each join is drawn once, by the next segment.
    pixel_set cosmetic = drawn(c, {{1, 1}, {5, 3}, {5, 6}, {2, 6}}, CreatePen(PS_SOLID, 1, 0));
    EXPECT_EQ(cosmetic,
              (pixel_set{{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {5, 4}, {5, 5}, {5, 6}, {4, 6}, {3, 6}}));
    // The program's geometric pen (as Wine draws it) also covers the end of a slanted segment...
    EXPECT_EQ(drawn(c, {{1, 1}, {5, 3}}, geometric_pen(0)),
              (pixel_set{{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}}));
    // ...but not of horizontal or vertical ones, and a line of no length draws nothing.
    EXPECT_EQ(drawn(c, {{1, 1}, {4, 1}}, geometric_pen(0)), (pixel_set{{1, 1}, {2, 1}, {3, 1}}));
    EXPECT_EQ(drawn(c, {{1, 4}, {1, 1}}, geometric_pen(0)), (pixel_set{{1, 4}, {1, 3}, {1, 2}}));
    EXPECT_EQ(drawn(c, {{3, 3}, {3, 3}}, geometric_pen(0)), pixel_set{});
}

TEST(Lines, TooFewPointsOrNoPen) {
    canvas c(4, 4);
    POINT points[2] = {{0, 0}, {3, 3}};
    EXPECT_FALSE(Polyline(c.dc, points, 1));
    EXPECT_FALSE(Polyline(c.dc, points, 0));
    EXPECT_FALSE(Polyline(c.dc, points, -5));
    EXPECT_FALSE(Polyline(c.dc, nullptr, 2));
    // Pens that draw nothing: the stock null pen, and wide ones of style PS_NULL or with a hollow brush.
    LOGBRUSH black{BS_SOLID, 0, 0}, hollow{BS_NULL, 0, 0};
    for (HPEN pen : {static_cast<HPEN>(GetStockObject(NULL_PEN)),
                     ExtCreatePen(PS_GEOMETRIC | PS_NULL, 3, &black, 0, nullptr),
                     ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 3, &hollow, 0, nullptr)}) {
        EXPECT_EQ(drawn(c, {points[0], points[1]}, pen), pixel_set{});
    }
}

// Lines that start or end off the canvas give exactly the visible part of the whole line.
TEST(Lines, ClippedLinesKeepTheirPixels) {
    canvas c(30, 20);
    std::srand(12345);
    for (int i = 0; i < 300; ++i) {
        int x0 = std::rand() % 4001 - 2000, y0 = std::rand() % 4001 - 2000;
        int x1 = std::rand() % 61 - 15, y1 = std::rand() % 41 - 10;
        if (i % 2) {
            std::swap(x0, x1);
            std::swap(y0, y1);
        }
        EXPECT_EQ(drawn(c, {{x0, y0}, {x1, y1}}, CreatePen(PS_SOLID, 1, 0)),
                  inside(reference_line(x0, y0, x1, y1), c.width, c.height))
            << x0 << "," << y0 << " " << x1 << "," << y1;
    }
}

// At the ends of the 32-bit range there is no overflow and no walk over billions of pixels: a line's visible
// pixels depend only on its direction and the lattice points it passes through.
TEST(Lines, EndsAnywhereInTheIntRange) {
    canvas c(30, 20);
    const int big = 1 << 29;
    EXPECT_EQ(drawn(c, {{-3 * big, -big}, {3 * big, big}}, CreatePen(PS_SOLID, 1, 0)),
              inside(reference_line(-30, -10, 60, 20), c.width, c.height));
    EXPECT_EQ(drawn(c, {{INT_MIN, 7}, {INT_MAX, 7}}, CreatePen(PS_SOLID, 1, 0)).size(), 30u);
    EXPECT_EQ(drawn(c, {{4, INT_MAX}, {4, INT_MIN}}, CreatePen(PS_SOLID, 1, 0)).size(), 20u);
    pixel_set diagonal;
    for (int i = 0; i < 20; ++i) {
        diagonal.insert({i, i});
    }
    EXPECT_EQ(drawn(c, {{-big, -big}, {big, big}}, CreatePen(PS_SOLID, 1, 0)), diagonal);
    EXPECT_FALSE(drawn(c, {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}, {INT_MAX, INT_MIN}},
                       geometric_pen(0))
                     .empty());
    EXPECT_EQ(drawn(c, {{INT_MIN, INT_MIN}, {INT_MIN, INT_MAX}}, CreatePen(PS_SOLID, 1, 0)), pixel_set{});
    EXPECT_FALSE(drawn(c, {{INT_MAX, 0}, {INT_MIN, 1}, {INT_MAX, 2}}, CreatePen(PS_SOLID, 9, 0)).empty());
}

TEST(Lines, MoveToExAndLineToKeepTheCurrentPosition) {
    canvas c(8, 8);
    selected keep(c.dc, CreatePen(PS_SOLID, 1, 0));
    POINT previous{-1, -1};
    EXPECT_TRUE(MoveToEx(c.dc, 1, 1, &previous));
    EXPECT_EQ(previous.x, 0);
    EXPECT_EQ(previous.y, 0);
    EXPECT_TRUE(LineTo(c.dc, 4, 1));
    EXPECT_TRUE(LineTo(c.dc, 4, 4));
    EXPECT_TRUE(MoveToEx(c.dc, 0, 0, &previous));
    EXPECT_EQ(previous.x, 4);
    EXPECT_EQ(previous.y, 4);
    EXPECT_EQ(c.pixels_of(RGB(0, 0, 0)), (pixel_set{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {4, 3}}));
}

// Pixel centres within width / 2 of the segment (for even widths moved to pixel corners, 4.5, 14.5), by hand.
TEST(Lines, WidePensAreAboutAsThickAsTheirWidth) {
    for (auto [width, first] : {std::pair{2, 4}, std::pair{3, 4}, std::pair{5, 3}, std::pair{8, 1}}) {
        canvas c(30, 30);
        HPEN pen = CreatePen(PS_SOLID, width, RGB(0, 0, 0));
        pixel_set pixels = drawn(c, {{5, 15}, {25, 15}}, pen);
        int column = 0;
        for (auto [x, y] : pixels) {
            column += x == 15;
        }
        EXPECT_EQ(column, width);
        EXPECT_TRUE(pixels.count({first, 15}) && !pixels.count({first - 1, 15})) << width; // the round start
    }
}

} // namespace
