// GDI objects: the handle table, stock objects, pens, brushes, bitmaps, device contexts and selection.
//
// Every HGDIOBJ and HDC we hand out is a slot number plus a generation count, checked against the table on
// every call, so a null, deleted or foreign handle makes a call fail the way Windows fails it instead of
// touching freed memory.
#include "gdi.h"

#include "platform_hooks.h"

#include <climits>
#include <cstdlib>
#include <deque>
#include <new>
#include <vector>

namespace platform::gdi {
namespace {

// Pen and brush bits that our windows.h leaves out because the program never names them.
constexpr DWORD pen_style_mask = 0x0000000F;
constexpr DWORD pen_endcap_mask = 0x00000F00;
constexpr DWORD pen_join_mask = 0x0000F000;
constexpr DWORD pen_type_mask = 0x000F0000;
constexpr DWORD pen_known_bits = pen_style_mask | pen_endcap_mask | pen_join_mask | pen_type_mask;
constexpr DWORD ps_inside_frame = 6;
constexpr DWORD ps_user_style = 7;
constexpr DWORD ps_alternate = 8;
constexpr DWORD ps_endcap_flat = 0x00000200;
constexpr DWORD ps_join_miter = 0x00002000;
constexpr UINT bs_hatched = 2;
constexpr int ltgray_brush = 1;
constexpr int gray_brush = 2;
constexpr int dkgray_brush = 3;
constexpr int stock_count = 20;
constexpr int sys_color_count = 31; // COLOR_SCROLLBAR (0) .. COLOR_MENUBAR (30)

// Windows caps a bitmap side below 64K; we also cap the whole bitmap at 256 MiB of pixels, far above any
// screen, so that an absurd request fails cleanly instead of exhausting memory.
constexpr int max_bitmap_side = 0xFFFF;
constexpr std::size_t max_bitmap_pixels = std::size_t{1} << 26;

// Handles look like 0x4GGGIIII: tag bit, 14-bit generation, slot number + 1. They stay within 31 bits, as
// Windows handles stay within 32, and never collide with null or HGDI_ERROR.
constexpr std::uintptr_t handle_tag = 0x40000000u;
constexpr std::uint32_t generation_mask = 0x3FFF;
constexpr std::size_t max_slots = 0xFFFF;

struct slot {
    object_kind kind = object_kind::none;
    bool stock = false;   // never deleted, not counted
    bool counted = false; // part of gdi_object_count
    std::uint32_t generation = 0;
    int selections = 0; // DCs that hold this pen, brush or font
    pen_data pen;
    brush_data brush;
    std::unique_ptr<bitmap_data> bitmap;
    std::unique_ptr<dc_data> dc;
};

// All of the GDI's state: every object behind a handle, and the stock objects.
struct table {
    std::vector<slot> slots;
    std::deque<std::uint32_t> free_slots; // oldest first, so a stale handle is not soon reissued
    int counted = 0;
    HGDIOBJ stock[stock_count] = {};
    HGDIOBJ sys_brushes[sys_color_count] = {};
    HGDIOBJ default_bitmap = nullptr; // the shared 1 x 1 bitmap that new memory DCs hold (a stock object)
};

// The default colours of Windows 10 for each system colour index; 25 is unused by Windows.
constexpr COLORREF sys_colors[sys_color_count] = {
    RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219), RGB(240, 240, 240),
    RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(180, 180, 180), RGB(244, 247, 252), RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255),
    RGB(240, 240, 240), RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(0, 0, 0),       RGB(0, 102, 204),   RGB(185, 209, 234), RGB(215, 228, 242), RGB(51, 153, 255),
    RGB(240, 240, 240),
};
constexpr int unused_sys_color = 25;

HGDIOBJ handle_of(std::uint32_t index, std::uint32_t generation) {
    std::uintptr_t value = handle_tag | (std::uintptr_t{generation & generation_mask} << 16) | (index + 1u);
    return reinterpret_cast<HGDIOBJ>(value);
}

HGDIOBJ allocate(table& t, object_kind kind, bool stock, bool counted) {
    std::uint32_t index;
    if (!t.free_slots.empty()) {
        index = t.free_slots.front();
        t.free_slots.pop_front();
    } else {
        if (t.slots.size() >= max_slots) {
            return nullptr;
        }
        t.slots.emplace_back();
        index = static_cast<std::uint32_t>(t.slots.size() - 1);
    }
    slot& s = t.slots[index];
    s.kind = kind;
    s.stock = stock;
    s.counted = counted && !stock;
    s.selections = 0;
    if (s.counted) {
        ++t.counted;
    }
    return handle_of(index, s.generation);
}

