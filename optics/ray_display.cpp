#include "optics/ray_display.h"

#include <vector>

#include "draw/surface.h"
#include "optics/ray_path.h"
#include "scene/scene.h"

void draw_ray_display(HDC dc) {
    // Traced anew in every frame so the ray follows the cursor and any change of the walls at once.
    const std::vector<POINT> path = trace_ray_path(scene.walls, scene.launch, scene.cursor);

    // The launch marker first: the path's first segment is drawn over it.
    set_fill_color(colors::yellow);
    set_line_color(colors::red);
    draw_circle(dc, scene.launch.x, scene.launch.y, launch_marker_radius);

    set_line_color(colors::yellow);
    draw_polyline(dc, path.data(), static_cast<int>(path.size()));
}
