// The mouse rules of the scene: which events start, extend and end a wall polyline, and what each
// right-button release reports.
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

struct event_step {
    enum mouse_event event;
    int x;
    int y;
};

struct expected_scene {
    std::vector<POINT> walls;
    POINT anchor;
    POINT launch;
    POINT cursor;
    bool drawing;
    bool ray_shown;
};

struct rule_case {
    const char* name;
    bool seeded_walls; // start from the built-in walls, as after the first frame
    std::vector<event_step> steps;
    expected_scene expected;
};

bool same_points(const std::vector<POINT>& a, const std::vector<POINT>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].x != b[i].x || a[i].y != b[i].y) {
            return false;
        }
    }
    return true;
}

std::string describe(const std::vector<POINT>& points) {
    std::string text;
    for (const POINT& p : points) {
        text.append("(").append(std::to_string(p.x)).append(", ").append(std::to_string(p.y)).append(") ");
    }
    return text;
}

void start_scene(bool seeded_walls) {
    scene = scene_state{};
    if (seeded_walls) {
        scene.walls.assign(std::begin(initial_walls), std::end(initial_walls));
        scene.seeded = true;
    }
}

const std::vector<POINT> builtin(std::begin(initial_walls), std::end(initial_walls));

const rule_case rule_cases[] = {
    {"moves only move the cursor",
     true,
     {{mouse_move, 10, 20}, {right_button_down, 30, 40}, {left_button_up, 50, 60}},
     {builtin, {0, 0}, {0, 0}, {50, 60}, false, false}},
    {"first release empties the walls and sets the anchor",
     true,
     {{right_button_down, 100, 110}, {right_button_up, 100, 110}},
     {{}, {100, 110}, {0, 0}, {100, 110}, true, false}},
    {"second release adds the anchor and the new point",
     true,
     {{right_button_up, 100, 110}, {mouse_move, 150, 160}, {right_button_up, 200, 210}},
     {{{100, 110}, {200, 210}}, {200, 210}, {0, 0}, {200, 210}, true, false}},
    {"further releases append one vertex each",
     false,
     {{right_button_up, 1, 2}, {right_button_up, 3, 4}, {right_button_up, 5, 6}, {right_button_up, 7, 8}},
     {{{1, 2}, {3, 4}, {5, 6}, {7, 8}}, {7, 8}, {0, 0}, {7, 8}, true, false}},
    {"two releases at one spot make a zero-length wall",
     false,
     {{right_button_up, 9, 9}, {right_button_up, 9, 9}},
     {{{9, 9}, {9, 9}}, {9, 9}, {0, 0}, {9, 9}, true, false}},
    {"a left click ends drawing and keeps the vertices",
     false,
     {{right_button_up, 1, 2},
      {right_button_up, 3, 4},
      {left_button_down, 300, 200},
      {left_button_up, 300, 200}},
     {{{1, 2}, {3, 4}}, {3, 4}, {300, 200}, {300, 200}, false, true}},
    {"a left click with no walls drawn yet still shows the ray",
     false,
     {{right_button_up, 1, 2}, {left_button_down, 5, 6}},
     {{}, {1, 2}, {5, 6}, {5, 6}, false, true}},
    {"a release after a left click starts over and hides the ray",
     false,
     {{right_button_up, 1, 2},
      {right_button_up, 3, 4},
      {left_button_down, 10, 10},
      {right_button_up, 20, 30}},
     {{}, {20, 30}, {10, 10}, {20, 30}, true, false}},
    {"a left click keeps the built-in walls",
     true,
     {{left_button_down, 420, 180}},
     {builtin, {0, 0}, {420, 180}, {420, 180}, false, true}},
    {"coordinates at the edge of the 16-bit range",
     false,
     {{right_button_up, 65535, 0}, {right_button_up, 0, 65535}, {mouse_move, 65535, 65535}},
     {{{65535, 0}, {0, 65535}}, {0, 65535}, {0, 0}, {65535, 65535}, true, false}},
};

class scene_rules : public testing::TestWithParam<rule_case> {};

TEST_P(scene_rules, leave_the_expected_state) {
    const rule_case& c = GetParam();
    start_scene(c.seeded_walls);
    testing::internal::CaptureStderr();
    for (const event_step& step : c.steps) {
        on_mouse_event(step.event, step.x, step.y, 0);
    }
    testing::internal::GetCapturedStderr();
    const expected_scene& e = c.expected;
    EXPECT_TRUE(same_points(scene.walls, e.walls)) << describe(scene.walls) << "!= " << describe(e.walls);
    EXPECT_EQ(scene.anchor.x, e.anchor.x);
    EXPECT_EQ(scene.anchor.y, e.anchor.y);
    EXPECT_EQ(scene.launch.x, e.launch.x);
    EXPECT_EQ(scene.launch.y, e.launch.y);
    EXPECT_EQ(scene.cursor.x, e.cursor.x);
    EXPECT_EQ(scene.cursor.y, e.cursor.y);
    EXPECT_EQ(scene.drawing, e.drawing);
    EXPECT_EQ(scene.ray_shown, e.ray_shown);
}

INSTANTIATE_TEST_SUITE_P(sequences, scene_rules, testing::ValuesIn(rule_cases),
                         [](const testing::TestParamInfo<rule_case>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p != '\0'; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

TEST(scene_debug_output, one_line_per_right_button_release_only) {
    start_scene(false);
    testing::internal::CaptureStderr();
    on_mouse_event(right_button_down, 7, 8, 0);
    on_mouse_event(right_button_up, 12, 345, 0);
    on_mouse_event(mouse_move, 1, 1, 0);
    on_mouse_event(left_button_down, 2, 2, 0);
    on_mouse_event(left_button_up, 2, 2, 0);
    on_mouse_event(right_button_up, 65535, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "12, 345\r\n65535, 0\r\n");
}

TEST(scene_keys, take_no_action) {
    start_scene(true);
    on_mouse_event(right_button_up, 5, 5, 0);
    scene_state before = scene;
    on_key_event(true, false, 0x3E, VK_F4);
    on_key_event(true, true, 0x1E, 'A');
    on_key_event(false, false, 0x1E, 'A');
    EXPECT_TRUE(same_points(scene.walls, before.walls));
    EXPECT_EQ(scene.drawing, before.drawing);
    EXPECT_EQ(scene.ray_shown, before.ray_shown);
    EXPECT_EQ(scene.cursor.x, before.cursor.x);
}

} // namespace
