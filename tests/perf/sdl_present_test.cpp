// The SDL host puts on screen only the rows that changed since the last frame. On SDL's dummy video driver
// (window surfaces in memory) every frame is checked pixel by pixel against the picture it should show:
// after repeated, changed and moved pictures, after an expose, and on a surface that SDL made anew behind
// user32's back. And with MIRRORS_FRAME_LOG the host writes one time per frame.
#include "platform_hooks.h"

#include <windows.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr int width = 64;
constexpr int height = 48;

// What the window procedure paints: a background and one bar, like the program's frames made off-screen
// and copied to the window in one block transfer.
struct picture {
    std::uint32_t background;
    int bar_top;
    int bar_bottom; // bar_top == bar_bottom: no bar
    int bar_left;
    int bar_right;
};
picture shown{0x112233, 10, 12, 5, 40};

COLORREF colorref(std::uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

constexpr std::uint32_t bar_colour = 0xFFFF00;

std::uint32_t expected_pixel(const picture& p, int x, int y) {
    bool in_bar = y >= p.bar_top && y < p.bar_bottom && x >= p.bar_left && x < p.bar_right;
    return in_bar ? bar_colour : p.background;
}

LRESULT CALLBACK painting_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        HBITMAP frame = CreateCompatibleBitmap(dc, client.right, client.bottom);
        HDC frame_dc = CreateCompatibleDC(dc);
        HGDIOBJ old_bitmap = SelectObject(frame_dc, frame);
        HBRUSH background = CreateSolidBrush(colorref(shown.background));
        FillRect(frame_dc, &client, background);
        DeleteObject(background);
        HBRUSH bar = CreateSolidBrush(colorref(bar_colour));
        RECT bar_rect{shown.bar_left, shown.bar_top, shown.bar_right, shown.bar_bottom};
        FillRect(frame_dc, &bar_rect, bar);
        DeleteObject(bar);
        BitBlt(dc, 0, 0, client.right, client.bottom, frame_dc, 0, 0, SRCCOPY);
        SelectObject(frame_dc, old_bitmap);
        DeleteDC(frame_dc);
        DeleteObject(frame);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

std::uint32_t surface_pixel(SDL_Surface* s, int x, int y) {
    const auto* row = static_cast<const unsigned char*>(s->pixels) + static_cast<std::size_t>(y) * s->pitch;
    return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFFu;
}

void set_surface_pixel(SDL_Surface* s, int x, int y, std::uint32_t pixel) {
    auto* row = static_cast<unsigned char*>(s->pixels) + static_cast<std::size_t>(y) * s->pitch;
    reinterpret_cast<std::uint32_t*>(row)[x] = pixel;
}

class sdl_present : public testing::Test {
  protected:
    HWND window = nullptr;
    SDL_Window* sdl = nullptr;

    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        shown = picture{0x112233, 10, 12, 5, 40};
        std::string reason;
        ASSERT_TRUE(platform::start_host(&reason)) << reason;
        WNDCLASSEXA cls = {};
        cls.cbSize = sizeof cls;
        cls.lpfnWndProc = painting_procedure;
        cls.lpszClassName = "sdl_present_test";
        RegisterClassExA(&cls);
        window = CreateWindowExA(0, "sdl_present_test", "", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        for (Uint32 id = 1; id < 100 && sdl == nullptr; ++id) {
            sdl = SDL_GetWindowFromID(id);
        }
        ASSERT_NE(sdl, nullptr);
        pump();
    }

    void TearDown() override {
        DestroyWindow(window);
        UnregisterClassA("sdl_present_test", nullptr);
        platform::stop_host();
    }

    // Delivers whatever is waiting (paints included).
    static void pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
    }

    void paint(const picture& p) {
        shown = p;
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }

    void expect_surface_shows(const picture& p, const std::string& what) {
        SDL_Surface* s = SDL_GetWindowSurface(sdl);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->w, width);
        ASSERT_EQ(s->h, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(surface_pixel(s, x, y), expected_pixel(p, x, y))
                    << what << " at " << x << ", " << y;
            }
        }
    }
};

struct sequence {
    const char* name;
    std::vector<picture> frames;
};

void PrintTo(const sequence& s, std::ostream* out) {
    *out << s.name;
}

