// The SDL host without a display: SDL's dummy video driver keeps window surfaces in memory, and events are
// pushed into SDL's queue as the X server would send them. The host puts on screen only the rows that changed
// since the last frame, so every frame is checked pixel by pixel against the picture it should show: after
// repeated, changed and moved pictures, after an expose, and on a surface that SDL made anew behind user32's
// back. And with MIRRORS_FRAME_LOG the host writes one time per frame.
#include "platform_hooks.h"

#include <windows.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int width = 64;
constexpr int height = 48;

// What the window procedure paints: a background and one bar, like the program's frames made off-screen
// and copied to the window in one block transfer.
struct picture {
    std::uint32_t background;
    int bar_top;
    int bar_bottom; // bar_top == bar_bottom: no bar
    int bar_left;
    int bar_right;
};
picture shown{0x112233, 10, 12, 5, 40};

COLORREF colorref(std::uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

constexpr std::uint32_t bar_colour = 0xFFFF00;

std::uint32_t expected_pixel(const picture& p, int x, int y) {
    bool in_bar = y >= p.bar_top && y < p.bar_bottom && x >= p.bar_left && x < p.bar_right;
    return in_bar ? bar_colour : p.background;
}

LRESULT CALLBACK painting_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        HBITMAP frame = CreateCompatibleBitmap(dc, client.right, client.bottom);
        HDC frame_dc = CreateCompatibleDC(dc);
        HGDIOBJ old_bitmap = SelectObject(frame_dc, frame);
        HBRUSH background = CreateSolidBrush(colorref(shown.background));
        FillRect(frame_dc, &client, background);
        DeleteObject(background);
        HBRUSH bar = CreateSolidBrush(colorref(bar_colour));
        RECT bar_rect{shown.bar_left, shown.bar_top, shown.bar_right, shown.bar_bottom};
        FillRect(frame_dc, &bar_rect, bar);
        DeleteObject(bar);
        BitBlt(dc, 0, 0, client.right, client.bottom, frame_dc, 0, 0, SRCCOPY);
        SelectObject(frame_dc, old_bitmap);
        DeleteDC(frame_dc);
        DeleteObject(frame);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

std::uint32_t surface_pixel(SDL_Surface* s, int x, int y) {
    const auto* row = static_cast<const unsigned char*>(s->pixels) + static_cast<std::size_t>(y) * s->pitch;
    return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFFu;
}

void set_surface_pixel(SDL_Surface* s, int x, int y, std::uint32_t pixel) {
    auto* row = static_cast<unsigned char*>(s->pixels) + static_cast<std::size_t>(y) * s->pitch;
    reinterpret_cast<std::uint32_t*>(row)[x] = pixel;
}

std::vector<MSG> received;

// What the window received: message, wParam and lParam.
using messages = std::vector<std::tuple<UINT, WPARAM, LPARAM>>;
messages received_messages() {
    messages got;
    for (const MSG& m : received) {
        got.emplace_back(m.message, m.wParam, m.lParam);
    }
    return got;
}

class sdl_host : public testing::Test {
  protected:
    HWND window = nullptr;
    SDL_Window* sdl = nullptr;

    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        shown = picture{0x112233, 10, 12, 5, 40};
        std::string reason;
        ASSERT_TRUE(platform::start_host(&reason)) << reason;
        WNDCLASSEXA cls = {};
        cls.cbSize = sizeof cls;
        cls.style = CS_HREDRAW | CS_VREDRAW;
        cls.lpfnWndProc = painting_procedure;
        cls.lpszClassName = "sdl_host_test";
        RegisterClassExA(&cls);
        window = CreateWindowExA(0, "sdl_host_test", "", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        // Our only SDL window.
        for (Uint32 id = 1; id < 100 && sdl == nullptr; ++id) {
            sdl = SDL_GetWindowFromID(id);
        }
        ASSERT_NE(sdl, nullptr);
        drain();
        received.clear();
    }

    void TearDown() override {
        DestroyWindow(window);
        UnregisterClassA("sdl_host_test", nullptr);
        platform::stop_host();
    }

    // Everything waiting, without dispatching but the paints.
    static void drain() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            received.push_back(msg);
            if (msg.message == WM_PAINT) {
                DispatchMessageA(&msg);
            }
        }
    }

    std::vector<MSG> after(SDL_Event e) {
        received.clear();
        e.window.windowID = SDL_GetWindowID(sdl);
        SDL_PushEvent(&e);
        drain();
        return received;
    }

    void paint(const picture& p) {
        shown = p;
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }

    void expect_surface_shows(const picture& p, const std::string& what) {
        SDL_Surface* s = SDL_GetWindowSurface(sdl);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->w, width);
        ASSERT_EQ(s->h, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(surface_pixel(s, x, y), expected_pixel(p, x, y))
                    << what << " at " << x << ", " << y;
            }
        }
    }
};

