// The plane geometry of the light ray: where a ray meets a wall, where it goes after the reflection, and
// which wall of a polyline it meets first. Pure functions of their arguments; nothing here draws.
//
// Optional results are pointers that may be null; each is written only when the caller passes it, and some
// only in the situations described at each function.
#pragma once

#include <vector>

// A point in client-area pixels (origin top-left, y downward) with fractional coordinates.
struct real_point {
    double x;
    double y;
};

// The wall is the segment a-b, the ray starts at c and runs through d (and on beyond it).
// crossing: where the supporting lines cross; written whenever such a point exists, even when it is no hit.
// hit: the crossing lies on the wall and ahead of the origin; false when the lines do not cross.
// no_crossing: the lines are parallel, collinear or both vertical.
// On the wall, only the end with the larger coordinate along the wall's dominant axis belongs to it; ahead of
// the origin, the origin itself counts only for a ray running toward increasing coordinate on its own
// dominant axis. Comparisons are exact.
void intersect_wall_ray(const real_point& a, const real_point& b, const real_point& c, const real_point& d,
                        real_point* crossing, bool* hit, bool* no_crossing);

// A ray from r has hit the wall p1-p2 at h. next receives a point of the reflected ray: the mirror image of r
// in the wall's normal through h. A ray that meets a horizontal wall vertically, or a vertical wall along its
// own line, is sent straight back: next is r itself.
void reflect_ray(const real_point& p1, const real_point& p2, const real_point& r, const real_point& h,
                 real_point* next);

// Euclidean distance between (ax, ay) and (bx, by).
double point_distance(double ax, double ay, double bx, double by);

// Wall i runs from walls[i] to walls[i + 1]. Finds the wall that the ray from origin through `through` meets
// first, leaving out wall `skip` (-1 for none); at equal distance the later wall wins. found is written
// whenever it is passed; hit_point, next_point (the reflected ray's second point) and hit_index only when a
// wall was hit, so they keep their contents otherwise.
void find_nearest_hit(const std::vector<real_point>& walls, int skip, real_point origin, real_point through,
                      real_point* hit_point, real_point* next_point, bool* found, int* hit_index);
