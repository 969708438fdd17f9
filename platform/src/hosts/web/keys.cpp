// The web host's keys: the browser's KeyboardEvent.code and .key as a virtual key with its set-1 scan code.
#include "web_host.h"

#include <cctype>

namespace platform::web {

namespace {

struct web_key {
    std::string_view code; // KeyboardEvent.code: the physical key
    unsigned virtual_key;
};

// Keys other than letters, digits and function keys, by physical position; the set-1 scan code follows from
// the virtual key except where two keys share one.
constexpr web_key named_keys[] = {
    {"Escape", VK_ESCAPE},  {"Enter", VK_RETURN},   {"Space", VK_SPACE},      {"Tab", VK_TAB},
    {"Backspace", VK_BACK}, {"ArrowLeft", VK_LEFT}, {"ArrowRight", VK_RIGHT}, {"ArrowUp", VK_UP},
    {"ArrowDown", VK_DOWN}, {"Home", VK_HOME},      {"End", VK_END},          {"PageUp", VK_PRIOR},
    {"PageDown", VK_NEXT},  {"Insert", VK_INSERT},  {"Delete", VK_DELETE},
};

} // namespace

platform::translated_key translate_key(std::string_view code, std::string_view key) {
    using platform::scan_code_of;
    auto same_as = [](unsigned vk) {
        platform::scan_code c = scan_code_of(vk);
        return platform::translated_key{vk, c.code, c.extended};
    };
    if (code.size() == 4 && code.substr(0, 3) == "Key" && code[3] >= 'A' && code[3] <= 'Z') {
        // The letter follows the layout, the scan code the key's place.
        unsigned letter = static_cast<unsigned>(code[3]);
        if (key.size() == 1 && std::isalpha(static_cast<unsigned char>(key[0]))) {
            letter = static_cast<unsigned>(std::toupper(static_cast<unsigned char>(key[0])));
        }
        return {letter, scan_code_of(static_cast<unsigned>(code[3])).code, false};
    }
    if (code.size() == 6 && code.substr(0, 5) == "Digit" && code[5] >= '0' && code[5] <= '9') {
        return same_as(static_cast<unsigned>(code[5]));
    }
    if (code.size() >= 2 && code.size() <= 3 && code[0] == 'F') {
        int n = 0;
        for (char c : code.substr(1)) {
            n = c >= '0' && c <= '9' ? n * 10 + (c - '0') : -1000;
        }
        if (n >= 1 && n <= 12) {
            return same_as(VK_F1 + static_cast<unsigned>(n - 1));
        }
    }
    const struct {
        std::string_view code;
        platform::translated_key key;
    } sided[] = {
        {"NumpadEnter", {VK_RETURN, 0x1C, true}},   {"ShiftLeft", {VK_SHIFT, 0x2A, false}},
        {"ShiftRight", {VK_SHIFT, 0x36, false}},    {"ControlLeft", {VK_CONTROL, 0x1D, false}},
        {"ControlRight", {VK_CONTROL, 0x1D, true}}, {"AltLeft", {VK_MENU, 0x38, false}},
        {"AltRight", {VK_MENU, 0x38, true}},
    };
    for (const auto& s : sided) {
        if (s.code == code) {
            return s.key;
        }
    }
    for (const web_key& k : named_keys) {
        if (k.code == code) {
            return same_as(k.virtual_key);
        }
    }
    return {0, 0, false};
}

} // namespace platform::web
