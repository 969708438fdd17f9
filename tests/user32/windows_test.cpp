// Classes, window creation and destruction, and the small services around them.
#include "recorder.h"

#include <climits>
#include <cstring>
#include <tuple>

namespace {

using recorder::message;

LRESULT CALLBACK quiet_procedure(HWND window, UINT id, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, id, wparam, lparam);
}

WNDCLASSEXA class_named(const char* name) {
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = quiet_procedure;
    cls.lpszClassName = name;
    return cls;
}

HWND create(const char* cls, int x = 0, int y = 0, int width = 200, int height = 100) {
    return CreateWindowExA(0, cls, "", WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

struct registration_case {
    const char* name;
    void (*spoil)(WNDCLASSEXA&);
};

class class_registration : public user32_test, public testing::WithParamInterface<registration_case> {};

TEST_P(class_registration, fails_without_what_a_class_needs) {
    WNDCLASSEXA cls = class_named("spoilt");
    GetParam().spoil(cls);
    EXPECT_EQ(RegisterClassExA(&cls), 0);
}

INSTANTIATE_TEST_SUITE_P(
    cases, class_registration,
    testing::Values(registration_case{"null_name", [](WNDCLASSEXA& c) { c.lpszClassName = nullptr; }},
                    registration_case{"null_procedure", [](WNDCLASSEXA& c) { c.lpfnWndProc = nullptr; }},
                    registration_case{"wrong_size", [](WNDCLASSEXA& c) { c.cbSize = 0; }},
                    registration_case{"duplicate_name",
                                      [](WNDCLASSEXA& c) { c.lpszClassName = "recording_window"; }},
                    registration_case{"duplicate_in_other_case",
                                      [](WNDCLASSEXA& c) { c.lpszClassName = "RECORDING_Window"; }}),
    [](const testing::TestParamInfo<registration_case>& info) { return info.param.name; });

TEST_F(user32_test, registration_gives_distinct_atoms_that_name_the_class) {
#if !defined(_WIN32) // Windows leaves a null class undefined
    EXPECT_EQ(RegisterClassExA(nullptr), 0);
#endif
    WNDCLASSEXA first = class_named("first");
    WNDCLASSEXA second = class_named("second");
    ATOM a = RegisterClassExA(&first);
    ATOM b = RegisterClassExA(&second);
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    EXPECT_NE(a, b);
    HWND by_atom =
        CreateWindowExA(0, MAKEINTATOM(b), "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(by_atom, nullptr);
    EXPECT_FALSE(UnregisterClassA("second", nullptr)) << "a class in use stays";
    DestroyWindow(by_atom);
    EXPECT_TRUE(UnregisterClassA("second", nullptr));
    EXPECT_FALSE(UnregisterClassA("second", nullptr));
    EXPECT_NE(RegisterClassExA(&second), 0) << "the name is free again";
}

TEST_F(user32_test, creation_of_an_unknown_class_fails_without_messages) {
    EXPECT_EQ(create("no_such_class"), nullptr);
    EXPECT_EQ(create(nullptr), nullptr);
    EXPECT_TRUE(recorder::log().empty());
}

TEST_F(user32_test, creation_sends_nccreate_then_create_and_nothing_else_until_shown) {
    HWND window = create(recorder::class_name);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(recorder::ids(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
    for (const message& m : recorder::log()) {
        EXPECT_EQ(m.window, window);
        EXPECT_NE(m.lparam, 0) << "a CREATESTRUCTA comes with both";
    }
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindow(nullptr));
}

TEST_F(user32_test, create_message_carries_the_creation_structure) {
    CREATESTRUCTA seen = {};
    recorder::react([&](HWND, UINT id, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
        if (id == WM_CREATE) {
            seen = *reinterpret_cast<const CREATESTRUCTA*>(lparam);
        }
        return std::nullopt;
    });
    int param = 7;
    HWND window = CreateWindowExA(0, recorder::class_name, "title", WS_OVERLAPPEDWINDOW, 5, 6, 300, 200,
                                  nullptr, nullptr, nullptr, &param);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(
        std::tuple(seen.lpCreateParams, seen.x, seen.y, seen.cx, seen.cy, seen.style),
        std::tuple(static_cast<LPVOID>(&param), 5, 6, 300, 200, static_cast<LONG>(WS_OVERLAPPEDWINDOW)));
    EXPECT_STREQ(seen.lpszName, "title");
}

TEST_F(user32_test, a_hidden_window_is_not_painted) {
    HWND window = create(recorder::class_name);
    recorder::clear();
    UpdateWindow(window);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(recorder::log().empty());
    ShowWindow(window, SW_SHOW);
    ShowWindow(window, SW_HIDE);
    EXPECT_EQ(recorder::log().back(), (message{window, WM_SHOWWINDOW, FALSE, 0}));
}

TEST_F(user32_test, destroy_sends_destroy_then_ncdestroy_and_forgets_the_window) {
    HWND window = recorder::shown_window();
    SetTimer(window, 1, 10, nullptr);
    PostMessageA(window, WM_USER, 1, 2);
    PostMessageA(nullptr, WM_USER, 3, 4); // a thread message survives
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(recorder::ids(), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_FALSE(KillTimer(window, 1)) << "its timers went with it";
    EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 0);
    RECT client;
    EXPECT_FALSE(GetClientRect(window, &client));
    EXPECT_FALSE(InvalidateRect(window, nullptr, TRUE));
    EXPECT_FALSE(UpdateWindow(window));
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_EQ(SetTimer(window, 1, 10, nullptr), 0u);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "its queued message was dropped";
}

TEST_F(user32_test, a_window_destroying_itself_inside_its_procedure_is_safe) {
    recorder::react([](HWND window, UINT id, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (id == WM_USER) {
            DestroyWindow(window);
            // Still callable with the dead handle from inside the procedure.
            EXPECT_FALSE(IsWindow(window));
            PAINTSTRUCT paint;
            EXPECT_EQ(BeginPaint(window, &paint), nullptr);
            return 5;
        }
        if (id == WM_DESTROY) {
            EXPECT_TRUE(IsWindow(window)) << "alive while WM_DESTROY runs";
            EXPECT_FALSE(DestroyWindow(window)) << "no second destruction";
        }
        return std::nullopt;
    });
    HWND window = recorder::shown_window();
    HDC never_given_back = GetDC(window);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    SelectObject(never_given_back, pen);
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 5);
    EXPECT_EQ(recorder::ids(), (std::vector<UINT>{WM_USER, WM_DESTROY, WM_NCDESTROY}));
#if !defined(_WIN32)
    // Once the loop runs again and no procedure does, the window is gone with its DC, which lets go of the
    // pen.
    PostQuitMessage(0);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_TRUE(DeleteObject(pen));
#endif
}

TEST_F(user32_test, system_cursors_are_shared_and_others_are_absent) {
    // IDC_ARROW to IDC_HELP, as LoadCursor's documentation numbers them.
    for (WORD id : {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642, 32643, 32644, 32645, 32646, 32648,
                    32649, 32650, 32651}) {
        EXPECT_NE(LoadCursorA(nullptr, MAKEINTRESOURCEA(id)), nullptr) << id;
    }
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, "arrow"), nullptr);
    EXPECT_EQ(LoadCursorA(GetModuleHandleA(nullptr), IDC_ARROW), nullptr) << "no cursor resources of our own";
}

TEST_F(user32_test, move_window_resizes_and_moves) {
    HWND window = recorder::shown_window(200, 100);
    EXPECT_TRUE(MoveWindow(window, 10, 20, 300, 150, FALSE));
    std::vector<message> expected = {{window, WM_MOVE, 0, MAKELPARAM(10, 20)},
                                     {window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 150)}};
    EXPECT_EQ(recorder::log(), expected);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client, (RECT{0, 0, 300, 150}));
    EXPECT_FALSE(MoveWindow(nullptr, 0, 0, 1, 1, TRUE));
}

