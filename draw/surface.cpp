#include "draw/surface.h"

#include "scene/scene.h"

#include <climits>
#include <cstring>

namespace {

// The process-wide drawing state. The current pen and brush survive from frame to frame; the saved ones are
// the frame context's own objects, put back when the frame ends so that the context can be deleted cleanly.
HDC target = NULL;
HPEN current_pen = NULL;
HBRUSH current_brush = NULL;
HGDIOBJ saved_pen = NULL;
HGDIOBJ saved_brush = NULL;

// Only the low 8 bits of each component count.
COLORREF color_from_components(int red, int green, int blue) {
    return static_cast<COLORREF>((red & 0xFF) + 256 * (green & 0xFF) + 65536 * (blue & 0xFF));
}

LOGBRUSH solid_brush_description(COLORREF color) {
    LOGBRUSH description;
    description.lbStyle = BS_SOLID;
    description.lbColor = color;
    description.lbHatch = 0;
    return description;
}

// Selects a new current object into the frame's context, remembering the context's own object the first time.
void select_into_target(HGDIOBJ object, HGDIOBJ* saved) {
    if (target == NULL) {
        return;
    }
    HGDIOBJ replaced = SelectObject(target, object);
    if (*saved == NULL) {
        *saved = replaced;
    }
}

// Clamps a coordinate computed in 64 bits back into the range that GDI takes.
int clamp_to_int(long long value) {
    if (value < INT_MIN) {
        return INT_MIN;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

} // namespace

void draw_frame(HDC dc, int width, int height) {
    if (current_pen != NULL) {
        saved_pen = SelectObject(dc, current_pen);
    }
    if (current_brush != NULL) {
        saved_brush = SelectObject(dc, current_brush);
    }
    target = dc;
    draw_scene(dc, width, height);
    target = NULL;
    if (saved_pen != NULL) {
        SelectObject(dc, saved_pen);
    }
    if (saved_brush != NULL) {
        SelectObject(dc, saved_brush);
    }
    saved_pen = NULL;
    saved_brush = NULL;
}

void set_line_color(int red, int green, int blue) {
    LOGBRUSH description = solid_brush_description(color_from_components(red, green, blue));
    HPEN previous = current_pen;
    current_pen =
        ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, 1, &description, 0, NULL);
    select_into_target(current_pen, &saved_pen);
    if (previous != NULL) {
        DeleteObject(previous);
    }
}

void set_fill_color(int red, int green, int blue) {
    LOGBRUSH description = solid_brush_description(color_from_components(red, green, blue));
    HBRUSH previous = current_brush;
    current_brush = CreateBrushIndirect(&description);
    select_into_target(current_brush, &saved_brush);
    if (previous != NULL) {
        DeleteObject(previous);
    }
}

void draw_text(HDC dc, int x, int y, const char* text) {
    TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text)));
}

void draw_line(HDC dc, int x1, int y1, int x2, int y2) {
    POINT points[2] = {{x1, y1}, {x2, y2}};
    Polyline(dc, points, 2);
}

void draw_circle(HDC dc, int x, int y, int radius) {
    long long r = radius;
    Ellipse(dc, clamp_to_int(x - r), clamp_to_int(y - r), clamp_to_int(x + r), clamp_to_int(y + r));
}

void draw_polyline(HDC dc, const POINT* points, int count) {
    if (count < 2) {
        return;
    }
    Polyline(dc, points, count);
}
