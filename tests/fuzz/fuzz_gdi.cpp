// Our GDI driven by an arbitrary program of calls: device contexts (memory ones and ones over a window's
// pixels), bitmaps of any size, pens and brushes of any style, width and colour, selected into any context
// and deleted in any order, stale and made-up handles, and every drawing call with coordinates and sizes
// that are zero, negative or at the edges of the 32-bit range. Nothing may crash or touch memory it does not
// own (the sanitizers abort on that), and once every object is deleted the count of live GDI objects is
// back where it started.
#include <windows.h>

#include "platform_hooks.h"

#include "fuzz_check.h"
#include "fuzz_input.h"

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using fuzz::check;

constexpr int pool_size = 4;

struct window_target {
    platform::pixel_buffer pixels;
    HDC dc = nullptr;
};

// The handles one run has made. A deleted handle stays in its slot: using it again must fail harmlessly.
struct handles {
    std::array<HDC, pool_size> dcs{};
    std::array<HBITMAP, pool_size> bitmaps{};
    std::array<HGDIOBJ, pool_size> pens_and_brushes{};
    std::array<bool, pool_size> dc_live{};
    std::array<bool, pool_size> bitmap_live{};
    std::array<bool, pool_size> object_live{};
    std::array<std::unique_ptr<window_target>, 2> windows;
};

HDC any_dc(fuzz::input& in, handles& h) {
    int pick = in.below(pool_size + 4);
    if (pick < pool_size) {
        return h.dcs[static_cast<std::size_t>(pick)];
    }
    switch (pick - pool_size) {
    case 0:
        return h.windows[0] ? h.windows[0]->dc : nullptr;
    case 1:
        return h.windows[1] ? h.windows[1]->dc : nullptr;
    case 2:
        return reinterpret_cast<HDC>(static_cast<std::uintptr_t>(in.u32()));
    default:
        return nullptr;
    }
}

HGDIOBJ any_object(fuzz::input& in, handles& h) {
    int pick = in.below(2 * pool_size + 4);
    if (pick < pool_size) {
        return h.bitmaps[static_cast<std::size_t>(pick)];
    }
    if (pick < 2 * pool_size) {
        return h.pens_and_brushes[static_cast<std::size_t>(pick - pool_size)];
    }
    switch (pick - 2 * pool_size) {
    case 0:
        return GetStockObject(in.below(24) - 2);
    case 1:
        return h.dcs[static_cast<std::size_t>(in.below(pool_size))]; // a DC is no object to select
    case 2:
        return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(in.u32()));
    default:
        return HGDI_ERROR;
    }
}

int extent(fuzz::input& in) {
    static const int huge[] = {INT_MAX, INT_MIN, 65536, 46341, 1 << 20, -1};
    switch (in.below(8)) {
    case 0:
        return 0;
    case 1:
        return huge[in.below(static_cast<int>(std::size(huge)))];
    default:
        return in.below(257);
    }
}

// Read in order (the order of a call's arguments is unspecified, so every read is a statement of its own).
POINT point(fuzz::input& in) {
    LONG x = in.coordinate();
    LONG y = in.coordinate();
    return POINT{x, y};
}

RECT rect(fuzz::input& in) {
    RECT r{};
    r.left = in.coordinate();
    r.top = in.coordinate();
    r.right = in.coordinate();
    r.bottom = in.coordinate();
    return r;
}

COLORREF color(fuzz::input& in) {
    return in.below(4) == 0 ? in.u32() : in.u32() & 0xFFFFFFu;
}

void new_dc(fuzz::input& in, handles& h) {
    std::size_t slot = static_cast<std::size_t>(in.below(pool_size));
    if (h.dc_live[slot]) {
        check(DeleteDC(h.dcs[slot]) != FALSE, "a live memory DC can be deleted");
    }
    h.dcs[slot] = CreateCompatibleDC(any_dc(in, h));
    h.dc_live[slot] = h.dcs[slot] != nullptr;
}

void new_bitmap(fuzz::input& in, handles& h) {
    std::size_t slot = static_cast<std::size_t>(in.below(pool_size));
    if (h.bitmap_live[slot]) {
        h.bitmap_live[slot] = DeleteObject(h.bitmaps[slot]) == FALSE;
    }
    if (h.bitmap_live[slot]) {
        return; // still selected somewhere: keep it, and its slot
    }
    int width = extent(in);
    int height = extent(in);
    // A legal bitmap stays small: beside a huge side the other is a few pixels at most, or huge as well, and
    // then so huge that the product no longer fits.
    if (width > 256 && height > 4 && height <= 256) {
        height = 4;
    }
    if (height > 256 && width > 4 && width <= 256) {
        width = 4;
    }
    if (width > 256 && height > 256 && static_cast<long long>(width) * height <= (1ll << 26)) {
        height = INT_MAX;
    }
    h.bitmaps[slot] = CreateCompatibleBitmap(any_dc(in, h), width, height);
    h.bitmap_live[slot] = h.bitmaps[slot] != nullptr;
}