TEST_F(sdl_host, mouse_inside_is_delivered_in_client_coordinates_and_outside_is_not) {
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 10;
    e.motion.y = 20;
    e.motion.state = SDL_BUTTON_LMASK;
    e.motion.windowID = SDL_GetWindowID(sdl);
    received.clear();
    SDL_PushEvent(&e);
    e.motion.x = 64; // one past the right edge: the implicit grab still reports it, we don't
    SDL_PushEvent(&e);
    SDL_Event up = {};
    up.type = SDL_MOUSEBUTTONUP;
    up.button.button = SDL_BUTTON_LEFT;
    up.button.x = -3;
    up.button.y = 5;
    up.button.windowID = e.motion.windowID;
    SDL_PushEvent(&up);
    SDL_Event down = {};
    down.type = SDL_MOUSEBUTTONDOWN;
    down.button.button = SDL_BUTTON_RIGHT;
    down.button.clicks = 2; // a double click stays a plain button-down
    down.button.x = 1;
    down.button.y = 2;
    down.button.windowID = e.motion.windowID;
    SDL_PushEvent(&down);
    drain();
    // The left button was released outside.
    EXPECT_EQ(received_messages(), (messages{{WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 20)},
                                             {WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 2)}}));
}

TEST_F(sdl_host, the_edge_position_and_a_release_after_a_leave_are_not_delivered) {
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = SDL_GetWindowID(sdl);
    e.motion.x = 10;
    e.motion.y = 20;
    received.clear();
    SDL_PushEvent(&e);
    e.motion.x = 63; // SDL's clamp of the position outside
    SDL_PushEvent(&e);
    SDL_Event leave = {};
    leave.type = SDL_WINDOWEVENT;
    leave.window.event = SDL_WINDOWEVENT_LEAVE;
    leave.window.windowID = e.motion.windowID;
    SDL_PushEvent(&leave);
    drain();
    // Back inside, pressed, out again: the release happened outside, where SDL reports it at the edge.
    e.motion.x = 30;
    SDL_PushEvent(&e);
    SDL_Event click = {};
    click.button = {SDL_MOUSEBUTTONDOWN, 0, e.motion.windowID, 0, SDL_BUTTON_LEFT, SDL_PRESSED, 1, 0, 30, 20};
    SDL_PushEvent(&click);
    SDL_PushEvent(&leave);
    click.button = {SDL_MOUSEBUTTONUP, 0, e.motion.windowID, 0, SDL_BUTTON_LEFT, SDL_RELEASED, 1, 0, 63, 20};
    SDL_PushEvent(&click);
    drain();
    EXPECT_EQ(received_messages(), (messages{{WM_MOUSEMOVE, 0, MAKELPARAM(10, 20)},
                                             {WM_MOUSEMOVE, 0, MAKELPARAM(30, 20)},
                                             {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 20)}}));
}

TEST_F(sdl_host, fingers_are_promoted_and_the_touch_mouse_is_left_out) {
    received.clear();
    for (auto [type, x, finger] : {std::tuple{SDL_FINGERDOWN, 0.5f, 7},
                                   {SDL_MOUSEBUTTONDOWN, 0.f, 0},
                                   {SDL_FINGERDOWN, 0.1f, 8},
                                   {SDL_FINGERUP, 0.1f, 8},
                                   {SDL_FINGERMOTION, 0.75f, 7},
                                   {SDL_FINGERUP, 0.75f, 7}}) {
        SDL_Event e = {};
        e.type = type;
        e.button.which = SDL_TOUCH_MOUSEID; // SDL's own mouse for a finger, which must stay unseen
        e.button.button = SDL_BUTTON_LEFT;
        e.button.windowID = SDL_GetWindowID(sdl);
        if (type != SDL_MOUSEBUTTONDOWN) {
            e.tfinger = SDL_TouchFingerEvent{type, 0, 0, finger, x, 0.5f, 0, 0, 1, SDL_GetWindowID(sdl)};
        }
        SDL_PushEvent(&e);
    }
    drain();
    EXPECT_EQ(received_messages(), (messages{{WM_MOUSEMOVE, 0, MAKELPARAM(32, 24)},
                                             {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(32, 24)},
                                             {WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(48, 24)},
                                             {WM_LBUTTONUP, 0, MAKELPARAM(48, 24)}}))
        << "a second finger and the touch mouse reach nothing";
}

