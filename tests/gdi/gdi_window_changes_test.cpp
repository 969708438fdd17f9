// The rows of a window that the GDI reports as changed since the host last showed it. The host puts only
// those rows on screen, so a row that changed but is not reported would stay stale on screen: every operation
// here is checked against a snapshot taken before it, and some also for the exact band they report.
#include <windows.h>

#include "platform_hooks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr int width = 24;
constexpr int height = 20;
constexpr COLORREF grey = RGB(100, 100, 100);
constexpr COLORREF blue = RGB(0, 0, 255);

// A window's pixels with a DC on them, and a frame bitmap of the same size in a memory DC: the two ends of
// the program's block transfer.
struct window_and_frame {
    platform::pixel_buffer window;
    HDC window_dc = nullptr;
    HDC frame_dc = nullptr;
    HBITMAP frame = nullptr;
    HGDIOBJ previous = nullptr;

    window_and_frame() {
        window.width = width;
        window.height = height;
        window.pixels.assign(static_cast<std::size_t>(width) * height, 0u);
        window_dc = platform::create_window_dc(&window);
        frame_dc = CreateCompatibleDC(window_dc);
        frame = CreateCompatibleBitmap(window_dc, width, height);
        previous = SelectObject(frame_dc, frame);
    }
    ~window_and_frame() {
        SelectObject(frame_dc, previous);
        DeleteDC(frame_dc);
        DeleteObject(frame);
        platform::release_window_dc(window_dc);
    }
    window_and_frame(const window_and_frame&) = delete;
    window_and_frame& operator=(const window_and_frame&) = delete;

    void fill_frame(COLORREF colour) {
        HBRUSH brush = CreateSolidBrush(colour);
        HGDIOBJ old = SelectObject(frame_dc, brush);
        PatBlt(frame_dc, 0, 0, width, height, PATCOPY);
        SelectObject(frame_dc, old);
        DeleteObject(brush);
    }
    void show_frame() { BitBlt(window_dc, 0, 0, width, height, frame_dc, 0, 0, SRCCOPY); }

    // The band as "top..bottom", or "none".
    std::string changed() const {
        if (window.changed_top >= window.changed_bottom) {
            return "none";
        }
        return std::to_string(window.changed_top) + ".." + std::to_string(window.changed_bottom);
    }
};

// The rows of `now` outside the reported band must equal the rows of `before`.
void expect_unreported_rows_unchanged(const platform::pixel_buffer& now,
                                      const std::vector<std::uint32_t>& before, const std::string& what) {
    for (int y = 0; y < height; ++y) {
        if (y >= now.changed_top && y < now.changed_bottom) {
            continue;
        }
        for (int x = 0; x < width; ++x) {
            std::size_t i = static_cast<std::size_t>(y) * width + x;
            ASSERT_EQ(now.pixels[i], before[i]) << what << ": row " << y << " changed but was not reported";
        }
    }
}

struct operation {
    const char* name;
    std::function<void(window_and_frame&)> prepare; // before the window is marked as shown
    std::function<void(window_and_frame&)> act;
    const char* expected; // the band reported, or nullptr when only the snapshot check applies
};

void PrintTo(const operation& op, std::ostream* out) {
    *out << op.name;
}

class window_change_operations : public testing::TestWithParam<operation> {};

TEST_P(window_change_operations, report_every_row_they_change) {
    const operation& op = GetParam();
    window_and_frame w;
    // The picture on screen before: the grey background with a blue line on row 5, like a shown frame.
    w.fill_frame(grey);
    HPEN pen = CreatePen(PS_SOLID, 1, blue);
    HGDIOBJ old_pen = SelectObject(w.frame_dc, pen);
    MoveToEx(w.frame_dc, 2, 5, nullptr);
    LineTo(w.frame_dc, 20, 5);
    SelectObject(w.frame_dc, old_pen);
    DeleteObject(pen);
    w.show_frame();
    if (op.prepare) {
        op.prepare(w);
    }
    w.window.mark_shown();
    std::vector<std::uint32_t> before = w.window.pixels;
    op.act(w);
    expect_unreported_rows_unchanged(w.window, before, op.name);
    if (op.expected != nullptr) {
        EXPECT_EQ(w.changed(), op.expected) << op.name;
    }
}

