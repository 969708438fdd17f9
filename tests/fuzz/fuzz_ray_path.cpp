// The bounce loop and the whole frame on any walls and points: trace_ray_path on arbitrary wall lists,
// launch points and cursors (a path of 2 to 22 points that starts at the launch point), the conversion of
// any double to a coordinate, and the frame composition of an arbitrary scene drawn onto a bitmap of any
// size, which must leave no GDI object behind beyond the surface's own pen and brush.
#include "draw/surface.h"
#include "optics/ray_path.h"
#include "platform_hooks.h"
#include "scene/scene.h"

#include "fuzz_check.h"
#include "fuzz_input.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

using fuzz::check;

POINT coordinate_point(fuzz::input& in) {
    LONG x = in.coordinate();
    LONG y = in.coordinate();
    return POINT{x, y};
}

wall_list walls_from(fuzz::input& in) {
    wall_list walls(static_cast<std::size_t>(in.below(40)));
    for (POINT& vertex : walls) {
        vertex = coordinate_point(in);
    }
    return walls;
}

bool same(const POINT& p, const POINT& q) {
    return p.x == q.x && p.y == q.y;
}

void coordinate(fuzz::input& in) {
    double v = in.real();
    LONG c = real_to_coordinate(v);
    if (std::isnan(v)) {
        check(c == 0, "not a number becomes 0");
    } else if (v >= 2147483648.0) {
        check(c == std::numeric_limits<LONG>::max(), "above the range saturates");
    } else if (v <= -2147483649.0) {
        check(c == std::numeric_limits<LONG>::min(), "below the range saturates");
    } else {
        check(static_cast<double>(c) == std::trunc(v), "inside the range truncates toward zero");
    }
}

void path(fuzz::input& in) {
    wall_list walls = walls_from(in);
    POINT launch = coordinate_point(in);
    POINT cursor = coordinate_point(in);
    std::vector<POINT> path = trace_ray_path(walls, launch, cursor);
    check(path.size() >= 2 && path.size() <= static_cast<std::size_t>(max_path_points),
          "a path has 2 to 22 points");
    check(same(path.front(), launch), "the path starts at the launch point");
    if (walls.size() < 2) {
        check(path.size() == 2 && same(path[1], cursor), "without walls the path runs to the cursor");
    }
    std::vector<POINT> again = trace_ray_path(walls, launch, cursor);
    check(again.size() == path.size(), "the same path again");
    for (std::size_t i = 0; i < path.size(); ++i) {
        check(same(again[i], path[i]), "the same path again");
    }
}

// GDI objects alive once the surface holds its pen and brush; -1 before the first frame.
int settled_objects = -1;

void frame(fuzz::input& in) {
    scene.walls = walls_from(in);
    scene.cursor = coordinate_point(in);
    scene.anchor = coordinate_point(in);
    scene.launch = coordinate_point(in);
    std::uint8_t flags = in.byte();
    scene.drawing = (flags & 1) != 0;
    scene.ray_shown = (flags & 2) != 0;
    scene.seeded = (flags & 4) != 0;
    int width = in.below(96) - 8; // 0 and negative sizes too
    int height = in.below(96) - 8;

    HDC screen = GetDC(NULL); // in colour, as a window's frame is
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(NULL, screen);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    draw_frame(dc, width, height);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);

    int objects = platform::gdi_object_count();
    if (settled_objects < 0) {
        settled_objects = objects;
    }
    check(objects == settled_objects, "a frame leaves no GDI object behind");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    switch (in.below(3)) {
    case 0:
        coordinate(in);
        break;
    case 1:
        path(in);
        break;
    default:
        frame(in);
        break;
    }
    return 0;
}