TEST_F(sdl_host, close_button_and_quit_request_post_close) {
    SDL_Event close = {};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    after(close);
    EXPECT_EQ(received_messages(), (messages{{WM_CLOSE, 0, 0}}));
    EXPECT_EQ(received.at(0).hwnd, window);
    after(SDL_Event{SDL_QUIT});
    EXPECT_EQ(received_messages(), (messages{{WM_CLOSE, 0, 0}}));
}

TEST_F(sdl_host, a_resize_resizes_the_client_area_and_repaints) {
    shown = picture{0x112233, 29, 30, 79, 80}; // the bar on the new size's last pixel only
    SDL_SetWindowSize(sdl, 80, 30);
    drain(); // SDL reports the new size itself
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 80);
    EXPECT_EQ(client.bottom, 30);
    bool painted = false;
    for (const MSG& m : received) {
        painted = painted || m.message == WM_PAINT;
    }
    EXPECT_TRUE(painted);
    EXPECT_EQ(surface_pixel(SDL_GetWindowSurface(sdl), 79, 29), bar_colour)
        << "the new frame fills the new surface";
}

// Key events as SDL reports them (type, key, whether to our window or to none: the focus was elsewhere), and
// what the window gets.
using key_event = std::tuple<Uint32, SDL_Scancode, bool>;
struct key_row {
    const char* name;
    std::vector<key_event> events;
    messages expected;
};

class sdl_key_rows : public sdl_host, public testing::WithParamInterface<key_row> {};

