// The SDL2 host: one real, resizable window per user32 window, shown through its window surface.
//
// The program repaints 100 times a second for as long as it runs, even when nothing moves, so presenting
// copies into the window surface only the rows that changed since the last frame (the GDI reports them; see
// pixel_buffer) and puts only those on screen, usually none; and waiting for a message sleeps until the next
// input or timer deadline: on X11 and Wayland on the display connection itself (see host_sdl_wait.cpp).
#include "host.h"
#include "host_sdl_keys.h"
#include "host_sdl_start.h"
#include "host_sdl_wait.h"

#include <SDL.h>
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#endif

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct sdl_window {
    HWND handle;
    SDL_Window* window;
    Uint32 id;
    unsigned long x_window = 0; // its X window, when SDL runs on X11
    // SDL's pointer events only: whether the pointer was last seen over the window (see handle).
    bool pointer_inside = true;
    // The size of the window surface that the last present wrote, and whether the screen has lost what was
    // put on it since: each decides whether the next present may leave unchanged rows alone.
    int surface_width = 0;
    int surface_height = 0;
    bool exposed = true;
};

bool started = false;
std::vector<sdl_window> sdl_windows;
SDL_Cursor* arrow = nullptr;
unsigned buttons = 0; // MK_* of the buttons held, tracked from SDL's events
// The display connection the host sleeps on, once a window has told which it is. On X11 this also matters for
// more than speed: SDL_WaitEventTimeout wakes itself by sending an event to one of our windows over a second
// X connection whenever it queues input while waiting. When that window is destroyed in between (Alt+F4 does
// exactly that) the X server answers the stray event with BadWindow, and Xlib's default handler ends the
// process with exit code 1. Sleeping on the connection ourselves sends nothing, so a closed window can never
// trip it.
platform::sdl_wait::connection display_connection;
bool told_no_surface = false;
// On X11 the buttons are read from the X events themselves (see x11_buttons), and key presses checked on
// them.
bool raw_x11_events = false;

unsigned long x_window_of(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
        return info.info.x11.window;
    }
#else
    (void)window;
#endif
    return 0;
}

sdl_window* by_handle(HWND handle) {
    for (sdl_window& w : sdl_windows) {
        if (w.handle == handle) {
            return &w;
        }
    }
    return nullptr;
}

HWND by_id(Uint32 id) {
    for (const sdl_window& w : sdl_windows) {
        if (w.id == id) {
            return w.handle;
        }
    }
    return nullptr;
}

bool set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

unsigned buttons_of_state(Uint32 state) {
    unsigned b = 0;
    if ((state & SDL_BUTTON_LMASK) != 0) {
        b |= MK_LBUTTON;
    }
    if ((state & SDL_BUTTON_RMASK) != 0) {
        b |= MK_RBUTTON;
    }
    if ((state & SDL_BUTTON_MMASK) != 0) {
        b |= MK_MBUTTON;
    }
    return b;
}

using platform::input::mouse_action;

mouse_action button_action(unsigned button, bool down) {
    switch (button) {
    case MK_LBUTTON:
        return down ? mouse_action::left_down : mouse_action::left_up;
    case MK_RBUTTON:
        return down ? mouse_action::right_down : mouse_action::right_up;
    default:
        return down ? mouse_action::middle_down : mouse_action::middle_up;
    }
}

#if defined(SDL_VIDEO_DRIVER_X11)
unsigned buttons_of_x11_state(unsigned state) {
    return ((state & Button1Mask) != 0 ? MK_LBUTTON : 0u) | ((state & Button2Mask) != 0 ? MK_MBUTTON : 0u) |
           ((state & Button3Mask) != 0 ? MK_RBUTTON : 0u);
}

// The buttons as the X server reports them, at the pointer's true position in the window. SDL drops a
// release whose press it did not see (pressed elsewhere, released over the window), which Windows delivers
// to the window under the pointer; and once the pointer has left, SDL gives a button's events the last
// position inside, clamped to the window's edge. A release outside the client area is then left out by
// platform::input::mouse, as the mouse is never captured. (Moves come from SDL: it reads them through
// XInput2, whose events it alone can read.)
void x11_buttons(const XEvent& x) {
    if (x.type != ButtonPress && x.type != ButtonRelease) {
        return;
    }
    const sdl_window* target = nullptr;
    for (const sdl_window& w : sdl_windows) {
        if (w.x_window != 0 && w.x_window == x.xbutton.window) {
            target = &w;
        }
    }
    unsigned button = x.xbutton.button == Button1   ? MK_LBUTTON
                      : x.xbutton.button == Button2 ? MK_MBUTTON
                      : x.xbutton.button == Button3 ? MK_RBUTTON
                                                    : 0u; // the wheel and the side buttons
    if (target == nullptr || button == 0) {
        return;
    }
    bool down = x.type == ButtonPress;
    // The state is the one before this event.
    unsigned before = buttons_of_x11_state(x.xbutton.state);
    buttons = down ? (before | button) : (before & ~button);
    platform::input::mouse(target->handle, button_action(button, down), x.xbutton.x, x.xbutton.y, buttons);
}
#endif