const sequence sequences[] = {
    {"the same picture again and again", {{0x112233, 10, 12, 5, 40}, {0x112233, 10, 12, 5, 40}}},
    {"the bar moves down row by row",
     {{0x112233, 11, 13, 5, 40}, {0x112233, 12, 14, 5, 40}, {0x112233, 13, 15, 5, 40}}},
    {"the bar jumps from top to bottom", {{0x112233, 0, 1, 0, 64}, {0x112233, 47, 48, 0, 64}}},
    {"the bar moves sideways", {{0x112233, 10, 12, 6, 41}, {0x112233, 10, 12, 0, 1}}},
    {"the bar goes away and comes back", {{0x112233, 0, 0, 0, 0}, {0x112233, 30, 40, 20, 30}}},
    {"the background changes", {{0x445566, 10, 12, 5, 40}, {0x445566, 10, 12, 5, 40}}},
    {"the bar covers everything", {{0x112233, 0, 48, 0, 64}, {0x112233, 0, 0, 0, 0}}},
};

class sdl_present_sequences : public sdl_present, public testing::WithParamInterface<sequence> {};

TEST_P(sdl_present_sequences, every_frame_is_on_the_surface) {
    expect_surface_shows(shown, "the first frame");
    int number = 0;
    for (const picture& p : GetParam().frames) {
        paint(p);
        expect_surface_shows(p, "frame " + std::to_string(++number));
    }
}

INSTANTIATE_TEST_SUITE_P(table, sdl_present_sequences, testing::ValuesIn(sequences),
                         [](const testing::TestParamInfo<sequence>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c != '\0'; ++c) {
                                 name += (*c >= 'a' && *c <= 'z') ? *c : '_';
                             }
                             return name;
                         });

TEST_F(sdl_present, a_surface_made_anew_behind_user32s_back_gets_every_row) {
    // SDL makes a new surface when the window changes size; resized and back again before user32 hears of
    // it, the window keeps its pixels and nothing in them changes, yet the new surface starts empty.
    SDL_SetWindowSize(sdl, 80, 30);
    SDL_GetWindowSurface(sdl);
    SDL_SetWindowSize(sdl, width, height);
    paint(shown);
    expect_surface_shows(shown, "the same picture on a new surface");
}

TEST_F(sdl_present, an_expose_repaints_and_the_surface_stays_whole) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_EXPOSED;
    e.window.windowID = SDL_GetWindowID(sdl);
    SDL_PushEvent(&e);
    pump();
    expect_surface_shows(shown, "after an expose");
}

TEST_F(sdl_present, a_repeated_picture_writes_nothing_into_the_surface) {
    SDL_Surface* s = SDL_GetWindowSurface(sdl);
    set_surface_pixel(s, 30, 30, 0xABCDEF); // a row the bar never touches
    paint(shown);
    EXPECT_EQ(surface_pixel(s, 30, 30), 0xABCDEFu) << "an unchanged row was copied again";
    // A frame that changes that row brings it back.
    paint(picture{shown.background, 29, 31, 0, 2});
    EXPECT_EQ(surface_pixel(s, 30, 30), shown.background);
}

// The log is named before the host shows the first frame: it is opened with that frame.
class sdl_present_logged : public sdl_present {
  protected:
    std::string path = testing::TempDir() + "sdl_present_frames.log";

    void SetUp() override {
        std::remove(path.c_str());
        setenv("MIRRORS_FRAME_LOG", path.c_str(), 1);
        sdl_present::SetUp();
    }
    void TearDown() override {
        sdl_present::TearDown();
        unsetenv("MIRRORS_FRAME_LOG");
        std::remove(path.c_str());
    }
};

TEST_F(sdl_present_logged, the_frame_log_has_one_time_per_frame) {
    for (int i = 0; i < 5; ++i) {
        paint(picture{shown.background, i, i + 1, 0, 10});
    }
    // Presents outside of painting are not frames.
    ReleaseDC(window, GetDC(window));
    DestroyWindow(window);
    window = nullptr;
    platform::stop_host(); // closes the log
    std::ifstream log(path);
#if !defined(MIRRORS_FRAME_LOG)
    // Only a benchmark build keeps the log: the program as shipped reads no variable and writes no file.
    ASSERT_FALSE(log.is_open());
    return;
#endif
    std::vector<double> times;
    for (double t; log >> t;) {
        times.push_back(t);
    }
    ASSERT_EQ(times.size(), 6u) << "the first frame and five more";
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i], times[i - 1]);
    }
    EXPECT_GT(times[0], 0.0);
}

} // namespace
