// The ray display: the last step of every frame while the ray is shown. Traces the ray from the scene's
// launch point toward its cursor and draws the launch marker and the path; changes nothing in the scene.
#pragma once

#include <windows.h>

// The launch marker: a circle of this radius around the launch point.
inline constexpr int launch_marker_radius = 5;

void draw_ray_display(HDC dc);