void new_pen_or_brush(fuzz::input& in, handles& h) {
    std::size_t slot = static_cast<std::size_t>(in.below(pool_size));
    if (h.object_live[slot]) {
        h.object_live[slot] = DeleteObject(h.pens_and_brushes[slot]) == FALSE;
    }
    if (h.object_live[slot]) {
        return;
    }
    LOGBRUSH description{static_cast<UINT>(in.below(4)), color(in), static_cast<ULONG_PTR>(in.byte())};
    HGDIOBJ made = nullptr;
    switch (in.below(5)) {
    case 0: {
        int style = in.below(8) - 1;
        int width = in.coordinate();
        made = CreatePen(style, width, color(in));
        break;
    }
    case 1: {
        DWORD style = in.u32();
        DWORD width = static_cast<DWORD>(in.coordinate());
        DWORD dashes[4] = {in.u32(), in.u32(), in.u32(), in.u32()};
        DWORD count = static_cast<DWORD>(in.below(5));
        const LOGBRUSH* brush = in.below(4) == 0 ? nullptr : &description;
        made = ExtCreatePen(style, width, brush, count, in.below(2) == 0 ? nullptr : dashes);
        break;
    }
    case 2:
        made = CreateSolidBrush(color(in));
        break;
    case 3:
        made = CreateBrushIndirect(in.below(8) == 0 ? nullptr : &description);
        break;
    default:
        // Not counted and never deleted by the caller; deleting one must do no harm either.
        made = GetSysColorBrush(in.below(40) - 4);
        if (in.below(4) == 0) {
            DeleteObject(made);
        }
        return;
    }
    h.pens_and_brushes[slot] = made;
    h.object_live[slot] = made != nullptr;
}

void new_window_target(fuzz::input& in, handles& h) {
    std::size_t slot = static_cast<std::size_t>(in.below(2));
    if (h.windows[slot]) {
        platform::release_window_dc(h.windows[slot]->dc);
    }
    auto target = std::make_unique<window_target>();
    target->pixels.width = in.below(130) - 2;
    target->pixels.height = in.below(130) - 2;
    long long words =
        static_cast<long long>(std::max(target->pixels.width, 0)) * std::max(target->pixels.height, 0);
    // Now and then fewer words than the sizes claim: the GDI must go by what is really there.
    if (in.below(8) == 0) {
        words = in.below(static_cast<int>(words) + 1);
    }
    target->pixels.pixels.assign(static_cast<std::size_t>(words), 0x123456u);
    target->dc = platform::create_window_dc(&target->pixels);
    h.windows[slot] = std::move(target);
}

