// The whole program through WinMain on the headless host: scripted input on a virtual clock, the window's
// pixels read after each paint.
#include "program_run.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::uint32_t window_frame_grey = 0x646464;
const std::uint32_t red = 0xFF0000;
const std::uint32_t yellow = 0xFFFF00;
const std::uint32_t white = 0xFFFFFF;
const std::uint32_t black = 0x000000;

using headless::input;
using program_run::frame_at;

using program_run::pixel;

int count_colour(headless::frame_view b, std::uint32_t colour) {
    int count = 0;
    for (std::uint32_t p : b.pixels) {
        count += p == colour ? 1 : 0;
    }
    return count;
}

headless::scripted_input at(std::uint64_t ms, input kind, int x = 0, int y = 0, unsigned key = 0) {
    return {ms, kind, x, y, key};
}

TEST(whole_program, start_up_frame_shows_the_built_in_walls_and_zero_coordinates) {
    program_run::result run = program_run::run({at(35, input::close_button)});
    ASSERT_EQ(run.exit_code, 0);
    ASSERT_FALSE(run.frames.empty());
    const program_run::frame& first = run.frames.front();
    EXPECT_EQ(first.at_ms, 0u) << "the first frame is drawn while the window is created";
    const headless::frame& b = first.pixels;
    ASSERT_EQ(b.width, 1024);
    ASSERT_EQ(b.height, 640);
    EXPECT_EQ(pixel(b, 900, 600), window_frame_grey);
    EXPECT_EQ(pixel(b, b.width - 1, b.height - 1), window_frame_grey);
    // Every vertex but the last starts a red segment; the polyline's last point is not drawn.
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pixel(b, initial_walls[i].x, initial_walls[i].y), red) << "vertex " << i;
    }
    EXPECT_EQ(pixel(b, 298, 191), window_frame_grey) << "no wall joins the last vertex to the first";
    // "X 0" at (0, 0) and "Y 0" at (60, 0): black on white text cells, three characters each.
    for (int left : {x_text_left, y_text_left}) {
        int whites = 0, blacks = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = left; x < left + 24; ++x) {
                whites += pixel(b, x, y) == white ? 1 : 0;
                blacks += pixel(b, x, y) == black ? 1 : 0;
            }
        }
        EXPECT_EQ(whites + blacks, 24 * 16) << "text at " << left;
        EXPECT_GT(blacks, 20) << "text at " << left;
    }
    EXPECT_EQ(pixel(b, 24, 8), window_frame_grey) << "nothing between the two texts";
    EXPECT_EQ(count_colour(b, yellow), 0) << "no ray and no rubber band";
    EXPECT_TRUE(run.debug_output.empty());
}

TEST(whole_program, repaints_on_every_timer_tick) {
    program_run::result run = program_run::run({at(100, input::close_button)});
    ASSERT_EQ(run.exit_code, 0);
    // One frame at creation, then one per 10 ms tick.
    EXPECT_GE(run.frames.size(), 10u);
    EXPECT_LE(run.frames.size(), 12u);
    for (std::size_t i = 1; i < run.frames.size(); ++i) {
        EXPECT_EQ(run.frames[i].at_ms - run.frames[i - 1].at_ms, 10u) << "frame " << i;
    }
}