#if !defined(_WIN32)
// The headless host's own: windows it refuses, the frames it counts, its virtual clock and the pixels it
// keeps. Windows has none of these, so the conformance build leaves them out.

TEST_F(user32_test, default_size_and_clamped_sizes) {
    struct size_case {
        int width, height;
        LONG right, bottom;
    };
    const size_case cases[] = {
        {CW_USEDEFAULT, 0, 1024, 640},
        {CW_USEDEFAULT, 77, 1024, 640},
        {0, 0, 0, 0},
        {-5, -7, 0, 0},
        {INT_MAX, 3, 8192, 3},
        {3, INT_MIN, 3, 0},
        {640, 480, 640, 480},
    };
    for (const size_case& c : cases) {
        HWND window = CreateWindowExA(0, recorder::class_name, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                      c.width, c.height, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        RECT client = {1, 2, 3, 4};
        ASSERT_TRUE(GetClientRect(window, &client));
        EXPECT_EQ(client, (RECT{0, 0, c.right, c.bottom})) << c.width << " x " << c.height;
        DestroyWindow(window);
    }
    EXPECT_FALSE(GetClientRect(nullptr, nullptr));
}

TEST_F(user32_test, debug_output_goes_to_stderr_unchanged) {
    testing::internal::CaptureStderr();
    OutputDebugStringA("12, 34\r\n");
    OutputDebugStringA(nullptr);
    OutputDebugStringA("");
    OutputDebugStringA("\x01\xff tail");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "12, 34\r\n\x01\xff tail");
}

