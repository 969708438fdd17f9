// The mirror point of the reflected ray: checked against the plain vector form of the mirror law, and the
// special cases of vertical rays and walls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "optics/geometry.h"

namespace {

// Independent of the slope formulas: mirror r in the line through h perpendicular to the wall, that is, flip
// the component of (r - h) along the wall.
real_point mirror_in_normal(real_point p1, real_point p2, real_point r, real_point h) {
    const double length = std::sqrt((p2.x - p1.x) * (p2.x - p1.x) + (p2.y - p1.y) * (p2.y - p1.y));
    const double tx = (p2.x - p1.x) / length;
    const double ty = (p2.y - p1.y) / length;
    const double dx = r.x - h.x;
    const double dy = r.y - h.y;
    const double along = dx * tx + dy * ty;
    return real_point{h.x + dx - 2 * along * tx, h.y + dy - 2 * along * ty};
}

struct reflect_case {
    const char* name;
    real_point p1, p2, r, h;
};

// Each hit point lies on its wall.
const reflect_case reflect_cases[] = {
    {"horizontal_wall", {0, 0}, {10, 0}, {2, 4}, {4, 0}},
    {"horizontal_wall_from_below", {0, 0}, {10, 0}, {7, -3}, {4, 0}},
    {"vertical_wall", {0, 0}, {0, 10}, {4, 2}, {0, 4}},
    {"vertical_wall_from_left", {0, 0}, {0, 10}, {-3, 1}, {0, 7}},
    {"slanted_wall", {0, 0}, {10, 5}, {0, 6}, {4, 2}},
    {"steep_wall", {0, 0}, {2, 10}, {-5, 3}, {1, 5}},
    {"falling_wall", {0, 10}, {10, 0}, {1, 1}, {6, 4}},
    {"vertical_ray_on_diagonal", {0, 0}, {10, 10}, {5, 0}, {5, 5}},
    {"vertical_ray_on_slanted_from_below", {0, 0}, {10, 5}, {4, 9}, {4, 2}},
    {"perpendicular_on_diagonal", {0, 0}, {10, 10}, {8, 2}, {5, 5}},
    {"perpendicular_on_slanted", {0, 0}, {10, 5}, {3, 6.5}, {5, 2.5}},
    {"perpendicular_on_vertical", {0, 0}, {0, 10}, {7, 5}, {0, 5}},
    {"screen_sized", {303, 254}, {450, 327}, {420, 180}, {420, 254 + 117.0 * 73.0 / 147.0}},
};

class reflect_table : public testing::TestWithParam<reflect_case> {};

TEST_P(reflect_table, matches_the_mirror_law) {
    const reflect_case& t = GetParam();
    const real_point expected = mirror_in_normal(t.p1, t.p2, t.r, t.h);
    real_point next{-777, -777};
    reflect_ray(t.p1, t.p2, t.r, t.h, &next);
    EXPECT_NEAR(next.x, expected.x, 1e-9);
    EXPECT_NEAR(next.y, expected.y, 1e-9);

    // Only the wall's direction matters, not which end is named first: the slope is the same double either
    // way.
    real_point swapped{-777, -777};
    reflect_ray(t.p2, t.p1, t.r, t.h, &swapped);
    EXPECT_EQ(swapped.x, next.x);
    EXPECT_EQ(swapped.y, next.y);
}

INSTANTIATE_TEST_SUITE_P(cases, reflect_table, testing::ValuesIn(reflect_cases),
                         [](const testing::TestParamInfo<reflect_case>& info) { return info.param.name; });

struct straight_back_case {
    const char* name;
    real_point p1, p2, r, h;
};

// These send the ray back to its origin exactly, with no rounding.
const straight_back_case straight_back_cases[] = {
    {"vertical_ray_on_horizontal_wall", {0, 0}, {10, 0}, {5, 5}, {5, 0}},
    {"vertical_ray_from_below", {0, 0}, {10, 0}, {5, -5}, {5, 0}},
    {"hit_at_origin_on_horizontal_wall", {0, 0}, {10, 0}, {5, 0}, {5, 0}},
    // The origin on a vertical wall's own line: no incoming direction to mirror.
    {"hit_at_origin_on_vertical_wall", {0, 0}, {0, 10}, {0, 5}, {0, 5}},
    {"hit_near_origin_on_vertical_wall", {0, 0}, {0, 10}, {0, 5}, {0, 5.000000000000001}},
    {"zero_length_wall", {3, 3}, {3, 3}, {3, 0}, {3, 3}},
};

class straight_back_table : public testing::TestWithParam<straight_back_case> {};

TEST_P(straight_back_table, next_is_the_origin) {
    const straight_back_case& t = GetParam();
    real_point next{-777, -777};
    reflect_ray(t.p1, t.p2, t.r, t.h, &next);
    EXPECT_EQ(next.x, t.r.x);
    EXPECT_EQ(next.y, t.r.y);
}

INSTANTIATE_TEST_SUITE_P(cases, straight_back_table, testing::ValuesIn(straight_back_cases),
                         [](const testing::TestParamInfo<straight_back_case>& info) {
                             return info.param.name;
                         });

// A hit at the origin on a slanted wall goes through the vertical-ray formula and lands back on the origin up
// to rounding.
TEST(reflect, hit_at_origin_on_slanted_wall) {
    real_point next{-777, -777};
    reflect_ray({0, 0}, {10, 5}, {4, 2}, {4, 2}, &next);
    EXPECT_NEAR(next.x, 4, 1e-9);
    EXPECT_NEAR(next.y, 2, 1e-9);
}

TEST(reflect, null_output_is_skipped) {
    EXPECT_EXIT((reflect_ray({0, 0}, {10, 0}, {2, 4}, {4, 0}, nullptr),
                 reflect_ray({0, 0}, {0, 10}, {0, 5}, {0, 5}, nullptr), std::exit(0)),
                testing::ExitedWithCode(0), "");
}

} // namespace