void draw_line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

const operation operations[] = {
    {"the same frame again", nullptr, [](window_and_frame& w) { w.show_frame(); }, "none"},
    {"one pixel of the frame differs", nullptr,
     [](window_and_frame& w) {
         SetPixel(w.frame_dc, 7, 12, blue);
         w.show_frame();
     },
     "12..13"},
    {"a new frame of the same background and line", nullptr,
     [](window_and_frame& w) {
         w.fill_frame(grey);
         HPEN pen = CreatePen(PS_SOLID, 1, blue);
         HGDIOBJ old = SelectObject(w.frame_dc, pen);
         draw_line(w.frame_dc, 2, 5, 20, 5);
         SelectObject(w.frame_dc, old);
         DeleteObject(pen);
         w.show_frame();
     },
     "none"},
    {"a new frame without the line", nullptr,
     [](window_and_frame& w) {
         w.fill_frame(grey);
         w.show_frame();
     },
     "5..6"},
    {"a frame of another colour", nullptr,
     [](window_and_frame& w) {
         w.fill_frame(blue);
         w.show_frame();
     },
     "0..20"},
    {"part of the frame, one column wide", nullptr,
     [](window_and_frame& w) {
         w.fill_frame(blue);
         BitBlt(w.window_dc, 3, 8, 1, 4, w.frame_dc, 3, 8, SRCCOPY);
     },
     "8..12"},
    {"a fill of the window with the colour it has", nullptr,
     [](window_and_frame& w) { PatBlt(w.window_dc, 0, 6, width, 10, BLACKNESS); }, nullptr},
    {"a fill that repeats the background", nullptr,
     [](window_and_frame& w) {
         HBRUSH brush = CreateSolidBrush(grey);
         RECT r{0, 8, width, 16};
         FillRect(w.window_dc, &r, brush);
         DeleteObject(brush);
     },
     "none"},
    {"a fill over the line", nullptr,
     [](window_and_frame& w) {
         HBRUSH brush = CreateSolidBrush(grey);
         RECT r{0, 3, width, 7};
         FillRect(w.window_dc, &r, brush);
         DeleteObject(brush);
     },
     "5..6"},
    {"a line on the window just right of the frame's pixel at 20, 15", nullptr,
     [](window_and_frame& w) { draw_line(w.window_dc, 23, 13, 17, 19); }, nullptr},
    {"a pixel set on the window", nullptr, [](window_and_frame& w) { SetPixel(w.window_dc, 0, 19, blue); },
     nullptr},
    {"text on the window", nullptr, [](window_and_frame& w) { TextOutA(w.window_dc, 4, 9, "ab", 2); },
     nullptr},
    {"an ellipse on the window", nullptr, [](window_and_frame& w) { Ellipse(w.window_dc, 2, 10, 12, 18); },
     nullptr},
    {"the window copied onto itself one row down", nullptr,
     [](window_and_frame& w) { BitBlt(w.window_dc, 0, 1, width, height - 1, w.window_dc, 0, 0, SRCCOPY); },
     "5..7"},
    {"the window copied onto itself one row up", nullptr,
     [](window_and_frame& w) { BitBlt(w.window_dc, 0, 0, width, height - 1, w.window_dc, 0, 1, SRCCOPY); },
     "4..6"},
    {"a frame copied far outside the window", nullptr,
     [](window_and_frame& w) {
         BitBlt(w.window_dc, width, height, width, height, w.frame_dc, 0, 0, SRCCOPY);
     },
     "none"},
    {"a frame copied half out at the top", nullptr,
     [](window_and_frame& w) {
         w.fill_frame(blue);
         BitBlt(w.window_dc, 0, -15, width, height, w.frame_dc, 0, 0, SRCCOPY);
     },
     "0..5"},
    {"changes made before it was shown are not reported again",
     [](window_and_frame& w) { SetPixel(w.window_dc, 3, 3, blue); },
     [](window_and_frame& w) { SetPixel(w.window_dc, 3, 3, blue); }, nullptr},
};

