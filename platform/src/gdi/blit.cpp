// Pixel surfaces, block transfers and single pixels: BitBlt, PatBlt, FillRect, GetPixel, SetPixel.
//
// The program builds every frame in a new bitmap: create it, fill it whole, draw a little, copy it to the
// window, delete it. Two things keep that cheap while a new bitmap still reads as black. Deleted bitmaps hand
// their memory to the next bitmap of the same size, and a bitmap's pixels are only written once something is
// drawn near them (one span of columns per row, around what was drawn): until then they read as the bitmap's
// one fill colour, so the full fill just sets that colour and copying those pixels out is a plain fill.
//
// A window's pixels go to the screen after every frame, and most frames repeat the last one. So copies and
// fills into a window write only the pixels that really change and report the rows they are in to the host
// (see pixel_buffer::mark_changed), which then puts nothing on screen for a still picture. Comparing only
// reads memory, and a window also remembers each row's colour outside one span (pixel_buffer::outlines), so
// copying a frame that is mostly background looks only at the columns around what was drawn.
#include "gdi.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

namespace platform::gdi {
namespace {

// Memory of deleted bitmaps kept for reuse: a few frames' worth, oldest dropped first.
struct spare_pixels {
    std::unique_ptr<std::uint32_t[]> pixels;
    std::size_t capacity = 0;
};
constexpr std::size_t max_spares = 4;
constexpr std::size_t max_spare_words = std::size_t{64} << 20 >> 2; // 64 MiB in all

std::vector<spare_pixels>& spares() {
    static auto& list = *new std::vector<spare_pixels>; // outlives every bitmap, even at process exit
    return list;
}

// Writes the fill colour over columns [from, to) of a bitmap row, except for the columns [keep_left,
// keep_right) when `keep` is set (the caller writes those itself).
void fill_columns(std::uint32_t* row, int from, int to, std::uint32_t pixel, bool keep, int keep_left,
                  int keep_right) {
    if (!keep) {
        if (from < to) {
            std::fill_n(row + from, to - from, pixel);
        }
        return;
    }
    int before = std::min(to, keep_left);
    if (from < before) {
        std::fill_n(row + from, before - from, pixel);
    }
    int after = std::max(from, keep_right);
    if (after < to) {
        std::fill_n(row + after, to - after, pixel);
    }
}

// Makes the pixels of `area` (clipped to the bitmap) real. Each row keeps one span of real columns, so
// the columns between its old span and `area` become real too, written with the fill colour; the pixels of
// `area` itself are left alone when the caller `overwrites` them all.
void make_ready(bitmap_data& b, const box& area, bool overwrites) {
    int top = static_cast<int>(std::max<std::int64_t>(area.top, 0));
    int bottom = static_cast<int>(std::min<std::int64_t>(area.bottom, b.height));
    int left = static_cast<int>(std::max<std::int64_t>(area.left, 0));
    int right = static_cast<int>(std::min<std::int64_t>(area.right, b.width));
    if (top >= bottom || left >= right) {
        return;
    }
    auto rows = static_cast<std::size_t>(b.height);
    if (b.ready_columns.size() != rows) {
        // Whole rows were real so far (or nothing was): say so row by row.
        column_span whole{0, b.width};
        b.ready_columns.assign(rows, column_span{});
        for (int y = b.ready_top; y < b.ready_bottom; ++y) {
            b.ready_columns[static_cast<std::size_t>(y)] = whole;
        }
    }
    // Rows that join the band have nothing real yet.
    if (b.ready_top >= b.ready_bottom) {
        b.ready_top = top;
        b.ready_bottom = top;
    }
    for (int y = top; y < b.ready_top; ++y) {
        b.ready_columns[static_cast<std::size_t>(y)] = column_span{};
    }
    for (int y = b.ready_bottom; y < bottom; ++y) {
        b.ready_columns[static_cast<std::size_t>(y)] = column_span{};
    }
    b.ready_top = std::min(b.ready_top, top);
    b.ready_bottom = std::max(b.ready_bottom, bottom);

    auto columns = static_cast<std::size_t>(b.width);
    for (int y = top; y < bottom; ++y) {
        column_span& real = b.ready_columns[static_cast<std::size_t>(y)];
        std::uint32_t* row = b.pixels.get() + static_cast<std::size_t>(y) * columns;
        if (real.empty()) {
            fill_columns(row, left, right, b.fill, overwrites, left, right);
            real = column_span{left, right};
            continue;
        }
        int new_left = std::min(real.left, left);
        int new_right = std::max(real.right, right);
        fill_columns(row, new_left, real.left, b.fill, overwrites, left, right);
        fill_columns(row, real.right, new_right, b.fill, overwrites, left, right);
        real = column_span{new_left, new_right};
    }
}

// A row of `count` words of one colour, to compare window rows against with memcmp (which the C library
// does many words at a time on any CPU). Kept between calls: the colour rarely changes.
const std::uint32_t* uniform_row(std::uint32_t pixel, std::size_t count) {
    static auto& row = *new std::vector<std::uint32_t>; // outlives every window, even at process exit
    static std::uint32_t colour = 0;
    if (row.size() < count || colour != pixel) {
        row.assign(std::max(count, row.size()), pixel);
        colour = pixel;
    }
    return row.data();
}

// Whether all `count` words at `row` are `pixel`.
bool row_is(const std::uint32_t* row, std::size_t count, std::uint32_t pixel) {
    return count == 0 || std::memcmp(row, uniform_row(pixel, count), count * sizeof(std::uint32_t)) == 0;
}

// Writes one colour over `count` words of a window row unless they hold it already. True when it wrote.
bool fill_window_row(std::uint32_t* out, std::size_t count, std::uint32_t pixel) {
    if (row_is(out, count, pixel)) {
        return false;
    }
    std::fill_n(out, count, pixel);
    return true;
}

// Copies `count` words into a window row unless they are equal already (the ranges may overlap when a
// window is copied onto itself). True when it wrote.
bool copy_window_row(std::uint32_t* out, const std::uint32_t* in, std::size_t count) {
    if (count == 0 || std::memcmp(out, in, count * sizeof(std::uint32_t)) == 0) {
        return false;
    }
    std::memmove(out, in, count * sizeof(std::uint32_t));
    return true;
}

// The rows a window write really changed, gathered and reported to the buffer once.
struct changed_rows {
    int top = INT_MAX;
    int bottom = INT_MIN;

