// Invalidation, WM_PAINT, BeginPaint / EndPaint, erasing, presenting and resizing.
#include "platform_hooks.h"
#include "recorder.h"

#include <algorithm>
#include <climits>

namespace {

using recorder::message;

// What the window procedure saw in its last BeginPaint.
PAINTSTRUCT last_paint;
int paints = 0;

// A procedure that paints as the program does: a frame composed off-screen and copied in one block.
void paint_double_buffered(HWND window, COLORREF colour) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    last_paint = paint;
    ++paints;
    RECT client;
    GetClientRect(window, &client);
    HBITMAP frame = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HDC frame_dc = CreateCompatibleDC(dc);
    HGDIOBJ previous_bitmap = SelectObject(frame_dc, frame);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(frame_dc, &client, brush);
    DeleteObject(brush);
    BitBlt(dc, 0, 0, client.right, client.bottom, frame_dc, 0, 0, SRCCOPY);
    SelectObject(frame_dc, previous_bitmap);
    DeleteDC(frame_dc);
    DeleteObject(frame);
    EndPaint(window, &paint);
}

void paint_with(COLORREF colour, std::optional<LRESULT> erase_answer = LRESULT{1}) {
    paints = 0;
    recorder::react([colour, erase_answer](HWND window, UINT id, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (id == WM_PAINT) {
            paint_double_buffered(window, colour);
            return 0;
        }
        if (id == WM_ERASEBKGND) {
            return erase_answer;
        }
        return std::nullopt;
    });
}

// A shown window, painted once already, with the counts cleared.
HWND fresh_window(int width = 200, int height = 100) {
    HWND window = recorder::shown_window(width, height);
    paints = 0;
    return window;
}

// Dispatches everything waiting without advancing the clock.
void drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
}

struct erase_case {
    const char* name;
    BOOL invalidate_erase;
    std::optional<LRESULT> erase_answer; // nothing: DefWindowProcA with no class brush, which returns 0
    bool erase_sent;
    BOOL fErase;
};

class erasing : public user32_test, public testing::WithParamInterface<erase_case> {};

TEST_P(erasing, begin_paint_sends_erase_and_reports_what_is_left_to_erase) {
    const erase_case& c = GetParam();
    paint_with(RGB(9, 9, 9), c.erase_answer);
    HWND window = fresh_window();
    InvalidateRect(window, nullptr, c.invalidate_erase);
    UpdateWindow(window);
    std::vector<UINT> expected = {WM_PAINT};
    if (c.erase_sent) {
        expected.push_back(WM_ERASEBKGND);
    }
    EXPECT_EQ(recorder::ids(), expected);
    EXPECT_EQ(last_paint.fErase, c.fErase);
}

INSTANTIATE_TEST_SUITE_P(cases, erasing,
                         testing::Values(erase_case{"erased_by_the_procedure", TRUE, LRESULT{1}, true, FALSE},
                                         erase_case{"left_to_the_painter", TRUE, LRESULT{0}, true, TRUE},
                                         erase_case{"no_brush", TRUE, std::nullopt, true, TRUE},
                                         erase_case{"no_erase_requested", FALSE, LRESULT{1}, false, FALSE}),
                         [](const testing::TestParamInfo<erase_case>& info) { return info.param.name; });

struct invalidation_case {
    const char* name;
    std::vector<RECT> rects; // each InvalidateRect'ed in turn
    bool painted;
    RECT paint_area;
};

class invalidation : public user32_test, public testing::WithParamInterface<invalidation_case> {};

TEST_P(invalidation, paints_the_bounding_area_clipped_to_the_client) {
    const invalidation_case& c = GetParam();
    paint_with(RGB(1, 1, 1));
    HWND window = fresh_window(200, 100);
    for (const RECT& r : c.rects) {
        EXPECT_TRUE(InvalidateRect(window, &r, FALSE));
    }
    drain();
    ASSERT_EQ(paints, c.painted ? 1 : 0);
    if (c.painted) {
        EXPECT_EQ(last_paint.rcPaint, c.paint_area);
    }
}

