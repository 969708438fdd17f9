#!/usr/bin/env python3
"""Compares the Linux and the Wine screenshots of the same scenes on the walls and the ray: every pixel that
is red or yellow on one platform and not the same on the other counts as a difference. The counts are a
measurement, written to the output and to a report file; only missing screenshots fail.

    compare.py --linux DIR --wine DIR --report FILE [--diff-images DIR]
    compare.py --linux DIR --wine DIR --names X11 Wayland --require-equal [--every-pixel] --report FILE

Two builds that draw through the same code (our host on X11 and on Wayland; the 32-bit and the 64-bit Windows
build under Wine) must agree exactly: --require-equal fails on any difference, and --every-pixel counts
differences of any colour (the text included), not only red and yellow.

Each diff image shows pixels that agree in their own colour, pixels drawn only on Linux in blue, only on Wine
in green, and red on one but yellow on the other (or any other difference) in magenta.
"""

import argparse
import os
import sys

import screen
from drive import SKIP_NOTE, SKIPPED, golden
from screen import RED, YELLOW

ONLY_LINUX = (0, 0, 255)
ONLY_WINE = (0, 200, 0)
OTHER_COLOUR = (255, 0, 255)
NEUTRAL = (128, 128, 128)


def classes(frame, width, height):
    """Position -> "red" or "yellow", for the pixels of those colours inside width x height."""
    found = {}
    for colour, name in ((RED, "red"), (YELLOW, "yellow")):
        for x, y in frame.positions(colour):
            if x < width and y < height:
                found[(x, y)] = name
    return found


def every_pixel(linux, wine, names=("Linux", "Wine")):
    """The same as compare, over every pixel: sizes that differ count as a difference of each pixel outside
    the common area."""
    width, height = min(linux.width, wine.width), min(linux.height, wine.height)
    marks = {}
    for y in range(height):
        a = linux.data[y * linux.width * 3:(y * linux.width + width) * 3]
        b = wine.data[y * wine.width * 3:(y * wine.width + width) * 3]
        if a != b:
            marks.update({(x, y): OTHER_COLOUR for x in range(width) if a[x * 3:x * 3 + 3] != b[x * 3:x * 3 + 3]})
    outside = linux.width * linux.height + wine.width * wine.height - 2 * width * height
    counts = {"of any colour": len(marks), "outside the common %dx%d" % (width, height): outside}
    agreed = {p: c for p, c in classes(linux, width, height).items() if p not in marks}
    return counts, marks, agreed, (width, height), (linux.width * linux.height, wine.width * wine.height)


def compare(linux, wine, names=("Linux", "Wine")):
    width, height = min(linux.width, wine.width), min(linux.height, wine.height)
    on_linux, on_wine = classes(linux, width, height), classes(wine, width, height)
    counts = {"red only on %s" % names[0]: 0, "red only on %s" % names[1]: 0,
              "yellow only on %s" % names[0]: 0, "yellow only on %s" % names[1]: 0,
              "red on one, yellow on the other": 0}
    marks = {}
    for position in set(on_linux) | set(on_wine):
        a, b = on_linux.get(position), on_wine.get(position)
        if a == b:
            continue
        if a and b:
            counts["red on one, yellow on the other"] += 1
            marks[position] = OTHER_COLOUR
        elif a:
            counts["%s only on %s" % (a, names[0])] += 1
            marks[position] = ONLY_LINUX
        else:
            counts["%s only on %s" % (b, names[1])] += 1
            marks[position] = ONLY_WINE
    agreed = {p: c for p, c in on_linux.items() if on_wine.get(p) == c}
    return counts, marks, agreed, (width, height), (len(on_linux), len(on_wine))


def diff_image(size, marks, agreed):
    width, height = size
    pixels = bytearray(bytes(NEUTRAL) * (width * height))
    for (x, y), name in agreed.items():
        pixels[(y * width + x) * 3:(y * width + x) * 3 + 3] = bytes(RED if name == "red" else YELLOW)
    for (x, y), colour in marks.items():
        pixels[(y * width + x) * 3:(y * width + x) * 3 + 3] = bytes(colour)
    return screen.Frame(width, height, bytes(pixels))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--linux", required=True)
    parser.add_argument("--wine", required=True)
    parser.add_argument("--report", required=True)
    parser.add_argument("--diff-images")
    parser.add_argument("--names", nargs=2, default=["Linux", "Wine"], help="what to call the two in the report")
    parser.add_argument("--every-pixel", action="store_true", help="compare every pixel, not only red and yellow")
    parser.add_argument("--require-equal", action="store_true", help="fail on any differing pixel")
    args = parser.parse_args()
    names = args.names
    for name, folder in zip(names, (args.linux, args.wine)):
        note = os.path.join(folder, SKIP_NOTE)
        if os.path.exists(note):
            with open(note) as reason:
                print("SKIPPED: no frames of %s to compare: %s" % (name, reason.read().strip()))
            return SKIPPED

    what = "every pixel" if args.every_pixel else "the walls and the ray (red and yellow)"
    lines = ["Pixels of %s that differ between %s and %s," % (what, names[0], names[1]),
             "per scene, compared over the area that both windows cover.", ""]
    missing = []
    total = 0
    for name, _ in golden.session():
        paths = [os.path.join(args.linux, name + ".png"), os.path.join(args.wine, name + ".png")]
        absent = [p for p in paths if not os.path.exists(p)]
        if absent:
            missing += absent
            lines.append("%-12s no screenshot: %s" % (name, ", ".join(absent)))
            continue
        linux, wine = (screen.load_png(p) for p in paths)
        counts, marks, agreed, size, coloured = (every_pixel if args.every_pixel else compare)(linux, wine, names)
        differing = sum(counts.values())
        total += differing
        lines.append("%-12s %5d differing pixels (%d %s on %s, %d on %s): %s" % (
            name, differing, coloured[0], "in all" if args.every_pixel else "coloured", names[0], coloured[1],
            names[1], ", ".join("%s %d" % kv for kv in counts.items())))
        if args.diff_images:
            os.makedirs(args.diff_images, exist_ok=True)
            diff_image(size, marks, agreed).save_png(os.path.join(args.diff_images, name + ".png"))
    lines += ["", "total %d differing pixels" % total]
    if missing:
        lines.append("FAIL: screenshots missing (the proofs of both make them)")
    if args.require_equal and total:
        lines.append("FAIL: %s and %s must draw the same pixels" % (names[0], names[1]))

    report = "\n".join(lines) + "\n"
    os.makedirs(os.path.dirname(os.path.abspath(args.report)), exist_ok=True)
    with open(args.report, "w") as out:
        out.write(report)
    sys.stdout.write(report)
    return 1 if missing or (args.require_equal and total) else 0


if __name__ == "__main__":
    sys.exit(main())
