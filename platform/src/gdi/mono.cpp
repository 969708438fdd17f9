// Monochrome bitmaps. A new memory DC holds a 1 x 1 monochrome bitmap, so a bitmap made compatible with it is
// monochrome too, as on Windows: a program that builds its frame that way sees it in black and white here as
// well, not only on Windows. Such a bitmap holds black and white only; drawing on it takes the nearer of the
// two for each colour, and copies between it and colour DCs follow the text and background colours.
#include "gdi.h"

namespace platform::gdi {

namespace {

constexpr std::uint32_t black = 0x000000;
constexpr std::uint32_t white = 0xFFFFFF;

std::uint32_t nearer_of_black_and_white(std::uint32_t pixel) {
    int to_black = 0;
    int to_white = 0;
    for (int shift : {0, 8, 16}) {
        int c = static_cast<int>((pixel >> shift) & 0xFFu);
        to_black += c * c;
        to_white += (255 - c) * (255 - c);
    }
    return to_white < to_black ? white : black;
}

std::uint32_t pixel_at(const readable& in, int x, int y) {
    column_span real = in.ready_span(y);
    return x >= real.left && x < real.right ? in.pixels.row(y)[x] : in.fill;
}

} // namespace

bool is_monochrome(const dc_data& dc) {
    const bitmap_data* b = selected_bitmap(dc);
    return b != nullptr && b->monochrome;
}

std::uint32_t device_pixel(const dc_data& dc, std::uint32_t pixel) {
    return is_monochrome(dc) ? nearer_of_black_and_white(pixel) : pixel;
}

// Colour to monochrome: the source's background colour becomes white, every other colour black. Monochrome to
// colour: black becomes the destination's text colour and white its background colour.
void copy_converted(dc_data& dest, const box& area, dc_data& source, std::int64_t offset_x,
                    std::int64_t offset_y) {
    bool to_monochrome = is_monochrome(dest);
    std::uint32_t paper = pixel_from_colorref(to_monochrome ? source.back_color : dest.back_color);
    std::uint32_t ink = pixel_from_colorref(dest.text_color);
    readable in = pixels_for_read(source);
    surface out = dest.window ? pixels_for_read(dest).pixels : pixels_for_write(dest, area, true);
    if (!out.pixels) {
        return;
    }
    for (auto y = static_cast<int>(area.top); y < area.bottom; ++y) {
        for (auto x = static_cast<int>(area.left); x < area.right; ++x) {
            std::uint32_t p = pixel_at(in, static_cast<int>(x + offset_x), static_cast<int>(y + offset_y));
            out.row(y)[x] = to_monochrome ? (p == paper ? white : black) : (p == black ? ink : paper);
        }
    }
    if (dest.window) {
        dest.window->mark_all_changed();
    }
}

} // namespace platform::gdi