INSTANTIATE_TEST_SUITE_P(
    cases, invalidation,
    testing::Values(
        invalidation_case{"one", {{10, 20, 30, 40}}, true, {10, 20, 30, 40}},
        invalidation_case{"two_bound", {{10, 20, 30, 40}, {50, 5, 60, 25}}, true, {10, 5, 60, 40}},
        invalidation_case{"clipped", {{-50, -50, 1000, 1000}}, true, {0, 0, 200, 100}},
        invalidation_case{"extreme", {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}}, true, {0, 0, 200, 100}},
        invalidation_case{"empty", {{30, 30, 30, 60}}, false, {}},
        invalidation_case{"inverted", {{60, 60, 30, 30}}, true, {30, 30, 60, 60}},
        invalidation_case{"outside", {{200, 0, 300, 50}}, false, {}},
        invalidation_case{
            "reversed_extremes", {{INT_MAX, INT_MAX, INT_MIN, INT_MIN}}, true, {0, 0, 200, 100}}),
    [](const testing::TestParamInfo<invalidation_case>& info) { return info.param.name; });

struct validation_case {
    const char* name;
    RECT invalid;
    RECT validated;
    bool painted;
    RECT paint_area;
};

class validation : public user32_test, public testing::WithParamInterface<validation_case> {};

TEST_P(validation, removes_what_it_covers) {
    const validation_case& c = GetParam();
    paint_with(RGB(1, 1, 1));
    HWND window = fresh_window(200, 100);
    InvalidateRect(window, &c.invalid, FALSE);
    EXPECT_TRUE(ValidateRect(window, &c.validated));
    drain();
    ASSERT_EQ(paints, c.painted ? 1 : 0);
    if (c.painted) {
        EXPECT_EQ(last_paint.rcPaint, c.paint_area);
    }
}

INSTANTIATE_TEST_SUITE_P(
    cases, validation,
    testing::Values(
        validation_case{"all_of_it", {10, 10, 50, 50}, {0, 0, 200, 100}, false, {}},
        validation_case{"top_band", {10, 10, 50, 50}, {0, 0, 200, 30}, true, {10, 30, 50, 50}},
        validation_case{"left_band", {10, 10, 50, 50}, {0, 0, 20, 100}, true, {20, 10, 50, 50}},
        validation_case{
            "bottom_band_to_its_edge", {10, 10, 50, 50}, {0, 30, 200, 50}, true, {10, 10, 50, 30}},
        validation_case{"a_hole_stays_painted", {10, 10, 50, 50}, {20, 20, 30, 30}, true, {10, 10, 50, 50}},
        validation_case{"elsewhere", {10, 10, 50, 50}, {100, 60, 150, 90}, true, {10, 10, 50, 50}}),
    [](const testing::TestParamInfo<validation_case>& info) { return info.param.name; });

struct redraw_case {
    const char* name;
    UINT flags;
    std::vector<UINT> during; // messages sent while RedrawWindow runs
    std::vector<UINT> after;  // messages the loop then delivers
};

class redraw : public user32_test, public testing::WithParamInterface<redraw_case> {};

