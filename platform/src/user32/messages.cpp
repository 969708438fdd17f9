// user32's message queue and timers: posting and taking messages by Windows' priorities, the waiting
// GetMessageA, dispatching, and the timers that produce WM_TIMER.
#include "user32.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace platform::user32 {

namespace {

bool message_in_range(UINT message, UINT first, UINT last) {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

// NULL: any window and thread messages; -1: thread messages only; otherwise that window's messages.
bool message_for(HWND message_window, HWND filter) {
    if (filter == nullptr) {
        return true;
    }
    if (filter == reinterpret_cast<HWND>(static_cast<std::uintptr_t>(-1))) {
        return message_window == nullptr;
    }
    return message_window == filter;
}

void stamp(MSG* msg) {
    msg->time = static_cast<DWORD>(platform::host::now_ms());
    msg->pt = state.cursor;
}

// The next message by Windows' priorities: posted and input messages in arrival order, then the quit
// request, then WM_PAINT for a window with something to paint, then WM_TIMER for a due timer.
bool take_message(MSG* out, HWND filter, UINT first, UINT last, bool remove) {
    for (auto it = state.queue.begin(); it != state.queue.end(); ++it) {
        if (message_for(it->hwnd, filter) && message_in_range(it->message, first, last)) {
            *out = *it;
            if (remove) {
                if (std::next(it) == state.queue.end()) {
                    state.move_waits_last = false;
                }
                state.queue.erase(it);
            }
            return true;
        }
    }
    // Like Windows, the quit request ignores the filters: a loop filtering by window still ends.
    if (state.quit_pending) {
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = static_cast<WPARAM>(state.quit_code);
        stamp(out);
        if (remove) {
            state.quit_pending = false;
        }
        return true;
    }
    if (message_in_range(WM_PAINT, first, last)) {
        for (const std::unique_ptr<window_record>& w : state.windows) {
            if (needs_paint(*w) && message_for(w->handle, filter)) {
                *out = MSG{w->handle, WM_PAINT, 0, 0, 0, {0, 0}};
                stamp(out);
                return true;
            }
        }
    }
    if (message_in_range(WM_TIMER, first, last)) {
        std::uint64_t now = platform::host::now_ms();
        timer_record* due = nullptr;
        for (timer_record& t : state.timers) {
            if (t.due_ms <= now && message_for(t.window, filter) &&
                (due == nullptr || t.due_ms < due->due_ms)) {
                due = &t;
            }
        }
        if (due != nullptr) {
            *out = MSG{due->window, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc), 0, {0, 0}};
            stamp(out);
            // The next tick is due one period after this one was, not after the moment it was taken: a loop
            // that wakes a little late (browser timers fire a fraction of a millisecond after their time)
            // still ticks at the timer's rate instead of losing that fraction every period. A loop a whole
            // period or more behind gets one tick now and the next a period later, never a burst, as on
            // Windows.
            if (remove) {
                due->due_ms =
                    now - due->due_ms < due->period_ms ? due->due_ms + due->period_ms : now + due->period_ms;
            }
            return true;
        }
    }
    return false;
}

std::optional<std::uint64_t> next_timer_deadline(HWND filter, UINT first, UINT last) {
    std::optional<std::uint64_t> deadline;
    if (!message_in_range(WM_TIMER, first, last)) {
        return deadline;
    }
    for (const timer_record& t : state.timers) {
        if (message_for(t.window, filter) && (!deadline || t.due_ms < *deadline)) {
            deadline = t.due_ms;
        }
    }
    return deadline;
}

} // namespace

void post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    MSG msg = {window, message, wparam, lparam, 0, {0, 0}};
    stamp(&msg);
    state.queue.push_back(msg);
    state.move_waits_last = false;
}

void post_mouse_move(HWND window, WPARAM wparam, LPARAM lparam) {
    // As in Windows, a move from the mouse that still waits at the end of the queue is brought up to date
    // rather than joined by another: however fast the pointer moves, at most one move waits, and a click
    // queued after a move keeps its place behind it.
    if (state.move_waits_last && !state.queue.empty() && state.queue.back().hwnd == window &&
        state.queue.back().message == WM_MOUSEMOVE) {
        state.queue.back().wParam = wparam;
        state.queue.back().lParam = lparam;
        stamp(&state.queue.back());
        return;
    }
    post(window, WM_MOUSEMOVE, wparam, lparam);
    state.move_waits_last = true;
}

