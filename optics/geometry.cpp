#include "optics/geometry.h"

#include "optics/exact_trig.h"

#include <cmath>
#include <cstddef>

namespace {

// Written out rather than taken from a library constant so that every build reflects with the same double.
const double half_pi = 1.5707963267948966;

// Slopes decide everything below, so "vertical" means exactly equal x: any difference, however small, still
// gives a (huge) finite slope that the formulas can work with.
bool is_vertical(const real_point& p, const real_point& q) {
    return p.x == q.x;
}

double slope(const real_point& p, const real_point& q) {
    return (p.y - q.y) / (p.x - q.x);
}

// Half-open along the wall: min < u <= max. Where two walls share a vertex, the vertex belongs to at most one
// of them unless both have it as their larger end, so a ray is not reflected twice at one point.
bool on_wall(double u, double u_a, double u_b) {
    return (u <= u_a) == (u > u_b);
}

// The origin counts as ahead only for a ray running toward increasing coordinate; a ray that has just left
// a wall toward decreasing coordinate cannot find that same point again.
bool ahead_of_origin(double u, double u_c, double u_d) {
    return (u >= u_c) != (u_c > u_d);
}

} // namespace

void intersect_wall_ray(const real_point& a, const real_point& b, const real_point& c, const real_point& d,
                        real_point* crossing, bool* hit, bool* no_crossing) {
    const bool wall_vertical = is_vertical(a, b);
    const bool ray_vertical = is_vertical(c, d);
    bool crossed = false;
    double x = 0.0;
    double y = 0.0;
    if (!wall_vertical && !ray_vertical) {
        const double m1 = slope(a, b);
        const double b1 = b.y - m1 * b.x;
        const double m2 = slope(c, d);
        // Equal slopes: parallel or the same line. A ray along a wall's own line has no single crossing.
        if (m1 != m2) {
            const double b2 = d.y - m2 * d.x;
            x = (b2 - b1) / (m1 - m2);
            y = m1 * x + b1;
            crossed = true;
        }
    } else if (wall_vertical && !ray_vertical) {
        const double m2 = slope(c, d);
        x = a.x;
        y = (d.y - m2 * d.x) + m2 * x;
        crossed = true;
    } else if (ray_vertical && !wall_vertical) {
        const double m1 = slope(a, b);
        x = c.x;
        y = (b.y - m1 * b.x) + m1 * x;
        crossed = true;
    }

    bool is_hit = false;
    // A ray whose second point lies at infinity can produce a crossing that is not a number. It is no point
    // at all, so it lies on no wall, although every comparison with it is false and the interval tests alone
    // would accept it.
    if (crossed && !std::isnan(x) && !std::isnan(y)) {
        // Test along the axis on which the wall (and then the ray) extends further, so that a steep wall is
        // not judged by a nearly constant x. Equal extents, and a vertical wall or ray, go on y.
        const bool wall_on_x = std::fabs(a.y - b.y) < std::fabs(a.x - b.x);
        const bool along_wall = wall_on_x ? on_wall(x, a.x, b.x) : on_wall(y, a.y, b.y);
        const bool ray_on_x = std::fabs(c.y - d.y) < std::fabs(c.x - d.x);
        const bool ahead = ray_on_x ? ahead_of_origin(x, c.x, d.x) : ahead_of_origin(y, c.y, d.y);
        is_hit = along_wall && ahead;
    }

    if (crossed && crossing != nullptr) {
        *crossing = real_point{x, y};
    }
    if (hit != nullptr) {
        *hit = is_hit;
    }
    if (no_crossing != nullptr) {
        *no_crossing = !crossed;
    }
}

void reflect_ray(const real_point& p1, const real_point& p2, const real_point& r, const real_point& h,
                 real_point* next) {
    const bool wall_vertical = is_vertical(p1, p2);
    const bool ray_vertical = is_vertical(r, h);
    real_point result = r;

    if (!wall_vertical && !ray_vertical) {
        // Mirror law on angles: the new angle is twice the wall's angle minus the incoming one. Written with
        // the angle between the lines, so that a perpendicular hit (infinite quotient) still comes out as the
        // incoming slope, and the ray goes straight back.
        const double mw = slope(p1, p2);
        const double mr = slope(r, h);
        const double m_new = exact_tan(2.0 * exact_atan((mw - mr) / (1.0 + mw * mr)) + exact_atan(mr));
        const double b_new = h.y - m_new * h.x;
        // The point of the reflected line on the parallel to the wall through r: as far from h as r is.
        const double x = (r.y - mw * r.x - b_new) / (m_new - mw);
        result = real_point{x, m_new * x + b_new};
    } else if (ray_vertical && p1.y == p2.y) {
        // Straight down onto a horizontal wall (or a ray that never left its origin): straight back up.
        result = r;
    } else if (ray_vertical && wall_vertical) {
        // The origin lies on the vertical wall's own line, so r and h are (up to rounding) the same point and
        // the incoming ray has no direction to mirror; the slope formulas would only give an infinite wall
        // slope. Send the ray straight back, like a vertical ray on a horizontal wall.
        result = r;
    } else if (ray_vertical) {
        const double mw = slope(p1, p2);
        const double m_new = exact_tan(2.0 * (exact_atan(mw) + half_pi) + half_pi);
        const double b_new = h.y - m_new * h.x;
        const double x = (r.y - mw * r.x - b_new) / (m_new - mw);
        result = real_point{x, m_new * x + b_new};
    } else {
        // Vertical wall: the parallel through r is the vertical line x = r.x.
        const double mr = slope(r, h);
        const double m_new = exact_tan(2.0 * (half_pi - exact_atan(mr)) + exact_atan(mr));
        const double b_new = h.y - m_new * h.x;
        result = real_point{r.x, b_new + m_new * r.x};
    }

    if (next != nullptr) {
        *next = result;
    }
}

double point_distance(double ax, double ay, double bx, double by) {
    // Plain square root rather than hypot: equal distances at a shared vertex must compare equal, and hypot's
    // rounding is the library's own.
    const double dx = ax - bx;
    const double dy = ay - by;
    return std::sqrt(dx * dx + dy * dy);
}

void find_nearest_hit(const std::vector<real_point>& walls, int skip, real_point origin, real_point through,
                      real_point* hit_point, real_point* next_point, bool* found, int* hit_index) {
    bool any = false;
    double best_distance = 0.0;
    real_point best_hit{0.0, 0.0};
    std::size_t best = 0;

    for (std::size_t i = 0; i + 1 < walls.size(); ++i) {
        if (skip >= 0 && i == static_cast<std::size_t>(skip)) {
            continue;
        }
        real_point crossing{0.0, 0.0};
        bool hit = false;
        intersect_wall_ray(walls[i], walls[i + 1], origin, through, &crossing, &hit, nullptr);
        if (!hit) {
            continue;
        }
        const double distance = point_distance(origin.x, origin.y, crossing.x, crossing.y);
        // "<=" rather than "<": at a vertex that both neighbouring walls accept, the later wall wins.
        if (!any || distance <= best_distance) {
            any = true;
            best_distance = distance;
            best_hit = crossing;
            best = i;
        }
    }

    if (found != nullptr) {
        *found = any;
    }
    if (!any) {
        return;
    }
    if (next_point != nullptr) {
        reflect_ray(walls[best], walls[best + 1], origin, best_hit, next_point);
    }
    if (hit_point != nullptr) {
        *hit_point = best_hit;
    }
    if (hit_index != nullptr) {
        *hit_index = static_cast<int>(best);
    }
}