// Whether SDL's next queued event tells that the pointer left `window`: SDL then reports the move that took
// it out at the window's edge, which is no position the pointer had in it. Only the very next event: a leave
// further on in the queue says nothing of the moves before it, which were inside.
bool leaves_next(Uint32 window) {
    SDL_Event next;
    return SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
           next.type == SDL_WINDOWEVENT && next.window.windowID == window &&
           next.window.event == SDL_WINDOWEVENT_LEAVE;
}

// Keys already held when our window gets the focus: Windows knows their state but sends no key-down for
// them, so Alt+F4 held while the window appears (or while the focus comes over from another window) does not
// close it. SDL reports some of them as pressed when the focus comes (it compares the keyboard with its own
// idea of it), and the X server's auto-repeat of the others as fresh presses. On X11 each SDL_KEYDOWN follows
// the X event it comes from; the keyboard at focus time comes in a KeymapNotify event.
enum class key_press { none, fresh, held_before };
key_press last_key_press = key_press::none;
bool x_key_down_here[256] = {};   // X key codes pressed while a window of ours had the focus
bool x_key_held_before[256] = {}; // X key codes held down already when it got the focus

#if defined(SDL_VIDEO_DRIVER_X11)
void x11_keys(const XEvent& x) {
    if (x.type == KeymapNotify) {
        for (unsigned code = 0; code < 256; ++code) {
            bool down =
                (static_cast<unsigned char>(x.xkeymap.key_vector[code / 8]) & (1u << (code % 8))) != 0;
            x_key_held_before[code] = down && !x_key_down_here[code];
        }
    } else if (x.type == KeyPress) {
        unsigned code = x.xkey.keycode & 0xFFu;
        last_key_press = x_key_held_before[code] ? key_press::held_before : key_press::fresh;
        x_key_down_here[code] = !x_key_held_before[code];
    } else if (x.type == KeyRelease) {
        unsigned code = x.xkey.keycode & 0xFFu;
        x_key_down_here[code] = false;
        x_key_held_before[code] = false;
    }
}
#endif

void handle_event(const SDL_Event& e);

void handle(const SDL_Event& e) {
    key_press press = last_key_press;
    last_key_press = key_press::none;
    if (e.type == SDL_KEYDOWN && raw_x11_events && press != key_press::fresh) {
        // Held before the focus came: the state only, for no window.
        platform::translated_key key = platform::translate_sdl_key(e.key.keysym.scancode, e.key.keysym.sym);
        platform::input::key(nullptr, key.virtual_key, key.scan_code, key.extended, true);
        return;
    }
    handle_event(e);
}

