"""Pixels and the X server: reading screenshots, finding the program's window, driving pointer and keyboard.

Only the standard library: pixels come from ImageMagick as binary PPM, input goes through xdotool.
"""

import os
import shutil
import subprocess
import time

# ImageMagick's own convert; an earlier convert in PATH may be some other tool of the same name.
CONVERT = "/usr/bin/convert"

RED = (255, 0, 0)
YELLOW = (255, 255, 0)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)


class ToolMissing(Exception):
    pass


def require_tools(names):
    """Fails (never skips) when a tool that the proof needs is not installed: `make test` installs them."""
    missing = []
    for name in names:
        if os.path.isabs(name):
            if not os.access(name, os.X_OK):
                missing.append(name)
        elif shutil.which(name) is None:
            missing.append(name)
    if missing:
        raise ToolMissing(
            "missing tools: %s (scripts/install-deps test installs them)" % ", ".join(missing))


class Frame:
    """One screenshot: width, height and packed 8-bit RGB rows."""

    def __init__(self, width, height, data):
        if len(data) != width * height * 3:
            raise ValueError("pixel data of %d bytes for %dx%d" % (len(data), width, height))
        self.width = width
        self.height = height
        self.data = data

    def inside(self, x, y):
        return 0 <= x < self.width and 0 <= y < self.height

    def at(self, x, y):
        """The colour at (x, y), or None outside the frame."""
        if not self.inside(x, y):
            return None
        i = (y * self.width + x) * 3
        return (self.data[i], self.data[i + 1], self.data[i + 2])

    def near(self, x, y, colour, radius=1):
        """Whether some pixel within `radius` (in x and in y) of (x, y) has exactly this colour."""
        for dy in range(-radius, radius + 1):
            for dx in range(-radius, radius + 1):
                if self.at(x + dx, y + dy) == colour:
                    return True
        return False

    def positions(self, colour):
        """Every (x, y) of exactly this colour. The byte search runs in C; a match that straddles two pixels
        is dropped by its offset."""
        wanted = bytes(colour)
        found = []
        i = self.data.find(wanted)
        while i != -1:
            if i % 3 == 0:
                found.append(((i // 3) % self.width, (i // 3) // self.width))
            i = self.data.find(wanted, i + 1)
        return found

    def count(self, colour, box=None):
        """Pixels of exactly this colour, in the whole frame or in box = (left, top, right, bottom),
        right and bottom exclusive."""
        left, top, right, bottom = box if box else (0, 0, self.width, self.height)
        return sum(1 for x, y in self.positions(colour) if left <= x < right and top <= y < bottom)

    def pixels(self):
        """Every pixel as ((x, y), colour), row by row."""
        for y in range(self.height):
            for x in range(self.width):
                i = (y * self.width + x) * 3
                yield (x, y), (self.data[i], self.data[i + 1], self.data[i + 2])

    def crop(self, origin, size):
        """The part of the frame of this size at this origin, which must lie inside it."""
        (left, top), (width, height) = origin, size
        if left < 0 or top < 0 or left + width > self.width or top + height > self.height:
            raise ValueError("%dx%d at (%d, %d) is not inside %dx%d" %
                             (width, height, left, top, self.width, self.height))
        rows = [self.data[((top + y) * self.width + left) * 3:((top + y) * self.width + left + width) * 3]
                for y in range(height)]
        return Frame(width, height, b"".join(rows))

    def scaled(self, k):
        """The frame with each pixel a k x k block."""
        rows = [b"".join(self.data[i:i + 3] * k for i in range(y * self.width * 3, (y + 1) * self.width * 3, 3))
                for y in range(self.height)]
        return Frame(self.width * k, self.height * k, b"".join(row * k for row in rows))

    def to_ppm(self):
        return b"P6\n%d %d\n255\n" % (self.width, self.height) + self.data

    def save_png(self, path):
        subprocess.run([CONVERT, "ppm:-", path], input=self.to_ppm(), check=True, timeout=30)


def _ppm_tokens(data, count):
    """The first `count` header tokens of a PPM, skipping comments, and the offset just after the last one."""
    tokens = []
    i = 0
    while len(tokens) < count:
        while i < len(data) and data[i:i + 1].isspace():
            i += 1
        if data[i:i + 1] == b"#":
            while i < len(data) and data[i:i + 1] != b"\n":
                i += 1
            continue
        start = i
        while i < len(data) and not data[i:i + 1].isspace():
            i += 1
        if start == i:
            raise ValueError("truncated PPM header")
        tokens.append(data[start:i])
    return tokens, i + 1  # exactly one whitespace byte ends the header


def parse_ppm(data):
    (magic, width, height, maxval), offset = _ppm_tokens(data, 4)
    if magic != b"P6" or maxval != b"255":
        raise ValueError("not an 8-bit binary PPM: %r %r" % (magic, maxval))
    width, height = int(width), int(height)
    return Frame(width, height, data[offset:offset + width * height * 3])


def load_png(path):
    out = subprocess.run([CONVERT, path, "-depth", "8", "ppm:-"], capture_output=True, check=True, timeout=30)
    return parse_ppm(out.stdout)


def capture(window):
    """A screenshot of the window's own contents (what the program drew, without any frame around it)."""
    out = subprocess.run(["import", "-silent", "-window", str(window), "-depth", "8", "ppm:-"],
                         capture_output=True, timeout=30)
    if out.returncode != 0:
        raise RuntimeError("import failed: %s" % out.stderr.decode(errors="replace").strip())
    return parse_ppm(out.stdout)


def xdotool(*args, timeout=20):
    out = subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, timeout=timeout)
    if out.returncode != 0:
        raise RuntimeError("xdotool %s failed: %s" % (" ".join(str(a) for a in args),
                                                       out.stderr.decode(errors="replace").strip()))
    return out.stdout.decode()


def window_geometry(window):
    """(x, y, width, height) of a window, from xdotool's shell output."""
    values = {}
    for line in xdotool("getwindowgeometry", "--shell", window).splitlines():
        key, _, value = line.partition("=")
        values[key] = value
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def search_windows(args):
    out = subprocess.run(["xdotool", "search"] + args, capture_output=True, timeout=20)
    # xdotool search exits 1 when nothing matches; that only means "not yet".
    return [int(w) for w in out.stdout.decode().split()]


def find_main_window(process, search_args, timeout):
    """The program's main window: the largest visible window that the search finds. Toolkits and Wine also
    make tiny helper windows (input method, clipboard) that must not be mistaken for it."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("the program exited with %d before showing a window" % process.returncode)
        best = None
        for window in search_windows(["--onlyvisible"] + search_args):
            try:
                _, _, width, height = window_geometry(window)
            except RuntimeError:
                continue  # gone again
            if width >= 100 and height >= 100 and (best is None or width * height > best[0]):
                best = (width * height, window)
        if best:
            return best[1]
        time.sleep(0.2)
    raise RuntimeError("no window of the program appeared within %d s" % timeout)


def wait_for_exit(process, timeout):
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        return None
