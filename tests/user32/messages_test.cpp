// The message queue: order, priorities, filters, timers and the end of the loop.
#include "recorder.h"

namespace {

using recorder::message;

// The next message as GetMessageA returns it, with its result.
struct got {
    BOOL result;
    MSG msg;
};

got get(HWND window = nullptr, UINT first = 0, UINT last = 0) {
    got g = {0, {}};
    g.result = GetMessageA(&g.msg, window, first, last);
    return g;
}

TEST_F(user32_test, posted_messages_come_first_in_first_out) {
    HWND window = recorder::shown_window();
    for (UINT i = 0; i < 5; ++i) {
        PostMessageA(window, WM_USER + i, i, static_cast<LPARAM>(10 * i));
    }
    for (UINT i = 0; i < 5; ++i) {
        got g = get();
        EXPECT_EQ(g.result, TRUE);
        EXPECT_EQ(g.msg.hwnd, window);
        EXPECT_EQ(g.msg.message, WM_USER + i);
        EXPECT_EQ(g.msg.wParam, i);
        EXPECT_EQ(g.msg.lParam, static_cast<LPARAM>(10 * i));
    }
}

TEST_F(user32_test, paint_is_synthesised_until_the_window_is_validated) {
    HWND window = recorder::shown_window();
    InvalidateRect(window, nullptr, FALSE);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "still invalid: taken but not dispatched";
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    ValidateRect(window, nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(user32_test, quit_ends_the_loop_with_its_code_whatever_the_filters) {
    HWND window = recorder::shown_window();
    PostMessageA(window, WM_USER, 0, 0);
    PostQuitMessage(42);
    got first = get();
    EXPECT_EQ(first.result, TRUE);
    EXPECT_EQ(first.msg.message, static_cast<UINT>(WM_USER));
    got quit = get(window, WM_USER + 1, WM_USER + 1); // outside the filters
    EXPECT_EQ(quit.result, FALSE);
    EXPECT_EQ(quit.msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(quit.msg.wParam, 42u);
    EXPECT_EQ(quit.msg.hwnd, nullptr);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "taken once";
}

TEST_F(user32_test, peek_removes_only_with_pm_remove) {
    HWND window = recorder::shown_window();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    PostMessageA(window, WM_USER, 1, 0);
    PostMessageA(window, WM_USER, 2, 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    PostQuitMessage(9);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 9u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(recorder::log().empty()) << "peeking dispatches nothing";
}

TEST_F(user32_test, range_and_window_filters) {
    HWND a = recorder::shown_window();
    HWND b = recorder::shown_window();
    PostMessageA(a, WM_USER, 0, 0);
    PostMessageA(b, WM_USER + 5, 0, 0);
    PostMessageA(a, WM_USER + 1, 0, 0);
    PostMessageA(nullptr, WM_USER + 2, 0, 0);
    HWND thread_only = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(-1));
    struct step {
        HWND window;
        UINT first, last;
        HWND expected_window;
        UINT expected;
    };
    const step steps[] = {
        {nullptr, WM_USER + 1, WM_USER + 5, b, WM_USER + 5},
        {a, 0, 0, a, WM_USER},
        {thread_only, 0, 0, nullptr, WM_USER + 2},
        {nullptr, WM_USER + 1, WM_USER + 1, a, WM_USER + 1},
    };
    for (const step& s : steps) {
        got g = get(s.window, s.first, s.last);
        EXPECT_EQ(g.msg.hwnd, s.expected_window);
        EXPECT_EQ(g.msg.message, s.expected);
    }
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    PostMessageA(a, WM_USER, 0, 0);
    EXPECT_FALSE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE)) << "not for b";
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) << "outside the range";
    EXPECT_TRUE(PeekMessageA(&msg, a, WM_USER, WM_USER, PM_REMOVE));
}

TEST_F(user32_test, get_message_rejects_a_bad_window_or_no_message) {
    HWND window = recorder::shown_window();
    DestroyWindow(window);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, window, 0, 0), -1);
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
}

TEST_F(user32_test, send_calls_the_procedure_directly_and_post_does_not) {
    recorder::react([](HWND, UINT id, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
        return id == WM_USER ? std::optional<LRESULT>(static_cast<LRESULT>(wparam) * 2) : std::nullopt;
    });
    HWND window = recorder::shown_window();
    EXPECT_EQ(SendMessageA(window, WM_USER, 21, 0), 42);
    EXPECT_EQ(recorder::ids(), (std::vector<UINT>{WM_USER}));
    EXPECT_TRUE(PostMessageA(window, WM_USER, 1, 0));
    EXPECT_EQ(recorder::ids().size(), 1u);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    EXPECT_EQ(DispatchMessageA(&msg), 2);
#if !defined(_WIN32) // Windows leaves a null message undefined
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
#endif
    MSG thread = {nullptr, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&thread), 0);
    EXPECT_EQ(recorder::ids().size(), 2u);
}

