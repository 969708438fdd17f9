// Keyboard and mouse input as the window procedure sees it: message, wParam and lParam bit for bit.
#include "recorder.h"

#include <climits>

namespace {

using headless::input;
using recorder::message;

constexpr LPARAM bits(DWORD value) {
    return static_cast<LPARAM>(value);
}

headless::scripted_input key(std::uint64_t at, input kind, unsigned vk) {
    return {at, kind, 0, 0, vk};
}
headless::scripted_input pointer(std::uint64_t at, input kind, int x, int y) {
    return {at, kind, x, y, 0};
}

// `moves` moves at `at` ending at (199, 99), then `between`, then as many more ending at (99, 99).
std::vector<headless::scripted_input> storm(int moves, std::uint64_t at,
                                            std::vector<headless::scripted_input> between) {
    std::vector<headless::scripted_input> script;
    for (int i = moves - 1; i >= 0; --i) {
        script.push_back(pointer(at, input::mouse_move, 199 - i % 200, 99));
    }
    script.insert(script.end(), between.begin(), between.end());
    for (int i = moves - 1; i >= 0; --i) {
        script.push_back(pointer(at, input::mouse_move, 99 - i % 100, 99));
    }
    return script;
}

// Runs the loop over `script` on a 200 x 100 window and returns what its procedure saw.
std::vector<message> run(std::vector<headless::scripted_input> script, HWND* window_out = nullptr) {
    recorder::react([](HWND, UINT id, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (id == WM_DESTROY) {
            PostQuitMessage(0);
        }
        return std::nullopt;
    });
    HWND window = recorder::shown_window(200, 100);
    if (window_out != nullptr) {
        *window_out = window;
    }
    headless::set_script(std::move(script));
    EXPECT_EQ(recorder::run_loop(), 0);
    // The replies carry the window handle; tables are written without it.
    std::vector<message> seen = recorder::log();
    for (message& m : seen) {
        EXPECT_EQ(m.window, window);
        m.window = nullptr;
    }
    return seen;
}

const std::vector<message> closed_at_the_end = {
    {nullptr, WM_CLOSE, 0, 0}, {nullptr, WM_DESTROY, 0, 0}, {nullptr, WM_NCDESTROY, 0, 0}};

std::vector<message> then_closed(std::vector<message> messages) {
    messages.insert(messages.end(), closed_at_the_end.begin(), closed_at_the_end.end());
    return messages;
}

struct input_case {
    const char* name;
    std::vector<headless::scripted_input> script;
    std::vector<message> expected;
};

class keys : public user32_test, public testing::WithParamInterface<input_case> {};

TEST_P(keys, arrive_with_the_windows_lparam_layout) {
    EXPECT_EQ(run(GetParam().script), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    cases, keys,
    testing::Values(input_case{"alt_f4_closes",
                               {key(10, input::key_down, VK_MENU), key(11, input::key_down, VK_F4),
                                key(12, input::key_up, VK_F4), key(13, input::key_up, VK_MENU)},
                               then_closed({{nullptr, WM_SYSKEYDOWN, VK_MENU, bits(0x20380001)},
                                            {nullptr, WM_SYSKEYDOWN, VK_F4, bits(0x203E0001)},
                                            {nullptr, WM_SYSCOMMAND, SC_CLOSE, 0}})},
                    input_case{"f4_without_alt_does_nothing",
                               {key(1, input::key_down, VK_F4), key(2, input::key_up, VK_F4)},
                               then_closed({{nullptr, WM_KEYDOWN, VK_F4, bits(0x003E0001)},
                                            {nullptr, WM_KEYUP, VK_F4, bits(0xC03E0001)}})},
                    input_case{"f10_asks_for_a_menu_that_is_not_there",
                               {key(1, input::key_down, VK_F10), key(2, input::key_up, VK_F10)},
                               then_closed({{nullptr, WM_SYSKEYDOWN, VK_F10, bits(0x00440001)},
                                            {nullptr, WM_SYSKEYUP, VK_F10, bits(0xC0440001)},
                                            {nullptr, WM_SYSCOMMAND, SC_KEYMENU, 0}})},
                    input_case{"alt_alone_asks_for_a_menu_too",
                               {key(1, input::key_down, VK_MENU), key(2, input::key_up, VK_MENU)},
                               then_closed({{nullptr, WM_SYSKEYDOWN, VK_MENU, bits(0x20380001)},
                                            {nullptr, WM_SYSKEYUP, VK_MENU, bits(0xC0380001)},
                                            {nullptr, WM_SYSCOMMAND, SC_KEYMENU, 0}})},
                    input_case{"alt_letter_is_a_system_key_without_menu",
                               {key(1, input::key_down, VK_MENU), key(2, input::key_down, 'A'),
                                key(3, input::key_up, 'A'), key(4, input::key_up, VK_MENU)},
                               then_closed({{nullptr, WM_SYSKEYDOWN, VK_MENU, bits(0x20380001)},
                                            {nullptr, WM_SYSKEYDOWN, 'A', bits(0x201E0001)},
                                            {nullptr, WM_SYSKEYUP, 'A', bits(0xE01E0001)},
                                            {nullptr, WM_SYSKEYUP, VK_MENU, bits(0xC0380001)}})},
                    input_case{"control_alt_is_not_a_system_key",
                               {key(1, input::key_down, VK_CONTROL), key(2, input::key_down, VK_MENU),
                                key(3, input::key_down, 'A'), key(4, input::key_up, 'A'),
                                key(5, input::key_up, VK_MENU), key(6, input::key_up, VK_CONTROL)},
                               then_closed({{nullptr, WM_KEYDOWN, VK_CONTROL, bits(0x001D0001)},
                                            {nullptr, WM_KEYDOWN, VK_MENU, bits(0x20380001)},
                                            {nullptr, WM_KEYDOWN, 'A', bits(0x201E0001)},
                                            {nullptr, WM_KEYUP, 'A', bits(0xE01E0001)},
                                            {nullptr, WM_KEYUP, VK_MENU, bits(0xC0380001)},
                                            {nullptr, WM_KEYUP, VK_CONTROL, bits(0xC01D0001)}})}),
    [](const testing::TestParamInfo<input_case>& info) { return info.param.name; });

// Every key the layer knows, with its set-1 scan code from Microsoft's keyboard scan code table (0x100: the
// E0 prefix of an extended key), in bits 16 to 24 of its key-down message.
TEST_F(user32_test, every_key_carries_its_documented_scan_code) {
    const std::vector<std::pair<WPARAM, LPARAM>> documented = {
        {'A', 0x1E},       {'B', 0x30},       {'C', 0x2E},        {'D', 0x20},       {'E', 0x12},
        {'F', 0x21},       {'G', 0x22},       {'H', 0x23},        {'I', 0x17},       {'J', 0x24},
        {'K', 0x25},       {'L', 0x26},       {'M', 0x32},        {'N', 0x31},       {'O', 0x18},
        {'P', 0x19},       {'Q', 0x10},       {'R', 0x13},        {'S', 0x1F},       {'T', 0x14},
        {'U', 0x16},       {'V', 0x2F},       {'W', 0x11},        {'X', 0x2D},       {'Y', 0x15},
        {'Z', 0x2C},       {'1', 0x02},       {'2', 0x03},        {'3', 0x04},       {'4', 0x05},
        {'5', 0x06},       {'6', 0x07},       {'7', 0x08},        {'8', 0x09},       {'9', 0x0A},
        {'0', 0x0B},       {VK_F1, 0x3B},     {VK_F2, 0x3C},      {VK_F3, 0x3D},     {VK_F4, 0x3E},
        {VK_F5, 0x3F},     {VK_F6, 0x40},     {VK_F7, 0x41},      {VK_F8, 0x42},     {VK_F9, 0x43},
        {VK_F10, 0x44},    {VK_F11, 0x57},    {VK_F12, 0x58},     {VK_ESCAPE, 0x01}, {VK_BACK, 0x0E},
        {VK_TAB, 0x0F},    {VK_RETURN, 0x1C}, {VK_CONTROL, 0x1D}, {VK_SHIFT, 0x2A},  {VK_MENU, 0x38},
        {VK_SPACE, 0x39},  {VK_HOME, 0x147},  {VK_UP, 0x148},     {VK_PRIOR, 0x149}, {VK_LEFT, 0x14B},
        {VK_RIGHT, 0x14D}, {VK_END, 0x14F},   {VK_DOWN, 0x150},   {VK_NEXT, 0x151},  {VK_INSERT, 0x152},
        {VK_DELETE, 0x153}};
    std::vector<headless::scripted_input> script;
    for (auto [vk, code] : documented) {
        script.push_back(key(1, input::key_down, static_cast<unsigned>(vk)));
        script.push_back(key(1, input::key_up, static_cast<unsigned>(vk)));
    }
    std::vector<std::pair<WPARAM, LPARAM>> seen;
    for (const message& m : run(script)) {
        if (m.id == WM_KEYDOWN || m.id == WM_SYSKEYDOWN) {
            seen.emplace_back(m.wparam, (m.lparam >> 16) & 0x1FF);
        }
    }
    EXPECT_EQ(seen, documented);
}

class mouse : public user32_test, public testing::WithParamInterface<input_case> {};

TEST_P(mouse, arrives_in_client_coordinates_with_the_held_buttons) {
    EXPECT_EQ(run(GetParam().script), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    cases, mouse,
    testing::Values(
        input_case{"move",
                   {pointer(1, input::mouse_move, 12, 34)},
                   then_closed({{nullptr, WM_MOUSEMOVE, 0, MAKELPARAM(12, 34)}})},
        input_case{"corners",
                   {pointer(1, input::mouse_move, 0, 0), pointer(2, input::mouse_move, 199, 99)},
                   then_closed({{nullptr, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0)},
                                {nullptr, WM_MOUSEMOVE, 0, MAKELPARAM(199, 99)}})},
        input_case{"left_click",
                   {pointer(1, input::left_down, 5, 6), pointer(2, input::left_up, 5, 6)},
                   then_closed({{nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6)},
                                {nullptr, WM_LBUTTONUP, 0, MAKELPARAM(5, 6)}})},
        input_case{"right_while_left_held",
                   {pointer(1, input::left_down, 5, 6), pointer(2, input::right_down, 7, 8),
                    pointer(3, input::mouse_move, 9, 9), pointer(4, input::left_up, 9, 9),
                    pointer(5, input::right_up, 9, 9)},
                   then_closed({{nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6)},
                                {nullptr, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(7, 8)},
                                {nullptr, WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(9, 9)},
                                {nullptr, WM_LBUTTONUP, MK_RBUTTON, MAKELPARAM(9, 9)},
                                {nullptr, WM_RBUTTONUP, 0, MAKELPARAM(9, 9)}})},
        input_case{
            "shift_and_control",
            {key(1, input::key_down, VK_SHIFT), pointer(2, input::mouse_move, 1, 1),
             key(3, input::key_down, VK_CONTROL), pointer(4, input::left_down, 1, 1),
             key(5, input::key_up, VK_SHIFT), pointer(6, input::left_up, 1, 1)},
            then_closed({{nullptr, WM_KEYDOWN, VK_SHIFT, bits(0x002A0001)},
                         {nullptr, WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(1, 1)},
                         {nullptr, WM_KEYDOWN, VK_CONTROL, bits(0x001D0001)},
                         {nullptr, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT | MK_CONTROL, MAKELPARAM(1, 1)},
                         {nullptr, WM_KEYUP, VK_SHIFT, bits(0xC02A0001)},
                         {nullptr, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(1, 1)}})},
        input_case{"nothing_outside_the_client_area",
                   {pointer(1, input::mouse_move, -1, 5), pointer(2, input::mouse_move, 200, 5),
                    pointer(3, input::mouse_move, 5, 100), pointer(4, input::mouse_move, INT_MIN, INT_MAX),
                    pointer(5, input::right_down, 500, 5), pointer(6, input::right_up, 500, 5)},
                   closed_at_the_end},
        input_case{"a_release_outside_is_not_seen",
                   {pointer(1, input::left_down, 10, 10), pointer(2, input::mouse_move, 300, 10),
                    pointer(3, input::left_up, 300, 10), pointer(4, input::mouse_move, 20, 20)},
                   then_closed({{nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)},
                                {nullptr, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20)}})},
        input_case{"a_release_inside_without_its_press",
                   {pointer(1, input::right_down, 500, 5), pointer(2, input::mouse_move, 20, 20),
                    pointer(3, input::right_up, 20, 20)},
                   then_closed({{nullptr, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(20, 20)},
                                {nullptr, WM_RBUTTONUP, 0, MAKELPARAM(20, 20)}})},
        // 20,000 moves at once leave one move waiting, the latest, on either side of a click.
        input_case{"a_storm_of_moves_is_one_move",
                   storm(10000, 1, {pointer(1, input::right_down, 7, 7), pointer(1, input::right_up, 7, 7)}),
                   then_closed({{nullptr, WM_MOUSEMOVE, 0, MAKELPARAM(199, 99)},
                                {nullptr, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(7, 7)},
                                {nullptr, WM_RBUTTONUP, 0, MAKELPARAM(7, 7)},
                                {nullptr, WM_MOUSEMOVE, 0, MAKELPARAM(99, 99)}})},
        input_case{"no_double_clicks",
                   {pointer(1, input::left_down, 3, 3), pointer(1, input::left_up, 3, 3),
                    pointer(2, input::left_down, 3, 3), pointer(2, input::left_up, 3, 3)},
                   then_closed({{nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3)},
                                {nullptr, WM_LBUTTONUP, 0, MAKELPARAM(3, 3)},
                                {nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3)},
                                {nullptr, WM_LBUTTONUP, 0, MAKELPARAM(3, 3)}})}),
    [](const testing::TestParamInfo<input_case>& info) { return info.param.name; });

