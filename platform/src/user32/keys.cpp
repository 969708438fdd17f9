// Virtual keys to the PC/AT set-1 scan codes of a US keyboard, for hosts that only know the virtual key.
#include "host.h"

#include <windows.h>

namespace platform {

scan_code scan_code_of(unsigned virtual_key) {
    // Letters and digits in keyboard order.
    static const char letters[] = "QWERTYUIOPASDFGHJKLZXCVBNM";
    static const unsigned letter_codes[] = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18,
                                            0x19, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25,
                                            0x26, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32};
    for (unsigned i = 0; i < 26; ++i) {
        if (virtual_key == static_cast<unsigned char>(letters[i])) {
            return {letter_codes[i], false};
        }
    }
    if (virtual_key >= '1' && virtual_key <= '9') {
        return {0x02 + (virtual_key - '1'), false};
    }
    if (virtual_key == '0') {
        return {0x0B, false};
    }
    if (virtual_key >= VK_F1 && virtual_key <= VK_F10) {
        return {0x3B + (virtual_key - VK_F1), false};
    }
    switch (virtual_key) {
    case VK_F11:
        return {0x57, false};
    case VK_F12:
        return {0x58, false};
    case VK_ESCAPE:
        return {0x01, false};
    case VK_BACK:
        return {0x0E, false};
    case VK_TAB:
        return {0x0F, false};
    case VK_RETURN:
        return {0x1C, false};
    case VK_CONTROL:
        return {0x1D, false};
    case VK_SHIFT:
        return {0x2A, false};
    case VK_MENU:
        return {0x38, false};
    case VK_SPACE:
        return {0x39, false};
    case VK_HOME:
        return {0x47, true};
    case VK_UP:
        return {0x48, true};
    case VK_PRIOR:
        return {0x49, true};
    case VK_LEFT:
        return {0x4B, true};
    case VK_RIGHT:
        return {0x4D, true};
    case VK_END:
        return {0x4F, true};
    case VK_DOWN:
        return {0x50, true};
    case VK_NEXT:
        return {0x51, true};
    case VK_INSERT:
        return {0x52, true};
    case VK_DELETE:
        return {0x53, true};
    default:
        return {0, false};
    }
}

} // namespace platform