void handle_event(const SDL_Event& e) {
    switch (e.type) {
    case SDL_QUIT:
        platform::input::close_all();
        break;
    case SDL_WINDOWEVENT: {
        HWND window = by_id(e.window.windowID);
        if (window == nullptr) {
            break;
        }
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            platform::input::close(window);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            platform::input::resize(window, e.window.data1, e.window.data2);
            break;
        case SDL_WINDOWEVENT_LEAVE:
            if (sdl_window* w = by_handle(window)) {
                w->pointer_inside = false;
            }
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            if (sdl_window* w = by_handle(window)) {
                w->exposed = true;
            }
            platform::input::expose(window);
            break;
        default:
            break;
        }
        break;
    }
#if defined(SDL_VIDEO_DRIVER_X11)
    case SDL_SYSWMEVENT:
        if (raw_x11_events && e.syswm.msg != nullptr && e.syswm.msg->subsystem == SDL_SYSWM_X11) {
            x11_buttons(e.syswm.msg->msg.x11.event);
            x11_keys(e.syswm.msg->msg.x11.event);
        }
        break;
#endif
    // SDL's pointer events: every move, and the buttons where the X events are not read (other drivers, and
    // touch emulating a mouse). A move in SDL's queue is already out of it, so the next one can be looked at.
    case SDL_MOUSEMOTION: {
        sdl_window* w = by_handle(by_id(e.motion.windowID));
        if (w == nullptr) {
            break;
        }
        if (leaves_next(e.motion.windowID)) {
            w->pointer_inside = false;
            break;
        }
        w->pointer_inside = true;
        if (!raw_x11_events) {
            buttons = buttons_of_state(e.motion.state);
        }
        platform::input::mouse(w->handle, mouse_action::move, e.motion.x, e.motion.y, buttons);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        sdl_window* w = by_handle(by_id(e.button.windowID));
        if (w == nullptr || (raw_x11_events && e.button.which != SDL_TOUCH_MOUSEID)) {
            break;
        }
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        unsigned button = e.button.button == SDL_BUTTON_LEFT     ? MK_LBUTTON
                          : e.button.button == SDL_BUTTON_RIGHT  ? MK_RBUTTON
                          : e.button.button == SDL_BUTTON_MIDDLE ? MK_MBUTTON
                                                                 : 0u;
        if (button == 0) {
            break;
        }
        buttons = down ? (buttons | button) : (buttons & ~button);
        // Once the pointer has left, SDL gives a button's events the last position inside, at the edge:
        // they happened outside and are not the window's. Every click is a plain down/up pair: SDL's click
        // count is not turned into double clicks.
        if (w->pointer_inside) {
            platform::input::mouse(w->handle, button_action(button, down), e.button.x, e.button.y, buttons);
        }
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        platform::translated_key key = platform::translate_sdl_key(e.key.keysym.scancode, e.key.keysym.sym);
        HWND window = by_id(e.key.windowID);
        if (key.virtual_key != 0) {
            platform::input::key(window, key.virtual_key, key.scan_code, key.extended, e.type == SDL_KEYDOWN);
        }
        break;
    }
    default:
        break;
    }
}

// The host's clock: nanoseconds of a monotonic clock since it was first read. Our own rather than
// SDL_GetTicks64, whose position within the current millisecond is hidden: a wait of whole milliseconds from
// somewhere inside one ends up to a millisecond late, and the program's 10 ms repaint timer, which restarts
// from each tick, would run at 97 frames a second instead of 100.
std::uint64_t clock_ns() {
    static const std::uint64_t origin = platform::sdl_wait::monotonic_ns();
    return platform::sdl_wait::monotonic_ns() - origin;
}

// The user data of the window surfaces that present has filled (see present).
char surface_mark;

// For measurements (bench/whole_program.py), in a build configured with -DMIRRORS_FRAME_LOG=ON only: with
// MIRRORS_FRAME_LOG=path, the time of every finished frame (EndPaint) is appended to that file once it is on
// screen, one line each, in seconds of CLOCK_MONOTONIC. The program as shipped reads no such variable.
#if defined(MIRRORS_FRAME_LOG)
std::FILE* frame_log = nullptr;
bool frame_log_opened = false;

void log_frame() {
    if (!frame_log_opened) {
        frame_log_opened = true;
        const char* path = std::getenv("MIRRORS_FRAME_LOG");
        if (path != nullptr && path[0] != '\0') {
            frame_log = std::fopen(path, "a");
        }
    }
    if (frame_log != nullptr) {
        std::uint64_t now = platform::sdl_wait::monotonic_ns();
        std::fprintf(frame_log, "%llu.%06llu\n", static_cast<unsigned long long>(now / 1000000000),
                     static_cast<unsigned long long>(now % 1000000000 / 1000));
    }
}

void close_frame_log() {
    if (frame_log != nullptr) {
        std::fclose(frame_log);
        frame_log = nullptr;
    }
    frame_log_opened = false;
}
#else
void log_frame() {}
void close_frame_log() {}
#endif

} // namespace