TEST(whole_program, coordinates_follow_the_mouse_at_the_next_tick) {
    program_run::result run =
        program_run::run({at(15, input::mouse_move, 987, 321), at(60, input::close_button)});
    const headless::frame& before = frame_at(run, 14).pixels;
    const headless::frame& after = frame_at(run, 20).pixels;
    int changed = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 120; ++x) {
            changed += pixel(before, x, y) != pixel(after, x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(changed, 10);
    EXPECT_EQ(pixel(after, 16 + 3 * 8 - 1, 8) == white || pixel(after, 16 + 3 * 8 - 1, 8) == black, true)
        << "\"X 987\" is five characters wide";
}

TEST(whole_program, right_clicks_draw_a_new_polyline_with_a_rubber_band) {
    program_run::result run = program_run::run({
        at(5, input::right_down, 100, 100),
        at(6, input::right_up, 100, 100),
        at(7, input::mouse_move, 300, 100),
        at(25, input::right_down, 300, 100),
        at(26, input::right_up, 300, 100),
        at(27, input::mouse_move, 300, 300),
        at(45, input::left_down, 500, 400),
        at(46, input::left_up, 500, 400),
        at(60, input::close_button),
    });
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.debug_output, "100, 100\r\n300, 100\r\n");

    const headless::frame& band = frame_at(run, 20).pixels;
    EXPECT_EQ(pixel(band, 294, 129), window_frame_grey) << "the built-in walls are gone";
    EXPECT_EQ(pixel(band, 100, 100), yellow);
    EXPECT_EQ(pixel(band, 200, 100), yellow);
    EXPECT_EQ(pixel(band, 299, 100), yellow);
    EXPECT_EQ(count_colour(band, red), 0) << "a single vertex is no wall yet";

    const headless::frame& wall = frame_at(run, 40).pixels;
    EXPECT_EQ(pixel(wall, 100, 100), red);
    EXPECT_EQ(pixel(wall, 299, 100), red);
    EXPECT_EQ(pixel(wall, 300, 101), yellow) << "rubber band from the new anchor";
    EXPECT_EQ(pixel(wall, 300, 250), yellow);

    const headless::frame& ended = frame_at(run, 55).pixels;
    EXPECT_EQ(pixel(ended, 200, 100), red) << "the wall stays after the left click";
    EXPECT_EQ(pixel(ended, 300, 250), window_frame_grey) << "no rubber band after the left click";
}

TEST(whole_program, a_resized_window_is_covered_by_the_next_frame) {
    program_run::result run = program_run::run({
        at(15, input::resize, 400, 300),
        at(35, input::resize, 1200, 800),
        at(55, input::resize, 0, 0),
        at(75, input::resize, 640, 480),
        at(95, input::close_button),
    });
    ASSERT_EQ(run.exit_code, 0);
    const headless::frame& small = frame_at(run, 30).pixels;
    ASSERT_EQ(small.width, 400);
    ASSERT_EQ(small.height, 300);
    EXPECT_EQ(pixel(small, 399, 299), window_frame_grey);
    EXPECT_EQ(pixel(small, 294, 129), red) << "walls are not scaled";

    const headless::frame& large = frame_at(run, 50).pixels;
    ASSERT_EQ(large.width, 1200);
    ASSERT_EQ(large.height, 800);
    EXPECT_EQ(pixel(large, 1199, 799), window_frame_grey);
    EXPECT_EQ(pixel(large, 294, 129), red);

    const headless::frame& back = frame_at(run, 90).pixels;
    ASSERT_EQ(back.width, 640);
    EXPECT_EQ(pixel(back, 639, 479), window_frame_grey);
}

struct closing_case {
    const char* name;
    std::vector<headless::scripted_input> script;
    std::uint64_t ended_by_ms; // the program must have returned by then
};

class closing : public testing::TestWithParam<closing_case> {};

TEST_P(closing, ends_the_program_with_exit_code_zero) {
    program_run::result run = program_run::run(GetParam().script);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_LE(headless::now_ms(), GetParam().ended_by_ms);
    EXPECT_TRUE(run.debug_output.empty()) << run.debug_output;
}

INSTANTIATE_TEST_SUITE_P(
    ways, closing,
    testing::Values(closing_case{"close_button", {at(30, input::close_button)}, 30},
                    closing_case{"alt_f4",
                                 {at(20, input::key_down, 0, 0, VK_MENU),
                                  at(21, input::key_down, 0, 0, VK_F4), at(22, input::key_up, 0, 0, VK_F4),
                                  at(23, input::key_up, 0, 0, VK_MENU), at(500, input::close_button)},
                                 21}),
    [](const testing::TestParamInfo<closing_case>& info) { return info.param.name; });

TEST(whole_program, keys_change_nothing_on_screen) {
    program_run::result run = program_run::run({
        at(15, input::key_down, 0, 0, 'A'),
        at(16, input::key_up, 0, 0, 'A'),
        at(17, input::key_down, 0, 0, VK_F10),
        at(18, input::key_up, 0, 0, VK_F10),
        at(40, input::close_button),
    });
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_EQ(frame_at(run, 10).pixels.pixels, frame_at(run, 30).pixels.pixels);
}

TEST(whole_program, exits_with_one_line_when_the_window_cannot_be_created) {
    program_run::result run = program_run::run({}, program_run::frames_kept::every, nullptr, true);
    EXPECT_NE(run.exit_code, 0);
    EXPECT_EQ(run.debug_output, "mirrors: cannot create the main window\n");
}

} // namespace