struct refusal_case {
    const char* name;
    UINT refused_message;
    LRESULT answer;
    std::vector<UINT> expected;
};

class refused_creation : public user32_test, public testing::WithParamInterface<refusal_case> {};

TEST_P(refused_creation, returns_null_and_leaves_no_window) {
    HWND seen = nullptr;
    recorder::react([&](HWND window, UINT id, WPARAM, LPARAM) -> std::optional<LRESULT> {
        seen = window;
        if (id == GetParam().refused_message) {
            return GetParam().answer;
        }
        return std::nullopt;
    });
    EXPECT_EQ(create(recorder::class_name), nullptr);
    EXPECT_EQ(recorder::ids(), GetParam().expected);
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(headless::frames_presented(), 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "nothing left to paint or deliver";
}

INSTANTIATE_TEST_SUITE_P(
    cases, refused_creation,
    testing::Values(
        refusal_case{"nccreate_false", WM_NCCREATE, FALSE, {WM_NCCREATE, WM_NCDESTROY}},
        refusal_case{"create_minus_one", WM_CREATE, -1, {WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}}),
    [](const testing::TestParamInfo<refusal_case>& info) { return info.param.name; });

TEST_F(user32_test, creation_fails_when_the_host_refuses_a_window) {
    headless::fail_window_creation(true);
    EXPECT_EQ(create(recorder::class_name), nullptr);
    EXPECT_TRUE(recorder::log().empty());
    headless::fail_window_creation(false);
    EXPECT_NE(create(recorder::class_name), nullptr);
}

TEST_F(user32_test, show_then_update_reports_size_and_paints_once) {
    HWND window = create(recorder::class_name, 3, 4, 200, 100);
    recorder::clear();
    EXPECT_FALSE(ShowWindow(window, SW_SHOWDEFAULT)) << "was hidden";
    EXPECT_TRUE(UpdateWindow(window));
    std::vector<message> expected = {
        {window, WM_SHOWWINDOW, TRUE, 0},
        {window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 100)},
        {window, WM_MOVE, 0, MAKELPARAM(3, 4)},
        {window, WM_PAINT, 0, 0},
    };
    ASSERT_EQ(recorder::log().size(), 5u) << testing::PrintToString(recorder::log());
    EXPECT_EQ(std::vector<message>(recorder::log().begin(), recorder::log().begin() + 4), expected);
    // The erase comes from BeginPaint inside DefWindowProcA's WM_PAINT, with the paint DC.
    EXPECT_EQ(recorder::log()[4].id, static_cast<UINT>(WM_ERASEBKGND));
    EXPECT_NE(recorder::log()[4].wparam, 0u);
    EXPECT_EQ(headless::frames_presented(), 1);

    recorder::clear();
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_TRUE(ShowWindow(window, SW_SHOW)) << "was visible";
    EXPECT_TRUE(recorder::log().empty()) << "valid and already shown: nothing to do";
}

TEST_F(user32_test, a_window_destroyed_while_painting_is_safe) {
    recorder::react([](HWND window, UINT id, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (id == WM_PAINT) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            EXPECT_NE(dc, nullptr);
            DestroyWindow(window);
            RECT r = {0, 0, 10, 10};
            FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            EndPaint(window, &paint);
            return 0;
        }
        return std::nullopt;
    });
    HWND window = CreateWindowExA(0, recorder::class_name, "", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr,
                                  nullptr, nullptr, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(headless::frames_presented(), 0) << "nothing to show for a window that is gone";
}

TEST_F(user32_test, module_handle_and_tick_count) {
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
    EXPECT_EQ(GetModuleHandleA("kernel32.dll"), nullptr);
    EXPECT_EQ(GetTickCount(), 0u) << "the virtual clock starts at 0";
    headless::advance_clock(1234);
    EXPECT_EQ(GetTickCount(), 1234u);
    headless::advance_clock(0x100000000ull);
    EXPECT_EQ(GetTickCount(), 1234u) << "wraps at 32 bits like Windows";
}

#endif

} // namespace
