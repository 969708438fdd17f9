// The ray geometry on any doubles at all, infinities and NaN included: intersection, reflection, distance and
// the nearest hit must neither crash nor run into undefined behaviour (the sanitizers abort on it), and each
// keeps its promises about which optional results it writes.
#include "optics/geometry.h"

#include "fuzz_check.h"
#include "fuzz_input.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

using fuzz::check;

// What an optional result holds when the function must leave it alone.
const real_point untouched{12345.5, -6789.25};

real_point point(fuzz::input& in) {
    double x = in.real();
    double y = in.real();
    return real_point{x, y};
}

bool same(const real_point& p, const real_point& q) {
    return std::memcmp(&p, &q, sizeof p) == 0;
}

bool finite(const real_point& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

bool between(double v, double a, double b) {
    return (a <= v && v <= b) || (b <= v && v <= a);
}

void intersect(fuzz::input& in) {
    real_point a = point(in), b = point(in), c = point(in), d = point(in);
    real_point crossing = untouched;
    bool hit = true;
    bool no_crossing = true;
    intersect_wall_ray(a, b, c, d, &crossing, &hit, &no_crossing);
    if (no_crossing) {
        check(!hit, "parallel lines give no hit");
        check(same(crossing, untouched), "no crossing point is written when the lines do not cross");
    }
    if (hit) {
        check(!std::isnan(crossing.x) && !std::isnan(crossing.y), "a hit is a point");
        // (Against a wall end that is not a number every comparison is false, and the exact interval test
        // then accepts any crossing: such a wall is no segment at all.)
        if (!std::isnan(a.x) && !std::isnan(a.y) && !std::isnan(b.x) && !std::isnan(b.y)) {
            check(between(crossing.x, a.x, b.x) || between(crossing.y, a.y, b.y), "a hit lies on the wall");
        }
    }

    // Any one optional result alone gives the answer that it gave among all three.
    intersect_wall_ray(a, b, c, d, nullptr, nullptr, nullptr);
    bool hit_alone = !hit;
    intersect_wall_ray(a, b, c, d, nullptr, &hit_alone, nullptr);
    check(hit_alone == hit, "hit alone");
    real_point crossing_alone = untouched;
    intersect_wall_ray(a, b, c, d, &crossing_alone, nullptr, nullptr);
    check(same(crossing_alone, crossing), "crossing alone");
}

void reflect(fuzz::input& in) {
    real_point p1 = point(in), p2 = point(in), r = point(in), h = point(in);
    reflect_ray(p1, p2, r, h, nullptr);
    real_point next = untouched;
    reflect_ray(p1, p2, r, h, &next);
    // Straight back: a vertical ray onto a horizontal wall, or along a vertical wall's own line.
    if (r.x == h.x && (p1.y == p2.y || p1.x == p2.x)) {
        check(same(next, r), "a vertical ray on a horizontal or vertical wall goes straight back");
    }
}

void distance(fuzz::input& in) {
    double ax = in.real(), ay = in.real(), bx = in.real(), by = in.real();
    double d = point_distance(ax, ay, bx, by);
    double back = point_distance(bx, by, ax, ay);
    check(std::isnan(d) || d >= 0.0, "distances are not negative");
    check(d == back || (std::isnan(d) && std::isnan(back)),
          "the distance from a to b is the distance from b to a");
    if (std::isfinite(ax) && std::isfinite(ay) && std::isfinite(bx) && std::isfinite(by)) {
        check(!std::isnan(d), "finite points have a distance");
    }
}

void nearest(fuzz::input& in) {
    std::vector<real_point> walls(static_cast<std::size_t>(in.below(24)));
    for (real_point& vertex : walls) {
        vertex = point(in);
    }
    static const int skips[] = {
        -1, -2, 0, 1, 2, 3, 7, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()};
    int skip = skips[in.below(static_cast<int>(std::size(skips)))];
    real_point origin = point(in), through = point(in);

    real_point hit_point = untouched, next_point = untouched;
    bool found = true;
    int hit_index = -12345;
    find_nearest_hit(walls, skip, origin, through, &hit_point, &next_point, &found, &hit_index);
    find_nearest_hit(walls, skip, origin, through, nullptr, nullptr, nullptr, nullptr);

    if (!found) {
        check(same(hit_point, untouched) && same(next_point, untouched) && hit_index == -12345,
              "without a hit the hit results keep their contents");
        return;
    }
    check(hit_index >= 0 && static_cast<std::size_t>(hit_index) + 1 < walls.size(), "the hit wall exists");
    check(hit_index != skip, "the skipped wall is never hit");
    const std::size_t best = static_cast<std::size_t>(hit_index);
    real_point crossing = untouched;
    bool hit = false;
    intersect_wall_ray(walls[best], walls[best + 1], origin, through, &crossing, &hit, nullptr);
    check(hit && same(crossing, hit_point), "the nearest hit is that wall's own hit");
    real_point mirrored = untouched;
    reflect_ray(walls[best], walls[best + 1], origin, hit_point, &mirrored);
    check(same(mirrored, next_point), "the next point is the reflection at the hit wall");

    // With everything finite the distances compare, and no other wall is hit nearer (or as near and later).
    bool all_finite = finite(origin) && finite(through);
    for (const real_point& vertex : walls) {
        all_finite = all_finite && finite(vertex);
    }
    if (!all_finite) {
        return;
    }
    const double best_distance = point_distance(origin.x, origin.y, hit_point.x, hit_point.y);
    for (std::size_t i = 0; i + 1 < walls.size(); ++i) {
        if (static_cast<long long>(i) == skip || i == best) {
            continue;
        }
        real_point other{0.0, 0.0};
        bool other_hit = false;
        intersect_wall_ray(walls[i], walls[i + 1], origin, through, &other, &other_hit, nullptr);
        if (!other_hit) {
            continue;
        }
        double other_distance = point_distance(origin.x, origin.y, other.x, other.y);
        check(!(other_distance < best_distance), "no other wall is hit nearer");
        check(!(other_distance == best_distance && i > best), "at equal distance the later wall wins");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    switch (in.below(4)) {
    case 0:
        intersect(in);
        break;
    case 1:
        reflect(in);
        break;
    case 2:
        distance(in);
        break;
    default:
        nearest(in);
        break;
    }
    return 0;
}