void init_stock(table& t);

// Never destroyed: window DCs may be released by other objects' destructors at process exit.
table& objects() {
    static table& t = *new table;
    static bool ready = false;
    if (!ready) {
        ready = true;
        init_stock(t);
    }
    return t;
}

slot* lookup(HGDIOBJ object, object_kind kind = object_kind::none) {
    auto value = reinterpret_cast<std::uintptr_t>(object);
    if ((value & ~std::uintptr_t{0x3FFFFFFF}) != handle_tag) {
        return nullptr;
    }
    std::uint32_t number = static_cast<std::uint32_t>(value & 0xFFFF);
    std::uint32_t generation = static_cast<std::uint32_t>(value >> 16) & generation_mask;
    table& t = objects();
    if (number == 0 || number > t.slots.size()) {
        return nullptr;
    }
    slot& s = t.slots[number - 1];
    if (s.kind == object_kind::none || (s.generation & generation_mask) != generation) {
        return nullptr;
    }
    if (kind != object_kind::none && s.kind != kind) {
        return nullptr;
    }
    return &s;
}

std::uint32_t slot_number(HGDIOBJ object) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(object) & 0xFFFF);
}

void release(HGDIOBJ object) {
    table& t = objects();
    std::uint32_t index = slot_number(object) - 1;
    slot& s = t.slots[index];
    if (s.counted) {
        --t.counted;
    }
    if (s.bitmap) {
        recycle_pixels(*s.bitmap);
    }
    std::uint32_t generation = s.generation + 1;
    s = slot{};
    s.generation = generation;
    t.free_slots.push_back(index);
}

HGDIOBJ make_pen(bool visible, int width, COLORREF color, bool stock = false) {
    table& t = objects();
    HGDIOBJ h = allocate(t, object_kind::pen, stock, true);
    if (h) {
        slot* s = lookup(h);
        s->pen.visible = visible;
        s->pen.width = width < 1 ? 1 : width;
        s->pen.pixel = pixel_from_colorref(color);
    }
    return h;
}

HGDIOBJ make_brush(bool visible, COLORREF color, bool stock = false) {
    table& t = objects();
    HGDIOBJ h = allocate(t, object_kind::brush, stock, true);
    if (h) {
        slot* s = lookup(h);
        s->brush.visible = visible;
        s->brush.pixel = pixel_from_colorref(color);
    }
    return h;
}

void init_stock(table& t) {
    t.stock[WHITE_BRUSH] = make_brush(true, RGB(255, 255, 255), true);
    t.stock[ltgray_brush] = make_brush(true, RGB(192, 192, 192), true);
    t.stock[gray_brush] = make_brush(true, RGB(128, 128, 128), true);
    t.stock[dkgray_brush] = make_brush(true, RGB(64, 64, 64), true);
    t.stock[BLACK_BRUSH] = make_brush(true, RGB(0, 0, 0), true);
    t.stock[NULL_BRUSH] = make_brush(false, RGB(0, 0, 0), true);
    t.stock[WHITE_PEN] = make_pen(true, 1, RGB(255, 255, 255), true);
    t.stock[BLACK_PEN] = make_pen(true, 1, RGB(0, 0, 0), true);
    t.stock[NULL_PEN] = make_pen(false, 1, RGB(0, 0, 0), true);
    // All stock fonts (OEM, ANSI fixed and variable, system, device default, system fixed, default GUI) are
    // our one bitmap font; they stay distinct handles as on Windows.
    for (int index : {10, 11, 12, SYSTEM_FONT, 14, 16, 17}) {
        t.stock[index] = allocate(t, object_kind::font, true, false);
    }
    // The 1 x 1 black monochrome bitmap that every new memory DC holds. It is shared by all of them, so
    // nothing may draw into it: it keeps reading as black.
    HGDIOBJ bitmap = allocate(t, object_kind::bitmap, true, false);
    slot& s = t.slots[slot_number(bitmap) - 1];
    s.bitmap = std::make_unique<bitmap_data>();
    s.bitmap->pixels = std::make_unique<std::uint32_t[]>(1);
    s.bitmap->capacity = 1;
    s.bitmap->ready_bottom = 1;
    s.bitmap->read_only = true;
    s.bitmap->monochrome = true;
    t.default_bitmap = bitmap;
}

