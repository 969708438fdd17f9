#include "optics/ray_display.h"

void draw_ray_display(HDC) {}
