#!/usr/bin/env python3
"""The judges of the proofs, tried on frames we draw ourselves: a right frame must pass, and each kind of
wrong frame (a missing line, a stale line, a wrong background, a marker without outline, missing texts) must
fail. Also the expected-path tracer, the platform comparison, the comparison with the golden pictures, the
parsing of screenshots and of the release lines, and the install line that scripts/install-deps gives a user
who is not root."""

import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import compare  # noqa: E402
import drive  # noqa: E402
import expect  # noqa: E402
import golden  # noqa: E402  (tests/golden, on the path that drive sets)
import screen  # noqa: E402
import weston  # noqa: E402
from expect import Disc, Polyline  # noqa: E402
from screen import BLACK, RED, WHITE, YELLOW  # noqa: E402

BACKGROUND = (100, 100, 100)


class Canvas:
    def __init__(self, width=640, height=480, background=BACKGROUND):
        self.width, self.height = width, height
        self.pixels = bytearray(bytes(background) * (width * height))

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            i = (y * self.width + x) * 3
            self.pixels[i:i + 3] = bytes(colour)

    def line(self, a, b, colour, shift=(0, 0)):
        steps = max(abs(b[0] - a[0]), abs(b[1] - a[1]), 1)
        for s in range(int(math.ceil(steps)) + 1):
            t = s / math.ceil(steps)
            x, y = int(a[0] + (b[0] - a[0]) * t), int(a[1] + (b[1] - a[1]) * t)
            self.put(x + shift[0], y + shift[1], colour)

    def polyline(self, points, colour, shift=(0, 0)):
        for a, b in zip(points, points[1:]):
            self.line(a, b, colour, shift)

    def disc(self, centre, outline=RED, fill=YELLOW):
        cx, cy = centre
        for y in range(cy - 5, cy + 5):
            for x in range(cx - 5, cx + 5):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if d <= 4:
                    self.put(x, y, fill)
                elif d <= 5:
                    self.put(x, y, outline)

    def text(self, left, width=30, height=13):
        for y in range(height):
            for x in range(left, left + width):
                self.put(x, y, BLACK if (x * 7 + y * 3) % 5 == 0 and 2 <= y < height - 2 else WHITE)

    def frame(self):
        return screen.Frame(self.width, self.height, bytes(self.pixels))


def ray_scene(ray_shift=(0, 0), disc_outline=RED, stale=None, background=BACKGROUND, texts=True,
              walls=drive.BUILT_IN_WALLS):
    canvas = Canvas(background=background)
    if texts:
        canvas.text(0)
        canvas.text(60)
    canvas.polyline(walls, RED)
    canvas.disc(drive.LAUNCH, outline=disc_outline)
    canvas.polyline(drive.RAY_FROM_LAUNCH, YELLOW, ray_shift)
    if stale:
        canvas.polyline(stale, YELLOW)
    return canvas.frame()


RAY_ITEMS = [Polyline(RED, drive.BUILT_IN_WALLS), Disc(drive.LAUNCH), Polyline(YELLOW, drive.RAY_FROM_LAUNCH)]


class FrameChecks(unittest.TestCase):
    def test_right_frames_pass(self):
        for name, frame in (("ray", ray_scene()), ("ray one pixel off", ray_scene(ray_shift=(1, 0))),
                            ("ray one pixel up", ray_scene(ray_shift=(0, -1)))):
            with self.subTest(name):
                self.assertEqual(expect.check_items(frame, RAY_ITEMS, BACKGROUND), [])
                self.assertEqual(expect.check_texts(frame), [])

    def test_wrong_frames_fail(self):
        cases = [
            ("ray two pixels off", ray_scene(ray_shift=(3, 0)), RAY_ITEMS, "yellow line"),
            ("ray of the last frame still there", ray_scene(stale=[(420, 180), (500, 400)]), RAY_ITEMS,
             "yellow pixels away"),
            ("no ray at all", ray_scene(), RAY_ITEMS[:2], "yellow pixels away"),
            ("walls missing", ray_scene(),
             [Polyline(RED, [(100, 400), (200, 450)])] + RAY_ITEMS, "red line"),
            ("walls stopping short of their last vertex",
             ray_scene(walls=drive.BUILT_IN_WALLS[:-1] + [(306, 255)]), RAY_ITEMS, "red line"),
            ("marker without outline", ray_scene(disc_outline=YELLOW), RAY_ITEMS, "red outline"),
            ("wrong background", ray_scene(background=(101, 100, 100)), RAY_ITEMS, "background"),
        ]
        for name, frame, items, message in cases:
            with self.subTest(name):
                failures = expect.check_items(frame, items, BACKGROUND)
                self.assertTrue(any(message in f for f in failures), failures)

    def test_texts(self):
        self.assertTrue(any("no Y coordinate text" in f for f in expect.check_texts(
            _with_texts(lefts=[0]))))
        self.assertTrue(any("starts at (2, 0)" in f for f in expect.check_texts(_with_texts(lefts=[2, 60]))))
        self.assertTrue(any("not black on white" in f for f in expect.check_texts(
            _with_texts(lefts=[0, 60], width=2))))
        self.assertEqual(expect.check_texts(_with_texts(lefts=[0, 60])), [])


