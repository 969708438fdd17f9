#!/usr/bin/env python3
"""Writes the seed corpora in corpus/<target>/: a few inputs that each reach one interesting case, encoded the
way fuzz_input.h reads them. Run it again after changing that encoding or the targets' input layout."""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent


# fuzz::input::real(): kind 2 is a 16-bit integer, kind 1 an entry of the special table, kind 0 raw bits.
def real(v):
    return bytes([2]) + struct.pack("<h", v)


def special_real(index):  # 0 zero, 2 +inf, 3 -inf, 4 NaN, 5 max, 11 2^31 - 1, 12 2^31, 15 65535
    return bytes([1, index])


def raw_real(v):
    return bytes([0]) + struct.pack("<d", v)


def rpoint(x, y):
    return real(x) + real(y)


# fuzz::input::coordinate(): kind 2 is (u16 % 700) - 200, kind 1 a special, kind 0 any 32-bit value.
def coord(v):
    if -200 <= v < 500:
        return bytes([2]) + struct.pack("<H", v + 200)
    return bytes([0]) + struct.pack("<i", v)


def special_coord(index):  # 0 INT_MIN, 2 INT_MAX, 6 65535, 11 46341
    return bytes([1, index])


def cpoint(x, y):
    return coord(x) + coord(y)


def geometry_seeds():
    wall = rpoint(0, 0) + rpoint(10, 0)
    yield "intersect_ahead", bytes([0]) + wall + rpoint(5, 5) + rpoint(5, 4)
    yield "intersect_behind", bytes([0]) + wall + rpoint(5, 5) + rpoint(5, 6)
    yield "intersect_smaller_end", bytes([0]) + wall + rpoint(-5, 5) + rpoint(5, -5)
    yield "intersect_parallel", bytes([0]) + wall + rpoint(0, 3) + rpoint(10, 3)
    yield "intersect_infinite_through", bytes([0]) + wall + rpoint(5, 5) + special_real(2) + special_real(3)
    yield "reflect_horizontal", bytes([1]) + wall + rpoint(2, 4) + rpoint(4, 0)
    yield "reflect_vertical_wall", bytes([1]) + rpoint(0, 0) + rpoint(0, 10) + rpoint(4, 2) + rpoint(0, 4)
    yield "reflect_perpendicular", bytes([1]) + rpoint(0, 0) + rpoint(10, 10) + rpoint(10, 0) + rpoint(5, 5)
    yield "reflect_on_vertical_line", bytes([1]) + rpoint(0, 0) + rpoint(0, 10) + rpoint(0, 2) + rpoint(0, 2)
    yield "distance", bytes([2]) + real(3) + real(4) + real(0) + real(0)
    yield "distance_overflow", bytes([2]) + special_real(5) + real(0) + raw_real(-1.7e308) + real(0)
    roof = rpoint(0, 10) + rpoint(10, 0) + rpoint(20, 10)
    yield "nearest_roof_apex", bytes([3, 3]) + roof + bytes([0]) + rpoint(10, -10) + rpoint(10, -5)
    box = rpoint(0, 0) + rpoint(100, 0) + rpoint(100, 100) + rpoint(0, 100) + rpoint(0, 0)
    yield "nearest_box_skip", bytes([3, 5]) + box + bytes([2]) + rpoint(50, 0) + rpoint(60, 50)


def ray_path_seeds():
    yield "coordinate_fraction", bytes([0, 3]) + struct.pack("<h", -7) + bytes([128])
    yield "coordinate_above_range", bytes([0]) + special_real(12)
    yield "coordinate_nan", bytes([0]) + special_real(4)
    room = cpoint(10, 10) + cpoint(300, 12) + cpoint(310, 250) + cpoint(8, 240) + cpoint(10, 10)
    yield "path_closed_room", bytes([1, 5]) + room + cpoint(150, 120) + cpoint(200, 60)
    yield "path_no_walls", bytes([1, 0]) + cpoint(5, 5) + cpoint(5, 5)
    yield "path_edges", bytes([1, 3]) + special_coord(0) + special_coord(2) + cpoint(0, 0) + \
        special_coord(6) + special_coord(6) + cpoint(100, 100) + special_coord(11) + special_coord(0)
    built_in = cpoint(294, 129) + cpoint(382, 50) + cpoint(526, 99) + cpoint(563, 239) + cpoint(450, 327) + \
        cpoint(303, 254)
    # walls, cursor, anchor, launch, flags (1 drawing, 2 ray shown, 4 seeded), width + 8, height + 8
    yield "frame_ray", bytes([2, 6]) + built_in + cpoint(400, 200) + cpoint(0, 0) + cpoint(420, 180) + \
        bytes([6, 88, 72])
    yield "frame_drawing", bytes([2, 2]) + cpoint(10, 10) + cpoint(60, 40) + cpoint(70, 70) + cpoint(60, 40) + \
        cpoint(0, 0) + bytes([5, 72, 72])
    yield "frame_empty_bitmap", bytes([2, 0]) + cpoint(1, 1) + cpoint(1, 1) + cpoint(1, 1) + bytes([2, 8, 0])


