// The web host's fingers, pens and scale (touch.cpp).
#pragma once

#include <windows.h>

namespace platform::web_touch {

// After the page's canvas is known: listens to the fingers and pens on it and gives the page its scale.
void start();
// Hands an input record of kind 8 (a contact) to user32.
void deliver(HWND window, const int* record);

} // namespace platform::web_touch