namespace platform::host {

bool start(std::string* reason) {
    if (started) {
        return true;
    }
#if defined(__linux__)
    // Without a desktop session there is nothing to open a window on; SDL would otherwise try to take over a
    // text console through KMS/DRM. (macOS and Windows always have their one desktop.)
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) {
        if (reason != nullptr) {
            *reason = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        }
        return false;
    }
    // Only the desktop sessions that the environment names are tried: SDL would otherwise fall back to
    // drivers that draw nowhere, and probing Wayland without a session prints its own complaints.
    if (!set("SDL_VIDEODRIVER")) {
        std::string drivers;
        if (set("DISPLAY")) {
            drivers = "x11";
        }
        if (set("WAYLAND_DISPLAY")) {
            drivers += drivers.empty() ? "wayland" : ",wayland";
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    }
#endif
    // The mouse is never captured, as our windows promise.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    // Closing the last window is reported as that window's close button only, not a second time as SDL_QUIT.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // SIGINT and SIGTERM are ours (see host_sdl_start.cpp): until the start is over they end the process.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    int initialised = 0;
    {
        std::string display = "the display";
        if (set("DISPLAY")) {
            display = std::string("the X server at DISPLAY=") + std::getenv("DISPLAY");
        } else if (set("WAYLAND_DISPLAY")) {
            display =
                std::string("the Wayland compositor at WAYLAND_DISPLAY=") + std::getenv("WAYLAND_DISPLAY");
        }
        initialised = platform::sdl_start::init_video(display);
    }
    if (initialised != 0) {
        if (reason != nullptr) {
            *reason = SDL_GetError();
            if (reason->empty()) {
                *reason = "SDL could not start its video subsystem";
            }
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
                if (set(name)) {
                    *reason += std::string(" (") + name + "=" + std::getenv(name) + ")";
                }
            }
            std::replace(reason->begin(), reason->end(), '\n', ' ');
        }
        SDL_Quit(); // what the failed start loaded (D-Bus, for one) is let go again
        return false;
    }
    started = true;
    // On X11 frames go straight to the window's own surface, not through a (software) OpenGL texture that
    // would cost a whole core under Xvfb. Only there: Wayland and Cocoa have no surface of their own, and
    // without the texture a window would show nothing. SDL reads the hint when the first surface is made.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && std::strcmp(driver, "x11") == 0) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    platform::sdl_start::catch_close_signals();
#if defined(SDL_VIDEO_DRIVER_X11)
    if (driver != nullptr && std::strcmp(driver, "x11") == 0) {
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
        raw_x11_events = true;
    }
#endif
    arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (arrow != nullptr) {
        SDL_SetCursor(arrow);
    }
    return true;
}

void stop() {
    if (!started) {
        return;
    }
    for (sdl_window& w : sdl_windows) {
        SDL_DestroyWindow(w.window);
    }
    sdl_windows.clear();
    if (arrow != nullptr) {
        SDL_FreeCursor(arrow);
        arrow = nullptr;
    }
    SDL_Quit();
    started = false;
    display_connection = {};
    told_no_surface = false;
    SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    raw_x11_events = false;
    close_frame_log();
}

bool create_window(HWND window, const char* title, int width, int height) {
    if (!started && !start(nullptr)) {
        return false;
    }
    // SDL windows cannot be 0 pixels wide or high; the client area still is.
    SDL_Window* w =
        SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, std::max(width, 1),
                         std::max(height, 1), SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (w == nullptr) {
        return false;
    }
    sdl_windows.push_back(sdl_window{window, w, SDL_GetWindowID(w), x_window_of(w)});
    if (display_connection.fd < 0) {
        display_connection = platform::sdl_wait::connection_of(w);
    }
    return true;
}

void destroy_window(HWND window) {
    for (auto it = sdl_windows.begin(); it != sdl_windows.end(); ++it) {
        if (it->handle == window) {
            SDL_DestroyWindow(it->window);
            sdl_windows.erase(it);
            return;
        }
    }
}

void show_window(HWND window, bool visible) {
    if (sdl_window* w = by_handle(window)) {
        if (visible) {
            SDL_ShowWindow(w->window);
        } else {
            SDL_HideWindow(w->window);
        }
    }
}

void resize_window(HWND window, int width, int height) {
    if (sdl_window* w = by_handle(window)) {
        SDL_SetWindowSize(w->window, std::max(width, 1), std::max(height, 1));
    }
}

