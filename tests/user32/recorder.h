// A window whose procedure records every message it gets, for conformance tables written as expected message
// sequences. Each test starts from a fresh layer (headless::reset) and registers the recording class again.
// The tests that need no host hooks build for Windows too (tests/conformance), where a fresh layer means no
// recording window left and an empty queue.
#pragma once

#include <windows.h>

#if !defined(_WIN32)
#include "headless_host.h"
#endif

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Rectangles compare whole, and a failure prints them as (left, top)-(right, bottom).
inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* out) {
    *out << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}

namespace recorder {

struct message {
    HWND window;
    UINT id;
    WPARAM wparam;
    LPARAM lparam;
    bool operator==(const message&) const = default;
};

// Readable names in failure output.
std::string name_of(UINT id);
std::ostream& operator<<(std::ostream& out, const message& m);

// Everything the recording procedure has seen, in order.
std::vector<message>& log();
std::vector<UINT> ids(); // just the message ids of log()
void clear();

// Per-test behaviour: return a result to answer the message, or nothing for DefWindowProcA. Runs after the
// message is logged.
using reaction = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;
void react(reaction r);

extern const char class_name[];
// Destroys every window and message the last test left: headless::reset on our layer.
void reset_layer();
// Resets the layer and registers `class_name` with the recording procedure and `style`.
void fresh_layer(UINT class_style = CS_HREDRAW | CS_VREDRAW, HBRUSH background = nullptr);
// A visible window of the recording class, shown and updated, with the log cleared afterwards.
HWND shown_window(int width = 200, int height = 100);
// Runs the message loop like the program does until GetMessageA returns 0; returns the quit code.
int run_loop();

} // namespace recorder

// A fixture that starts every test from a fresh layer.
class user32_test : public testing::Test {
  protected:
    void SetUp() override { recorder::fresh_layer(); }
    void TearDown() override { recorder::reset_layer(); }
};