// Fingers and pens as Windows promotes them for a program without touch handling; the hold time is 1000 ms
// and the drag tolerance 4 pixels either side.
headless::scripted_input finger(std::uint64_t at, input kind, int x, int y, int id = 1, bool barrel = false) {
    return {at, kind, x, y, 0, id, barrel};
}

message m(UINT id, WPARAM buttons, int x, int y) {
    return {nullptr, id, buttons, MAKELPARAM(x, y)};
}

struct touch_case {
    const char* name;
    std::vector<headless::scripted_input> script;
    std::vector<message> expected;
    std::vector<std::uint64_t> hold_signs; // when the press and hold showed as registered
};

class touch : public user32_test, public testing::WithParamInterface<touch_case> {};

TEST_P(touch, becomes_the_mouse_messages_windows_makes_of_it) {
    EXPECT_EQ(run(GetParam().script), then_closed(GetParam().expected));
    EXPECT_EQ(headless::hold_signs(), GetParam().hold_signs);
}

INSTANTIATE_TEST_SUITE_P(
    cases, touch,
    testing::Values(
        touch_case{"tap_then_the_mouse",
                   {finger(1, input::touch_down, 50, 50), finger(2, input::touch_move, 53, 46),
                    finger(1000, input::touch_up, 53, 46), pointer(1001, input::left_down, 7, 7)},
                   {m(WM_MOUSEMOVE, 0, 50, 50), m(WM_LBUTTONDOWN, MK_LBUTTON, 50, 50),
                    m(WM_LBUTTONUP, 0, 50, 50), m(WM_LBUTTONDOWN, MK_LBUTTON, 7, 7)},
                   {}},
        touch_case{"drag_held_to_the_window",
                   {finger(1, input::touch_down, 10, 10), finger(2, input::touch_move, 15, 10),
                    finger(3, input::touch_move, 250, -9), finger(4, input::touch_up, 250, 50)},
                   {m(WM_MOUSEMOVE, 0, 10, 10), m(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10),
                    m(WM_MOUSEMOVE, MK_LBUTTON, 15, 10), m(WM_MOUSEMOVE, MK_LBUTTON, 199, 0),
                    m(WM_MOUSEMOVE, MK_LBUTTON, 199, 50), m(WM_LBUTTONUP, 0, 199, 50)},
                   {}},
        touch_case{
            "hold_shows_at_its_time_and_right_clicks_at_lift",
            {finger(1, input::touch_down, 20, 20), finger(1500, input::touch_move, 23, 24),
             finger(3000, input::touch_up, 23, 24)},
            {m(WM_MOUSEMOVE, 0, 20, 20), m(WM_RBUTTONDOWN, MK_RBUTTON, 20, 20), m(WM_RBUTTONUP, 0, 20, 20)},
            {1001}},
        touch_case{"hold_then_move_drags_the_right_button",
                   {finger(1, input::touch_down, 20, 20), finger(1200, input::touch_move, 40, 20),
                    finger(1300, input::touch_up, 40, 30)},
                   {m(WM_MOUSEMOVE, 0, 20, 20), m(WM_RBUTTONDOWN, MK_RBUTTON, 20, 20),
                    m(WM_MOUSEMOVE, MK_RBUTTON, 40, 20), m(WM_MOUSEMOVE, MK_RBUTTON, 40, 30),
                    m(WM_RBUTTONUP, 0, 40, 30)},
                   {1001}},
        touch_case{
            "only_the_first_finger",
            {finger(1, input::touch_down, 10, 10, 1), finger(2, input::touch_down, 90, 50, 2),
             finger(3, input::touch_move, 150, 50, 2), finger(4, input::touch_up, 10, 10, 1),
             finger(5, input::touch_down, 60, 60, 3), finger(6, input::touch_up, 150, 50, 2),
             finger(2000, input::touch_up, 60, 60, 3)},
            {m(WM_MOUSEMOVE, 0, 10, 10), m(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10), m(WM_LBUTTONUP, 0, 10, 10)},
            {}},
        touch_case{"cancel_releases_where_it_was",
                   {finger(1, input::touch_down, 10, 10), finger(2, input::touch_cancel, 10, 10),
                    finger(3, input::touch_down, 10, 10), finger(4, input::touch_move, 30, 10),
                    finger(5, input::touch_cancel, 90, 90)},
                   {m(WM_MOUSEMOVE, 0, 10, 10), m(WM_MOUSEMOVE, 0, 10, 10),
                    m(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10), m(WM_MOUSEMOVE, MK_LBUTTON, 30, 10),
                    m(WM_LBUTTONUP, 0, 30, 10)},
                   {}},
        touch_case{"pen_hover_moves_the_pointer",
                   {finger(1, input::pen_hover, 5, 5), finger(2, input::pen_hover, 6, 7),
                    finger(3, input::pen_down, 6, 7), finger(4, input::pen_up, 6, 7)},
                   {m(WM_MOUSEMOVE, 0, 5, 5), m(WM_MOUSEMOVE, 0, 6, 7), m(WM_MOUSEMOVE, 0, 6, 7),
                    m(WM_LBUTTONDOWN, MK_LBUTTON, 6, 7), m(WM_LBUTTONUP, 0, 6, 7)},
                   {}},
        touch_case{
            "pen_barrel_is_the_right_button",
            {finger(1, input::pen_down, 10, 10, 1, true), finger(1500, input::pen_up, 10, 10, 1, true),
             finger(1600, input::pen_down, 10, 10, 1, true), finger(1601, input::pen_move, 30, 30, 1, true),
             finger(1602, input::pen_up, 30, 30, 1, true)},
            {m(WM_MOUSEMOVE, 0, 10, 10), m(WM_RBUTTONDOWN, MK_RBUTTON, 10, 10), m(WM_RBUTTONUP, 0, 10, 10),
             m(WM_MOUSEMOVE, 0, 10, 10), m(WM_RBUTTONDOWN, MK_RBUTTON, 10, 10),
             m(WM_MOUSEMOVE, MK_RBUTTON, 30, 30), m(WM_RBUTTONUP, 0, 30, 30)},
            {}}),
    [](const testing::TestParamInfo<touch_case>& info) { return info.param.name; });

