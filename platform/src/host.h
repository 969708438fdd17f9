// The boundary between user32 and the host that gives it a display (SDL2, a browser page) or none (headless).
//
// user32 owns everything Windows-like: windows, their pixels, the message queue, timers and painting. A host
// only owns the real (or imaginary) windows on screen, the clock and the raw input. user32 calls into the
// host through platform::host; the host reports input back through platform::input, always from inside
// host::pump or host::wait, that is from inside GetMessageA or PeekMessageA, as Windows dispatches sent
// messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "layer_input.h"
#include "platform_hooks.h"

namespace platform {

namespace host {

// Connects to the display. False with a one-line reason when there is none. Windows can only be created
// after a successful start; the headless host needs none.
bool start(std::string* reason);
void stop();

// One on-screen window per user32 window, created hidden with a client area of width x height (0 allowed).
// False: the host cannot make it, and CreateWindowExA fails.
bool create_window(HWND window, const char* title, int width, int height);
void destroy_window(HWND window);
void show_window(HWND window, bool visible);
// The program resized its window (MoveWindow); the host follows without reporting it back.
void resize_window(HWND window, int width, int height);

enum class present_reason {
    paint,  // EndPaint: a finished frame
    direct, // ReleaseDC of a GetDC context: drawing outside of WM_PAINT
};
// Shows `pixels` (the window's whole client area) on screen.
void present(HWND window, const pixel_buffer& pixels, present_reason reason);

// Milliseconds since the host's clock started; never goes backwards.
std::uint64_t now_ms();

// Reports the input that has arrived (through platform::input) without blocking.
void pump();

enum class wait_result {
    woke,         // something may have happened: input reported, or the deadline reached
    idle_forever, // nothing can ever be reported again and there is no deadline
};
// Blocks until input was reported or now_ms() >= *deadline_ms. Without a deadline it waits for input only.
wait_result wait(std::optional<std::uint64_t> deadline_ms);

// A finger or pen held still long enough to become a right click, at client (x, y) of `window`: the host
// shows that it registered, as Windows draws a ring at the finger, but never in the program's pixels (over
// them on a page, or not at all), until hide_hold.
void show_hold(HWND window, int x, int y);
void hide_hold(HWND window);

} // namespace host

namespace input {

// The raw input of layer_input.h, reported by a host; it makes no Windows message of it: user32 alone keeps
// which buttons are down and makes every mouse message.

// The pointer moved to client (x, y). `held`: the buttons that the display system says are held, when it
// tells; otherwise user32 goes by the presses and releases reported.
void pointer_moved(HWND window, int x, int y, std::optional<button_set> held = std::nullopt);
// A button went down or up with the pointer at client (x, y); a host that only knows that the pointer is
// outside the client area reports (-1, -1). `held`: the buttons that the display system says are held, before
// or after this change (user32 applies the change to them), when it tells.
void button_changed(HWND window, button b, bool down, int x, int y,
                    std::optional<button_set> held = std::nullopt);
// A contact changed.
void contact_changed(HWND window, const contact& c);
// A key went down (again, when held: auto-repeat) or up. `scan_code` is the PC/AT set-1 code.
void key(HWND window, unsigned virtual_key, unsigned scan_code, bool extended, bool down);
// The user resized the window to a client area of width x height.
void resize(HWND window, int width, int height);
// The window's contents were lost on screen and must be painted again.
void expose(HWND window);
// The window's close button.
void close(HWND window);
// The session asks every window to close (logout, a signal).
void close_all();

// Destroys every window and forgets every timer, queued message, class and key state.
void reset();

} // namespace input

// Set-1 scan code and extended flag of a virtual key on a US keyboard (0 when the key has none).
struct scan_code {
    unsigned code;
    bool extended;
};
scan_code scan_code_of(unsigned virtual_key);

// A host's key (SDL's, the browser's) as a virtual key with its set-1 scan code; virtual_key is 0 for keys
// not mapped.
struct translated_key {
    unsigned virtual_key;
    unsigned scan_code;
    bool extended;
};

} // namespace platform
