// What the web host's files share: the page's JavaScript half (page.js) as the C++ half calls it, and the
// input records it queues.
//   web.cpp    starting, the canvas as the first window's client area, the clock, the sleep, and the input
//   keys.cpp   the browser's keys as virtual keys
#pragma once

#include "host.h"

#include <cstdint>
#include <string_view>

// The kinds of the page's input records, their one definition: the build writes them out for page.js as
// MIRRORS_RECORD (platform/CMakeLists.txt), so the two halves cannot disagree.
enum class record_kind : int {
    move = 1,
    button_down = 2,
    button_up = 3,
    key_down = 4,
    key_up = 5,
    resize = 6,
    contact = 7,
};

// One input record as web_take_input writes it (see page.js for what a and b hold for each kind).
struct input_record {
    int kind;
    int x;
    int y;
    int a;
    int b;
};

extern "C" {
int web_start();
int web_viewport_width();
int web_viewport_height();
int web_take_input(input_record* record, char* code, int code_size, char* key, int key_size);
void web_sleep(double ms);
void web_present(const std::uint32_t* pixels, int width, int height, int top, int bottom, int paint);
void web_show(int visible);
void web_hold_ring(int x, int y, int visible);
}

namespace platform::web {

// keys.cpp: a key the browser names by its physical position (`code`) and by what the keyboard layout makes
// of it (`key`), as a virtual key with its set-1 scan code; virtual_key 0: a key we do not map.
platform::translated_key translate_key(std::string_view code, std::string_view key);

} // namespace platform::web
