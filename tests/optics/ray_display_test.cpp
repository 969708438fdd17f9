// The ray on screen: the whole program through WinMain on the headless host, a left click and no move, then
// the window's pixels.
#include <gtest/gtest.h>

#include <cstdint>

#include "program_run.h"

namespace {

const std::uint32_t red = 0xFF0000;
const std::uint32_t yellow = 0xFFFF00;

using program_run::pixel;

// A one-pixel line may be drawn a pixel off the ideal one.
bool colour_near(headless::frame_view b, int x, int y, std::uint32_t colour) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (pixel(b, x + dx, y + dy) == colour) {
                return true;
            }
        }
    }
    return false;
}

TEST(ray_display, left_click_shows_marker_and_path) {
    const program_run::result run = program_run::run({{50, headless::input::left_down, 420, 180},
                                                      {55, headless::input::left_up, 420, 180},
                                                      {100, headless::input::close_button}});
    ASSERT_EQ(run.exit_code, 0);
    const headless::frame& before_click = program_run::frame_at(run, 49).pixels;

    headless::frame_view shown = headless::window_pixels();
    ASSERT_GT(shown.width, 563);
    ASSERT_GT(shown.height, 327);

    // The traced path (420,180), (420,312), (555,209), (386,187): yellow along the inner part of each
    // segment.
    const int path[][2] = {{420, 180}, {420, 312}, {555, 209}, {386, 187}};
    for (int s = 0; s < 3; ++s) {
        for (int step = 2; step <= 8; ++step) {
            const int x = path[s][0] + (path[s + 1][0] - path[s][0]) * step / 10;
            const int y = path[s][1] + (path[s + 1][1] - path[s][1]) * step / 10;
            EXPECT_TRUE(colour_near(shown, x, y, yellow)) << "segment " << s << " at " << x << ", " << y;
            // Nothing of it before the click.
            EXPECT_FALSE(colour_near(before_click, x, y, yellow))
                << "segment " << s << " at " << x << ", " << y;
        }
    }

    // The launch marker: filled yellow inside, outlined in red on the sides the path does not cover.
    EXPECT_EQ(pixel(shown, 418, 179), yellow);
    EXPECT_EQ(pixel(shown, 422, 179), yellow);
    EXPECT_EQ(pixel(shown, 420, 177), yellow);
    EXPECT_TRUE(colour_near(shown, 415, 180, red));
    EXPECT_TRUE(colour_near(shown, 425, 180, red));
    EXPECT_TRUE(colour_near(shown, 420, 175, red));
    // Beyond the marker's radius on the side away from the path, nothing of the ray.
    EXPECT_FALSE(colour_near(shown, 420, 170, yellow));
}

} // namespace