TEST_P(redraw, flags_do_what_they_say) {
    const redraw_case& c = GetParam();
    HWND window = fresh_window();
    EXPECT_TRUE(RedrawWindow(window, nullptr, nullptr, c.flags));
    EXPECT_EQ(recorder::ids(), c.during);
    recorder::clear();
    drain();
    EXPECT_EQ(recorder::ids(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    cases, redraw,
    testing::Values(
        redraw_case{"invalidate", RDW_INVALIDATE, {}, {WM_PAINT}},
        redraw_case{"invalidate_erase", RDW_INVALIDATE | RDW_ERASE, {}, {WM_PAINT, WM_ERASEBKGND}},
        redraw_case{"update_now", RDW_INVALIDATE | RDW_UPDATENOW, {WM_PAINT}, {}},
        redraw_case{
            "the_programs_flags", RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW, {WM_PAINT, WM_ERASEBKGND}, {}},
        redraw_case{"erase_now", RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW, {WM_ERASEBKGND}, {WM_PAINT}},
        redraw_case{"noerase_wins", RDW_INVALIDATE | RDW_ERASE | RDW_NOERASE, {}, {WM_PAINT}},
        redraw_case{"internal_paint", RDW_INTERNALPAINT | RDW_INVALIDATE, {}, {WM_PAINT}},
        redraw_case{"update_now_when_valid", RDW_UPDATENOW, {}, {}}, redraw_case{"nothing", 0, {}, {}}),
    [](const testing::TestParamInfo<redraw_case>& info) { return info.param.name; });

TEST_F(user32_test, redraw_validate_cancels_a_pending_paint) {
    HWND window = fresh_window();
    InvalidateRect(window, nullptr, TRUE);
    RedrawWindow(window, nullptr, nullptr, RDW_VALIDATE | RDW_NOERASE);
    drain();
    EXPECT_TRUE(recorder::log().empty());
    EXPECT_TRUE(RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE)) << "the desktop's";
}

TEST_F(user32_test, internal_paint_has_an_empty_paint_area) {
    paint_with(RGB(1, 1, 1));
    HWND window = fresh_window();
    RedrawWindow(window, nullptr, nullptr, RDW_INTERNALPAINT | RDW_INVALIDATE);
    ValidateRect(window, nullptr);
    drain();
    ASSERT_EQ(paints, 1) << "an internal paint survives validation";
    EXPECT_EQ(last_paint.rcPaint.right - last_paint.rcPaint.left, 0);
}

#if !defined(_WIN32)
// The headless host's own: windows it refuses, the frames it counts, its virtual clock and the pixels it
// keeps. Windows has none of these, so the conformance build leaves them out.

using headless::input;

constexpr UINT redraw_both = CS_HREDRAW | CS_VREDRAW;

TEST_F(user32_test, a_timer_tick_repaints_inside_redraw_window) {
    paint_with(RGB(0, 0, 255));
    HWND window = fresh_window(40, 30);
    SetTimer(window, 1, 10, nullptr);
    headless::set_script({{1000, input::close_button}});
    recorder::react([](HWND w, UINT id, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (id == WM_TIMER) {
            int before = paints;
            RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            EXPECT_EQ(paints, before + 1) << "the frame is on screen before RedrawWindow returns";
            return 0;
        }
        if (id == WM_PAINT) {
            paint_double_buffered(w, RGB(0, 255, 0));
            return 0;
        }
        return id == WM_ERASEBKGND ? std::optional<LRESULT>(1) : std::nullopt;
    });
    int frames_before = headless::frames_presented();
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    DispatchMessageA(&msg);
    EXPECT_EQ(recorder::ids(), (std::vector<UINT>{WM_TIMER, WM_PAINT, WM_ERASEBKGND}));
    EXPECT_EQ(recorder::log()[2].wparam, reinterpret_cast<WPARAM>(last_paint.hdc))
        << "erased on the paint DC";
    EXPECT_FALSE(last_paint.fErase) << "the procedure erased (returned 1)";
    EXPECT_EQ(headless::frames_presented(), frames_before + 1);
    EXPECT_EQ(headless::window_pixels().pixels.front(), 0x00FF00u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) << "validated by the paint";
}

TEST_F(user32_test, default_erase_fills_with_the_class_brush) {
    recorder::fresh_layer(CS_HREDRAW | CS_VREDRAW, CreateSolidBrush(RGB(0x12, 0x34, 0x56)));
    fresh_window(30, 20);
    headless::frame_view pixels = headless::window_pixels();
    ASSERT_EQ(pixels.width, 30);
    ASSERT_EQ(pixels.height, 20);
    EXPECT_EQ(std::count(pixels.pixels.begin(), pixels.pixels.end(), 0x123456u), 30 * 20);
    // The class brush given as a system colour index + 1.
    recorder::fresh_layer(0, reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_WINDOW + 1)));
    fresh_window(30, 20);
    std::uint32_t system = platform::pixel_from_colorref(GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(
        std::count(headless::window_pixels().pixels.begin(), headless::window_pixels().pixels.end(), system),
        30 * 20);
}