void draw(fuzz::input& in, handles& h) {
    HDC dc = any_dc(in, h);
    switch (in.below(16)) {
    case 0: {
        POINT previous{};
        POINT to = point(in);
        MoveToEx(dc, to.x, to.y, in.below(2) == 0 ? nullptr : &previous);
        break;
    }
    case 1: {
        POINT to = point(in);
        LineTo(dc, to.x, to.y);
        break;
    }
    case 2: {
        std::vector<POINT> points(static_cast<std::size_t>(in.below(12)));
        for (POINT& p : points) {
            p = point(in);
        }
        int count = static_cast<int>(points.size()) - in.below(3); // never more than there are
        Polyline(dc, points.empty() ? nullptr : points.data(), count);
        break;
    }
    case 3: {
        RECT r = rect(in);
        Ellipse(dc, r.left, r.top, r.right, r.bottom);
        break;
    }
    case 4: {
        RECT r = rect(in);
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        break;
    }
    case 5:
    case 6: {
        char text[32];
        in.bytes(text, sizeof text);
        int length = in.below(36) - 3; // negative lengths too, never past the buffer
        if (length > static_cast<int>(sizeof text)) {
            length = sizeof text;
        }
        POINT at = point(in);
        if (in.below(2) == 0) {
            TextOutA(dc, at.x, at.y, in.below(8) == 0 ? nullptr : text, length);
        } else {
            SIZE size{};
            GetTextExtentPoint32A(dc, text, length, in.below(8) == 0 ? nullptr : &size);
        }
        break;
    }
    case 7: {
        COLORREF text = color(in);
        COLORREF background = color(in);
        SetTextColor(dc, text);
        SetBkColor(dc, background);
        SetBkMode(dc, in.below(5) - 1);
        break;
    }
    case 8:
    case 9: {
        static const DWORD rops[] = {SRCCOPY, PATCOPY, BLACKNESS, WHITENESS, 0, 0x00660046 /* SRCINVERT */};
        DWORD rop = in.below(8) == 0 ? in.u32() : rops[in.below(static_cast<int>(std::size(rops)))];
        RECT area = rect(in); // left, top, width, height
        HDC source = any_dc(in, h);
        POINT from = point(in);
        BitBlt(dc, area.left, area.top, area.right, area.bottom, source, from.x, from.y, rop);
        break;
    }
    case 10: {
        static const DWORD rops[] = {PATCOPY, BLACKNESS, WHITENESS, SRCCOPY};
        DWORD rop = rops[in.below(static_cast<int>(std::size(rops)))];
        RECT area = rect(in);
        PatBlt(dc, area.left, area.top, area.right, area.bottom, rop);
        break;
    }
    case 11: {
        RECT r = rect(in);
        HBRUSH brush = in.below(3) == 0 ? reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(in.below(40)))
                                        : static_cast<HBRUSH>(any_object(in, h));
        FillRect(dc, in.below(8) == 0 ? nullptr : &r, brush);
        break;
    }
    case 12: {
        POINT at = point(in);
        if (in.below(2) == 0) {
            GetPixel(dc, at.x, at.y);
        } else {
            SetPixel(dc, at.x, at.y, color(in));
        }
        break;
    }
    default:
        SelectObject(dc, any_object(in, h));
        break;
    }
}

void delete_something(fuzz::input& in, handles& h) {
    std::size_t slot = static_cast<std::size_t>(in.below(pool_size));
    switch (in.below(4)) {
    case 0:
        if (DeleteDC(h.dcs[slot]) != FALSE) {
            h.dc_live[slot] = false;
        }
        break;
    case 1:
        if (DeleteObject(h.bitmaps[slot]) != FALSE) {
            h.bitmap_live[slot] = false;
        }
        break;
    case 2:
        if (DeleteObject(h.pens_and_brushes[slot]) != FALSE) {
            h.object_live[slot] = false;
        }
        break;
    default: {
        // Ours, stock, stale or made up.
        HGDIOBJ object = any_object(in, h);
        if (DeleteObject(object) != FALSE) {
            for (std::size_t i = 0; i < pool_size; ++i) {
                h.bitmap_live[i] = h.bitmap_live[i] && h.bitmaps[i] != object;
                h.object_live[i] = h.object_live[i] && h.pens_and_brushes[i] != object;
            }
        }
        break;
    }
    }
}

// Contexts first, so that nothing is selected anywhere any more; then every object we made.
void delete_everything(handles& h) {
    for (auto& window : h.windows) {
        if (window) {
            platform::release_window_dc(window->dc);
            window.reset();
        }
    }
    for (std::size_t i = 0; i < pool_size; ++i) {
        if (h.dc_live[i]) {
            check(DeleteDC(h.dcs[i]) != FALSE, "a live memory DC can be deleted");
        }
    }
    for (std::size_t i = 0; i < pool_size; ++i) {
        if (h.bitmap_live[i]) {
            check(DeleteObject(h.bitmaps[i]) != FALSE, "a bitmap selected nowhere can be deleted");
        }
        if (h.object_live[i]) {
            check(DeleteObject(h.pens_and_brushes[i]) != FALSE,
                  "a pen or brush selected nowhere can be deleted");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int objects_before = platform::gdi_object_count();
    fuzz::input in(data, size);
    handles h;
    for (int step = 0; step < 64 && !in.empty(); ++step) {
        switch (in.below(8)) {
        case 0:
            new_dc(in, h);
            break;
        case 1:
            new_bitmap(in, h);
            break;
        case 2:
            new_pen_or_brush(in, h);
            break;
        case 3:
            new_window_target(in, h);
            break;
        case 4:
            delete_something(in, h);
            break;
        default:
            draw(in, h);
            break;
        }
    }
    delete_everything(h);
    check(platform::gdi_object_count() == objects_before, "every object deleted: the count is back");
    return 0;
}
