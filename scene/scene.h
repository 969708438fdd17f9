// The scene: the mirror walls, the anchor of the wall being drawn, the ray's launch point, the cursor and the
// mode flags, the mouse rules that edit them and the composition of every frame.
#pragma once

#include <windows.h>

#include <vector>

// Consecutive vertices i and i + 1 form wall i; the polyline is open.
typedef std::vector<POINT> wall_list;

// Codes of the mouse events that the window procedure hands to the scene. <windows.h> declares a function
// called mouse_event too, which hides this name: the type is written `enum mouse_event`.
enum mouse_event {
    right_button_down = 0,
    right_button_up = 1,
    left_button_down = 2,
    left_button_up = 3,
    mouse_move = 4,
};

struct scene_state {
    POINT cursor;    // client coordinates of the last mouse event of any kind
    POINT anchor;    // where the rubber band starts and the next wall begins
    wall_list walls; // the mirror walls
    POINT launch;    // the ray's launch point
    bool drawing;    // wall-drawing mode is on
    bool ray_shown;  // the ray is traced and drawn in every frame
    bool seeded;     // the built-in walls have been loaded
};

// The cursor's coordinates, "X <x>" and "Y <y>", on the top line of the client area at these left edges.
inline constexpr int x_text_left = 0;
inline constexpr int y_text_left = 60;
inline constexpr int coordinates_top = 0;

// The one scene of the process. Zero at start; its wall storage is released when the process exits.
extern scene_state scene;

// The walls that the first frame loads, in order.
extern const POINT initial_walls[6];

void on_mouse_event(enum mouse_event event, int x, int y, WPARAM key_flags);
void on_key_event(bool pressed, bool auto_repeat, int scan_code, int virtual_key);
void draw_scene(HDC dc, int width, int height);
