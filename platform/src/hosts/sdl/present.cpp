// The SDL host's frames: each window's pixels shown through its window surface.
//
// The program repaints 100 times a second for as long as it runs, even when nothing moves, so presenting
// copies into the window surface only the rows that changed since the last frame (the GDI reports them; see
// pixel_buffer) and puts only those on screen, usually none.
#include "sdl_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform::sdl {

// For measurements (bench/whole_program.py), in a build configured with -DMIRRORS_FRAME_LOG=ON only: with
// MIRRORS_FRAME_LOG=path, the time of every finished frame (EndPaint) is appended to that file once it is on
// screen, one line each, in seconds of CLOCK_MONOTONIC. The program as shipped reads no such variable.
#if defined(MIRRORS_FRAME_LOG)
namespace {

std::FILE* frame_log = nullptr;
bool frame_log_opened = false;

void log_frame() {
    if (!frame_log_opened) {
        frame_log_opened = true;
        const char* path = std::getenv("MIRRORS_FRAME_LOG");
        if (path != nullptr && path[0] != '\0') {
            frame_log = std::fopen(path, "a");
        }
    }
    if (frame_log != nullptr) {
        std::uint64_t now = monotonic_ns();
        std::fprintf(frame_log, "%llu.%06llu\n", static_cast<unsigned long long>(now / 1000000000),
                     static_cast<unsigned long long>(now % 1000000000 / 1000));
    }
}

} // namespace

void close_frame_log() {
    if (frame_log != nullptr) {
        std::fclose(frame_log);
        frame_log = nullptr;
    }
    frame_log_opened = false;
}
#else
namespace {
void log_frame() {}
} // namespace
void close_frame_log() {}
#endif

namespace {

// The user data of the window surfaces that present has filled (see present).
char surface_mark;

// The window would stay empty for good: say so, once.
void say_no_surface_once() {
    if (state.told_no_surface) {
        return;
    }
    state.told_no_surface = true;
    const char* driver = SDL_GetCurrentVideoDriver();
    std::string error = SDL_GetError();
    std::fprintf(stderr,
                 "mirrors: nothing can be shown: SDL's %s video driver gave the window no surface%s\n",
                 driver != nullptr ? driver : "(none)", error.empty() ? "" : (" (" + error + ")").c_str());
}

// Rows top to bottom of the first `columns` pixels into the surface. False when it cannot be locked.
bool copy_rows(SDL_Surface* surface, const pixel_buffer& pixels, int top, int bottom, int columns) {
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        return false;
    }
    const std::uint32_t* source =
        pixels.pixels.data() + static_cast<std::size_t>(top) * static_cast<std::size_t>(pixels.width);
    auto* target = static_cast<unsigned char*>(surface->pixels) +
                   static_cast<std::size_t>(top) * static_cast<std::size_t>(surface->pitch);
    Uint32 format = surface->format->format;
    if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
        // Our 0x00RRGGBB words are exactly these formats: one copy per row.
        std::size_t row_bytes = static_cast<std::size_t>(columns) * sizeof(std::uint32_t);
        for (int y = 0; y < bottom - top; ++y) {
            std::memcpy(target + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface->pitch),
                        source + static_cast<std::size_t>(y) * static_cast<std::size_t>(pixels.width),
                        row_bytes);
        }
    } else {
        SDL_ConvertPixels(columns, bottom - top, SDL_PIXELFORMAT_RGB888, source,
                          pixels.width * static_cast<int>(sizeof(std::uint32_t)), format, target,
                          surface->pitch);
    }
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    return true;
}

// Puts the window surface on screen: all of it, or only the rows top to bottom (none when they are empty).
void show(SDL_Window* window, bool all, int top, int bottom, int columns) {
    if (all) {
        SDL_UpdateWindowSurface(window);
    } else if (top < bottom) {
        SDL_Rect band{0, top, columns, bottom - top};
        SDL_UpdateWindowSurfaceRects(window, &band, 1);
    }
}

} // namespace

} // namespace platform::sdl

namespace platform::host {

using namespace platform::sdl;

void present(HWND handle, const pixel_buffer& pixels, present_reason reason) {
    window* w = by_handle(handle);
    if (w == nullptr || pixels.width <= 0 || pixels.height <= 0) {
        return;
    }
    SDL_Surface* surface = SDL_GetWindowSurface(w->sdl);
    if (surface == nullptr) {
        say_no_surface_once();
        return;
    }
    int columns = std::min(surface->w, pixels.width);
    int rows = std::min(surface->h, pixels.height);
    if (columns <= 0 || rows <= 0) {
        return;
    }
    // Only the rows that changed since the last present go into the surface and to the screen, unless the
    // surface is a new one (after a resize): then all of them. A surface of the same size that the screen
    // lost (an expose) still holds every row, so only the screen gets them all again. SDL makes a new surface
    // whenever the window's size changes, perhaps at the address of the old one: a surface we have filled
    // carries our mark in its user data.
    bool same_surface = surface->userdata == &surface_mark && surface->w == w->surface_width &&
                        surface->h == w->surface_height;
    int top = same_surface ? std::max(pixels.changed_top, 0) : 0;
    int bottom = same_surface ? std::min(pixels.changed_bottom, rows) : rows;
    if (top < bottom && !copy_rows(surface, pixels, top, bottom, columns)) {
        return;
    }
    show(w->sdl, !same_surface || w->exposed, top, bottom, columns);
    pixels.mark_shown();
    surface->userdata = &surface_mark;
    w->surface_width = surface->w;
    w->surface_height = surface->h;
    w->exposed = false;
    if (reason == present_reason::paint) {
        log_frame();
    }
}

} // namespace platform::host