void present(HWND window, const pixel_buffer& pixels, present_reason reason) {
    sdl_window* w = by_handle(window);
    if (w == nullptr || pixels.width <= 0 || pixels.height <= 0) {
        return;
    }
    SDL_Surface* surface = SDL_GetWindowSurface(w->window);
    if (surface == nullptr) {
        // The window would stay empty for good: say so, once.
        if (!told_no_surface) {
            told_no_surface = true;
            const char* driver = SDL_GetCurrentVideoDriver();
            std::string error = SDL_GetError();
            std::fprintf(
                stderr, "mirrors: nothing can be shown: SDL's %s video driver gave the window no surface%s\n",
                driver != nullptr ? driver : "(none)", error.empty() ? "" : (" (" + error + ")").c_str());
        }
        return;
    }
    int columns = std::min(surface->w, pixels.width);
    int rows = std::min(surface->h, pixels.height);
    if (columns <= 0 || rows <= 0) {
        return;
    }
    // Only the rows that changed since the last present go into the surface and to the screen, unless the
    // surface is a new one (after a resize): then all of them. A surface of the same size that the screen
    // lost (an expose) still holds every row, so only the screen gets them all again. SDL makes a new surface
    // whenever the window's size changes, perhaps at the address of the old one: a surface we have filled
    // carries our mark in its user data.
    bool same_surface = surface->userdata == &surface_mark && surface->w == w->surface_width &&
                        surface->h == w->surface_height;
    int top = same_surface ? std::max(pixels.changed_top, 0) : 0;
    int bottom = same_surface ? std::min(pixels.changed_bottom, rows) : rows;
    if (top < bottom) {
        if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
            return;
        }
        const std::uint32_t* source =
            pixels.pixels.data() + static_cast<std::size_t>(top) * static_cast<std::size_t>(pixels.width);
        auto* target = static_cast<unsigned char*>(surface->pixels) +
                       static_cast<std::size_t>(top) * static_cast<std::size_t>(surface->pitch);
        Uint32 format = surface->format->format;
        if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
            // Our 0x00RRGGBB words are exactly these formats: one copy per row.
            std::size_t row_bytes = static_cast<std::size_t>(columns) * sizeof(std::uint32_t);
            for (int y = 0; y < bottom - top; ++y) {
                std::memcpy(target + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface->pitch),
                            source + static_cast<std::size_t>(y) * static_cast<std::size_t>(pixels.width),
                            row_bytes);
            }
        } else {
            SDL_ConvertPixels(columns, bottom - top, SDL_PIXELFORMAT_RGB888, source,
                              pixels.width * static_cast<int>(sizeof(std::uint32_t)), format, target,
                              surface->pitch);
        }
        if (SDL_MUSTLOCK(surface)) {
            SDL_UnlockSurface(surface);
        }
    }
    if (!same_surface || w->exposed) {
        SDL_UpdateWindowSurface(w->window);
    } else if (top < bottom) {
        SDL_Rect band{0, top, columns, bottom - top};
        SDL_UpdateWindowSurfaceRects(w->window, &band, 1);
    }
    pixels.mark_shown();
    surface->userdata = &surface_mark;
    w->surface_width = surface->w;
    w->surface_height = surface->h;
    w->exposed = false;
    if (reason == present_reason::paint) {
        log_frame();
    }
}

std::uint64_t now_ms() {
    return clock_ns() / 1000000;
}

void pump() {
    if (!started) {
        return;
    }
    platform::sdl_start::pass_on_close_request();
    // One pump for the whole queue: each SDL_PollEvent would pump again, and on Wayland every pump looks at
    // the connection with a poll() of its own.
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        handle(e);
    }
}

wait_result wait(std::optional<std::uint64_t> deadline_ms) {
    // How long until the deadline, to the nanosecond: none without a deadline.
    std::optional<std::uint64_t> left_ns;
    if (deadline_ms) {
        std::uint64_t due_ns = std::min<std::uint64_t>(*deadline_ms, UINT64_MAX / 1000000) * 1000000;
        std::uint64_t now = clock_ns();
        if (due_ns <= now) {
            return wait_result::woke;
        }
        left_ns = std::min<std::uint64_t>(due_ns - now, std::uint64_t{INT_MAX} * 1000000);
    }
    // SDL waits in whole milliseconds: rounded up, so that the deadline has passed when it returns.
    int left_ms = left_ns ? static_cast<int>((*left_ns + 999999) / 1000000) : -1;
    if (platform::sdl_start::close_pending()) {
        return wait_result::woke;
    }
    if (!started || sdl_windows.empty()) {
        // No window can report anything: only a deadline can end the wait.
        if (!left_ns) {
            return wait_result::idle_forever;
        }
        SDL_Delay(static_cast<Uint32>(left_ms));
        return wait_result::woke;
    }
    if (display_connection.fd >= 0) {
        // Events that Xlib or libwayland already read off the connection (while presenting, say) would not
        // wake the sleep: drain them into SDL's queue first, and sleep only when nothing is waiting.
        SDL_PumpEvents();
        if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE) {
            return wait_result::woke;
        }
        // The wake pipe too: a signal that arrives just before the sleep would not interrupt it.
        platform::sdl_wait::sleep(display_connection, platform::sdl_start::wake_fd(), left_ns);
        return wait_result::woke;
    }
    SDL_Event e;
    if (left_ms < 0 ? SDL_WaitEvent(&e) != 0 : SDL_WaitEventTimeout(&e, left_ms) != 0) {
        handle(e);
    }
    return wait_result::woke;
}

} // namespace platform::host