TEST_F(user32_test, erase_answers_one_with_a_brush_and_zero_without) {
    HWND window = fresh_window(10, 10);
    HDC dc = GetDC(window);
    EXPECT_EQ(DefWindowProcA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0) << "no class brush";
    ReleaseDC(window, dc);
    recorder::fresh_layer(0, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    window = fresh_window(10, 10);
    dc = GetDC(window);
    EXPECT_EQ(DefWindowProcA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    EXPECT_EQ(headless::window_pixels().pixels[55], 0xFFFFFFu);
    ReleaseDC(window, dc);
}

TEST_F(user32_test, end_paint_presents_the_pixels_to_the_observer) {
    paint_with(RGB(0xAA, 0xBB, 0xCC));
    std::vector<std::pair<std::uint64_t, std::uint32_t>> seen;
    headless::set_paint_observer([&seen](headless::frame_view pixels, std::uint64_t now) {
        seen.emplace_back(now, pixels.pixels.empty() ? 0 : pixels.pixels.back());
    });
    HWND window = fresh_window(8, 8);
    headless::advance_clock(70);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    using frame = std::pair<std::uint64_t, std::uint32_t>;
    EXPECT_EQ(seen, (std::vector<frame>{{0, 0xAABBCC}, {70, 0xAABBCC}}));
    EXPECT_EQ(headless::frames_presented(), 2);
    DestroyWindow(window);
    EXPECT_EQ(headless::window_pixels().width, 8) << "the last frame outlives the window";
    EXPECT_EQ(headless::window_pixels().pixels.back(), 0xAABBCCu);
}

TEST_F(user32_test, get_dc_draws_on_the_window_without_a_frame) {
    HWND window = fresh_window(8, 8);
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    HDC screen = GetDC(nullptr); // there is no desktop to draw on, but the screen's DC exists
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(SetPixel(screen, 0, 0, 0), CLR_INVALID);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    SetPixel(dc, 1, 1, RGB(255, 0, 0));
    EXPECT_EQ(ReleaseDC(window, dc), 1);
    EXPECT_EQ(ReleaseDC(window, dc), 0) << "released once";
    EXPECT_EQ(headless::window_pixels().pixels[9], 0xFF0000u);
    EXPECT_EQ(headless::frames_presented(), 1) << "only EndPaint counts as a frame";
}

struct resize_case {
    const char* name;
    UINT class_style;
    int width, height; // from 200 x 100
    bool painted;
    RECT paint_area;
};

class resizing : public user32_test, public testing::WithParamInterface<resize_case> {};

TEST_P(resizing, sends_size_and_invalidates_by_class_style) {
    const resize_case& c = GetParam();
    recorder::fresh_layer(c.class_style);
    paint_with(RGB(5, 5, 5));
    HWND window = fresh_window(200, 100);
    recorder::clear();
    headless::set_script({{10, input::resize, c.width, c.height}, {20, input::close_button}});
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    EXPECT_TRUE(recorder::log().empty()) << "not yet";
    headless::advance_clock(10);
    drain();
    std::vector<UINT> expected = {WM_SIZE};
    if (c.painted) {
        expected.push_back(WM_PAINT);
        expected.push_back(WM_ERASEBKGND);
    }
    EXPECT_EQ(recorder::ids(), expected);
    EXPECT_EQ(recorder::log()[0].lparam, MAKELPARAM(c.width, c.height));
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client, (RECT{0, 0, c.width, c.height}));
    if (c.painted) {
        EXPECT_EQ(last_paint.rcPaint, c.paint_area);
        EXPECT_EQ(headless::window_pixels().width, c.width);
        EXPECT_EQ(headless::window_pixels().pixels.size(), static_cast<std::size_t>(c.width * c.height));
    }
    if (c.width > 0) {
        EXPECT_EQ(headless::window_pixels().pixels[0], 0x050505u) << "the first row's pixels are kept";
    }
}

INSTANTIATE_TEST_SUITE_P(
    cases, resizing,
    testing::Values(resize_case{"grow_redraws_all", redraw_both, 300, 150, true, {0, 0, 300, 150}},
                    resize_case{"shrink_redraws_all", redraw_both, 100, 50, true, {0, 0, 100, 50}},
                    resize_case{"width_only_hredraw", CS_HREDRAW, 250, 100, true, {0, 0, 250, 100}},
                    resize_case{"height_with_only_hredraw", CS_HREDRAW, 200, 120, true, {0, 100, 200, 120}},
                    resize_case{"grow_without_styles", 0, 260, 100, true, {200, 0, 260, 100}},
                    resize_case{"shrink_without_styles", 0, 150, 80, false, {}},
                    resize_case{"to_nothing", redraw_both, 0, 0, false, {}},
                    resize_case{"largest", redraw_both, 8192, 1, true, {0, 0, 8192, 1}}),
    [](const testing::TestParamInfo<resize_case>& info) { return info.param.name; });

TEST_F(user32_test, a_zero_sized_window_paints_safely_and_comes_back) {
    paint_with(RGB(7, 8, 9));
    HWND window = fresh_window(200, 100);
    headless::set_script({{0, input::resize, 0, 0}, {10, input::resize, 50, 40}, {30, input::close_button}});
    drain();
    RECT client = {1, 1, 1, 1};
    GetClientRect(window, &client);
    EXPECT_EQ(client, (RECT{0, 0, 0, 0}));
    // Nothing to paint, but a paint that happens anyway (as forced by the program) must be harmless.
    paints = 0;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(paints, 0) << "an empty client area has nothing to update";
    SendMessageA(window, WM_PAINT, 0, 0);
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(last_paint.rcPaint.right, 0);
    // Mouse input has nowhere to land.
    headless::set_script(
        {{5, input::mouse_move, 0, 0}, {10, input::resize, 50, 40}, {30, input::close_button}});
    headless::advance_clock(10);
    drain();
    RECT back;
    GetClientRect(window, &back);
    EXPECT_EQ(back, (RECT{0, 0, 50, 40}));
    EXPECT_EQ(paints, 2) << "repainted at its new size";
    EXPECT_EQ(headless::window_pixels().pixels.back(), 0x070809u);
    for (const message& m : recorder::log()) {
        EXPECT_NE(m.id, static_cast<UINT>(WM_MOUSEMOVE));
    }
}

TEST_F(user32_test, default_paint_validates_so_the_loop_moves_on) {
    HWND window = fresh_window();
    SetTimer(window, 1, 10, nullptr);
    headless::set_script({{1000, input::close_button}});
    InvalidateRect(window, nullptr, FALSE);
    MSG msg;
    std::vector<UINT> ids;
    for (int i = 0; i < 3; ++i) {
        GetMessageA(&msg, nullptr, 0, 0);
        ids.push_back(msg.message);
        DispatchMessageA(&msg); // the recorder leaves WM_PAINT to DefWindowProcA
    }
    EXPECT_EQ(ids, (std::vector<UINT>{WM_PAINT, WM_TIMER, WM_TIMER}));
}

TEST_F(user32_test, begin_and_end_paint_reject_bad_arguments) {
    HWND window = fresh_window();
    PAINTSTRUCT paint;
    EXPECT_EQ(BeginPaint(nullptr, &paint), nullptr);
    EXPECT_EQ(BeginPaint(window, nullptr), nullptr);
    EXPECT_FALSE(EndPaint(window, nullptr));
    PAINTSTRUCT never = {};
    EXPECT_TRUE(EndPaint(window, &never)) << "EndPaint does not fail";
    EXPECT_EQ(headless::frames_presented(), 1) << "but presents nothing it did not begin";
    EXPECT_FALSE(ValidateRect(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234)), nullptr));
}

#endif

} // namespace
