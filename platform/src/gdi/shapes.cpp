// Filled figures: Ellipse and Rectangle, outlined with the DC's pen and filled with its brush.
//
// Both take a bounding box whose right and bottom edges lie outside the figure, normalised when given upside
// down. Each figure is produced row by row, one span of outline and one of interior per row, so only the rows
// that are on the surface cost anything however large the box is.
#include "gdi.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform::gdi {
namespace {

// Boxes up to this size trace their outline incrementally; larger ones are computed row by row from the
// ellipse equation, since tracing them would walk millions of off-surface pixels.
constexpr std::int64_t max_traced_side = 0x10000;

struct span {
    std::int64_t left = 0; // inclusive
    std::int64_t right = -1;
    bool empty() const { return left > right; }
};

struct ellipse_shape {
    box bounds;
    std::int64_t last_x = 0; // width - 1
    std::int64_t last_y = 0; // height - 1
    // Traced outline of the lower right quarter, indexed by row - (last_y + 1) / 2: the outermost and the
    // innermost outline column of that row, relative to bounds.left.
    bool traced = false;
    std::vector<std::int64_t> outer;
    std::vector<std::int64_t> inner;
    // Otherwise the ellipse through the box's edge pixel centres.
    double center_x = 0;
    double center_y = 0;
    double radius_x = 0;
    double radius_y = 0;
};

// The one-pixel outline of the lower right quarter of the ellipse in an inclusive box of last_x x last_y,
// traced with the integer midpoint method for ellipses in a rectangle (after A. Zingl, "A Rasterizing
// Algorithm for Drawing Curves") from the middle of the right edge until it reaches the middle column, in the
// form that Windows-compatible GDIs use. Very flat ellipses stop before their outermost rows, which then stay
// empty, as on those GDIs.
void trace_quarter(ellipse_shape& e) {
    const std::int64_t a = e.last_x;
    const std::int64_t b = e.last_y;
    const std::int64_t step_x = 8 * b * b;
    const std::int64_t step_y = 8 * a * a;
    std::int64_t dx = 4 * b * b * (1 - a);
    std::int64_t dy = 4 * a * a * (1 + b % 2);
    std::int64_t err = dx + dy + a * a * (b % 2);
    const std::int64_t first_row = (b + 1) / 2;
    const std::int64_t middle_column = (a + 1) / 2;
    auto rows = static_cast<std::size_t>(b - first_row + 1);
    e.outer.assign(rows, -1);
    e.inner.assign(rows, a + 1);
    std::int64_t x = a;
    std::int64_t y = first_row;
    // Every step moves down or inwards; rows past the bottom are never part of the figure.
    while (x >= middle_column && y <= b) {
        auto k = static_cast<std::size_t>(y - first_row);
        if (k < rows) {
            e.outer[k] = std::max(e.outer[k], x);
            e.inner[k] = std::min(e.inner[k], x);
        }
        std::int64_t e2 = 2 * err;
        bool moved = false;
        if (e2 >= dx) {
            --x;
            err += dx += step_x;
            moved = true;
        }
        if (e2 <= dy) {
            ++y;
            err += dy += step_y;
            moved = true;
        }
        if (!moved) {
            break;
        }
    }
}

ellipse_shape make_ellipse(const box& bounds) {
    ellipse_shape e;
    e.bounds = bounds;
    e.last_x = bounds.right - bounds.left - 1;
    e.last_y = bounds.bottom - bounds.top - 1;
    if (e.last_x < max_traced_side && e.last_y < max_traced_side) {
        e.traced = true;
        trace_quarter(e);
    } else {
        e.center_x = static_cast<double>(bounds.left) + static_cast<double>(e.last_x) / 2;
        e.center_y = static_cast<double>(bounds.top) + static_cast<double>(e.last_y) / 2;
        e.radius_x = static_cast<double>(e.last_x + 1) / 2;
        e.radius_y = static_cast<double>(e.last_y + 1) / 2;
    }
    return e;
}

// Row y of the figure, outline and interior together.
span ellipse_row(const ellipse_shape& e, std::int64_t y) {
    if (y < e.bounds.top || y >= e.bounds.bottom) {
        return span{};
    }
    if (e.traced) {
        std::int64_t row = y - e.bounds.top;
        std::int64_t half = (e.last_y + 1) / 2;
        std::int64_t k = (row >= half ? row : e.last_y - row) - half;
        std::int64_t outer = e.outer[static_cast<std::size_t>(k)];
        if (outer < 0) {
            return span{};
        }
        return span{e.bounds.left + e.last_x - outer, e.bounds.left + outer};
    }
    double v = (static_cast<double>(y) - e.center_y) / e.radius_y;
    double half_width = e.radius_x * std::sqrt(std::max(0.0, 1 - v * v));
    // Only the part of the row near the surface matters; clamping keeps the conversion in range.
    constexpr std::int64_t far = std::int64_t{1} << 40;
    return span{clamp_to(std::ceil(e.center_x - half_width), -far, far),
                clamp_to(std::floor(e.center_x + half_width), -far, far)};
}

// Row y of the interior, the pixels strictly inside the one-pixel outline.
span ellipse_interior(const ellipse_shape& e, std::int64_t y) {
    span row = ellipse_row(e, y);
    if (row.empty()) {
        return row;
    }
    if (e.traced) {
        std::int64_t r = y - e.bounds.top;
        std::int64_t half = (e.last_y + 1) / 2;
        std::int64_t k = (r >= half ? r : e.last_y - r) - half;
        std::int64_t inner = e.inner[static_cast<std::size_t>(k)];
        return span{e.bounds.left + e.last_x - inner + 1, e.bounds.left + inner - 1};
    }
    // A pixel is inside when all four of its neighbours belong to the figure.
    span above = ellipse_row(e, y - 1);
    span below = ellipse_row(e, y + 1);
    if (above.empty() || below.empty()) {
        return span{};
    }
    return span{std::max({row.left + 1, above.left, below.left}),
                std::min({row.right - 1, above.right, below.right})};
}

void fill_span(const surface& s, std::int64_t y, span part, std::uint32_t pixel) {
    std::int64_t left = std::max<std::int64_t>(part.left, 0);
    std::int64_t right = std::min<std::int64_t>(part.right, s.width - 1);
    if (left <= right) {
        std::fill_n(s.row(static_cast<int>(y)) + left, right - left + 1, pixel);
    }
}

// Paints the outline `whole` minus `hole` of one row.
void fill_ring_span(const surface& s, std::int64_t y, span whole, span hole, std::uint32_t pixel) {
    if (hole.empty() || hole.left > whole.right || hole.right < whole.left) {
        fill_span(s, y, whole, pixel);
        return;
    }
    fill_span(s, y, span{whole.left, hole.left - 1}, pixel);
    fill_span(s, y, span{hole.right + 1, whole.right}, pixel);
}

// The box of (left, top, right, bottom), normalised.
box ordered(int left, int top, int right, int bottom) {
    return box{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

box grown(const box& b, std::int64_t before, std::int64_t after) {
    return box{b.left - before, b.top - before, b.right + after, b.bottom + after};
}

// Shared frame of both figures: checks the DC, gets the surface for the visible rows, and calls
// `paint(surface, first_row, end_row, pen, brush)`.
template <class Paint> BOOL draw_figure(HDC dc, const box& bounds, Paint paint) {
    dc_data* d = find_dc(dc);
    if (!d) {
        return FALSE;
    }
    pen_data* pen = find_pen(d->pen);
    brush_data* brush = find_brush(d->brush);
    if (!pen || !brush) {
        return FALSE;
    }
    if (bounds.empty() || (!pen->visible && !brush->visible)) {
        return TRUE;
    }
    int width, height;
    dc_extent(*d, &width, &height);
    std::int64_t reach = pen->visible ? pen->width / 2 + 1 : 0;
    box area = clip_box(grown(bounds, reach, reach), width, height);
    if (area.empty()) {
        return TRUE;
    }
    surface s = pixels_for_write(*d, area, false);
    if (s.pixels) {
        pen_data ink = *pen;
        brush_data fill = *brush;
        ink.pixel = device_pixel(*d, ink.pixel);
        fill.pixel = device_pixel(*d, fill.pixel);
        paint(s, area.top, area.bottom, ink, fill);
    }
    return TRUE;
}

BOOL rectangle(HDC dc, const box& bounds) {
    return draw_figure(
        dc, bounds,
        [&](const surface& s, std::int64_t top, std::int64_t bottom, const pen_data& pen,
            const brush_data& brush) {
            if (!pen.visible) {
                // Without an outline Windows fills one pixel less on the right and at the bottom.
                for (std::int64_t y = std::max(top, bounds.top); y < std::min(bottom, bounds.bottom - 1);
                     ++y) {
                    fill_span(s, y, span{bounds.left, bounds.right - 2}, brush.pixel);
                }
                return;
            }
            // The outline runs through the outermost pixels of the box; wider pens straddle it. A one-pixel
            // outline around a single pixel is a path of length zero, which draws nothing.
            if (pen.width <= 1 && bounds.right - bounds.left == 1 && bounds.bottom - bounds.top == 1) {
                return;
            }
            std::int64_t inside = pen.width / 2;
            box outer = grown(bounds, pen.width / 2, (pen.width - 1) / 2);
            box hole = grown(bounds, -1 - inside, -1 - inside);
            for (std::int64_t y = top; y < bottom; ++y) {
                span inner = (y >= hole.top && y < hole.bottom) ? span{hole.left, hole.right - 1} : span{};
                if (brush.visible) {
                    fill_span(s, y, inner, brush.pixel);
                }
                if (y >= outer.top && y < outer.bottom) {
                    fill_ring_span(s, y, span{outer.left, outer.right - 1}, inner, pen.pixel);
                }
            }
        });
}

} // namespace
} // namespace platform::gdi

using namespace platform::gdi;

BOOL WINAPI Rectangle(HDC dc, int left, int top, int right, int bottom) {
    return rectangle(dc, ordered(left, top, right, bottom));
}

BOOL WINAPI Ellipse(HDC dc, int left, int top, int right, int bottom) {
    box bounds = ordered(left, top, right, bottom);
    // Like Windows, an ellipse too thin to have an inside is drawn as its rectangle.
    if (bounds.right - bounds.left <= 2 || bounds.bottom - bounds.top <= 2) {
        return rectangle(dc, bounds);
    }
    return draw_figure(dc, bounds,
                       [&](const surface& s, std::int64_t top, std::int64_t bottom, const pen_data& pen,
                           const brush_data& brush) {
                           if (!pen.visible) {
                               // Unlike a rectangle, the ellipse keeps its full size without an outline.
                               ellipse_shape e = make_ellipse(bounds);
                               for (std::int64_t y = top; y < bottom; ++y) {
                                   fill_span(s, y, ellipse_row(e, y), brush.pixel);
                               }
                               return;
                           }
                           if (pen.width <= 1) {
                               ellipse_shape e = make_ellipse(bounds);
                               for (std::int64_t y = top; y < bottom; ++y) {
                                   span inner = ellipse_interior(e, y);
                                   if (brush.visible) {
                                       fill_span(s, y, inner, brush.pixel);
                                   }
                                   fill_ring_span(s, y, ellipse_row(e, y), inner, pen.pixel);
                               }
                               return;
                           }
                           // A wide outline: the ring between the ellipse grown by half the pen and the one
                           // shrunk by the rest.
                           ellipse_shape outer =
                               make_ellipse(grown(bounds, pen.width / 2, (pen.width - 1) / 2));
                           box hole_box = grown(bounds, -1 - pen.width / 2, -1 - pen.width / 2);
                           ellipse_shape hole = make_ellipse(hole_box.empty() ? box{} : hole_box);
                           for (std::int64_t y = top; y < bottom; ++y) {
                               span inner = hole_box.empty() ? span{} : ellipse_row(hole, y);
                               if (brush.visible) {
                                   fill_span(s, y, inner, brush.pixel);
                               }
                               fill_ring_span(s, y, ellipse_row(outer, y), inner, pen.pixel);
                           }
                       });
}