def _with_texts(lefts, width=30):
    canvas = Canvas()
    for left in lefts:
        canvas.text(left, width=width)
    return canvas.frame()


class Tracer(unittest.TestCase):
    def test_paths(self):
        box = [(100, 100), (300, 100), (300, 300), (100, 300), (100, 100)]
        cases = [
            ("built-in walls, cursor on the launch point", drive.BUILT_IN_WALLS, (420, 180), (420, 180),
             drive.RAY_FROM_LAUNCH),
            ("no walls", [], (10, 20), (30, 40), [(10, 20), (30, 40)]),
            ("no walls, cursor on the launch point", [], (10, 20), (10, 20), [(10, 20), (10, 20)]),
            ("a miss", [(0, 0), (10, 0)], (50, 50), (60, 70), [(50, 50), (60, 70)]),
            ("straight back from a perpendicular wall", [(0, 100), (200, 100)], (50, 50), (50, 60),
             [(50, 50), (50, 100), (50, 50)]),
            ("mirror law on a horizontal wall", [(0, 100), (200, 100)], (50, 50), (60, 60),
             [(50, 50), (100, 100), (150, 50)]),
        ]
        for name, walls, launch, cursor, wanted in cases:
            with self.subTest(name):
                path = expect.trace(walls, launch, cursor)
                self.assertEqual(len(path), len(wanted), path)
                for got, want in zip(path, wanted):
                    self.assertLessEqual(abs(got[0] - want[0]), 1, path)
                    self.assertLessEqual(abs(got[1] - want[1]), 1, path)
        self.assertEqual(len(expect.trace(box, (150, 170), (210, 130))), expect.MAX_PATH_POINTS)


class Parsing(unittest.TestCase):
    def test_ppm(self):
        frame = screen.parse_ppm(b"P6\n# made by hand\n2 1\n255\n" + bytes([255, 0, 0, 1, 2, 3]))
        self.assertEqual((frame.width, frame.height, frame.at(0, 0), frame.at(1, 0), frame.at(2, 0)),
                         (2, 1, RED, (1, 2, 3), None))
        with self.assertRaises(ValueError):
            screen.parse_ppm(b"P6\n2 2\n255\n" + bytes(6))

    def test_positions_ignore_matches_across_pixels(self):
        # White then black holds the bytes of yellow (ff ff 00) across the pixel boundary.
        frame = screen.Frame(3, 1, bytes(WHITE + BLACK + YELLOW))
        self.assertEqual(frame.positions(YELLOW), [(2, 0)])

    def test_release_lines(self):
        wine = (b'0024:warn:debugstr:OutputDebugStringA "100, 420\\r\\n"\n'
                b"0024:fixme:other:thing\n"
                b'0024:warn:debugstr:OutputDebugStringA "-5, \\"7\\\\\\x41\\r\\n"\n')
        self.assertEqual(drive.release_lines_wine(wine), ["100, 420\r\n", '-5, "7\\A\r\n'])
        self.assertEqual(drive.split_stderr_linux(b"100, 420\r\nsome warning\n300, 380\r\n-1, 7\n12, 3\r\n"),
                         (["100, 420\r\n", "300, 380\r\n", "12, 3\r\n"], ["some warning\n", "-1, 7\n"]))
        self.assertEqual(drive.split_stderr_linux(b"5, 6\r\n7, 8"), (["5, 6\r\n"], ["7, 8"]))