TEST_F(user32_test, input_goes_to_the_first_window_and_waits_for_a_window) {
    HWND first = recorder::shown_window(50, 50);
    HWND second = recorder::shown_window(50, 50);
    headless::set_script({pointer(0, input::mouse_move, 1, 2), {10, input::close_button}});
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, first);
    DestroyWindow(first);
    headless::advance_clock(10);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, second);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
}

TEST_F(user32_test, input_for_a_hidden_window_is_dropped) {
    HWND window =
        CreateWindowExA(0, recorder::class_name, "", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    headless::set_script({pointer(0, input::mouse_move, 1, 2), {1, input::close_button}});
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(user32_test, synthesised_mouse_input_reaches_the_first_window) {
    HWND window = recorder::shown_window(200, 100);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, 32768, 32768, 0, 0);
    mouse_event(MOUSEEVENTF_MOVE, static_cast<DWORD>(-10), 5, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_MIDDLEDOWN | MOUSEEVENTF_MIDDLEUP, 0, 0, 0, 0); // a click, pressed then released
    mouse_event(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MOVE, 1000, 0, 0, 0);      // moves outside first: nothing
    // The relative move starts from the absolute one, which it then replaces in the queue.
    std::vector<message> expected = {{window, WM_MOUSEMOVE, 0, MAKELPARAM(90, 55)},
                                     {window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(90, 55)},
                                     {window, WM_MBUTTONDOWN, MK_LBUTTON | MK_MBUTTON, MAKELPARAM(90, 55)},
                                     {window, WM_MBUTTONUP, MK_LBUTTON, MAKELPARAM(90, 55)}};
    std::vector<message> seen;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        seen.push_back({msg.hwnd, msg.message, msg.wParam, msg.lParam});
    }
    EXPECT_EQ(seen, expected);
}

} // namespace
