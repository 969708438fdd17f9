// Lines: Polyline, MoveToEx, LineTo.
//
// One-pixel lines follow the Windows rasterization: for a line whose major axis is x (|dx| > |dy|; diagonals
// count as y-major) every column from the start up to but excluding the end gets the pixel nearest to the
// true line, and where the line passes exactly half-way between two pixels the one with the smaller minor
// coordinate wins. That is the result of the Bresenham loop that Windows uses with its per-octant bias, and
// it makes a line cover the same pixels whichever way it is drawn. Writing it as a closed form lets us jump
// straight to the first visible step of a clipped line, so coordinates near +-2^31 cost no more than short
// lines and give exactly the pixels the unclipped line would.
//
// Geometric one-pixel pens, as ExtCreatePen makes them, also cover the end point of slanted segments.
//
// Wider pens are drawn approximately, as the set of pixel centres within half the width of the segment: round
// ends and round joins, the Windows defaults.
#include "gdi.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform::gdi {
namespace {

std::uint64_t magnitude(std::int64_t v) {
    return v < 0 ? static_cast<std::uint64_t>(-v) : static_cast<std::uint64_t>(v);
}

// The first t in [lo, hi] for which `pred` holds, or hi + 1; `pred` must be false then true along t.
template <class Pred> std::int64_t first_true(std::int64_t lo, std::int64_t hi, Pred pred) {
    std::int64_t end = hi + 1;
    while (lo < end) {
        std::int64_t mid = lo + (end - lo) / 2;
        if (pred(mid)) {
            end = mid;
        } else {
            lo = mid + 1;
        }
    }
    return end;
}

// Pixels of a one-pixel line from (x0, y0) to (x1, y1), the end excluded, clipped to the surface.
void thin_segment(const surface& s, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                  std::uint32_t pixel) {
    std::int64_t dx = x1 - x0;
    std::int64_t dy = y1 - y0;
    if (dx == 0 && dy == 0) {
        return;
    }
    // Work along the major axis a and the minor axis b.
    bool x_major = magnitude(dx) > magnitude(dy);
    std::int64_t a0 = x_major ? x0 : y0;
    std::int64_t b0 = x_major ? y0 : x0;
    std::int64_t da = x_major ? dx : dy;
    std::int64_t db = x_major ? dy : dx;
    std::int64_t a_limit = x_major ? s.width : s.height;
    std::int64_t b_limit = x_major ? s.height : s.width;
    std::uint64_t d = magnitude(da); // < 2^32: both ends are 32-bit
    std::uint64_t m = magnitude(db); // <= d
    int a_step = da > 0 ? 1 : -1;
    int b_sign = db > 0 ? 1 : (db < 0 ? -1 : 0);

    // Minor coordinate at step t, the true value m * t / d rounded half towards the smaller coordinate.
    // m * t < 2^64 and 2 * r < 2^33, so nothing overflows.
    auto minor_at = [&](std::int64_t t) {
        std::uint64_t n = m * static_cast<std::uint64_t>(t);
        std::uint64_t q = n / d;
        std::uint64_t r = n % d;
        if (b_sign >= 0) {
            return b0 + static_cast<std::int64_t>(q + (2 * r > d ? 1 : 0));
        }
        return b0 - static_cast<std::int64_t>(q + (2 * r >= d ? 1 : 0));
    };

    // Steps whose major coordinate is on the surface...
    std::int64_t lo = 0;
    std::int64_t hi = static_cast<std::int64_t>(d) - 1;
    if (a_step > 0) {
        lo = std::max(lo, -a0);
        hi = std::min(hi, a_limit - 1 - a0);
    } else {
        lo = std::max(lo, a0 - (a_limit - 1));
        hi = std::min(hi, a0);
    }
    if (lo > hi) {
        return;
    }
    // ...and, the minor coordinate being monotonic in t, whose minor coordinate is too.
    if (b_sign == 0) {
        if (b0 < 0 || b0 >= b_limit) {
            return;
        }
    } else if (b_sign > 0) {
        std::int64_t first = first_true(lo, hi, [&](std::int64_t t) { return minor_at(t) >= 0; });
        hi = first_true(lo, hi, [&](std::int64_t t) { return minor_at(t) >= b_limit; }) - 1;
        lo = first;
    } else {
        std::int64_t first = first_true(lo, hi, [&](std::int64_t t) { return minor_at(t) < b_limit; });
        hi = first_true(lo, hi, [&](std::int64_t t) { return minor_at(t) < 0; }) - 1;
        lo = first;
    }
    if (lo > hi) {
        return;
    }
    if (b_sign == 0 && x_major) {
        std::int64_t left = a_step > 0 ? a0 + lo : a0 - hi;
        std::fill_n(s.row(static_cast<int>(b0)) + left, hi - lo + 1, pixel);
        return;
    }
    // Walk the visible steps with the quotient and remainder of m * t / d carried along.
    std::uint64_t n = m * static_cast<std::uint64_t>(lo);
    std::uint64_t q = n / d;
    std::uint64_t r = n % d;
    std::int64_t a = a0 + a_step * lo;
    for (std::int64_t t = lo; t <= hi; ++t) {
        std::int64_t b = b_sign >= 0 ? b0 + static_cast<std::int64_t>(q + (2 * r > d ? 1 : 0))
                                     : b0 - static_cast<std::int64_t>(q + (2 * r >= d ? 1 : 0));
        if (x_major) {
            s.row(static_cast<int>(b))[a] = pixel;
        } else {
            s.row(static_cast<int>(a))[b] = pixel;
        }
        a += a_step;
        r += m;
        if (r >= d) {
            r -= d;
            ++q;
        }
    }
}

// The x interval of row y inside the disc of radius r around (cx, cy), widened into [lo, hi].
void disc_span(double cx, double cy, double r, double y, double* lo, double* hi) {
    double dy = y - cy;
    if (dy * dy < r * r) {
        double h = std::sqrt(r * r - dy * dy);
        *lo = std::min(*lo, cx - h);
        *hi = std::max(*hi, cx + h);
    }
}

// Pixels whose centres lie within width / 2 of the segment; for even widths the segment sits on pixel
// corners so that the stroke is exactly `width` pixels thick.
void wide_segment(const surface& s, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                  int width, std::uint32_t pixel) {
    double r = width / 2.0;
    double shift = width % 2 == 0 ? -0.5 : 0.0;
    double ax = static_cast<double>(x0) + shift;
    double ay = static_cast<double>(y0) + shift;
    double bx = static_cast<double>(x1) + shift;
    double by = static_cast<double>(y1) + shift;
    double length = std::hypot(bx - ax, by - ay);
    double ux = length > 0 ? (bx - ax) / length : 0;
    double uy = length > 0 ? (by - ay) / length : 0;
    std::int64_t top = clamp_to(std::floor(std::min(ay, by) - r), 0, s.height);
    std::int64_t bottom = clamp_to(std::ceil(std::max(ay, by) + r) + 1, 0, s.height);
    for (std::int64_t y = top; y < bottom; ++y) {
        double row = static_cast<double>(y);
        double lo = HUGE_VAL;
        double hi = -HUGE_VAL;
        disc_span(ax, ay, r, row, &lo, &hi);
        disc_span(bx, by, r, row, &lo, &hi);
        if (length > 0) {
            // The band along the segment: 0 <= (p - a).u <= length and |(p - a).n| < r with n = (-uy, ux).
            double band_lo = -HUGE_VAL;
            double band_hi = HUGE_VAL;
            double along = (row - ay) * uy; // the part of (p - a).u that does not depend on x
            double across = (row - ay) * ux;
            if (ux != 0) {
                double e0 = ax + (0 - along) / ux;
                double e1 = ax + (length - along) / ux;
                band_lo = std::max(band_lo, std::min(e0, e1));
                band_hi = std::min(band_hi, std::max(e0, e1));
            } else if (along < 0 || along > length) {
                band_hi = -HUGE_VAL;
            }
            if (uy != 0) {
                // -(x - ax) * uy + across in (-r, r)
                double e0 = ax + (across + r) / uy;
                double e1 = ax + (across - r) / uy;
                band_lo = std::max(band_lo, std::min(e0, e1));
                band_hi = std::min(band_hi, std::max(e0, e1));
            } else if (!(std::fabs(across) < r)) {
                band_hi = -HUGE_VAL;
            }
            if (band_lo < band_hi) {
                lo = std::min(lo, band_lo);
                hi = std::max(hi, band_hi);
            }
        }
        if (lo < hi) {
            std::int64_t left = clamp_to(std::floor(lo) + 1, 0, s.width);
            std::int64_t right = clamp_to(std::ceil(hi), 0, s.width); // exclusive
            if (left < right) {
                std::fill_n(s.row(static_cast<int>(y)) + left, right - left, pixel);
            }
        }
    }
}

// Draws the open polyline through `points` with the DC's pen.
BOOL stroke(dc_data& dc, const POINT* points, int count) {
    pen_data* pen = find_pen(dc.pen);
    if (!pen) {
        return FALSE;
    }
    if (!pen->visible) {
        return TRUE;
    }
    box bounds{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
    for (int i = 0; i < count; ++i) {
        bounds.left = std::min<std::int64_t>(bounds.left, points[i].x);
        bounds.top = std::min<std::int64_t>(bounds.top, points[i].y);
        bounds.right = std::max<std::int64_t>(bounds.right, points[i].x);
        bounds.bottom = std::max<std::int64_t>(bounds.bottom, points[i].y);
    }
    std::int64_t reach = pen->width / 2 + 1;
    bounds =
        box{bounds.left - reach, bounds.top - reach, bounds.right + reach + 1, bounds.bottom + reach + 1};
    int width, height;
    dc_extent(dc, &width, &height);
    bounds = clip_box(bounds, width, height);
    if (bounds.empty()) {
        return TRUE;
    }
    surface s = pixels_for_write(dc, bounds, false);
    if (!s.pixels) {
        return TRUE;
    }
    std::uint32_t ink = device_pixel(dc, pen->pixel);
    for (int i = 0; i + 1 < count; ++i) {
        const POINT& from = points[i];
        const POINT& to = points[i + 1];
        if (pen->width > 1) {
            wide_segment(s, from.x, from.y, to.x, to.y, pen->width, ink);
            continue;
        }
        thin_segment(s, from.x, from.y, to.x, to.y, ink);
        // A geometric pen is a stroke with end caps: even one pixel wide, a slanted segment covers its end
        // point too (Wine draws it so; horizontal and vertical segments still stop short of it).
        if (pen->geometric && from.x != to.x && from.y != to.y && to.x >= 0 && to.y >= 0 && to.x < s.width &&
            to.y < s.height) {
            s.row(to.y)[to.x] = ink;
        }
    }
    return TRUE;
}

} // namespace
} // namespace platform::gdi

using namespace platform::gdi;

BOOL WINAPI Polyline(HDC dc, const POINT* points, int count) {
    dc_data* d = find_dc(dc);
    if (!d || !points || count < 2) {
        return FALSE;
    }
    return stroke(*d, points, count);
}

BOOL WINAPI MoveToEx(HDC dc, int x, int y, LPPOINT previous) {
    dc_data* d = find_dc(dc);
    if (!d) {
        return FALSE;
    }
    if (previous) {
        *previous = d->position;
    }
    d->position = POINT{x, y};
    return TRUE;
}

BOOL WINAPI LineTo(HDC dc, int x, int y) {
    dc_data* d = find_dc(dc);
    if (!d) {
        return FALSE;
    }
    POINT segment[2] = {d->position, POINT{x, y}};
    d->position = segment[1];
    return stroke(*d, segment, 2);
}
