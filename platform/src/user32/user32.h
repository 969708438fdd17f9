// What the rooms of user32 share: window classes, windows, the message queue, timers, device contexts and the
// input state, all process-wide as in the program, which has one thread. A window's pixels live in its
// record; device contexts from BeginPaint and GetDC draw straight into them and EndPaint hands them to the
// host to show.
//
// The rooms: windows.cpp (classes and windows), messages.cpp (the message queue and timers), paint.cpp
// (painting and device contexts), input.cpp (default processing and the input the host reports), keys.cpp
// (scan codes), touch.cpp (touch and pen as mouse messages).
#pragma once

#include "host.h"

#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::user32 {

// What CW_USEDEFAULT gives, and the largest client extent we accept (a 256 MB pixel buffer at most).
constexpr int default_client_width = 1024;
constexpr int default_client_height = 640;
constexpr int max_client_extent = 8192;

// Windows' USER_TIMER_MINIMUM and USER_TIMER_MAXIMUM.
constexpr UINT timer_minimum_ms = 0x0000000A;
constexpr UINT timer_maximum_ms = 0x7FFFFFFF;

// Atoms of registered classes start where Windows' string atoms do.
constexpr ATOM first_class_atom = 0xC000;

struct class_record {
    ATOM atom;
    std::string name;
    UINT style;
    WNDPROC proc;
    HBRUSH background;
};

struct window_record {
    HWND handle = nullptr;
    ATOM class_atom = 0;
    UINT class_style = 0;
    WNDPROC proc = nullptr;
    HBRUSH background = nullptr;
    DWORD style = 0;
    int x = 0; // position of the client area on the (imaginary) screen
    int y = 0;
    platform::pixel_buffer pixels;
    bool visible = false;
    bool size_reported = false; // WM_SIZE / WM_MOVE sent once, when first shown
    bool destroying = false;
    // The update region, kept as its bounding rectangle: painting a little more than needed is harmless.
    bool has_update = false;
    RECT update = {0, 0, 0, 0};
    bool erase_pending = false;
    bool erase_failed = false; // an early WM_ERASEBKGND (RDW_ERASENOW) returned 0
    bool internal_paint = false;
};

struct timer_record {
    HWND window;
    UINT_PTR id;
    UINT period_ms;
    std::uint64_t due_ms;
    TIMERPROC proc;
};

struct open_dc {
    HDC dc;
    HWND window;
    bool from_begin_paint;
};

// Touch and pen (touch.cpp): the contact that stands for the mouse, and where it is in becoming a click.
enum class contact_stage {
    none,     // no primary contact
    deciding, // down, still near where it went down, the hold time not yet over
    dragging, // a button pressed and following the contact
    held,     // the hold registered: a right click on lift, unless it moves on
};

struct primary_contact {
    contact_stage now = contact_stage::none;
    HWND window = nullptr;
    long long id = 0;
    bool pen = false;
    bool barrel = false; // the barrel button was held at touch-down
    POINT down = {0, 0}; // where it went down (client coordinates)
    POINT last = {0, 0}; // where it was last, inside the client area
    std::uint64_t down_ms = 0;
    unsigned button = 0; // MK_LBUTTON or MK_RBUTTON once pressed
};

// All of user32's state, process-wide as in the program, which has one thread: a fresh record is a fresh
// process (input.cpp's reset destroys the windows first, then assigns one).
struct state_record {
    // Classes and windows (windows.cpp). Live windows in creation order; destroyed ones wait in
    // `dead_windows` until no window procedure is running and no device context draws into their pixels, so
    // that a procedure destroying its own window is safe.
    std::vector<class_record> classes;
    ATOM next_class_atom = first_class_atom;
    std::vector<std::unique_ptr<window_record>> windows;
    std::vector<std::unique_ptr<window_record>> dead_windows;
    int procedure_depth = 0;
    std::uintptr_t next_window_serial = 1;

    // The message queue and timers (messages.cpp): posted and input messages, first in first out.
    std::deque<MSG> queue;
    bool quit_pending = false;
    int quit_code = 0;
    bool move_waits_last = false; // the last message queued is a mouse move that a newer one may replace
    std::vector<timer_record> timers;
    UINT_PTR next_thread_timer_id = 0x7FFE;

    // Painting (paint.cpp).
    std::vector<open_dc> open_dcs;

    // Input (input.cpp). A key that went down while no window of ours had the focus is down here too, but
    // that press reached no window. Its auto-repeat goes to whichever window has the focus by then, with bit
    // 30 (held before) set, as on Windows: so Alt+F4 held while the window appears closes it at the first
    // repeat.
    POINT cursor = {0, 0}; // last pointer position on the screen, for MSG.pt
    bool key_is_down[256] = {};
    bool menu_key_armed = false; // Alt or F10 pressed alone: its release would activate the menu bar
    platform::input::button_set buttons = 0; // the mouse buttons held, wherever the pointer is

    // Touch and pen (touch.cpp): the primary contact, and the others down while it was or before it, which
    // reach nothing.
    primary_contact primary;
    std::vector<long long> other_contacts;
};
extern state_record state;

// Classes and windows (windows.cpp).
window_record* find_window(HWND window);
RECT client_rect_of(const window_record& w);
bool rect_is_empty(const RECT& r);
RECT intersect(const RECT& a, const RECT& b);
bool needs_paint(const window_record& w);
// Calls a window procedure, keeping count so that destroyed windows stay allocated while any runs.
LRESULT call_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Frees destroyed windows once nothing can touch their pixels any more.
void free_dead_windows();
// Gives the window a client area of width x height, keeping the pixels that still fit.
void set_client_size(HWND window, int width, int height, bool tell_host);

// The message queue and timers (messages.cpp).
void post(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// A WM_MOUSEMOVE from the mouse: replaces the one at the end of the queue, if that is one.
void post_mouse_move(HWND window, WPARAM wparam, LPARAM lparam);
// Drops the window's queued messages and timers.
void forget_window(HWND window);

// Painting (paint.cpp).
void release_dc_entry(std::size_t index);
void invalidate(window_record& w, const RECT* rect, bool erase);
// Sends WM_PAINT at once when the window has something to paint (UpdateWindow, RDW_UPDATENOW).
void paint_now(HWND window);

// Input (input.cpp): a mouse message at client (x, y) of the window, with `buttons` (MK_LBUTTON, MK_RBUTTON,
// MK_MBUTTON) and the Shift and Control keys' flags; dropped when the window is hidden or the point outside
// its client area, as the mouse is never captured.
void mouse_message(HWND window, UINT message, int x, int y, WPARAM buttons);

// Touch and pen (touch.cpp). A press and hold comes due with no input at all: the waiting message
// calls sleep no longer than contact_deadline and then let contact_clock see the time.
std::optional<std::uint64_t> contact_deadline();
void contact_clock();
void forget_contacts();

} // namespace platform::user32
