// The layer's own words for raw input: what every host reports of its display system's input to user32
// (platform/src/host.h) and what the headless host's script is written in (headless_host.h). A button went
// down or up at a point, the pointer moved, a key went down or up, a contact changed: no Windows message is
// named here, as only user32 makes those.
#pragma once

namespace platform::input {

enum class button { left, right, middle };
// Buttons held, one bit each: 1 << button.
using button_set = unsigned;
constexpr button_set bit_of(button b) {
    return 1u << static_cast<unsigned>(b);
}

// A finger or pen on (or, hovering, above) the screen, at client coordinates, which may lie outside the
// client area once a contact has started inside it. `id` tells the contacts of one moment apart. user32 turns
// contacts into mouse messages as Windows does for a program that handles no touch (user32/touch.cpp).
enum class contact_kind { touch, pen };
enum class contact_action { down, move, up, cancel, hover };
struct contact {
    long long id;
    contact_kind kind;
    contact_action action;
    int x;
    int y;
    bool barrel = false; // a pen's barrel button held
};

} // namespace platform::input
