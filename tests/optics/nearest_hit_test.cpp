// Which wall of a polyline the ray meets first: nearest distance, hits behind the origin, ties at shared
// vertices, the skipped wall, and outputs written only when a wall was hit.
#include <gtest/gtest.h>

#include <vector>

#include "optics/geometry.h"

namespace {

struct nearest_case {
    const char* name;
    std::vector<real_point> walls;
    int skip;
    real_point origin, through;
    bool found;
    real_point hit;
    int index;
};

// Square (0,10)-(10,10)-(10,0)-(0,0): wall 0 at the bottom, 1 on the right, 2 at the top.
const std::vector<real_point> open_box = {{0, 10}, {10, 10}, {10, 0}, {0, 0}};
// A V shape whose apex (10,10) is the larger y end of both walls; and a roof whose apex (10,0) is neither's.
const std::vector<real_point> vee = {{0, 0}, {10, 10}, {20, 0}};
const std::vector<real_point> roof = {{0, 10}, {10, 0}, {20, 10}};
// A straight chain: the shared vertex belongs to the wall for which it is the larger x end only.
const std::vector<real_point> chain = {{0, 0}, {10, 0}, {20, 0}};

const nearest_case nearest_cases[] = {
    {"no_walls", {}, -1, {0, 0}, {0, 1}, false, {}, 0},
    {"single_vertex", {{0, 10}}, -1, {0, 0}, {0, 1}, false, {}, 0},
    {"nearer_of_two", open_box, -1, {5, -5}, {5, -4}, true, {5, 0}, 2},
    {"nearer_of_two_other_way", open_box, -1, {5, 15}, {5, 14}, true, {5, 10}, 0},
    // The top wall is nearer but behind the origin.
    {"behind_is_ignored", open_box, -1, {5, 3}, {5, 4}, true, {5, 10}, 0},
    {"miss", open_box, -1, {20, 5}, {21, 5}, false, {}, 0},
    {"vertex_both_accept_later_wins", vee, -1, {10, -10}, {10, -9}, true, {10, 10}, 1},
    {"vertex_both_accept_from_below", vee, -1, {10, 20}, {10, 19}, true, {10, 10}, 1},
    {"vertex_neither_accepts", roof, -1, {10, -5}, {10, -4}, false, {}, 0},
    {"vertex_of_straight_chain", chain, -1, {10, -5}, {10, -4}, true, {10, 0}, 0},
    {"skip_the_nearer_wall", open_box, 2, {5, -5}, {5, -4}, true, {5, 10}, 0},
    {"skip_the_only_wall", {{0, 0}, {10, 0}}, 0, {5, -5}, {5, -4}, false, {}, 0},
    {"skip_other_wall", vee, 1, {5, -5}, {5, -4}, true, {5, 5}, 0},
    // After a reflection at a vertex the neighbouring wall can be met again at distance zero, but only by a
    // ray running toward increasing coordinate.
    {"neighbour_at_distance_zero", vee, 1, {10, 10}, {10, 20}, true, {10, 10}, 0},
    {"neighbour_not_met_going_up", vee, 1, {10, 10}, {10, 0}, false, {}, 0},
    {"zero_length_wall", {{5, 5}, {5, 5}}, -1, {0, 0}, {10, 10}, false, {}, 0},
    {"skip_beyond_the_walls", {{0, 0}, {10, 0}}, 7, {5, -5}, {5, -4}, true, {5, 0}, 0},
};

class nearest_table : public testing::TestWithParam<nearest_case> {};

TEST_P(nearest_table, finds_the_first_wall) {
    const nearest_case& t = GetParam();
    const real_point untouched{-777, -777};
    real_point hit = untouched;
    real_point next = untouched;
    bool found = !t.found;
    int index = -777;
    find_nearest_hit(t.walls, t.skip, t.origin, t.through, &hit, &next, &found, &index);

    EXPECT_EQ(found, t.found);
    if (t.found) {
        EXPECT_NEAR(hit.x, t.hit.x, 1e-9);
        EXPECT_NEAR(hit.y, t.hit.y, 1e-9);
        EXPECT_EQ(index, t.index);
        // The second point is the reflection at the wall that was hit.
        real_point expected_next{0, 0};
        reflect_ray(t.walls[index], t.walls[index + 1], t.origin, hit, &expected_next);
        EXPECT_EQ(next.x, expected_next.x);
        EXPECT_EQ(next.y, expected_next.y);
    } else {
        // Nothing found: the caller's values stay as they were.
        EXPECT_EQ(hit.x, untouched.x);
        EXPECT_EQ(hit.y, untouched.y);
        EXPECT_EQ(next.x, untouched.x);
        EXPECT_EQ(next.y, untouched.y);
        EXPECT_EQ(index, -777);
    }
}

INSTANTIATE_TEST_SUITE_P(cases, nearest_table, testing::ValuesIn(nearest_cases),
                         [](const testing::TestParamInfo<nearest_case>& info) { return info.param.name; });

// Each output is optional on its own; a null one is skipped, the others still written.
TEST(nearest_hit, null_outputs_are_skipped) {
    const std::vector<real_point> walls = {{0, 0}, {10, 0}};
    find_nearest_hit(walls, -1, {2, -4}, {4, 0}, nullptr, nullptr, nullptr, nullptr);

    int index = -1;
    find_nearest_hit(walls, -1, {2, -4}, {4, 0}, nullptr, nullptr, nullptr, &index);
    EXPECT_EQ(index, 0);

    bool found = false;
    real_point hit{0, 0};
    find_nearest_hit(walls, -1, {2, -4}, {4, 0}, &hit, nullptr, &found, nullptr);
    EXPECT_TRUE(found);
    EXPECT_NEAR(hit.x, 4, 1e-12);

    real_point next{0, 0};
    find_nearest_hit(walls, -1, {2, -4}, {4, 0}, nullptr, &next, nullptr, nullptr);
    EXPECT_NEAR(next.x, 6, 1e-12);
}

} // namespace
