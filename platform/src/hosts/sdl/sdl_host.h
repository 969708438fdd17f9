// What the SDL host's files share: the table of its windows and the few calls that go from one file to
// another. One concern a file:
//   windows.cpp  the window table: one SDL window per user32 window
//   start.cpp    connecting to the display and letting it go again; signals.cpp: SIGINT and SIGTERM
//   events.cpp   SDL's event queue, dispatched to pointer.cpp (the mouse) and keys.cpp (the keyboard)
//   present.cpp  frames onto the window surfaces
//   wait.cpp     the clock, and the sleep between frames
//   x11.cpp, wayland.cpp  what only those display systems need
//   touch.cpp    fingers, as contacts for user32; density.cpp: high-density outputs
#pragma once

#include "host.h"

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

// A key given as SDL scancode (the physical key) and SDL keycode (what the layout makes of it), as a virtual
// key on a US keyboard (keys.cpp).
translated_key translate_sdl_key(int sdl_scancode, int sdl_keycode);

} // namespace platform

namespace platform::sdl {

struct window {
    HWND handle;
    SDL_Window* sdl;
    Uint32 id;
    unsigned long x_window = 0; // its X window, when SDL runs on X11
    // SDL's pointer events only: whether the pointer was last seen over the window (see pointer.cpp).
    bool pointer_inside = true;
    // The size of the window surface that the last present wrote, and whether the screen has lost what was
    // put on it since: each decides whether the next present may leave unchanged rows alone.
    int surface_width = 0;
    int surface_height = 0;
    bool exposed = true;
};

enum class x11_key_press { none, fresh, held_before };

// The display connection the host sleeps on, once a window has told which it is (wait.cpp).
struct display_connection {
    int fd = -1;             // -1: none, SDL_WaitEventTimeout is the wait
    void* wayland = nullptr; // the wl_display on Wayland
};

// All the SDL host keeps, which stop() lets go of and makes new; apart stay only what signal handlers read
// (signals.cpp, start.cpp: plain statics, all a handler may touch), the clock's origin (wait.cpp), which
// never goes back, and the frame log of measurement builds (present.cpp).
struct host_state {
    bool started = false;
    SDL_Cursor* arrow = nullptr;
    std::vector<window> windows;  // windows.cpp
    bool told_no_surface = false; // present.cpp: a window without a surface was logged once
    display_connection connection;
    // x11.cpp: whether SDL hands over the X events; whether the X event just read was a key press, and
    // whether that key was held already when a window of ours got the focus; the X key codes pressed while a
    // window of ours had the focus and those held down already when it got it (from KeymapNotify).
    bool raw_x11_events = false;
    x11_key_press last_key_press = x11_key_press::none;
    bool x_key_down_here[256] = {};
    bool x_key_held_before[256] = {};
};
extern host_state state;

// windows.cpp
window* by_handle(HWND handle);
window* by_id(Uint32 id);
void destroy_all_windows();

// start.cpp: whether SDL's video subsystem runs.
bool started();

// signals.cpp: from catch_close_signals on, SIGINT and SIGTERM ask every window to close (passed on by
// pass_on_close_request, from the pump) and wake the host's sleep through wake_fd() (-1 before).
void catch_close_signals();
void pass_on_close_request();
bool close_pending();
int wake_fd();

// x11.cpp: SDL's X11 driver. With raw events on, SDL hands over every X event (SDL_SYSWMEVENT), from which
// the buttons are read and the key presses checked.
bool x11_running();
void read_raw_x11_events(bool on);
bool raw_x11_events();
void x11_event(const SDL_SysWMmsg* message);
unsigned long x_window_of(SDL_Window* window); // 0 when it is no X window
int x11_connection_of(SDL_Window* window);     // the descriptor of its X connection, -1 when none
// Whether the X event that SDL's next SDL_KEYDOWN comes from was a key press (see host_state); asked once
// for every SDL event, which makes it none again.
x11_key_press take_last_x11_key_press();

// wayland.cpp: whether the Wayland compositor that SDL would connect to announces a seat (a keyboard or
// pointer); true when that cannot be known (no libwayland-client in the build, no answer: SDL then tells).
bool wayland_compositor_has_seat();
// The wl_display of a Wayland window (null elsewhere) and its descriptor; the sleep on it as libwayland wants
// its readers to sleep.
void* wayland_display_of(SDL_Window* window, int* fd);
void sleep_on_wayland(void* display, int fd, std::optional<std::uint64_t> left_ns);

// events.cpp: one event of SDL's queue, reported through platform::input.
void handle(const SDL_Event& e);

// pointer.cpp
void mouse_motion(const SDL_MouseMotionEvent& e);
void mouse_button(const SDL_MouseButtonEvent& e);

// keys.cpp
void key(const SDL_KeyboardEvent& e, x11_key_press press);

// touch.cpp: before SDL_Init, fingers come as finger events only, never also as an emulated mouse; a finger
// down, moving or up.
void configure_touch();
void finger(const SDL_TouchFingerEvent& e);

// density.cpp: after SDL_Init, how scaled frames are shown; the flags a new window adds for it.
void configure_density();
Uint32 density_window_flags();

// present.cpp: closes the frame log of a measurement build.
void close_frame_log();

// wait.cpp: nanoseconds of a monotonic clock (CLOCK_MONOTONIC on Linux) from an arbitrary origin.
std::uint64_t monotonic_ns();
// The window's display connection becomes the one the host sleeps on, unless it has one already.
void sleep_on_connection_of(SDL_Window* window);
// Sleeps until fd or wake_fd() has something to read or left_ns (none: no limit) have passed.
void sleep_until_readable(int fd, std::optional<std::uint64_t> left_ns);

} // namespace platform::sdl
