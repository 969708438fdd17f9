// The inside of our GDI, shared by the files of gdi/ only: the object table behind every HGDIOBJ and HDC,
// the pixel surfaces that drawing writes to, and the small integer helpers that keep coordinates at the edge
// of their range from overflowing.
#pragma once

#include "platform_hooks.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::gdi {

enum class object_kind : std::uint8_t { none, pen, brush, bitmap, font, dc };

struct pen_data {
    bool visible = true;    // false for PS_NULL pens and pens made from a null brush
    int width = 1;          // in pixels, at least 1
    bool geometric = false; // ExtCreatePen with PS_GEOMETRIC: slanted one-pixel lines keep their end
    std::uint32_t pixel = 0;
};

struct brush_data {
    bool visible = true; // false for BS_NULL
    std::uint32_t pixel = 0;
};

// Columns [left, right) of one row; empty when left >= right.
struct column_span {
    int left = 0;
    int right = 0;

    bool empty() const { return left >= right; }
};

// The pixels of a bitmap live in a block that can be recycled by a later bitmap of the same size. Only the
// rows [ready_top, ready_bottom) hold real pixels, and of each such row y only the columns ready_columns[y]
// (the whole row when ready_columns is empty); every other pixel reads as `fill`. A new bitmap has nothing
// ready and reads as black; a fill of the whole bitmap just changes `fill` and drops what was ready; drawing
// makes the pixels around what it touches ready (see pixels_for_write). So a frame pays only for the part of
// each row that it draws on.
struct bitmap_data {
    int width = 1;
    int height = 1;
    std::unique_ptr<std::uint32_t[]> pixels;
    std::size_t capacity = 0; // words in `pixels`
    int ready_top = 0;
    int ready_bottom = 0;
    std::vector<column_span> ready_columns; // indexed by row; meaningful inside [ready_top, ready_bottom)
    std::uint32_t fill = 0;                 // black
    bool read_only = false;                 // the shared 1 x 1 bitmap of new memory DCs
    std::uint32_t owner_dc = 0;             // table index + 1 of the memory DC it is selected into, or 0
    bool monochrome = false;                // black and white only (see mono.cpp)

    column_span ready_span(int y) const {
        if (y < ready_top || y >= ready_bottom) {
            return column_span{};
        }
        return ready_columns.empty() ? column_span{0, width} : ready_columns[static_cast<std::size_t>(y)];
    }
};

struct dc_data {
    pixel_buffer* window = nullptr; // the client pixels of a window DC; null for memory DCs
    HGDIOBJ bitmap = nullptr;       // memory DCs only
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    COLORREF text_color = RGB(0, 0, 0);
    COLORREF back_color = RGB(255, 255, 255);
    int back_mode = OPAQUE;
    POINT position{0, 0}; // MoveToEx / LineTo
};

// Looked up from handles; null when the handle is null, stale, or of another kind.
pen_data* find_pen(HGDIOBJ object);
brush_data* find_brush(HGDIOBJ object);
bitmap_data* find_bitmap(HGDIOBJ object);
dc_data* find_dc(HDC dc);
bool is_font(HGDIOBJ object);

// A rectangle of pixels to draw into: `pixels` is row-major with `stride` words per row.
struct surface {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;

    std::uint32_t* row(int y) const { return pixels + static_cast<std::size_t>(y) * stride; }
};

// Half-open pixel rectangle in 64-bit coordinates, so that x + width never overflows for any int inputs.
struct box {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;

    bool empty() const { return left >= right || top >= bottom; }
};

// The size a DC draws into: its bitmap's, or its window's client area; 0 x 0 for a broken window buffer.
void dc_extent(const dc_data& dc, int* width, int* height);

// The DC's pixels for reading: in rows [ready_top, ready_bottom) the columns ready_columns[y] (whole rows
// when null) hold real pixels; every other pixel reads as `fill`.
struct readable {
    surface pixels;
    int ready_top = 0;
    int ready_bottom = 0;
    const column_span* ready_columns = nullptr;
    std::uint32_t fill = 0;

    column_span ready_span(int y) const {
        if (y < ready_top || y >= ready_bottom) {
            return column_span{};
        }
        return ready_columns == nullptr ? column_span{0, pixels.width} : ready_columns[y];
    }
};
readable pixels_for_read(dc_data& dc);

// The DC's pixels for writing inside `area` (already clipped to the DC); nothing outside `area` may be
// written. The pixels of `area` of a bitmap are made ready first, written with the bitmap's fill colour
// unless `overwrites_area` promises that every pixel of `area` gets written. The shared default bitmap is
// never written: it gives a surface without pixels.
surface pixels_for_write(dc_data& dc, const box& area, bool overwrites_area);

// A memory DC's bitmap, or null for window DCs.
bitmap_data* selected_bitmap(const dc_data& dc);

// Pixel memory for a new bitmap of `count` words, taken from a recently deleted bitmap of the same size when
// there is one. False when the memory cannot be had.
bool acquire_pixels(bitmap_data& bitmap, std::size_t count);
// Keeps the memory of a deleted bitmap for the next bitmap of its size.
void recycle_pixels(bitmap_data& bitmap);

// Whether the DC draws into a monochrome bitmap; the colour such a DC gives a pixel (the nearer of black and
// white); and BitBlt's copy between a monochrome and a colour DC, which maps colours as Windows does, of
// `area` already clipped to both DCs.
bool is_monochrome(const dc_data& dc);
std::uint32_t device_pixel(const dc_data& dc, std::uint32_t pixel);
void copy_converted(dc_data& dest, const box& area, dc_data& source, std::int64_t offset_x,
                    std::int64_t offset_y);

// Clips `b` to the rectangle [0, width) x [0, height).
box clip_box(box b, int width, int height);

// Fills the clipped rectangle with one colour, whole rows at a time.
void fill_area(const surface& s, const box& area, std::uint32_t pixel);

// Fills `area` of a DC with a colour; a fill of a whole bitmap only changes its fill colour.
void fill_dc(dc_data& dc, box area, std::uint32_t pixel);

// A double clamped into [lo, hi] before it becomes an integer, so that no conversion overflows (NaN gives
// lo).
inline std::int64_t clamp_to(double v, std::int64_t lo, std::int64_t hi) {
    if (!(v >= static_cast<double>(lo))) {
        return lo;
    }
    if (v >= static_cast<double>(hi)) {
        return hi;
    }
    return static_cast<std::int64_t>(v);
}

// Our one font (font.cpp): a fixed 8 x 16 bitmap font covering printable ASCII, the size of the Windows
// system font.
constexpr int font_cell_width = 8;
constexpr int font_cell_height = 16;
constexpr int font_first_char = 0x20;
constexpr int font_last_char = 0x7E;
// Glyphs 0x20..0x7E, then the glyph drawn for every other character.
constexpr int font_glyph_count = font_last_char - font_first_char + 2;
constexpr int font_missing_glyph = font_glyph_count - 1;

extern const unsigned char font_glyphs[font_glyph_count][font_cell_height];

} // namespace platform::gdi
