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

// Classes and windows (windows.cpp).
extern std::vector<class_record> classes;
extern ATOM next_class_atom;
// Live windows in creation order; destroyed ones wait in `dead_windows` until no window procedure is running
// and no device context draws into their pixels, so that a procedure destroying its own window is safe.
extern std::vector<std::unique_ptr<window_record>> windows;
extern std::vector<std::unique_ptr<window_record>> dead_windows;
extern int procedure_depth;

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
extern std::deque<MSG> queue; // posted and input messages, first in first out
extern bool quit_pending;
extern int quit_code;
extern std::vector<timer_record> timers;
extern bool move_waits_last; // the last message queued is a mouse move that a newer one may replace
void post(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// A WM_MOUSEMOVE from the mouse: replaces the one at the end of the queue, if that is one.
void post_mouse_move(HWND window, WPARAM wparam, LPARAM lparam);
// Drops the window's queued messages and timers.
void forget_window(HWND window);

// Painting (paint.cpp).
extern std::vector<open_dc> open_dcs;
void release_dc_entry(std::size_t index);
void invalidate(window_record& w, const RECT* rect, bool erase);
// Sends WM_PAINT at once when the window has something to paint (UpdateWindow, RDW_UPDATENOW).
void paint_now(HWND window);

// Input (input.cpp).
extern POINT cursor; // last pointer position on the screen, for MSG.pt

// Touch and pen (touch.cpp). A press and hold comes due with no input at all: the waiting message
// calls sleep no longer than contact_deadline and then let contact_clock see the time.
std::optional<std::uint64_t> contact_deadline();
void contact_clock();
void forget_contacts();

} // namespace platform::user32