class Comparison(unittest.TestCase):
    def test_counts_by_colour_and_platform(self):
        linux, wine = Canvas(40, 30), Canvas(50, 20, background=(158, 158, 158))
        for canvas in (linux, wine):
            canvas.line((0, 5), (30, 5), RED)
            canvas.line((0, 10), (30, 10), YELLOW)
        linux.put(3, 15, RED)  # only on Linux
        wine.put(45, 15, RED)  # outside the Linux window: not compared
        linux.put(4, 5, YELLOW)  # yellow on Linux where Wine has red
        wine.put(7, 10, (1, 2, 3))  # a yellow pixel missing on Wine
        counts, marks, _, size, _ = compare.compare(linux.frame(), wine.frame())
        self.assertEqual(size, (40, 20))
        self.assertEqual(counts, {"red only on Linux": 1, "red only on Wine": 0, "yellow only on Linux": 1,
                                  "yellow only on Wine": 0, "red on one, yellow on the other": 1})
        self.assertEqual(marks[(3, 15)], compare.ONLY_LINUX)

    def test_identical_frames_do_not_differ(self):
        frame = ray_scene()
        counts, marks, agreed, _, _ = compare.compare(frame, frame)
        self.assertEqual((sum(counts.values()), marks), (0, {}))
        self.assertGreater(len(agreed), 500)

    def test_every_pixel_counts_the_text_and_the_size(self):
        a, b = Canvas(40, 30), Canvas(40, 31)
        for canvas in (a, b):
            canvas.text(0)
        b.put(5, 6, (1, 2, 3))  # inside the text
        counts, marks, _, size, _ = compare.every_pixel(a.frame(), b.frame())
        self.assertEqual((size, list(marks)), ((40, 30), [(5, 6)]))
        self.assertEqual(list(counts.values()), [1, 40])
        self.assertEqual(sum(compare.every_pixel(a.frame(), a.frame())[0].values()), 0)

    def test_golden_pictures(self):
        picture = ray_scene()
        for name, frame, only, differ in [
                ("the same frame", ray_scene(), None, False),
                ("other texts", ray_scene(texts=False), None, True),
                ("other texts, red and yellow only", ray_scene(texts=False), (RED, YELLOW), False),
                ("the ray one pixel off", ray_scene(ray_shift=(1, 0)), (RED, YELLOW), True),
                ("another size", Canvas(10, 10).frame(), None, True)]:
            with self.subTest(name):
                self.assertEqual(bool(golden.differences(frame, picture, only)), differ)


class WestonOutput(unittest.TestCase):
    def test_the_client_area_is_what_is_not_desktop(self):
        output = Canvas(200, 150, background=weston.BACKGROUND)
        self.assertIsNone(weston.client_area(output.frame()))
        for y in range(40, 140):
            for x in range(30, 160):
                output.put(x, y, BACKGROUND)
        output.put(30, 40, WHITE)
        output.put(159, 139, RED)
        area = weston.client_area(output.frame())
        self.assertEqual(area, (30, 40, 130, 100))
        client = output.frame().crop(area[:2], area[2:])
        self.assertEqual((client.at(0, 0), client.at(129, 99), client.at(1, 1)), (WHITE, RED, BACKGROUND))
        with self.assertRaises(ValueError):
            output.frame().crop((100, 100), (101, 50))


class InstallLine(unittest.TestCase):
    """scripts/install-deps run by a user who is not root, on a machine that has none of the packages and no
    i386 architecture yet (stand-ins for dpkg and dpkg-query say so): it must print one line that does
    everything the root path does, in order, and fail."""

    def test_the_printed_line_does_the_whole_sequence(self):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "install-deps")
        with tempfile.TemporaryDirectory() as stubs:
            os.chmod(stubs, 0o755)
            shutil.copy(script, os.path.join(stubs, "install-deps"))
            for name in ("dpkg", "dpkg-query"):
                with open(os.path.join(stubs, name), "w") as stub:
                    stub.write("#!/bin/sh\nexit 1\n")
            for name in os.listdir(stubs):
                os.chmod(os.path.join(stubs, name), 0o755)
            command = [os.path.join(stubs, "install-deps"), "test"]
            if os.getuid() == 0:  # as the CI runs: try it as nobody
                command = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + command
            env = dict(os.environ, PATH=stubs + ":/usr/bin:/bin")
            done = subprocess.run(command, env=env, capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 1, done.stderr)
        match = re.fullmatch(r"missing packages; install them with: (sudo sh -c '([^']*)')\n", done.stderr)
        self.assertIsNotNone(match, done.stderr)
        steps = match.group(2).split(" && ")
        self.assertEqual(steps[:2], ["dpkg --add-architecture i386", "apt-get update"], steps)
        self.assertEqual(len(steps), 3, steps)
        self.assertTrue(steps[2].startswith("apt-get install -y cmake "), steps)
        self.assertIn(" wine32:i386", steps[2])


if __name__ == "__main__":
    unittest.main()
