// The drawing surface on its own: draw_scene is replaced by a body chosen per test, so each test decides what
// a frame draws and then checks pixels, selections and the number of live GDI objects.
#include "draw/surface.h"

#include "platform_hooks.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::function<void(HDC)> frame_body = [](HDC) {};

struct frame_target {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous_bitmap;
};

frame_target make_target(int width, int height) {
    frame_target t;
    HDC screen = GetDC(NULL); // in colour, as a window's frame is
    t.dc = CreateCompatibleDC(screen);
    t.bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(NULL, screen);
    t.previous_bitmap = SelectObject(t.dc, t.bitmap);
    return t;
}

void free_target(const frame_target& t) {
    SelectObject(t.dc, t.previous_bitmap);
    DeleteDC(t.dc);
    DeleteObject(t.bitmap);
}

void run_frame(HDC dc, std::function<void(HDC)> body) {
    frame_body = std::move(body);
    draw_frame(dc, 64, 64);
    frame_body = [](HDC) {};
}

// Selects `replacement` and returns what was selected, putting it back: a read of the current selection.
HGDIOBJ selected(HDC dc, int stock_replacement) {
    HGDIOBJ current = SelectObject(dc, GetStockObject(stock_replacement));
    SelectObject(dc, current);
    return current;
}

} // namespace

void draw_scene(HDC dc, int, int) {
    frame_body(dc);
}

namespace {

TEST(drawing_surface, frames_give_back_the_contexts_own_pen_and_brush) {
    for (int frame = 0; frame < 3; ++frame) {
        frame_target t = make_target(16, 16);
        HPEN own_pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
        HBRUSH own_brush = CreateSolidBrush(RGB(4, 5, 6));
        HGDIOBJ stock_pen = SelectObject(t.dc, own_pen);
        HGDIOBJ stock_brush = SelectObject(t.dc, own_brush);
        run_frame(t.dc, [](HDC dc) {
            set_fill_color(255, 255, 0);
            set_line_color(255, 255, 0);
            set_line_color(255, 0, 0);
            draw_circle(dc, 8, 8, 5);
        });
        EXPECT_EQ(selected(t.dc, BLACK_PEN), own_pen) << "frame " << frame;
        EXPECT_EQ(selected(t.dc, WHITE_BRUSH), own_brush) << "frame " << frame;
        SelectObject(t.dc, stock_pen);
        SelectObject(t.dc, stock_brush);
        EXPECT_TRUE(DeleteObject(own_pen));
        EXPECT_TRUE(DeleteObject(own_brush));
        free_target(t);
    }
}

TEST(drawing_surface, live_objects_stay_level_over_a_thousand_frames) {
    auto one_frame = [] {
        frame_target t = make_target(32, 32);
        run_frame(t.dc, [](HDC dc) {
            set_fill_color(255, 255, 0);
            set_line_color(255, 255, 0);
            draw_line(dc, 0, 0, 31, 31);
            set_line_color(255, 0, 0);
            set_fill_color(255, 255, 0);
            set_line_color(255, 0, 0);
            draw_circle(dc, 16, 16, 5);
            set_line_color(255, 255, 0);
        });
        free_target(t);
    };
    one_frame();
    int after_first = platform::gdi_object_count();
    for (int i = 0; i < 1000; ++i) {
        one_frame();
    }
    EXPECT_EQ(platform::gdi_object_count(), after_first);
}

TEST(drawing_surface, setting_the_same_colour_again_replaces_the_pen) {
    frame_target t = make_target(8, 8);
    HGDIOBJ first = NULL;
    HGDIOBJ second = NULL;
    int count_after_first = 0;
    run_frame(t.dc, [&](HDC dc) {
        set_line_color(10, 20, 30);
        count_after_first = platform::gdi_object_count();
        first = selected(dc, BLACK_PEN);
        set_line_color(10, 20, 30);
        second = selected(dc, BLACK_PEN);
    });
    EXPECT_NE(first, second);
    EXPECT_EQ(platform::gdi_object_count(), count_after_first);
    // The replaced pen was deleted: it can no longer be selected anywhere.
    EXPECT_EQ(SelectObject(t.dc, first), nullptr);
    free_target(t);
}

struct colour_case {
    int red, green, blue;
    COLORREF expected;
};

class colour_components : public testing::TestWithParam<colour_case> {};

TEST_P(colour_components, keep_only_their_low_eight_bits) {
    const colour_case& c = GetParam();
    frame_target t = make_target(32, 32);
    run_frame(t.dc, [&](HDC dc) {
        set_line_color(c.red, c.green, c.blue);
        draw_line(dc, 0, 3, 20, 3);
        set_fill_color(c.red, c.green, c.blue);
        draw_circle(dc, 16, 20, 6);
    });
    EXPECT_EQ(GetPixel(t.dc, 5, 3), c.expected);
    EXPECT_EQ(GetPixel(t.dc, 16, 20), c.expected);
    free_target(t);
}

INSTANTIATE_TEST_SUITE_P(components, colour_components,
                         testing::Values(colour_case{255, 255, 0, RGB(255, 255, 0)},
                                         colour_case{256 + 255, 512, 0, RGB(255, 0, 0)},
                                         colour_case{-1, 0x1234, 0x7F80, RGB(255, 0x34, 0x80)},
                                         colour_case{0x100, 0x200, 0x300, RGB(0, 0, 0)}));

TEST(drawing_surface, colours_set_between_frames_reach_the_next_frame) {
    set_line_color(0, 255, 0);
    set_fill_color(0, 0, 255);
    frame_target t = make_target(32, 32);
    run_frame(t.dc, [](HDC dc) {
        draw_line(dc, 0, 1, 30, 1);
        draw_circle(dc, 16, 16, 8);
    });
    EXPECT_EQ(GetPixel(t.dc, 10, 1), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(t.dc, 16, 16), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(t.dc, 16, 8), RGB(0, 255, 0)) << "outline in the pen";
    free_target(t);
}

TEST(drawing_surface, short_polylines_draw_nothing) {
    frame_target t = make_target(8, 8);
    POINT one[1] = {{2, 2}};
    run_frame(t.dc, [&](HDC dc) {
        set_line_color(255, 255, 255);
        draw_polyline(dc, one, 1);
        draw_polyline(dc, nullptr, 0);
    });
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            ASSERT_EQ(GetPixel(t.dc, x, y), RGB(0, 0, 0)) << x << "," << y;
        }
    }
    free_target(t);
}

TEST(drawing_surface, circles_at_the_edge_of_the_coordinate_range_do_not_fail) {
    frame_target t = make_target(8, 8);
    set_fill_color(0, 0, 255);
    run_frame(t.dc, [](HDC dc) {
        draw_circle(dc, INT_MAX, INT_MAX, 5);
        draw_circle(dc, INT_MIN, INT_MIN, 5);
    });
    EXPECT_EQ(GetPixel(t.dc, 0, 0), RGB(0, 0, 0)) << "both are far outside";
    EXPECT_EQ(GetPixel(t.dc, 7, 7), RGB(0, 0, 0));
    run_frame(t.dc, [](HDC dc) { draw_circle(dc, 4, 4, INT_MAX); });
    EXPECT_EQ(GetPixel(t.dc, 4, 4), RGB(0, 0, 255)) << "the whole picture is inside the largest circle";
    free_target(t);
}

} // namespace