TEST_F(user32_test, translate_message_reports_key_messages_and_posts_nothing) {
    HWND window = recorder::shown_window();
    for (UINT id : {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP}) {
        MSG msg = {window, id, VK_F1, 0x003B0001, 0, {0, 0}}; // a key without a character: Windows posts none
        EXPECT_TRUE(TranslateMessage(&msg));
    }
    MSG other = {window, WM_MOUSEMOVE, 0, 0, 0, {0, 0}};
    EXPECT_FALSE(TranslateMessage(&other));
#if !defined(_WIN32) // nor does it say what a null message gives
    EXPECT_FALSE(TranslateMessage(nullptr));
#endif
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

#if !defined(_WIN32)
// The headless host's own: its script of input, its virtual clock, the frames it counts, and the loop's end
// when nothing more can arrive. Windows has none of these, so the conformance build leaves them out.

// Keeps a run from ending through the end of its script until `ms`. Windows never closes it.
void keep_open_until(std::uint64_t ms) {
    headless::set_script({{ms, headless::input::close_button}});
}

std::vector<message> callback_calls;
void CALLBACK record_callback(HWND window, UINT id, UINT_PTR timer, DWORD time) {
    callback_calls.push_back({window, id, timer, static_cast<LPARAM>(time)});
}
void CALLBACK other_callback(HWND, UINT, UINT_PTR, DWORD) {
    ADD_FAILURE() << "a forged WM_TIMER must not run code";
}

TEST_F(user32_test, timer_callbacks_are_called_instead_of_the_window_procedure) {
    callback_calls.clear();
    HWND window = recorder::shown_window();
    keep_open_until(100000);
    SetTimer(window, 4, 10, record_callback);
    got g = get();
    EXPECT_EQ(g.msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(g.msg.lParam, reinterpret_cast<LPARAM>(&record_callback));
    DispatchMessageA(&g.msg);
    EXPECT_EQ(callback_calls, (std::vector<message>{{window, WM_TIMER, 4, 10}}));
    EXPECT_TRUE(recorder::log().empty());

    PostMessageA(window, WM_TIMER, 4, reinterpret_cast<LPARAM>(&other_callback));
    g = get();
    DispatchMessageA(&g.msg);
    EXPECT_TRUE(recorder::log().empty());
}

TEST_F(user32_test, timers_are_per_window_and_id_and_can_be_killed) {
    HWND a = recorder::shown_window();
    HWND b = recorder::shown_window();
    keep_open_until(100000);
    SetTimer(a, 1, 10, nullptr);
    SetTimer(b, 1, 15, nullptr);
    SetTimer(a, 2, 25, nullptr);
    std::vector<message> ticks;
    for (int i = 0; i < 4; ++i) {
        got g = get();
        ticks.push_back({g.msg.hwnd, g.msg.message, g.msg.wParam, static_cast<LPARAM>(g.msg.time)});
    }
    std::vector<message> expected = {
        {a, WM_TIMER, 1, 10}, {b, WM_TIMER, 1, 15}, {a, WM_TIMER, 1, 20}, {a, WM_TIMER, 2, 25}};
    EXPECT_EQ(ticks, expected);
    EXPECT_TRUE(KillTimer(a, 1));
    EXPECT_FALSE(KillTimer(a, 1));
    EXPECT_FALSE(KillTimer(a, 3));
    EXPECT_TRUE(KillTimer(b, 1));
    got g = get();
    EXPECT_EQ(g.msg.hwnd, a);
    EXPECT_EQ(g.msg.wParam, 2u);
    EXPECT_EQ(g.msg.time, 50u);
}

TEST_F(user32_test, thread_timers_have_their_own_ids) {
    callback_calls.clear();
    keep_open_until(100000);
    UINT_PTR id = SetTimer(nullptr, 0, 20, record_callback);
    ASSERT_NE(id, 0u);
    UINT_PTR other = SetTimer(nullptr, 0, 30, record_callback);
    EXPECT_NE(other, id);
    EXPECT_EQ(SetTimer(nullptr, id, 40, record_callback), id) << "an existing id is replaced";
    EXPECT_TRUE(KillTimer(nullptr, other));
    got g = get();
    EXPECT_EQ(g.msg.hwnd, nullptr);
    EXPECT_EQ(g.msg.wParam, id);
    EXPECT_EQ(g.msg.time, 40u);
    DispatchMessageA(&g.msg);
    EXPECT_EQ(callback_calls.size(), 1u);
}

using headless::input;

// Takes `count` messages with GetMessageA, dispatching each, and returns their ids.
std::vector<UINT> take(int count) {
    std::vector<UINT> ids;
    for (int i = 0; i < count; ++i) {
        MSG msg;
        GetMessageA(&msg, nullptr, 0, 0);
        ids.push_back(msg.message);
        DispatchMessageA(&msg);
    }
    return ids;
}

void quit_on_destroy(int code) {
    recorder::react([code](HWND, UINT id, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (id == WM_DESTROY) {
            PostQuitMessage(code);
        }
        return std::nullopt;
    });
}

TEST_F(user32_test, input_and_posted_messages_share_one_queue_in_arrival_order) {
    HWND window = recorder::shown_window();
    headless::set_script(
        {{0, input::mouse_move, 1, 1}, {5, input::mouse_move, 2, 2}, {500, input::close_button}});
    PostMessageA(window, WM_USER, 0, 0); // before the first input arrives
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the input at 0 ms arrives
    PostMessageA(window, WM_USER + 1, 0, 0);
    headless::advance_clock(5);
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the input at 5 ms arrives
    PostMessageA(window, WM_USER + 2, 0, 0);
    EXPECT_EQ(take(5), (std::vector<UINT>{WM_USER, WM_MOUSEMOVE, WM_USER + 1, WM_MOUSEMOVE, WM_USER + 2}));
}

TEST_F(user32_test, get_message_waits_for_the_next_input) {
    recorder::shown_window();
    headless::set_script({{250, input::mouse_move, 7, 8}});
    got g = get();
    EXPECT_EQ(g.msg.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(g.msg.time, 250u);
    EXPECT_EQ(headless::now_ms(), 250u);
}

// Which message GetMessageA picks when several kinds are waiting at once.
struct priority_case {
    const char* name;
    bool posted;
    bool invalid;
    bool timer_due;
    bool quit;
    std::vector<UINT> expected; // with each dispatched, until the queue is empty
};

class priorities : public user32_test, public testing::WithParamInterface<priority_case> {};

TEST_P(priorities, posted_and_input_then_quit_then_paint_then_timer) {
    const priority_case& c = GetParam();
    HWND window = recorder::shown_window();
    keep_open_until(100000);
    if (c.timer_due) {
        SetTimer(window, 1, 10, nullptr);
        headless::advance_clock(10);
    }
    if (c.invalid) {
        InvalidateRect(window, nullptr, FALSE);
    }
    if (c.posted) {
        PostMessageA(window, WM_USER, 0, 0);
    }
    if (c.quit) {
        PostQuitMessage(0);
    }
    std::vector<UINT> ids;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ids.push_back(msg.message);
        DispatchMessageA(&msg);
        if (msg.message == WM_QUIT) {
            break;
        }
    }
    EXPECT_EQ(ids, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    cases, priorities,
    testing::Values(priority_case{"all", true, true, true, false, {WM_USER, WM_PAINT, WM_TIMER}},
                    priority_case{"paint_before_timer", false, true, true, false, {WM_PAINT, WM_TIMER}},
                    priority_case{"posted_before_paint", true, true, false, false, {WM_USER, WM_PAINT}},
                    priority_case{"posted_before_timer", true, false, true, false, {WM_USER, WM_TIMER}},
                    priority_case{"quit_after_posted", true, true, true, true, {WM_USER, WM_QUIT}},
                    priority_case{"quit_before_paint_and_timer", false, true, true, true, {WM_QUIT}},
                    priority_case{"nothing", false, false, false, false, {}}),
    [](const testing::TestParamInfo<priority_case>& info) { return info.param.name; });

TEST_F(user32_test, a_late_loop_gets_one_timer_tick_not_a_burst) {
    HWND window = recorder::shown_window();
    keep_open_until(100000);
    SetTimer(window, 1, 10, nullptr);
    headless::advance_clock(1000); // the program was busy for a second
    std::vector<DWORD> times;
    for (int i = 0; i < 3; ++i) {
        got g = get();
        EXPECT_EQ(g.msg.message, static_cast<UINT>(WM_TIMER));
        EXPECT_EQ(g.msg.wParam, 1u);
        times.push_back(g.msg.time);
    }
    EXPECT_EQ(times, (std::vector<DWORD>{1000, 1010, 1020}));
}

struct timer_case {
    const char* name;
    UINT period;            // first SetTimer(window, 1, period)
    std::uint64_t reset_at; // when not 0: SetTimer(window, 1, reset_period) again at that time
    UINT reset_period;
    std::vector<DWORD> ticks; // times of the first ticks
    std::uint64_t late = 0;   // the first tick is taken this long after the timer was set
};

class timer_periods : public user32_test, public testing::WithParamInterface<timer_case> {};

TEST_P(timer_periods, tick_at_the_expected_times) {
    const timer_case& c = GetParam();
    HWND window = recorder::shown_window();
    keep_open_until(std::uint64_t{1} << 40);
    EXPECT_EQ(SetTimer(window, 1, c.period, nullptr), 1u);
    if (c.reset_at != 0) {
        headless::advance_clock(c.reset_at);
        EXPECT_EQ(SetTimer(window, 1, c.reset_period, nullptr), 1u);
    }
    headless::advance_clock(c.late);
    std::vector<DWORD> ticks;
    while (ticks.size() < c.ticks.size()) {
        got g = get();
        ASSERT_EQ(g.msg.message, static_cast<UINT>(WM_TIMER));
        ticks.push_back(g.msg.time);
    }
    EXPECT_EQ(ticks, c.ticks);
}

INSTANTIATE_TEST_SUITE_P(cases, timer_periods,
                         testing::Values(timer_case{"ten_ms", 10, 0, 0, {10, 20, 30}},
                                         timer_case{"zero_is_ten", 0, 0, 0, {10, 20, 30}},
                                         timer_case{"one_is_ten", 1, 0, 0, {10, 20}},
                                         timer_case{"thirty", 30, 0, 0, {30, 60}},
                                         timer_case{"same_id_replaces", 100, 20, 30, {50, 80, 110}},
                                         timer_case{"huge_is_clamped", 0xFFFFFFFF, 0, 0, {0x7FFFFFFF}},
                                         timer_case{"late_keeps_the_beat", 10, 0, 0, {13, 20, 30}, 13},
                                         timer_case{"period_late_restarts", 10, 0, 0, {20, 30, 40}, 20}),
                         [](const testing::TestParamInfo<timer_case>& info) { return info.param.name; });

TEST_F(user32_test, peeked_timer_stays_due_until_removed) {
    HWND window = recorder::shown_window();
    SetTimer(window, 1, 10, nullptr);
    headless::advance_clock(10);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "restarted from now";
}

TEST_F(user32_test, the_end_of_the_script_closes_the_window_at_the_last_input) {
    quit_on_destroy(5);
    HWND window = recorder::shown_window();
    headless::set_script({{30, input::mouse_move, 4, 4}});
    EXPECT_EQ(recorder::run_loop(), 5);
    std::vector<message> expected = {{window, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4)},
                                     {window, WM_CLOSE, 0, 0},
                                     {window, WM_DESTROY, 0, 0},
                                     {window, WM_NCDESTROY, 0, 0}};
    EXPECT_EQ(recorder::log(), expected);
    EXPECT_EQ(headless::now_ms(), 30u);
}

TEST_F(user32_test, close_button_posts_close_and_default_processing_destroys) {
    quit_on_destroy(0);
    HWND window = recorder::shown_window();
    SetTimer(window, 1, 10, nullptr);
    headless::set_script({{25, input::close_button}});
    EXPECT_EQ(recorder::run_loop(), 0);
    EXPECT_EQ(recorder::ids(), (std::vector<UINT>{WM_TIMER, WM_TIMER, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(headless::now_ms(), 25u);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(user32_test, a_loop_that_can_never_receive_anything_ends_with_code_one) {
    testing::internal::CaptureStderr();
    got g = get();
    std::string line = testing::internal::GetCapturedStderr();
    EXPECT_EQ(g.result, FALSE);
    EXPECT_EQ(g.msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(g.msg.wParam, 1u);
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line: " << line;
}

TEST_F(user32_test, a_window_that_ignores_close_does_not_hang_the_loop) {
    recorder::react([](HWND, UINT id, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return id == WM_CLOSE ? std::optional<LRESULT>(0) : std::nullopt;
    });
    HWND window = recorder::shown_window();
    testing::internal::CaptureStderr();
    EXPECT_EQ(recorder::run_loop(), 1);
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(recorder::ids(), (std::vector<UINT>{WM_CLOSE}));
}

TEST_F(user32_test, many_frames_run_on_the_virtual_clock) {
    recorder::react([](HWND window, UINT id, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (id == WM_TIMER) {
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        }
        if (id == WM_DESTROY) {
            PostQuitMessage(0);
        }
        return std::nullopt;
    });
    HWND window = recorder::shown_window(64, 48);
    SetTimer(window, 1, 10, nullptr);
    headless::set_script({{200000, input::close_button}});
    EXPECT_EQ(recorder::run_loop(), 0);
    // One paint at creation (before the log was cleared) and one per tick up to 199,990 ms.
    EXPECT_EQ(headless::frames_presented(), 1 + 19999);
}

#endif

} // namespace