TEST_P(sdl_key_rows, arrive_with_virtual_key_and_scan_code) {
    received.clear();
    for (const auto& [type, scancode, ours] : GetParam().events) {
        SDL_Event e = {};
        e.type = type;
        e.key.keysym.scancode = scancode;
        e.key.windowID = ours ? SDL_GetWindowID(sdl) : 0;
        SDL_PushEvent(&e);
    }
    drain();
    EXPECT_EQ(received_messages(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    table, sdl_key_rows,
    testing::Values(key_row{"press_repeat_release",
                            {{SDL_KEYDOWN, SDL_SCANCODE_UP, true},
                             {SDL_KEYDOWN, SDL_SCANCODE_UP, true},
                             {SDL_KEYUP, SDL_SCANCODE_UP, true}},
                            {{WM_KEYDOWN, VK_UP, 0x01480001},
                             {WM_KEYDOWN, VK_UP, 0x41480001},
                             {WM_KEYUP, VK_UP, 0xC1480001u}}},
                    // Alt+F4 pressed while another window had the focus: its repeats are ours, as on Windows.
                    key_row{"alt_f4_held_before_the_focus_repeats_with_bit_30",
                            {{SDL_KEYDOWN, SDL_SCANCODE_LALT, false},
                             {SDL_KEYDOWN, SDL_SCANCODE_F4, false},
                             {SDL_KEYDOWN, SDL_SCANCODE_F4, true}},
                            {{WM_SYSKEYDOWN, VK_F4, 0x603E0001}}}),
    [](const testing::TestParamInfo<key_row>& info) { return info.param.name; });

TEST_F(sdl_host, the_loop_sleeps_until_the_timer_is_due) {
    SetTimer(window, 1, 10, nullptr);
    MSG msg;
    int ticks = 0;
    while (ticks < 3 && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ticks += msg.message == WM_TIMER ? 1 : 0;
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(KillTimer(window, 1));
}

struct key_case {
    const char* name;
    SDL_Scancode scancode;
    SDL_Keycode keycode;
    WPARAM virtual_key; // 0: not mapped, no message
    LPARAM scan_code;   // set-1, with 0x100 for an extended key: bits 16 to 24 of the message's lParam
};

class sdl_keys : public sdl_host, public testing::WithParamInterface<key_case> {};

TEST_P(sdl_keys, arrive_as_virtual_keys_with_set_one_scan_codes) {
    SDL_Event e = {SDL_KEYDOWN};
    e.key.keysym = {GetParam().scancode, GetParam().keycode, 0, 0};
    std::vector<MSG> got = after(e); // a key-down message (a system one for Alt and F10), or nothing
    ASSERT_EQ(got.size(), GetParam().virtual_key != 0 ? 1u : 0u);
    for (const MSG& m : got) {
        EXPECT_EQ(m.wParam, GetParam().virtual_key);
        EXPECT_EQ((m.lParam >> 16) & 0x1FF, GetParam().scan_code);
    }
}

INSTANTIATE_TEST_SUITE_P(
    table, sdl_keys,
    testing::Values(key_case{"a", SDL_SCANCODE_A, SDLK_a, 'A', 0x1E},
                    key_case{"z", SDL_SCANCODE_Z, SDLK_z, 'Z', 0x2C},
                    key_case{"azerty_a_on_the_q_key", SDL_SCANCODE_Q, SDLK_a, 'A', 0x10},
                    key_case{"one", SDL_SCANCODE_1, SDLK_1, '1', 0x02},
                    key_case{"nine", SDL_SCANCODE_9, SDLK_9, '9', 0x0A},
                    key_case{"zero", SDL_SCANCODE_0, SDLK_0, '0', 0x0B},
                    key_case{"f1", SDL_SCANCODE_F1, SDLK_F1, VK_F1, 0x3B},
                    key_case{"f10", SDL_SCANCODE_F10, SDLK_F10, VK_F10, 0x44},
                    key_case{"f11", SDL_SCANCODE_F11, SDLK_F11, VK_F11, 0x57},
                    key_case{"f12", SDL_SCANCODE_F12, SDLK_F12, VK_F12, 0x58},
                    key_case{"left", SDL_SCANCODE_LEFT, SDLK_LEFT, VK_LEFT, 0x14B},
                    key_case{"right", SDL_SCANCODE_RIGHT, SDLK_RIGHT, VK_RIGHT, 0x14D},
                    key_case{"down", SDL_SCANCODE_DOWN, SDLK_DOWN, VK_DOWN, 0x150},
                    key_case{"escape", SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, VK_ESCAPE, 0x01},
                    key_case{"enter", SDL_SCANCODE_RETURN, SDLK_RETURN, VK_RETURN, 0x1C},
                    key_case{"keypad_enter", SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, VK_RETURN, 0x11C},
                    key_case{"space", SDL_SCANCODE_SPACE, SDLK_SPACE, VK_SPACE, 0x39},
                    key_case{"tab", SDL_SCANCODE_TAB, SDLK_TAB, VK_TAB, 0x0F},
                    key_case{"backspace", SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, VK_BACK, 0x0E},
                    key_case{"left_shift", SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, VK_SHIFT, 0x2A},
                    key_case{"right_shift", SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, VK_SHIFT, 0x36},
                    key_case{"left_control", SDL_SCANCODE_LCTRL, SDLK_LCTRL, VK_CONTROL, 0x1D},
                    key_case{"right_control", SDL_SCANCODE_RCTRL, SDLK_RCTRL, VK_CONTROL, 0x11D},
                    key_case{"left_alt", SDL_SCANCODE_LALT, SDLK_LALT, VK_MENU, 0x38},
                    key_case{"right_alt", SDL_SCANCODE_RALT, SDLK_RALT, VK_MENU, 0x138},
                    key_case{"unmapped", SDL_SCANCODE_F13, SDLK_F13, 0, 0}),
    [](const testing::TestParamInfo<key_case>& info) { return info.param.name; });

struct sequence {
    const char* name;
    std::vector<picture> frames;
};

void PrintTo(const sequence& s, std::ostream* out) {
    *out << s.name;
}

const sequence sequences[] = {
    {"the same picture again and again", {{0x112233, 10, 12, 5, 40}, {0x112233, 10, 12, 5, 40}}},
    {"the bar moves down row by row",
     {{0x112233, 11, 13, 5, 40}, {0x112233, 12, 14, 5, 40}, {0x112233, 13, 15, 5, 40}}},
    {"the bar jumps from top to bottom", {{0x112233, 0, 1, 0, 64}, {0x112233, 47, 48, 0, 64}}},
    {"the bar moves sideways", {{0x112233, 10, 12, 6, 41}, {0x112233, 10, 12, 0, 1}}},
    {"the bar goes away and comes back", {{0x112233, 0, 0, 0, 0}, {0x112233, 30, 40, 20, 30}}},
    {"the background changes", {{0x445566, 10, 12, 5, 40}, {0x445566, 10, 12, 5, 40}}},
    {"the bar covers everything", {{0x112233, 0, 48, 0, 64}, {0x112233, 0, 0, 0, 0}}},
};

class sdl_present_sequences : public sdl_host, public testing::WithParamInterface<sequence> {};

TEST_P(sdl_present_sequences, every_frame_is_on_the_surface) {
    expect_surface_shows(shown, "the first frame");
    int number = 0;
    for (const picture& p : GetParam().frames) {
        paint(p);
        expect_surface_shows(p, "frame " + std::to_string(++number));
    }
}

INSTANTIATE_TEST_SUITE_P(table, sdl_present_sequences, testing::ValuesIn(sequences),
                         [](const testing::TestParamInfo<sequence>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c != '\0'; ++c) {
                                 name += (*c >= 'a' && *c <= 'z') ? *c : '_';
                             }
                             return name;
                         });

TEST_F(sdl_host, a_surface_made_anew_behind_user32s_back_gets_every_row) {
    // SDL makes a new surface when the window changes size; resized and back again before user32 hears of
    // it, the window keeps its pixels and nothing in them changes, yet the new surface starts empty.
    SDL_SetWindowSize(sdl, 80, 30);
    SDL_GetWindowSurface(sdl);
    SDL_SetWindowSize(sdl, width, height);
    paint(shown);
    expect_surface_shows(shown, "the same picture on a new surface");
}

TEST_F(sdl_host, an_expose_repaints_and_the_surface_stays_whole) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_EXPOSED;
    e.window.windowID = SDL_GetWindowID(sdl);
    SDL_PushEvent(&e);
    drain();
    expect_surface_shows(shown, "after an expose");
}

TEST_F(sdl_host, a_repeated_picture_writes_nothing_into_the_surface) {
    SDL_Surface* s = SDL_GetWindowSurface(sdl);
    set_surface_pixel(s, 30, 30, 0xABCDEF); // a row the bar never touches
    paint(shown);
    EXPECT_EQ(surface_pixel(s, 30, 30), 0xABCDEFu) << "an unchanged row was copied again";
    // A frame that changes that row brings it back.
    paint(picture{shown.background, 29, 31, 0, 2});
    EXPECT_EQ(surface_pixel(s, 30, 30), shown.background);
}

// The log is named before the host shows the first frame: it is opened with that frame.
class sdl_present_logged : public sdl_host {
  protected:
    std::string path = testing::TempDir() + "sdl_present_frames.log";

    void SetUp() override {
        std::remove(path.c_str());
        setenv("MIRRORS_FRAME_LOG", path.c_str(), 1);
        sdl_host::SetUp();
    }
    void TearDown() override {
        sdl_host::TearDown();
        unsetenv("MIRRORS_FRAME_LOG");
        std::remove(path.c_str());
    }
};

TEST_F(sdl_present_logged, the_frame_log_has_one_time_per_frame) {
    for (int i = 0; i < 5; ++i) {
        paint(picture{shown.background, i, i + 1, 0, 10});
    }
    // Presents outside of painting are not frames.
    ReleaseDC(window, GetDC(window));
    DestroyWindow(window);
    window = nullptr;
    platform::stop_host(); // closes the log
    std::ifstream log(path);
#if !defined(MIRRORS_FRAME_LOG)
    // Only a benchmark build keeps the log: the program as shipped reads no variable and writes no file.
    ASSERT_FALSE(log.is_open());
    return;
#endif
    std::vector<double> times;
    for (double t; log >> t;) {
        times.push_back(t);
    }
    ASSERT_EQ(times.size(), 6u) << "the first frame and five more";
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i], times[i - 1]);
    }
    EXPECT_GT(times[0], 0.0);
}

} // namespace
