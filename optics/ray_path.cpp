#include "optics/ray_path.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

LONG real_to_coordinate(double value) {
    // Converting a double outside the target range is undefined behaviour in C++, so clamp before the cast.
    // The bounds are exact doubles: anything strictly between them truncates into the 32-bit range.
    const double above_max = 2147483648.0;  // 2^31
    const double below_min = -2147483649.0; // -(2^31) - 1
    if (std::isnan(value)) {
        return 0;
    }
    if (!(value < above_max)) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (!(value > below_min)) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<LONG>(value);
}

POINT real_to_point(const real_point& point) {
    return POINT{real_to_coordinate(point.x), real_to_coordinate(point.y)};
}

std::vector<POINT> trace_ray_path(const wall_list& walls, POINT launch, POINT cursor) {
    std::vector<real_point> real_walls;
    real_walls.reserve(walls.size());
    for (const POINT& vertex : walls) {
        real_walls.push_back(real_point{static_cast<double>(vertex.x), static_cast<double>(vertex.y)});
    }

    real_point origin{static_cast<double>(launch.x), static_cast<double>(launch.y)};
    real_point through{static_cast<double>(cursor.x), static_cast<double>(cursor.y)};
    int skip = -1;

    std::vector<POINT> path;
    path.reserve(max_path_points);
    path.push_back(launch);

    for (;;) {
        bool found = false;
        // The hit point becomes the new origin, the mirror point the new second point, and the wall just hit
        // is left out of the next search so the ray does not find its own starting point again.
        find_nearest_hit(real_walls, skip, origin, through, &origin, &through, &found, &skip);
        if (!found) {
            // The last segment runs to the point the ray was heading for, which after a reflection makes it
            // as long as the segment before it.
            path.push_back(real_to_point(through));
            break;
        }
        path.push_back(real_to_point(origin));
        if (path.size() >= static_cast<std::size_t>(max_path_points)) {
            break;
        }
    }
    return path;
}
