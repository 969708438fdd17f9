// The ray display: the last step of every frame while the ray is shown. Traces the ray from the scene's
// launch point toward its cursor and draws the launch marker and the path; changes nothing in the scene.
#pragma once

#include <windows.h>

void draw_ray_display(HDC dc);