// Swaps `object` into the DC slot `held`, keeping the selection counts right; returns what was there.
HGDIOBJ swap_selection(HGDIOBJ& held, HGDIOBJ object, slot& incoming) {
    HGDIOBJ previous = held;
    if (previous == object) {
        return previous;
    }
    ++incoming.selections;
    if (slot* old = lookup(previous)) {
        --old->selections;
    }
    held = object;
    return previous;
}

HDC new_dc(pixel_buffer* window) {
    table& t = objects();
    HGDIOBJ h = allocate(t, object_kind::dc, false, window == nullptr);
    if (!h) {
        return nullptr;
    }
    slot* s = lookup(h);
    s->dc = std::make_unique<dc_data>();
    dc_data& d = *s->dc;
    d.window = window;
    d.bitmap = window ? nullptr : t.default_bitmap;
    d.pen = t.stock[BLACK_PEN];
    d.brush = t.stock[WHITE_BRUSH];
    d.font = t.stock[SYSTEM_FONT];
    for (HGDIOBJ held : {d.pen, d.brush, d.font}) {
        ++lookup(held)->selections;
    }
    return static_cast<HDC>(h);
}

void drop_dc(HDC dc) {
    dc_data& d = *lookup(dc)->dc;
    for (HGDIOBJ held : {d.pen, d.brush, d.font}) {
        if (slot* s = lookup(held)) {
            --s->selections;
        }
    }
    if (slot* s = lookup(d.bitmap, object_kind::bitmap)) {
        if (!s->bitmap->read_only) {
            s->bitmap->owner_dc = 0;
        }
    }
    release(dc);
}

} // namespace

pen_data* find_pen(HGDIOBJ object) {
    slot* s = lookup(object, object_kind::pen);
    return s ? &s->pen : nullptr;
}

brush_data* find_brush(HGDIOBJ object) {
    slot* s = lookup(object, object_kind::brush);
    return s ? &s->brush : nullptr;
}

bitmap_data* find_bitmap(HGDIOBJ object) {
    slot* s = lookup(object, object_kind::bitmap);
    return s ? s->bitmap.get() : nullptr;
}

dc_data* find_dc(HDC dc) {
    slot* s = lookup(dc, object_kind::dc);
    return s ? s->dc.get() : nullptr;
}

bool is_font(HGDIOBJ object) {
    return lookup(object, object_kind::font) != nullptr;
}

bitmap_data* selected_bitmap(const dc_data& dc) {
    return dc.window ? nullptr : find_bitmap(dc.bitmap);
}

} // namespace platform::gdi

using namespace platform::gdi;

namespace platform {

HDC create_window_dc(pixel_buffer* target) {
    if (!target) {
        return nullptr;
    }
    return new_dc(target);
}

void release_window_dc(HDC dc) {
    dc_data* d = find_dc(dc);
    if (d && d->window) {
        drop_dc(dc);
    }
}

int gdi_object_count() {
    return objects().counted;
}

} // namespace platform

HGDIOBJ WINAPI GetStockObject(int index) {
    if (index < 0 || index >= stock_count) {
        return nullptr;
    }
    return objects().stock[index];
}

DWORD WINAPI GetSysColor(int index) {
    if (index < 0 || index >= sys_color_count) {
        return 0;
    }
    return sys_colors[index];
}

HBRUSH WINAPI GetSysColorBrush(int index) {
    if (index < 0 || index >= sys_color_count || index == unused_sys_color) {
        return nullptr;
    }
    table& t = objects();
    if (!t.sys_brushes[index]) {
        t.sys_brushes[index] = make_brush(true, sys_colors[index], true);
    }
    return static_cast<HBRUSH>(t.sys_brushes[index]);
}

HPEN WINAPI CreatePen(int style, int width, COLORREF color) {
    // Dashed and dotted styles are drawn solid: our pens have no dash patterns.
    if (style < PS_SOLID || style > static_cast<int>(ps_inside_frame)) {
        return nullptr;
    }
    int pixels = width == INT_MIN ? INT_MAX : std::abs(width);
    return static_cast<HPEN>(make_pen(style != PS_NULL, pixels, color));
}

