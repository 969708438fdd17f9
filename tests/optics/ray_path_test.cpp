// The bounce loop: the built-in walls, rays that miss, perpendicular hits, the 22-point cap inside a closed
// polygon, and the conversion of the path's coordinates to pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "optics/ray_path.h"

namespace {

// The walls that the program shows at start-up.
const wall_list built_in_walls = {{294, 129}, {382, 50}, {526, 99}, {563, 239}, {450, 327}, {303, 254}};

struct path_case {
    const char* name;
    wall_list walls;
    POINT launch;
    POINT cursor;
    std::vector<POINT> path;
};

const path_case path_cases[] = {
    // Right after a click the cursor is on the launch point and the ray runs down the window.
    {"built_in_walls_cursor_on_launch",
     built_in_walls,
     {420, 180},
     {420, 180},
     {{420, 180}, {420, 312}, {555, 209}, {386, 187}}},
    {"no_walls", {}, {10, 20}, {30, 40}, {{10, 20}, {30, 40}}},
    {"single_vertex", {{5, 5}}, {10, 20}, {30, 40}, {{10, 20}, {30, 40}}},
    {"misses_every_wall", built_in_walls, {100, 400}, {50, 450}, {{100, 400}, {50, 450}}},
    // Nothing below the launch point: the launch point twice, only the marker shows.
    {"cursor_on_launch_nothing_below", built_in_walls, {420, 400}, {420, 400}, {{420, 400}, {420, 400}}},
    // After a reflection the last segment is as long as the one before it.
    {"one_reflection", {{0, 50}, {100, 50}}, {20, 0}, {30, 10}, {{20, 0}, {70, 50}, {120, 0}}},
    // A vertical ray on a horizontal wall comes straight back to where it started.
    {"straight_back", {{0, 100}, {200, 100}}, {50, 50}, {50, 60}, {{50, 50}, {50, 100}, {50, 50}}},
    // A ray that starts on a vertical wall's line and leaves it to the right meets that wall at once; it has
    // no
    // direction to mirror and is sent back to where it started.
    {"origin_on_vertical_wall",
     {{100, 0}, {100, 200}},
     {100, 50},
     {200, 60},
     {{100, 50}, {100, 50}, {100, 50}}},
    // Between two parallel walls a perpendicular ray bounces until the path is full.
    {"bounces_to_the_cap",
     {{0, 0}, {100, 0}, {100, 100}, {0, 100}},
     {50, 50},
     {50, 60},
     {{50, 50}, {50, 100}, {50, 0}, {50, 100}, {50, 0}, {50, 100}, {50, 0}, {50, 100},
      {50, 0},  {50, 100}, {50, 0}, {50, 100}, {50, 0}, {50, 100}, {50, 0}, {50, 100},
      {50, 0},  {50, 100}, {50, 0}, {50, 100}, {50, 0}, {50, 100}}},
};

class path_table : public testing::TestWithParam<path_case> {};

TEST_P(path_table, traces_the_path) {
    const path_case& t = GetParam();
    const std::vector<POINT> path = trace_ray_path(t.walls, t.launch, t.cursor);
    ASSERT_EQ(path.size(), t.path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        EXPECT_EQ(path[i].x, t.path[i].x) << "point " << i;
        EXPECT_EQ(path[i].y, t.path[i].y) << "point " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(cases, path_table, testing::ValuesIn(path_cases),
                         [](const testing::TestParamInfo<path_case>& info) { return info.param.name; });

// A closed polygon (last vertex on the first) keeps the ray inside: 21 reflections, then the path is full.
// Every hit lies on the boundary, within the polygon's box.
TEST(ray_path, closed_polygon_fills_the_path) {
    const wall_list polygons[] = {
        {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}},
        {{200, 50}, {350, 120}, {300, 300}, {120, 260}, {90, 110}, {200, 50}},
    };
    for (const wall_list& walls : polygons) {
        LONG min_x = walls[0].x, max_x = walls[0].x, min_y = walls[0].y, max_y = walls[0].y;
        for (const POINT& p : walls) {
            min_x = std::min(min_x, p.x);
            max_x = std::max(max_x, p.x);
            min_y = std::min(min_y, p.y);
            max_y = std::max(max_y, p.y);
        }
        const POINT launch{(min_x + max_x) / 2 + 3, (min_y + max_y) / 2 - 2};
        const std::vector<POINT> path = trace_ray_path(walls, launch, POINT{launch.x + 7, launch.y + 3});
        ASSERT_EQ(path.size(), static_cast<std::size_t>(max_path_points));
        for (const POINT& p : path) {
            EXPECT_GE(p.x, min_x);
            EXPECT_LE(p.x, max_x);
            EXPECT_GE(p.y, min_y);
            EXPECT_LE(p.y, max_y);
        }
    }
}

// A perpendicular hit on a slanted wall returns to the origin up to rounding, which truncation may turn into
// the neighbouring pixel.
TEST(ray_path, perpendicular_on_slanted_wall) {
    const std::vector<POINT> path = trace_ray_path({{0, 0}, {100, 100}}, {80, 20}, {70, 30});
    ASSERT_EQ(path.size(), 3u);
    EXPECT_EQ(path[1].x, 50);
    EXPECT_EQ(path[1].y, 50);
    EXPECT_LE(std::abs(path[2].x - 80), 1);
    EXPECT_LE(std::abs(path[2].y - 20), 1);
}

// The walls and the launch point at the ends of the 32-bit range: whatever the geometry gives, the path is
// complete and every coordinate a valid integer (the sanitizer build checks the conversions).
TEST(ray_path, extreme_coordinates) {
    const LONG lo = std::numeric_limits<std::int32_t>::min();
    const LONG hi = std::numeric_limits<std::int32_t>::max();
    const wall_list walls = {{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}, {lo, lo}, {hi, hi}, {0, hi}, {lo, 0}};
    const POINT points[] = {{lo, lo}, {hi, hi}, {0, 0}, {lo, hi}, {hi, lo}, {1, -1}};
    for (const POINT& launch : points) {
        for (const POINT& cursor : points) {
            const std::vector<POINT> path = trace_ray_path(walls, launch, cursor);
            ASSERT_GE(path.size(), 2u);
            ASSERT_LE(path.size(), static_cast<std::size_t>(max_path_points));
            EXPECT_EQ(path[0].x, launch.x);
            EXPECT_EQ(path[0].y, launch.y);
        }
    }
}

struct conversion_case {
    double value;
    LONG expected;
};

const double inf = std::numeric_limits<double>::infinity();
const LONG long_max = std::numeric_limits<std::int32_t>::max();
const LONG long_min = std::numeric_limits<std::int32_t>::min();

// Truncation toward zero inside the range, saturation outside it, 0 for what is not a number.
const conversion_case conversion_cases[] = {
    {0.0, 0},
    {-0.0, 0},
    {0.5, 0},
    {-0.5, 0},
    {1.9, 1},
    {-1.9, -1},
    {312.99999, 312},
    {2147483647.0, long_max},
    {2147483647.9, long_max},
    {2147483648.0, long_max},
    {1e300, long_max},
    {inf, long_max},
    {-2147483648.0, long_min},
    {-2147483648.9, long_min},
    {-2147483649.0, long_min},
    {-1e300, long_min},
    {-inf, long_min},
    {std::numeric_limits<double>::quiet_NaN(), 0},
    {-std::numeric_limits<double>::quiet_NaN(), 0},
};

class conversion_table : public testing::TestWithParam<conversion_case> {};

TEST_P(conversion_table, truncates_and_saturates) {
    const conversion_case& t = GetParam();
    EXPECT_EQ(real_to_coordinate(t.value), t.expected);
    const POINT p = real_to_point(real_point{t.value, -t.value});
    EXPECT_EQ(p.x, t.expected);
    EXPECT_EQ(p.y, real_to_coordinate(-t.value));
}

INSTANTIATE_TEST_SUITE_P(cases, conversion_table, testing::ValuesIn(conversion_cases));

} // namespace
