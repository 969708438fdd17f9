// The bounce loop: the ray from the launch point toward the cursor, reflected at the walls, as the list of
// points that the ray display draws. Uses no drawing call.
#pragma once

#include <windows.h>

#include <vector>

#include "optics/geometry.h"
#include "scene/scene.h"

// The launch point and up to 21 hit points, or fewer hit points and one end point.
constexpr int max_path_points = 22;

// Truncates toward zero. A coordinate beyond the 32-bit range saturates at its end and one that is not a
// number becomes 0, so that even a ray sent off to infinity by a grazing reflection converts to a drawable
// point.
LONG real_to_coordinate(double value);
POINT real_to_point(const real_point& point);

// The path starts at launch and runs toward cursor; after each hit the ray continues from the hit point along
// the reflection, never testing the wall it has just left. When the ray meets no wall, the path ends at the
// point it was heading for: the cursor before the first hit, otherwise the mirror point of the last hit.
std::vector<POINT> trace_ray_path(const wall_list& walls, POINT launch, POINT cursor);
