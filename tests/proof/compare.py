#!/usr/bin/env python3
"""Compares the Linux and the Wine screenshots of the same scenes on the walls and the ray: every pixel that
is red or yellow on one platform and not the same on the other counts as a difference. The counts are a
measurement, written to the output and to a report file; only missing screenshots fail.

    compare.py --linux DIR --wine DIR --report FILE [--diff-images DIR]

Each diff image shows pixels that agree in their own colour, pixels drawn only on Linux in blue, only on Wine
in green, and red on one but yellow on the other in magenta.
"""

import argparse
import os
import sys

import screen
from drive import SCENES
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


def compare(linux, wine):
    width, height = min(linux.width, wine.width), min(linux.height, wine.height)
    on_linux, on_wine = classes(linux, width, height), classes(wine, width, height)
    counts = {"red only on Linux": 0, "red only on Wine": 0, "yellow only on Linux": 0,
              "yellow only on Wine": 0, "red on one, yellow on the other": 0}
    marks = {}
    for position in set(on_linux) | set(on_wine):
        a, b = on_linux.get(position), on_wine.get(position)
        if a == b:
            continue
        if a and b:
            counts["red on one, yellow on the other"] += 1
            marks[position] = OTHER_COLOUR
        elif a:
            counts["%s only on Linux" % a] += 1
            marks[position] = ONLY_LINUX
        else:
            counts["%s only on Wine" % b] += 1
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
    args = parser.parse_args()

    lines = ["Pixels of the walls and the ray (red and yellow) that differ between our Linux window and",
             "Wine, per scene, compared over the area that both windows cover.", ""]
    missing = []
    total = 0
    for name, _, _ in SCENES:
        paths = [os.path.join(args.linux, name + ".png"), os.path.join(args.wine, name + ".png")]
        absent = [p for p in paths if not os.path.exists(p)]
        if absent:
            missing += absent
            lines.append("%-12s no screenshot: %s" % (name, ", ".join(absent)))
            continue
        linux, wine = (screen.load_png(p) for p in paths)
        counts, marks, agreed, size, coloured = compare(linux, wine)
        differing = sum(counts.values())
        total += differing
        lines.append("%-12s %5d differing pixels (%d coloured on Linux, %d on Wine): %s" % (
            name, differing, coloured[0], coloured[1], ", ".join("%s %d" % kv for kv in counts.items())))
        if args.diff_images:
            os.makedirs(args.diff_images, exist_ok=True)
            diff_image(size, marks, agreed).save_png(os.path.join(args.diff_images, name + ".png"))
    lines += ["", "total %d differing pixels" % total]
    if missing:
        lines.append("FAIL: screenshots missing (the proof_linux and proof_wine tests make them)")

    report = "\n".join(lines) + "\n"
    os.makedirs(os.path.dirname(os.path.abspath(args.report)), exist_ok=True)
    with open(args.report, "w") as out:
        out.write(report)
    sys.stdout.write(report)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