void forget_window(HWND window) {
    state.move_waits_last = false;
    std::erase_if(state.queue, [window](const MSG& m) { return m.hwnd == window; });
    std::erase_if(state.timers, [window](const timer_record& t) { return t.window == window; });
}

} // namespace platform::user32

using namespace platform::user32;

// Messages ------------------------------------------------------------------------------------------------

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT first, UINT last) {
    bool thread_only = window == reinterpret_cast<HWND>(static_cast<std::uintptr_t>(-1));
    if (msg == nullptr || (window != nullptr && !thread_only && find_window(window) == nullptr)) {
        return -1;
    }
    for (;;) {
        free_dead_windows();
        platform::host::pump();
        contact_clock();
        if (take_message(msg, window, first, last, true)) {
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        std::optional<std::uint64_t> deadline = next_timer_deadline(window, first, last);
        if (std::optional<std::uint64_t> hold = contact_deadline()) {
            deadline = deadline ? std::min(*deadline, *hold) : *hold;
        }
        if (platform::host::wait(deadline) == platform::host::wait_result::idle_forever) {
            std::fputs(
                "GetMessageA: no window, timer or message can ever arrive; ending the loop with code 1\n",
                stderr);
            *msg = MSG{};
            msg->message = WM_QUIT;
            msg->wParam = 1;
            stamp(msg);
            return FALSE;
        }
    }
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
    if (msg == nullptr) {
        return FALSE;
    }
    free_dead_windows();
    platform::host::pump();
    contact_clock();
    return take_message(msg, window, first, last, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

// Character messages are not generated: nothing in the program reads WM_CHAR.
BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (msg == nullptr) {
        return FALSE;
    }
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (msg == nullptr) {
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        // Only a callback that a live timer was set with is called: a posted WM_TIMER cannot run arbitrary
        // code.
        TIMERPROC proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        for (const timer_record& t : state.timers) {
            if (t.window == msg->hwnd && t.id == msg->wParam && t.proc == proc) {
                ++state.procedure_depth;
                proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
                --state.procedure_depth;
                return 0;
            }
        }
        return 0;
    }
    return call_procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (window != nullptr) {
        window_record* w = find_window(window);
        if (w == nullptr || w->destroying) {
            return FALSE;
        }
    }
    post(window, message, wparam, lparam);
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return call_procedure(window, message, wparam, lparam);
}

void WINAPI PostQuitMessage(int exit_code) {
    state.quit_pending = true;
    state.quit_code = exit_code;
}

// Timers --------------------------------------------------------------------------------------------------

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse_ms, TIMERPROC callback) {
    if (window != nullptr) {
        window_record* w = find_window(window);
        if (w == nullptr || w->destroying) {
            return 0;
        }
    }
    UINT period = std::clamp(elapse_ms, timer_minimum_ms, timer_maximum_ms);
    std::uint64_t due = platform::host::now_ms() + period;
    if (window == nullptr) {
        // A thread timer: `id` names an existing one to replace, otherwise a new id is chosen.
        auto existing = std::find_if(state.timers.begin(), state.timers.end(), [id](const timer_record& t) {
            return t.window == nullptr && t.id == id;
        });
        if (id == 0 || existing == state.timers.end()) {
            do {
                id = state.next_thread_timer_id++;
                if (state.next_thread_timer_id == 0) {
                    state.next_thread_timer_id = 1;
                }
            } while (std::any_of(state.timers.begin(), state.timers.end(),
                                 [id](const timer_record& t) { return t.window == nullptr && t.id == id; }));
            state.timers.push_back(timer_record{nullptr, id, period, due, callback});
        } else {
            *existing = timer_record{nullptr, id, period, due, callback};
        }
        return id;
    }
    for (timer_record& t : state.timers) {
        if (t.window == window && t.id == id) {
            t = timer_record{window, id, period, due, callback};
            return id != 0 ? id : 1;
        }
    }
    state.timers.push_back(timer_record{window, id, period, due, callback});
    return id != 0 ? id : 1;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    auto it = std::find_if(state.timers.begin(), state.timers.end(),
                           [window, id](const timer_record& t) { return t.window == window && t.id == id; });
    if (it == state.timers.end()) {
        return FALSE;
    }
    state.timers.erase(it);
    return TRUE;
}
