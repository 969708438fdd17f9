"""A Wayland desktop for the proof: Debian's weston, nested in the virtual X server as one X window.

Weston's headless backend offers no seat (no pointer, no keyboard), on which SDL 2.26 cannot start: there the
program must say so and exit (Session(seat=False)). Its X11 backend does offer one, fed by the X server's
pointer and keyboard, so xdotool drives the Wayland client through weston's X window, and screenshots of that
window show what weston composited. Weston draws the client's cursor into its output: a cursor theme of
transparent images keeps it out of the pixels.
"""

import os
import shutil
import struct
import subprocess
import tempfile
import time

import screen

OUTPUT_SIZE = (1280, 1000)
# Weston's desktop behind the client, a colour the program never draws.
BACKGROUND = (0x20, 0x40, 0x80)
CONFIG = """[core]
idle-time=0
[shell]
panel-position=none
background-color=0xff%02x%02x%02x
[keyboard]
keymap_layout=us
""" % BACKGROUND
CURSOR_NAMES = ["left_ptr", "default", "arrow", "top_left_arrow", "text", "xterm", "watch", "pointer",
                "hand1", "hand2", "crosshair", "move", "grabbing"]


def blank_cursor(size=24):
    """An Xcursor file of one transparent 1 x 1 image."""
    image = struct.pack("<9I", 36, 0xFFFD0002, size, 1, 1, 1, 0, 0, 0) + b"\0\0\0\0"
    return struct.pack("<4s3I", b"Xcur", 16, 0x10000, 1) + struct.pack("<3I", 0xFFFD0002, size, 28) + image


class Session:
    """A running weston: its X window, and the environment for a Wayland client of it (no DISPLAY)."""

    def __init__(self, out, seat=True, scale=1):
        self.runtime = tempfile.mkdtemp(prefix="mirrors-weston-")  # private (0700), as libwayland demands
        themes = os.path.join(self.runtime, "icons")
        os.makedirs(os.path.join(themes, "blank", "cursors"))
        with open(os.path.join(themes, "blank", "index.theme"), "w") as theme:
            theme.write("[Icon Theme]\nName=blank\n")
        for name in CURSOR_NAMES:
            with open(os.path.join(themes, "blank", "cursors", name), "wb") as cursor:
                cursor.write(blank_cursor())
        config = os.path.join(self.runtime, "weston.ini")
        with open(config, "w") as ini:
            ini.write(CONFIG)
        self.socket = "mirrors-wayland"
        common = dict(XDG_RUNTIME_DIR=self.runtime, XCURSOR_PATH=themes, XCURSOR_THEME="blank",
                      XCURSOR_SIZE="24")
        self.log = open(os.path.join(out, "weston.log" if seat else "weston-seatless.log"), "wb")
        self.process = subprocess.Popen(
            ["weston", "--config=" + config, "--backend=%s-backend.so" % ("x11" if seat else "headless"),
             "--socket=" + self.socket, "--width=%d" % OUTPUT_SIZE[0], "--height=%d" % OUTPUT_SIZE[1],
             "--scale=%d" % scale, "--use-pixman", "--idle-time=0"],
            env=dict(os.environ, **common), stdout=self.log, stderr=subprocess.STDOUT)
        client = dict(os.environ, **common, WAYLAND_DISPLAY=self.socket, SDL_VIDEODRIVER="wayland",
                      # Weston offers no server-side decorations; libdecor without its plugins only complains.
                      SDL_VIDEO_WAYLAND_ALLOW_LIBDECOR="0")
        client.pop("DISPLAY", None)
        self.client_env = client
        self.window = None

    def wait_ready(self, timeout=30):
        """Weston's X window, once its desktop is drawn."""
        self.window = screen.find_main_window(self.process, ["--class", "weston"], timeout)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            frame = screen.capture(self.window)
            if frame.at(frame.width - 1, frame.height - 1) == BACKGROUND:
                return self.window
            time.sleep(0.2)
        raise RuntimeError("weston's desktop was not drawn within %d s" % timeout)

    def wait_socket(self, timeout=30):
        """Until weston listens on its socket (the headless backend has no window to wait for)."""
        deadline = time.monotonic() + timeout
        while not os.path.exists(os.path.join(self.runtime, self.socket)):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise RuntimeError("weston made no socket within %d s" % timeout)
            time.sleep(0.1)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=20)
        self.log.close()
        shutil.rmtree(self.runtime, ignore_errors=True)


def client_area(frame):
    """(left, top, width, height) of everything in weston's output that is not its desktop: the one client
    window (without decorations), or None while it is not mapped."""
    rows = [y for y in range(frame.height)
            if frame.data[y * frame.width * 3:(y + 1) * frame.width * 3] != bytes(BACKGROUND) * frame.width]
    if not rows:
        return None
    top, bottom = rows[0], rows[-1]
    columns = [x for x in range(frame.width) if frame.at(x, top) != BACKGROUND]
    left, right = columns[0], columns[-1]
    return left, top, right - left + 1, bottom - top + 1
