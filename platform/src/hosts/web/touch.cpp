// The web host on phones and tablets: fingers and pens, which page.js queues as contact records, are contacts
// for user32, which makes mouse messages of them as Windows does (user32/touch.cpp); and the ring that shows
// a press and hold.
#include "web_host.h"

namespace platform::web {

void deliver_contact(HWND window, const input_record& record) {
    using platform::input::contact_action;
    int action = record.a & 7;
    if (window == nullptr || action > 4) {
        return;
    }
    constexpr contact_action actions[] = {contact_action::down, contact_action::move, contact_action::up,
                                          contact_action::cancel, contact_action::hover};
    platform::input::contact c = {record.b,
                                  (record.a & 8) != 0 ? platform::input::contact_kind::pen
                                                      : platform::input::contact_kind::touch,
                                  actions[action],
                                  record.x,
                                  record.y,
                                  (record.a & 16) != 0};
    platform::input::touch(window, c);
}

} // namespace platform::web

namespace platform::host {

void show_hold(HWND, int x, int y) {
    web_hold_ring(x, y, 1);
}

void hide_hold(HWND) {
    web_hold_ring(0, 0, 0);
}

} // namespace platform::host
