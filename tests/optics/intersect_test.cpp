// Whether and where a ray meets one wall: the half-open wall interval, the ahead test, the vertical and
// parallel cases, and which outputs are written.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "optics/geometry.h"

namespace {

const double inf = std::numeric_limits<double>::infinity();

struct intersect_case {
    const char* name;
    real_point a, b, c, d;
    bool crossed;        // a crossing point exists
    real_point expected; // the crossing, when it exists
    bool hit;
};

const intersect_case intersect_cases[] = {
    // The crossing with a horizontal wall lies behind a ray going up, ahead of one going down.
    {"behind_origin", {0, 0}, {10, 0}, {5, 5}, {5, 6}, true, {5, 0}, false},
    {"ahead_of_origin", {0, 0}, {10, 0}, {5, 5}, {5, 4}, true, {5, 0}, true},
    // Only the wall's end with the larger coordinate belongs to it, whichever end is named first.
    {"smaller_end_excluded", {0, 0}, {10, 0}, {-5, 5}, {5, -5}, true, {0, 0}, false},
    {"larger_end_included", {-10, 0}, {0, 0}, {-5, 5}, {5, -5}, true, {0, 0}, true},
    {"larger_end_named_first", {10, 0}, {0, 0}, {10, 5}, {10, 4}, true, {10, 0}, true},
    {"smaller_end_named_second", {10, 0}, {0, 0}, {0, 5}, {0, 4}, true, {0, 0}, false},
    {"beyond_wall", {0, 0}, {10, 0}, {20, 5}, {20, 4}, true, {20, 0}, false},
    // Equal slopes never cross: parallel lines and a ray along the wall's own line.
    {"parallel", {0, 0}, {10, 10}, {0, 1}, {5, 6}, false, {0, 0}, false},
    {"collinear", {0, 0}, {10, 0}, {-5, 0}, {5, 0}, false, {0, 0}, false},
    {"both_vertical", {0, 0}, {0, 10}, {0, -5}, {0, 5}, false, {0, 0}, false},
    // A zero-length wall counts as vertical and its one point is its own smaller end.
    {"zero_length_wall", {3, 3}, {3, 3}, {0, 0}, {6, 6}, true, {3, 3}, false},
    {"zero_length_wall_vertical_ray", {3, 3}, {3, 3}, {3, 0}, {3, 6}, false, {0, 0}, false},
    // A ray that never left its origin runs down the screen (toward increasing y).
    {"still_ray_down", {0, 10}, {10, 10}, {5, 5}, {5, 5}, true, {5, 10}, true},
    {"still_ray_not_up", {0, 0}, {10, 0}, {5, 5}, {5, 5}, true, {5, 0}, false},
    {"still_ray_vertical_wall", {5, 0}, {5, 10}, {5, 5}, {5, 5}, false, {0, 0}, false},
    // The origin itself counts as ahead only for a ray running toward increasing coordinate.
    {"origin_on_wall_going_down", {0, 0}, {10, 0}, {5, 0}, {5, 5}, true, {5, 0}, true},
    {"origin_on_wall_going_up", {0, 0}, {10, 0}, {5, 0}, {5, -5}, true, {5, 0}, false},
    {"origin_on_vertical_wall_going_right", {0, -10}, {0, 10}, {0, 0}, {10, 1}, true, {0, 0}, true},
    {"origin_on_vertical_wall_going_left", {0, -10}, {0, 10}, {0, 0}, {-10, 1}, true, {0, 0}, false},
    // D is no end of the ray: a crossing far beyond it is still ahead.
    {"beyond_second_point", {0, 100}, {10, 100}, {5, 0}, {5, 1}, true, {5, 100}, true},
    // A 45-degree wall is judged on y: of wall (0,10)-(10,0) the end (0,10) belongs, (10,0) does not,
    // where a test on x would say the opposite.
    {"diagonal_wall_larger_y_end", {0, 10}, {10, 0}, {0, 20}, {0, 19}, true, {0, 10}, true},
    {"diagonal_wall_smaller_y_end", {0, 10}, {10, 0}, {10, -5}, {10, 5}, true, {10, 0}, false},
    // A steep wall is judged on y as well.
    {"steep_wall_smaller_y_end", {1, 0}, {0, 10}, {-5, 0}, {5, 0}, true, {1, 0}, false},
    {"flat_wall_larger_x_end", {0, 1}, {10, 0}, {10, -5}, {10, 5}, true, {10, 0}, true},
    // A 45-degree ray is judged on y: going up from the wall it does not see its own origin.
    {"diagonal_ray_leaving_upward", {0, 0}, {10, 0}, {5, 0}, {10, -5}, true, {5, 0}, false},
    {"diagonal_ray_leaving_downward", {0, 0}, {10, 0}, {5, 0}, {0, 5}, true, {5, 0}, true},
    // General slanted lines.
    {"slanted", {0, 0}, {10, 5}, {0, 10}, {1, 9}, true, {20.0 / 3.0, 10.0 / 3.0}, true},
    // A second point at infinity still gives a direction when only one coordinate is infinite.
    {"through_at_infinity_down", {0, 0}, {10, 0}, {5, -5}, {5, inf}, true, {5, 0}, true},
    {"through_at_infinity_up", {0, 0}, {10, 0}, {5, -5}, {5, -inf}, true, {5, 0}, false},
};

class intersect_table : public testing::TestWithParam<intersect_case> {};

TEST_P(intersect_table, crossing_hit_and_no_crossing) {
    const intersect_case& t = GetParam();
    const real_point untouched{-777, -777};
    real_point crossing = untouched;
    bool hit = !t.hit;
    bool no_crossing = t.crossed;
    intersect_wall_ray(t.a, t.b, t.c, t.d, &crossing, &hit, &no_crossing);

    EXPECT_EQ(hit, t.hit);
    EXPECT_EQ(no_crossing, !t.crossed);
    if (t.crossed) {
        EXPECT_NEAR(crossing.x, t.expected.x, 1e-9);
        EXPECT_NEAR(crossing.y, t.expected.y, 1e-9);
    } else {
        // Without a crossing the caller's point keeps its contents.
        EXPECT_EQ(crossing.x, untouched.x);
        EXPECT_EQ(crossing.y, untouched.y);
    }
}

INSTANTIATE_TEST_SUITE_P(cases, intersect_table, testing::ValuesIn(intersect_cases),
                         [](const testing::TestParamInfo<intersect_case>& info) { return info.param.name; });

// Swapping the wall's ends changes nothing: the same crossing, the same verdict.
TEST(intersect, wall_direction_does_not_matter) {
    for (const intersect_case& t : intersect_cases) {
        real_point forward{0, 0};
        real_point backward{0, 0};
        bool hit_forward = false;
        bool hit_backward = true;
        intersect_wall_ray(t.a, t.b, t.c, t.d, &forward, &hit_forward, nullptr);
        intersect_wall_ray(t.b, t.a, t.c, t.d, &backward, &hit_backward, nullptr);
        EXPECT_EQ(hit_forward, hit_backward) << t.name;
        if (t.crossed) {
            EXPECT_NEAR(forward.x, backward.x, 1e-9) << t.name;
            EXPECT_NEAR(forward.y, backward.y, 1e-9) << t.name;
        }
    }
}

TEST(intersect, null_outputs_are_skipped) {
    const real_point a{0, 0}, b{10, 0}, c{5, 5}, d{5, 4};
    intersect_wall_ray(a, b, c, d, nullptr, nullptr, nullptr);

    bool hit = false;
    intersect_wall_ray(a, b, c, d, nullptr, &hit, nullptr);
    EXPECT_TRUE(hit);

    real_point crossing{0, 0};
    intersect_wall_ray(a, b, c, d, &crossing, nullptr, nullptr);
    EXPECT_EQ(crossing.x, 5.0);
    EXPECT_EQ(crossing.y, 0.0);

    bool no_crossing = true;
    intersect_wall_ray(a, b, c, d, nullptr, nullptr, &no_crossing);
    EXPECT_FALSE(no_crossing);
}

// A second point at infinity in both coordinates leaves the ray without a slope; the crossing it produces is
// not a number and must not count as a point on the wall.
TEST(intersect, crossing_that_is_not_a_number_is_no_hit) {
    const real_point far_points[] = {{inf, inf}, {-inf, inf}, {inf, -inf}, {-inf, -inf}};
    for (const real_point& far : far_points) {
        bool hit = true;
        intersect_wall_ray({0, 0}, {10, 0}, {5, 5}, far, nullptr, &hit, nullptr);
        EXPECT_FALSE(hit);
        intersect_wall_ray({0, 0}, {10, 10}, {5, 0}, far, nullptr, &hit, nullptr);
        EXPECT_FALSE(hit);
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    bool hit = true;
    intersect_wall_ray({0, 0}, {10, 10}, {5, 0}, {nan, nan}, nullptr, &hit, nullptr);
    EXPECT_FALSE(hit);
}

} // namespace