    void add(int y) {
        top = std::min(top, y);
        bottom = std::max(bottom, y + 1);
    }
    void report(pixel_buffer& window) const { window.mark_changed(top, bottom); }
};

using row_outline = pixel_buffer::row_outline;

// The outline of row y of a window `rows` high and `columns` wide, all unknown when they were kept for
// another size.
row_outline& outline_of(pixel_buffer& window, int columns, int rows, int y) {
    if (window.outlines.size() != static_cast<std::size_t>(rows) || window.outline_width != columns) {
        window.outlines.assign(static_cast<std::size_t>(rows), row_outline{});
        window.outline_width = columns;
    }
    return window.outlines[static_cast<std::size_t>(y)];
}

// Columns [left, right) of the row may now hold anything.
void widen(row_outline& outline, int left, int right) {
    if (outline.left >= outline.right) {
        outline.left = left;
        outline.right = right;
    } else {
        outline.left = std::min(outline.left, left);
        outline.right = std::max(outline.right, right);
    }
}

surface bitmap_surface(bitmap_data& b) {
    return surface{b.pixels.get(), b.width, b.height, static_cast<std::size_t>(b.width)};
}

box normalized(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) {
    // A negative size reaches back from x and keeps x's own pixel: -3 covers x - 2 to x, as on Windows.
    box b{x, y, x + width, y + height};
    if (b.left > b.right) {
        b = box{b.right + 1, b.top, b.left + 1, b.bottom};
    }
    if (b.top > b.bottom) {
        b = box{b.left, b.bottom + 1, b.right, b.top + 1};
    }
    return b;
}

bool pattern_pixel(DWORD rop, const dc_data& dc, bool* draws, std::uint32_t* pixel) {
    *draws = true;
    if (rop == BLACKNESS) {
        *pixel = 0x000000;
    } else if (rop == WHITENESS) {
        *pixel = 0xFFFFFF;
    } else if (rop == PATCOPY) {
        brush_data* brush = find_brush(dc.brush);
        if (!brush) {
            return false;
        }
        *draws = brush->visible;
        *pixel = brush->pixel;
    } else {
        return false; // no other raster operation is supported
    }
    return true;
}

// Copies one row into a window: columns [area.left, area.right) of row y get the source row, which is the
// fill colour `in.fill` except for the real pixels that land on columns [real_left, real_right) (source
// column = window column + shift). Only pixels that differ are written. When the copy covers the whole row
// and the row's outline says it is of the same fill colour outside some span, only the columns around that
// span and the real pixels are looked at. True when the row changed.
bool copy_to_window_row(pixel_buffer& window, const surface& to, int y, const box& area, const readable& in,
                        const std::uint32_t* in_row, int real_left, int real_right, int shift) {
    auto area_left = static_cast<int>(area.left);
    auto area_right = static_cast<int>(area.right);
    bool whole_width = area_left == 0 && area_right == to.width;
    row_outline& outline = outline_of(window, to.width, to.height, y);
    bool real = real_left < real_right;
    // The columns to look at: [look_left, look_right).
    int look_left = area_left;
    int look_right = area_right;
    if (whole_width && outline.fill == in.fill) {
        int known_left = std::max(outline.left, 0);
        int known_right = std::min(outline.right, to.width);
        bool known = known_left < known_right;
        look_left = known && real ? std::min(known_left, real_left) : known ? known_left : real_left;
        look_right = known && real ? std::max(known_right, real_right) : known ? known_right : real_right;
        if (!known && !real) {
            look_left = look_right = area_left;
        }
    }
    if (!real) {
        real_left = real_right = area_right;
    }
    std::uint32_t* row = to.row(y);
    bool wrote = false;
    int before_end = std::min(look_right, real_left);
    if (look_left < before_end) {
        wrote = fill_window_row(row + look_left, static_cast<std::size_t>(before_end - look_left), in.fill);
    }
    if (real) {
        wrote = copy_window_row(row + real_left, in_row + real_left + shift,
                                static_cast<std::size_t>(real_right - real_left)) ||
                wrote;
    }
    int after_start = std::max(look_left, real_right);
    if (after_start < look_right) {
        wrote =
            fill_window_row(row + after_start, static_cast<std::size_t>(look_right - after_start), in.fill) ||
            wrote;
    }
    if (whole_width) {
        outline = row_outline{in.fill, real ? real_left : 0, real ? real_right : 0};
    } else {
        widen(outline, area_left, area_right);
    }
    return wrote;
}

void copy_area(dc_data& dest, box area, dc_data& source, std::int64_t offset_x, std::int64_t offset_y) {
    int dest_width, dest_height, source_width, source_height;
    dc_extent(dest, &dest_width, &dest_height);
    dc_extent(source, &source_width, &source_height);
    area = clip_box(area, dest_width, dest_height);
    box from{area.left + offset_x, area.top + offset_y, area.right + offset_x, area.bottom + offset_y};
    from = clip_box(from, source_width, source_height);
    area = box{from.left - offset_x, from.top - offset_y, from.right - offset_x, from.bottom - offset_y};
    if (area.empty()) {
        return;
    }
    if (is_monochrome(dest) != is_monochrome(source)) {
        copy_converted(dest, area, source, offset_x, offset_y);
        return;
    }
    readable in = pixels_for_read(source);
    if (in.ready_top >= in.ready_bottom) {
        fill_dc(dest, area, in.fill); // the source is one colour
        return;
    }
    // Within one bitmap the destination pixels may also be source pixels, so the whole source area gets its
    // real colours before the copy reads it (then every source row is one piece, safe for memmove).
    bitmap_data* target = selected_bitmap(dest);
    bool one_bitmap = target && target == selected_bitmap(source);
    if (one_bitmap) {
        pixels_for_write(source, from, false);
    }
    // A window's rows are marked changed below, one by one, only where the copy changes them.
    surface to = dest.window ? pixels_for_read(dest).pixels : pixels_for_write(dest, area, !one_bitmap);
    in = pixels_for_read(source); // the same bitmap may just have gained real pixels
    if (!to.pixels) {
        return;
    }
    int first = static_cast<int>(area.top);
    int last = static_cast<int>(area.bottom) - 1;
    int step = 1;
    // A copy within one surface that moves down must go bottom-up not to read rows it already wrote.
    if (to.pixels == in.pixels.pixels && from.top < area.top) {
        std::swap(first, last);
        step = -1;
    }
    auto from_left = static_cast<int>(from.left);
    auto from_right = static_cast<int>(from.right);
    auto shift = static_cast<int>(from.left - area.left); // source column of a destination column
    changed_rows changed;
    for (int y = first;; y += step) {
        int source_y = static_cast<int>(y + offset_y);
        // The source row in three pieces: fill colour, real pixels, fill colour.
        column_span real = in.ready_span(source_y);
        int real_left = std::clamp(real.left, from_left, from_right);
        int real_right = std::clamp(real.right, real_left, from_right);
        if (real.empty()) {
            real_left = from_right;
            real_right = from_right;
        }
        const std::uint32_t* in_row = in.pixels.row(source_y);
        if (dest.window) {
            if (copy_to_window_row(*dest.window, to, y, area, in, in_row, real_left - shift,
                                   real_right - shift, shift)) {
                changed.add(y);
            }
        } else {
            std::uint32_t* out = to.row(y) + area.left;
            auto before = static_cast<std::size_t>(real_left - from_left);
            auto middle = static_cast<std::size_t>(real_right - real_left);
            auto after = static_cast<std::size_t>(from_right - real_right);
            std::fill_n(out, before, in.fill);
            if (middle > 0) {
                std::memmove(out + before, in_row + real_left, middle * sizeof(std::uint32_t));
            }
            std::fill_n(out + before + middle, after, in.fill);
        }
        if (y == last) {
            break;
        }
    }
    if (dest.window) {
        changed.report(*dest.window);
    }
}

} // namespace

bool acquire_pixels(bitmap_data& bitmap, std::size_t count) {
    auto& list = spares();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->capacity == count) {
            bitmap.pixels = std::move(it->pixels);
            bitmap.capacity = count;
            list.erase(it);
            return true;
        }
    }
    // Not value-initialised: until rows are drawn on they read as the bitmap's fill colour, black.
    bitmap.pixels.reset(new (std::nothrow) std::uint32_t[count]);
    bitmap.capacity = bitmap.pixels ? count : 0;
    return bitmap.pixels != nullptr;
}

