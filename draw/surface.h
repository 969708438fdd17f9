// The drawing surface: one current pen and one current brush, and the few drawing operations the scene uses.
// draw_frame makes a frame's device context the target of the colour calls while the scene is drawn.
#pragma once

#include <windows.h>

void draw_frame(HDC dc, int width, int height);

// Only the low 8 bits of each component count.
void set_fill_color(int red, int green, int blue);
void set_line_color(int red, int green, int blue);

// The program's two colours: yellow for the rubber band, the ray and the launch marker's inside, red for the
// walls and the marker's outline.
struct surface_color {
    int red, green, blue;
};
namespace colors {
inline constexpr surface_color yellow = {255, 255, 0};
inline constexpr surface_color red = {255, 0, 0};
} // namespace colors

inline void set_fill_color(surface_color c) {
    set_fill_color(c.red, c.green, c.blue);
}
inline void set_line_color(surface_color c) {
    set_line_color(c.red, c.green, c.blue);
}

void draw_text(HDC dc, int x, int y, const char* text);
void draw_line(HDC dc, int x1, int y1, int x2, int y2);
void draw_circle(HDC dc, int x, int y, int radius);
void draw_polyline(HDC dc, const POINT* points, int count);