INSTANTIATE_TEST_SUITE_P(table, window_change_operations, testing::ValuesIn(operations),
                         [](const testing::TestParamInfo<operation>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c != '\0'; ++c) {
                                 name += (*c >= 'a' && *c <= 'z') || (*c >= '0' && *c <= '9') ? *c : '_';
                             }
                             return name;
                         });

// What the GDI remembers of the window's rows must never hide a pixel that an operation changed: after each
// operation, the frame copied again must leave the window exactly equal to the frame.
TEST_P(window_change_operations, leave_nothing_stale_for_the_next_frame) {
    const operation& op = GetParam();
    window_and_frame w;
    w.fill_frame(grey);
    SetPixel(w.frame_dc, 20, 15, blue);
    w.show_frame();
    if (op.prepare) {
        op.prepare(w);
    }
    op.act(w);
    w.show_frame();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(GetPixel(w.window_dc, x, y), GetPixel(w.frame_dc, x, y))
                << op.name << " at " << x << ", " << y;
        }
    }
}

// Frames that differ from the last in ever other rows: the window must always end up with exactly the frame's
// pixels, even though most rows are not written at all.
TEST(window_changes, skipped_rows_still_hold_the_frame) {
    window_and_frame w;
    for (int frame = 0; frame < 40; ++frame) {
        w.fill_frame(frame % 7 == 0 ? blue : grey);
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 0));
        HGDIOBJ old = SelectObject(w.frame_dc, pen);
        draw_line(w.frame_dc, frame % width, 0, (frame * 5) % width, frame % height);
        SelectObject(w.frame_dc, old);
        DeleteObject(pen);
        if (frame % 3 == 0) {
            TextOutA(w.frame_dc, frame % 11, frame % 13, "x", 1);
        }
        w.window.mark_shown();
        std::vector<std::uint32_t> before = w.window.pixels;
        w.show_frame();
        expect_unreported_rows_unchanged(w.window, before, "frame " + std::to_string(frame));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(GetPixel(w.window_dc, x, y), GetPixel(w.frame_dc, x, y))
                    << "frame " << frame << " at " << x << ", " << y;
            }
        }
    }
}

// The window's buffer resized in place, as a careless caller might: what was known of the old rows must not
// be used for the new ones.
TEST(window_changes, a_buffer_of_another_size_is_read_afresh) {
    window_and_frame w;
    w.fill_frame(grey);
    w.show_frame();
    for (auto [columns, rows] : {std::pair{width - 4, height}, std::pair{width, height - 3}}) {
        w.window.width = columns;
        w.window.height = rows;
        w.window.pixels.assign(static_cast<std::size_t>(columns) * rows, 0x00FF00u);
        w.show_frame();
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < columns; ++x) {
                ASSERT_EQ(GetPixel(w.window_dc, x, y), grey)
                    << columns << " x " << rows << " at " << x << ", " << y;
            }
        }
    }
}

TEST(window_changes, marks_widen_the_band_and_showing_empties_it) {
    platform::pixel_buffer b;
    EXPECT_LE(b.changed_top, 0); // a new buffer counts as changed everywhere
    EXPECT_GE(b.changed_bottom, height);
    b.mark_shown();
    EXPECT_GE(b.changed_top, b.changed_bottom);
    b.mark_changed(5, 5); // nothing
    EXPECT_GE(b.changed_top, b.changed_bottom);
    b.mark_changed(7, 9);
    b.mark_changed(2, 3);
    EXPECT_EQ(b.changed_top, 2);
    EXPECT_EQ(b.changed_bottom, 9);
    b.mark_all_changed();
    EXPECT_EQ(b.changed_top, 0);
    EXPECT_EQ(b.changed_bottom, INT_MAX);
}

} // namespace