void recycle_pixels(bitmap_data& bitmap) {
    if (bitmap.read_only || !bitmap.pixels || bitmap.capacity > max_spare_words) {
        return;
    }
    auto& list = spares();
    list.push_back(spare_pixels{std::move(bitmap.pixels), bitmap.capacity});
    bitmap.capacity = 0;
    std::size_t total = 0;
    for (const auto& spare : list) {
        total += spare.capacity;
    }
    while (list.size() > max_spares || total > max_spare_words) {
        total -= list.front().capacity;
        list.erase(list.begin());
    }
}

void dc_extent(const dc_data& dc, int* width, int* height) {
    *width = 0;
    *height = 0;
    if (dc.window) {
        const pixel_buffer& p = *dc.window;
        if (p.width > 0 && p.height > 0) {
            // Never trust the size fields beyond the words that are really there.
            std::size_t rows = p.pixels.size() / static_cast<std::size_t>(p.width);
            *width = p.width;
            *height = static_cast<int>(std::min<std::size_t>(rows, static_cast<std::size_t>(p.height)));
            if (*height == 0) {
                *width = 0;
            }
        }
    } else if (bitmap_data* b = selected_bitmap(dc)) {
        *width = b->width;
        *height = b->height;
    }
}

readable pixels_for_read(dc_data& dc) {
    readable r;
    if (dc.window) {
        int width, height;
        dc_extent(dc, &width, &height);
        r.pixels = surface{dc.window->pixels.data(), width, height, static_cast<std::size_t>(width)};
        r.ready_bottom = height;
    } else if (bitmap_data* b = selected_bitmap(dc)) {
        r.pixels = bitmap_surface(*b);
        r.ready_top = b->ready_top;
        r.ready_bottom = b->ready_bottom;
        r.ready_columns = b->ready_columns.empty() ? nullptr : b->ready_columns.data();
        r.fill = b->fill;
    }
    return r;
}