HPEN WINAPI ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD style_count,
                         const DWORD* styles) {
    if (!brush || (style & ~pen_known_bits) != 0) {
        return nullptr;
    }
    DWORD kind = style & pen_style_mask;
    DWORD type = style & pen_type_mask;
    if (kind > ps_alternate || (style & pen_endcap_mask) > ps_endcap_flat ||
        (style & pen_join_mask) > ps_join_miter || (type != PS_COSMETIC && type != PS_GEOMETRIC)) {
        return nullptr;
    }
    if (kind == ps_user_style ? (style_count == 0 || style_count > 16 || !styles) : style_count != 0) {
        return nullptr;
    }
    if (type == PS_COSMETIC && (width != 1 || brush->lbStyle != BS_SOLID)) {
        return nullptr;
    }
    if (type == PS_GEOMETRIC && kind == ps_alternate) {
        return nullptr;
    }
    if (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_NULL && brush->lbStyle != bs_hatched) {
        return nullptr;
    }
    bool visible = kind != PS_NULL && brush->lbStyle != BS_NULL;
    int pixels = width > static_cast<DWORD>(INT_MAX) ? INT_MAX : static_cast<int>(width);
    HGDIOBJ pen = make_pen(visible, pixels, brush->lbColor);
    if (pen_data* data = find_pen(pen)) {
        data->geometric = type == PS_GEOMETRIC;
    }
    return static_cast<HPEN>(pen);
}

HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* brush) {
    // Hatched brushes are approximated by their solid colour; pattern brushes are not supported.
    if (!brush || (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_NULL && brush->lbStyle != bs_hatched)) {
        return nullptr;
    }
    return static_cast<HBRUSH>(make_brush(brush->lbStyle != BS_NULL, brush->lbColor));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    return static_cast<HBRUSH>(make_brush(true, color));
}

HDC WINAPI CreateCompatibleDC(HDC dc) {
    if (dc && !find_dc(dc)) {
        return nullptr;
    }
    return new_dc(nullptr);
}

BOOL WINAPI DeleteDC(HDC dc) {
    dc_data* d = find_dc(dc);
    if (!d || d->window) {
        return FALSE;
    }
    drop_dc(dc);
    return TRUE;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height) {
    dc_data* d = find_dc(dc);
    if (!d) {
        return nullptr;
    }
    // An empty size gives one monochrome pixel, as Windows documents for a zero size.
    bool empty = width <= 0 || height <= 0;
    if (empty) {
        width = 1;
        height = 1;
    }
    std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (width > max_bitmap_side || height > max_bitmap_side || count > max_bitmap_pixels) {
        return nullptr;
    }
    auto bitmap = std::make_unique<bitmap_data>();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->monochrome = empty || is_monochrome(*d); // a fresh memory DC's bitmap is monochrome
    if (!acquire_pixels(*bitmap, count)) {
        return nullptr;
    }
    table& t = objects();
    HGDIOBJ h = allocate(t, object_kind::bitmap, false, true);
    if (!h) {
        recycle_pixels(*bitmap);
        return nullptr;
    }
    lookup(h)->bitmap = std::move(bitmap);
    return static_cast<HBITMAP>(h);
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
    slot* dc_slot = lookup(dc, object_kind::dc);
    slot* s = lookup(object);
    if (!dc_slot || !s) {
        return nullptr;
    }
    dc_data& d = *dc_slot->dc;
    switch (s->kind) {
    case object_kind::pen:
        return swap_selection(d.pen, object, *s);
    case object_kind::brush:
        return swap_selection(d.brush, object, *s);
    case object_kind::font:
        return swap_selection(d.font, object, *s);
    case object_kind::bitmap: {
        // Only memory DCs hold bitmaps, and a bitmap is in at most one of them (the shared default excepted).
        bitmap_data& incoming = *s->bitmap;
        std::uint32_t owner = slot_number(dc);
        if (d.window || (!incoming.read_only && incoming.owner_dc != 0 && incoming.owner_dc != owner)) {
            return nullptr;
        }
        HGDIOBJ previous = d.bitmap;
        if (previous == object) {
            return previous;
        }
        if (bitmap_data* old = find_bitmap(previous); old && !old->read_only) {
            old->owner_dc = 0;
        }
        if (!incoming.read_only) {
            incoming.owner_dc = owner;
        }
        d.bitmap = object;
        return previous;
    }
    default:
        return nullptr;
    }
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    slot* s = lookup(object);
    if (!s || s->kind == object_kind::dc) {
        return FALSE;
    }
    if (s->stock) {
        return TRUE;
    }
    // Windows leaves an object that a DC still holds alive; deleting it would leave the DC dangling.
    if (s->selections > 0 || (s->bitmap && s->bitmap->owner_dc != 0)) {
        return FALSE;
    }
    release(object);
    return TRUE;
}