# fuzz_gdi: one byte picks the step (0 DC, 1 bitmap, 2 pen or brush, 3 window pixels, 4 delete, 5-7 draw).
def new_dc(slot, from_dc=7):  # from_dc 0-3 pool, 4-5 windows, 7 none
    return bytes([0, slot, from_dc])


def new_bitmap(slot, width, height, dc=0):
    return bytes([1, slot, 2, width, 2, height, dc])


def brush_description():
    return bytes([0, 1]) + struct.pack("<I", 0x00FF00) + bytes([0])


def new_pen(slot, style, width, rgb):
    return bytes([2, slot]) + brush_description() + bytes([0, style + 1]) + coord(width) + bytes([1]) + \
        struct.pack("<I", rgb)


def new_solid_brush(slot, rgb):
    return bytes([2, slot]) + brush_description() + bytes([2, 1]) + struct.pack("<I", rgb)


def new_window(slot, width, height):
    return bytes([3, slot, width + 2, height + 2, 1])


def draw(dc, kind, *arguments):
    return bytes([5, dc, kind]) + b"".join(arguments)


def select(dc, pick):  # pick 0-3 bitmaps, 4-7 pens and brushes
    return draw(dc, 13, bytes([pick]))


def gdi_seeds():
    canvas = new_dc(0) + new_bitmap(0, 64, 48) + select(0, 0)
    yield "lines", canvas + new_pen(0, 0, 1, 0xFF0000) + select(0, 4) + \
        draw(0, 2, bytes([5]), cpoint(-10, -10), cpoint(70, 30), cpoint(10, 47), cpoint(63, 0), cpoint(0, 0),
             bytes([0]))
    yield "wide_pen", canvas + new_pen(0, 0, 9, 0x0000FF) + select(0, 4) + draw(0, 1, cpoint(60, 40))
    yield "huge_line", canvas + draw(0, 0, special_coord(0), special_coord(2), bytes([0])) + \
        draw(0, 1, special_coord(2), special_coord(0))
    yield "ellipse_and_rectangle", canvas + new_solid_brush(1, 0x00FFFF) + select(0, 5) + \
        draw(0, 3, cpoint(5, 5), cpoint(40, 30)) + draw(0, 4, cpoint(-5, 20), cpoint(70, 60))
    yield "text", canvas + draw(0, 7, bytes([1]) + struct.pack("<I", 0), bytes([1]) + struct.pack("<I", 0xFFFFFF),
                                bytes([3])) + \
        draw(0, 5, b"X 123 and Y 456\0".ljust(32, b"!"), bytes([18]), cpoint(2, 2), bytes([0, 1]))
    yield "blits", canvas + new_dc(1) + new_bitmap(1, 32, 32, 1) + bytes([5, 1, 13, 1]) + \
        draw(1, 10, bytes([0]), cpoint(0, 0), cpoint(32, 32)) + \
        draw(0, 8, bytes([1, 0]), cpoint(10, 10), cpoint(20, 20), bytes([1]), cpoint(-5, -5))
    yield "window_pixels", new_window(0, 40, 30) + new_dc(0, 4) + new_bitmap(0, 40, 30, 4) + select(0, 0) + \
        draw(0, 10, bytes([2]), cpoint(0, 0), cpoint(40, 30)) + \
        draw(4, 8, bytes([1, 0]), cpoint(-3, -3), cpoint(50, 50), bytes([0]), cpoint(0, 0))
    yield "zero_and_huge_bitmaps", new_dc(0) + new_bitmap(0, 0, 0) + bytes([1, 1, 1, 0, 1, 0, 0]) + \
        bytes([1, 2, 0, 1, 2, 1]) + select(0, 1) + draw(0, 12, cpoint(0, 0), bytes([1])) + bytes([4, 1, 1])
    yield "delete_selected", canvas + new_pen(0, 0, 1, 0) + select(0, 4) + bytes([4, 0, 2, 4, 0, 1, 4, 0, 0])


def main():
    for target, seeds in (("fuzz_geometry", geometry_seeds), ("fuzz_ray_path", ray_path_seeds),
                          ("fuzz_gdi", gdi_seeds)):
        folder = HERE / "corpus" / target
        folder.mkdir(parents=True, exist_ok=True)
        for old in folder.iterdir():
            old.unlink()
        for name, data in seeds():
            (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