surface pixels_for_write(dc_data& dc, const box& area, bool overwrites_area) {
    if (dc.window) {
        pixel_buffer& window = *dc.window;
        auto top = static_cast<int>(std::max<std::int64_t>(area.top, 0));
        auto bottom = static_cast<int>(std::min<std::int64_t>(area.bottom, INT_MAX));
        window.mark_changed(top, bottom);
        for (int y = top; y < bottom && static_cast<std::size_t>(y) < window.outlines.size(); ++y) {
            widen(window.outlines[static_cast<std::size_t>(y)], static_cast<int>(area.left),
                  static_cast<int>(area.right));
        }
        return pixels_for_read(dc).pixels;
    }
    bitmap_data* b = selected_bitmap(dc);
    if (!b || b->read_only) {
        return surface{};
    }
    make_ready(*b, area, overwrites_area);
    return bitmap_surface(*b);
}

box clip_box(box b, int width, int height) {
    b.left = std::max<std::int64_t>(b.left, 0);
    b.top = std::max<std::int64_t>(b.top, 0);
    b.right = std::min<std::int64_t>(b.right, width);
    b.bottom = std::min<std::int64_t>(b.bottom, height);
    if (b.empty()) {
        return box{};
    }
    return b;
}

void fill_area(const surface& s, const box& area, std::uint32_t pixel) {
    if (!s.pixels || area.empty()) {
        return;
    }
    auto count = static_cast<std::size_t>(area.right - area.left);
    for (auto y = area.top; y < area.bottom; ++y) {
        std::fill_n(s.row(static_cast<int>(y)) + area.left, count, pixel);
    }
}

