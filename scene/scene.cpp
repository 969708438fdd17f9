#include "scene/scene.h"

#include "draw/surface.h"
#include "optics/ray_display.h"

#include <climits>
#include <cstdio>
#include <iterator>

// Static storage: zero before WinMain runs, and the wall storage is released when the process exits.
scene_state scene;

const POINT initial_walls[6] = {
    {294, 129}, {382, 50}, {526, 99}, {563, 239}, {450, 327}, {303, 254},
};

namespace {

void report_release_point(int x, int y) {
    char line[256];
    std::snprintf(line, sizeof line, "%i, %i\r\n", x, y);
    OutputDebugStringA(line);
}

// Every right-button release either starts a new wall polyline (the old walls vanish at once) or adds a
// vertex to the one being drawn.
void on_right_button_up(int x, int y) {
    report_release_point(x, y);
    POINT point = {x, y};
    if (scene.drawing) {
        if (scene.walls.empty()) {
            scene.walls.push_back(scene.anchor);
        }
        scene.walls.push_back(point);
        scene.anchor = point;
    } else {
        scene.anchor = point;
        scene.drawing = true;
        scene.walls.clear();
    }
    scene.ray_shown = false;
}

void on_left_button_down(int x, int y) {
    scene.launch = POINT{x, y};
    scene.drawing = false;
    scene.ray_shown = true;
}

void draw_cursor_coordinates(HDC dc) {
    char text[256];
    std::snprintf(text, sizeof text, "X %i", static_cast<int>(scene.cursor.x));
    draw_text(dc, x_text_left, coordinates_top, text);
    std::snprintf(text, sizeof text, "Y %i", static_cast<int>(scene.cursor.y));
    draw_text(dc, y_text_left, coordinates_top, text);
}

// The built-in walls arrive with the first frame, which is drawn while the window is being created, so they
// are there before any input; once the user starts drawing they never return.
void seed_initial_walls() {
    if (scene.seeded) {
        return;
    }
    scene.walls.insert(scene.walls.end(), std::begin(initial_walls), std::end(initial_walls));
    scene.seeded = true;
}

// Polyline takes an int count; a list longer than that (never reached by hand) draws its first INT_MAX
// points.
int drawable_count(std::size_t size) {
    return size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

} // namespace

void on_mouse_event(enum mouse_event event, int x, int y, WPARAM) {
    scene.cursor = POINT{x, y};
    switch (event) {
    case right_button_up:
        on_right_button_up(x, y);
        break;
    case left_button_down:
        on_left_button_down(x, y);
        break;
    case right_button_down:
    case left_button_up:
    case mouse_move:
        break;
    }
}

void on_key_event(bool, bool, int, int) {}

void draw_scene(HDC dc, int, int) {
    draw_cursor_coordinates(dc);
    set_fill_color(colors::yellow);
    set_line_color(colors::yellow);
    seed_initial_walls();
    if (scene.drawing) {
        draw_line(dc, scene.anchor.x, scene.anchor.y, scene.cursor.x, scene.cursor.y);
    }
    if (scene.walls.size() >= 2) {
        set_line_color(colors::red);
        draw_polyline(dc, scene.walls.data(), drawable_count(scene.walls.size()));
    }
    if (scene.ray_shown) {
        draw_ray_display(dc);
    }
}