void fill_dc(dc_data& dc, box area, std::uint32_t pixel) {
    pixel = device_pixel(dc, pixel);
    int width, height;
    dc_extent(dc, &width, &height);
    area = clip_box(area, width, height);
    if (area.empty()) {
        return;
    }
    bitmap_data* b = selected_bitmap(dc);
    if (b && !b->read_only && area.left == 0 && area.top == 0 && area.right == width &&
        area.bottom == height) {
        b->ready_top = 0;
        b->ready_bottom = 0;
        b->fill = pixel;
        return;
    }
    if (dc.window) {
        surface s = pixels_for_read(dc).pixels;
        auto left = static_cast<int>(area.left);
        auto right = static_cast<int>(area.right);
        changed_rows changed;
        for (auto y = static_cast<int>(area.top); y < area.bottom; ++y) {
            if (fill_window_row(s.row(y) + left, static_cast<std::size_t>(right - left), pixel)) {
                changed.add(y);
            }
            row_outline& outline = outline_of(*dc.window, s.width, s.height, y);
            if (left == 0 && right == s.width) {
                outline = row_outline{pixel, 0, 0};
            } else {
                widen(outline, left, right);
            }
        }
        changed.report(*dc.window);
        return;
    }
    fill_area(pixels_for_write(dc, area, true), area, pixel);
}

} // namespace platform::gdi

using namespace platform::gdi;

BOOL WINAPI PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    dc_data* d = find_dc(dc);
    bool draws;
    std::uint32_t pixel;
    if (!d || !pattern_pixel(rop, *d, &draws, &pixel)) {
        return FALSE;
    }
    if (draws) {
        fill_dc(*d, normalized(x, y, width, height), pixel);
    }
    return TRUE;
}

BOOL WINAPI BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y,
                   DWORD rop) {
    dc_data* d = find_dc(dest);
    if (!d) {
        return FALSE;
    }
    if (rop != SRCCOPY) {
        return PatBlt(dest, x, y, width, height, rop);
    }
    dc_data* s = find_dc(source);
    if (!s) {
        return FALSE;
    }
    // Negative sizes turn both rectangles around the same way, so the source offset stays sx - x.
    copy_area(*d, normalized(x, y, width, height), *s, std::int64_t{source_x} - x,
              std::int64_t{source_y} - y);
    return TRUE;
}

int WINAPI FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    // Like Windows, a small number instead of a brush means the system colour brush of (number - 1).
    auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value != 0 && value <= 31) {
        brush = GetSysColorBrush(static_cast<int>(value) - 1);
    }
    dc_data* d = find_dc(dc);
    brush_data* b = find_brush(brush);
    if (!d || !b || !rect) {
        return 0;
    }
    if (b->visible) {
        fill_dc(*d,
                normalized(rect->left, rect->top, std::int64_t{rect->right} - rect->left,
                           std::int64_t{rect->bottom} - rect->top),
                b->pixel);
    }
    return 1;
}

COLORREF WINAPI GetPixel(HDC dc, int x, int y) {
    dc_data* d = find_dc(dc);
    if (!d) {
        return CLR_INVALID;
    }
    readable r = pixels_for_read(*d);
    if (x < 0 || y < 0 || x >= r.pixels.width || y >= r.pixels.height) {
        return CLR_INVALID;
    }
    column_span real = r.ready_span(y);
    return platform::colorref_from_pixel(x >= real.left && x < real.right ? r.pixels.row(y)[x] : r.fill);
}

COLORREF WINAPI SetPixel(HDC dc, int x, int y, COLORREF color) {
    dc_data* d = find_dc(dc);
    if (!d) {
        return CLR_INVALID;
    }
    int width, height;
    dc_extent(*d, &width, &height);
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return CLR_INVALID;
    }
    surface s = pixels_for_write(*d, box{x, y, std::int64_t{x} + 1, std::int64_t{y} + 1}, true);
    if (!s.pixels) {
        return CLR_INVALID;
    }
    std::uint32_t pixel = device_pixel(*d, platform::pixel_from_colorref(color));
    s.row(y)[x] = pixel;
    return platform::colorref_from_pixel(pixel);
}
