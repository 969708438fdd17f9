#!/usr/bin/env python3
"""Runs the real program in a virtual X server and uses it like a user would: mouse moves, left and right
clicks, a wall-drawing session with the right button, Alt+F4. Every step is judged by screenshots of the
window, the right-button release lines the program reports, and its exit code.

    drive.py --platform linux --program build/mirrors --out DIR
    drive.py --platform wayland --program build/mirrors --out DIR
    drive.py --platform wine --program build-win32/mirrors.exe --out DIR --prefix DIR [--arch win64]
    drive.py ... --startup-only      only the start-up frame, then Alt+F4 (for programs out of packages)
    drive.py ... --keys-held-at-start   Alt+F4 held from before the start closes the window once it has the focus
    drive.py --platform wayland --scale 2 --startup-only ...   weston's output at scale 2: each program pixel
                                     an exact 2 x 2 block of the golden picture's

On Linux the program is our own build over SDL2, on X11 or, with --platform wayland, as a client of weston
nested in the virtual X server (see weston.py); with --platform wine it is the Windows build running on Wine,
whose window-frame colour (the background) is Wine's own. The screenshot of every scene is kept in DIR as
<scene>.png for the comparison of the two platforms.
"""

import argparse
import errno
import os
import re
import shutil
import subprocess
import sys
import time

import expect
import screen
import weston

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "golden"))
import golden  # noqa: E402
from expect import Disc, Polyline
from screen import RED, YELLOW

# Where the pointer waits while the program starts: the far corner of the screen, away from the window, so
# that the first frames show the coordinates 0, 0.
PARKED_POINTER = (1279, 1023)

BUILT_IN_WALLS = [(294, 129), (382, 50), (526, 99), (563, 239), (450, 327), (303, 254)]
LAUNCH = (420, 180)
# With the cursor still on the launch point the ray runs straight down and is reflected twice.
RAY_FROM_LAUNCH = [(420, 180), (420, 312), (555, 209), (386, 187)]


class Scene:
    """What the window must show after the steps played so far, by the program's rules: the first right-button
    release starts a new polyline and removes the old walls, each one adds a vertex and hides the ray; a left
    click ends the drawing and launches the ray from there. Drawn in the program's order: rubber band, walls,
    launch marker, ray."""

    def __init__(self):
        self.walls, self.drawing, self.launch, self.pointer, self.releases = list(BUILT_IN_WALLS), False, None, None, []

    def play(self, steps):
        for kind, value in steps:
            if kind == "move":
                self.pointer = value
            elif value == 3:
                self.walls = self.walls + [self.pointer] if self.drawing else [self.pointer]
                self.drawing, self.launch = True, None
                self.releases.append("%d, %d\r\n" % self.pointer)
            else:
                self.drawing, self.launch = False, self.pointer

    def items(self, cursor=None):
        cursor = cursor or self.pointer
        return ([Polyline(YELLOW, [self.walls[-1], cursor])] if self.drawing else []) + (
            [Polyline(RED, self.walls)] if len(self.walls) >= 2 else []) + (
            [Disc(self.launch), Polyline(YELLOW, expect.trace(self.walls, self.launch, cursor))] if self.launch else [])


# After the scenes, in the room: the pointer leaves from these points, with no button held and with the
# right button pressed outside; then that button is pressed outside and released inside, which starts a new
# drawing there.
LEAVE_FROM = (820, 330)
LEAVE_HELD_FROM = (640, 380)
RELEASED_INSIDE = (680, 200)
AFTER_RELEASE = (740, 420)

FRAME_TRIES = 80
FRAME_PAUSE = 0.1


class Run:
    """Collects the verdicts of one run."""

    def __init__(self):
        self.failures = []
        # The right-button releases' lines the program must write, of the scenes and of the steps after them.
        self.release_lines = []

    def check(self, what, failures):
        print("%s %s" % ("ok  " if not failures else "FAIL", what))
        for failure in failures:
            print("       " + failure)
        self.failures += ["%s: %s" % (what, f) for f in failures]


class Target:
    """The program's client area as the X server sees it: an X window of its own, or on Wayland the area at
    `origin` of weston's X window, `size` large."""

    def __init__(self, window, origin=(0, 0), size=None):
        self.window = window
        self.origin = origin
        self.size = size

    def move(self, x, y):
        screen.xdotool("mousemove", "--window", self.window, "--sync", x + self.origin[0], y + self.origin[1])

    def capture(self):
        frame = screen.capture(self.window)
        return frame.crop(self.origin, self.size) if self.size else frame


def act(target, actions):
    for action in actions:
        if action[0] == "move":
            target.move(*action[1])
        elif action[0] == "click":
            screen.xdotool("click", action[1])


def settle(target, judge):
    """Takes screenshots until one passes `judge` (a frame shows up within 10 ms of a change, but the machine
    may be busy), at most FRAME_TRIES of them. Returns the last frame and its failures."""
    failures = ["no screenshot"]
    frame = None
    for _ in range(FRAME_TRIES):
        frame = target.capture()
        failures = judge(frame)
        if not failures:
            break
        time.sleep(FRAME_PAUSE)
    return frame, failures


def wine_environment(prefix, debug, arch):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix
    env["WINEDEBUG"] = debug
    # A 32-bit Windows for the 32-bit build (half the size and time of a 64-bit prefix), a 64-bit one for the
    # 64-bit build.
    env["WINEARCH"] = arch
    # No Mono or Gecko installer dialogs: nobody would ever answer them here.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    return env


# CTest's SKIP_RETURN_CODE: a proof that this machine cannot run at all, said in one line.
SKIPPED = 77
SKIP_NOTE = "skipped.txt"


def kernel_runs_32_bit_programs():
    """Whether this kernel executes 32-bit x86 programs. With its IA32 emulation off (a kernel option, or
    ia32_emulation=off at boot) Wine's 32-bit loader cannot start, and nothing 32-bit can be run under Wine."""
    try:
        subprocess.run(["/usr/lib/wine/wine", "--version"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)
    except OSError as error:
        if error.errno in (errno.ENOEXEC, errno.ENOENT):  # or no 32-bit Wine installed at all
            return False
        raise
    return True


def skip(out, reason):
    """Says why the proof cannot run here, in its output folder too, so that comparisons with its frames are
    skipped for the same reason rather than failing on missing screenshots."""
    print("SKIPPED: " + reason)
    with open(os.path.join(out, SKIP_NOTE), "w") as note:
        note.write(reason + "\n")
    return SKIPPED


def wine_loader(arch):
    """The wine that runs programs of this architecture. Debian's `wine` prefers its 32-bit loader whenever that
    is installed, even for a 64-bit prefix; the 64-bit one is not in PATH there."""
    if arch == "win64":
        for loader in (shutil.which("wine64"), "/usr/lib/wine/wine64"):
            if loader and os.access(loader, os.X_OK):
                return loader
    return "wine"


def prepare_wine_prefix(prefix, arch):
    """A prefix of our own inside the build tree, made once per build tree (a quarter of a minute). A prefix
    without our mark (half made, or of another architecture) is made anew."""
    ready = os.path.join(prefix, ".mirrors-ready-" + arch)
    if os.path.exists(ready):
        return
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(os.path.dirname(prefix) or ".", exist_ok=True)
    env = wine_environment(prefix, "-all", arch)
    print("making the Wine prefix %s" % prefix, flush=True)
    subprocess.run([wine_loader(arch), "wineboot", "-i"], env=env, check=True, timeout=300,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, check=True, timeout=300)
    with open(ready, "w") as marker:
        marker.write("made by tests/proof/drive.py\n")


def wine_window_frame_colour(prefix):
    """Wine's system colour for window frames, from the prefix's user registry."""
    with open(os.path.join(prefix, "user.reg"), encoding="utf-8", errors="replace") as registry:
        in_colours = False
        for line in registry:
            if line.startswith("["):
                in_colours = line.startswith("[Control Panel\\\\Colors]")
            elif in_colours:
                match = re.match(r'"WindowFrame"="(\d+) (\d+) (\d+)"', line)
                if match:
                    return tuple(int(v) for v in match.groups())
    raise RuntimeError("no WindowFrame colour in the Wine prefix's registry")


def unescape_c(text):
    """Undoes Wine's debug-string escaping (\\r, \\n, \\t, \\\\, \\", \\xNN, \\NNN)."""
    out = []
    i = 0
    simple = {"r": "\r", "n": "\n", "t": "\t", "\\": "\\", '"': '"'}
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 == len(text):
            out.append(c)
            i += 1
            continue
        e = text[i + 1]
        if e in simple:
            out.append(simple[e])
            i += 2
        elif e == "x":
            digits = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:]).group(0)
            out.append(chr(int(digits, 16)))
            i += 2 + len(digits)
        elif e.isdigit():
            digits = re.match(r"[0-7]{1,3}", text[i + 1:]).group(0)
            out.append(chr(int(digits, 8)))
            i += 1 + len(digits)
        else:
            out.append(e)
            i += 2
    return "".join(out)


def split_stderr_linux(stderr):
    """Our layer writes each debugger line to stderr as it is. Returns the lines that have the form of a
    release line and everything else, line by line."""
    lines = re.findall(r"[^\n]*\n|[^\n]+$", stderr.decode("latin-1"))
    releases = [line for line in lines if re.fullmatch(r"-?\d+, -?\d+\r\n", line)]
    return releases, [line for line in lines if line not in releases]


def release_lines_wine(stderr):
    """Wine reports OutputDebugStringA on its debugstr channel, escaped: 0024:warn:debugstr:OutputDebugStringA
    "100, 420\\r\\n". Wine's line for a long string may be shortened; ours are short."""
    lines = []
    for line in stderr.decode("latin-1").splitlines():
        match = re.match(r'^[0-9a-f]+:(?:warn|trace):debugstr:OutputDebugStringA "(.*)"\s*$', line)
        if match:
            lines.append(unescape_c(match.group(1)))
    return lines


def leave_and_release_inside(args, target, run, scene, outside):
    """The window only sees the pointer while it is over it, as on Windows with no capture: a move that takes
    the pointer out leaves the texts and the ray at the last point inside, and a right button pressed outside
    and released inside is a release at that point. On Wayland a press outside the client belongs to the
    surface under the pointer (the compositor's implicit grab) until its release, so no move or release with
    that button held reaches the program: there only the plain leave is played."""
    x11 = args.platform != "wayland"  # our SDL host on X11, and Wine, whose driver is an X11 client too
    for point, held in [(LEAVE_FROM, False)] + ([(LEAVE_HELD_FROM, True)] if x11 else []):
        what = "the pointer leaves from %s%s" % (point, " with the right button pressed outside" if held else "")
        if held:
            screen.xdotool("mousedown", 3)
        target.move(*point)
        inside, failures = settle(target, lambda f, p=point: expect.check_items(f, scene.items(p), args.background) +
                                  expect.check_texts(f))
        target.move(*outside)
        for _ in range(5):
            time.sleep(0.2)
            if not failures and target.capture().data != inside.data:
                failures.append("the frame changed when the pointer left (a move at the window's edge?)")
        if held:
            screen.xdotool("mouseup", 3)
        run.check(what + ": the frame stays the one at that point", failures)
    if not x11:
        return []
    screen.xdotool("mousedown", 3)
    target.move(*RELEASED_INSIDE)
    screen.xdotool("mouseup", 3)
    target.move(*AFTER_RELEASE)
    _, failures = settle(target, lambda f: expect.check_items(f, [Polyline(YELLOW, [RELEASED_INSIDE, AFTER_RELEASE])],
                                                              args.background))
    run.check("the right button pressed outside and released at %s starts a drawing there" % (RELEASED_INSIDE,),
              failures)
    return ["%d, %d\r\n" % RELEASED_INSIDE]


def window_menu(args, target, run):
    """Alt+Space opens the window menu and Escape closes it. Windows' own DefWindowProc opens it, on the
    WM_SYSCHAR that the message loop's TranslateMessage makes of the key: a step for Wine only, which shows the
    menu as a window of the program's own."""
    search = ["--onlyvisible", "--class", os.path.basename(args.program)]
    before = set(screen.search_windows(search))
    screen.xdotool("windowfocus", "--sync", target.window)
    for keys, opened in (("alt+space", True), ("Escape", False)):
        screen.xdotool("key", "--clearmodifiers", keys)
        for _ in range(FRAME_TRIES):
            shown = bool(set(screen.search_windows(search)) - before)
            if shown == opened:
                break
            time.sleep(FRAME_PAUSE)
        run.check("%s %s the window menu" % (keys, "opens" if opened else "closes"),
                  [] if shown == opened else ["no menu appeared" if opened else "the menu stays"])


def start_without_a_seat(args, run):
    """On weston's headless backend, which has no seat, the program says in one line why it cannot start and
    exits with 1, rather than dying in SDL's Wayland start."""
    session = weston.Session(args.out, seat=False)
    try:
        session.wait_socket()
        done = subprocess.run([os.path.abspath(args.program)], env=session.client_env, capture_output=True,
                              timeout=60)
        lines = done.stderr.decode("latin-1").splitlines()
        failures = ([] if done.returncode == 1 else ["exit code %d" % done.returncode]) + (
            [] if len(lines) == 1 and lines[0].startswith("mirrors: cannot open a display: ") else
            ["stderr: %r" % done.stderr[:400]])
    except (RuntimeError, subprocess.SubprocessError, OSError) as error:
        failures = [str(error)]
    finally:
        session.stop()
    run.check("on a compositor without a seat: one line on stderr and exit code 1", failures)


def close_with_alt_f4(target, process, run):
    try:
        # Weston's X window has the keyboard already (the X server's focus follows the pointer, which is over
        # it); focusing it anew would make weston take the keyboard from its client and give it back, a race
        # with the keys that follow that a Wayland desktop of its own never runs.
        if target.size is None:
            screen.xdotool("windowfocus", "--sync", target.window)
        screen.xdotool("key", "--clearmodifiers", "alt+F4")
    except RuntimeError as error:
        run.check("Alt+F4 closes the window", [str(error)])
        return
    code = screen.wait_for_exit(process, 20)
    if code is None:
        failure = "the program still runs 20 s after Alt+F4"
        if target.size is not None:
            # Whether the keys went astray or the program hangs on its way out.
            shown = weston.client_area(screen.capture(target.window)) is not None
            failure += " (its window is %s)" % ("still shown" if shown else "gone")
        run.check("Alt+F4 closes the window", [failure])
    else:
        run.check("Alt+F4 closes the window and the exit code is 0",
                  [] if code == 0 else ["exit code %d" % code])


def find_client_in_weston(session, process):
    """The program's window in weston's output, once it shows there: mapped, and the same in two captures."""
    deadline = time.monotonic() + 30
    last = None
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("the program exited with %d before showing a window" % process.returncode)
        area = weston.client_area(screen.capture(session.window))
        if area and area[2] >= 100 and area[3] >= 100 and area == last:
            return Target(session.window, area[:2], area[2:])
        last = area
        time.sleep(0.2)
    raise RuntimeError("no window of the program appeared in weston within 30 s")


def close_by_held_keys(args, process, run):
    """Alt+F4 went down before the program started and stays held. Their presses reached no window of it, but
    once its window has the focus the X server's auto-repeat of F4 does, as a key-down of a key held before,
    and closes it with exit code 0, as on Windows. (The window may have the focus and close by itself first.)"""
    search = (["--pid", str(process.pid)] if args.platform == "linux" else
              ["--class", os.path.basename(args.program)])
    try:
        screen.xdotool("windowfocus", "--sync", screen.find_main_window(process, search, 60))
    except RuntimeError:
        pass  # gone already: its exit code tells
    code = screen.wait_for_exit(process, 20)
    screen.xdotool("keyup", "alt+F4")
    run.check("Alt+F4 held since before the start closes the window at its first repeat, exit code 0",
              [] if code == 0 else ["exit code %d" % code] if code is not None else ["still running 20 s after"])


def play(args, process, run, session):
    if args.keys_held_at_start:
        return close_by_held_keys(args, process, run)
    if args.platform == "wayland":
        target = find_client_in_weston(session, process)
        # Nested weston sends a client that appeared under the pointer no pointer events at all (not even for
        # moves onto it) until the pointer has left weston's X window once: out of it, for the first move in.
        screen.xdotool("mousemove", "--sync", (PARKED_POINTER[0] + 1) * args.scale - 1,
                       (PARKED_POINTER[1] + 1) * args.scale - 1)
        (left, top), (width, height) = target.origin, target.size
        parked = (weston.OUTPUT_SIZE[0] * args.scale - 1, weston.OUTPUT_SIZE[1] * args.scale - 1)
        if args.scale > 1:
            # Back over weston's (larger) X window, away from the client, so that weston has the keys.
            screen.xdotool("mousemove", "--window", session.window, "--sync", *parked)
    else:
        # Wine names a program's windows' X class after its file.
        search = (["--pid", str(process.pid)] if args.platform == "linux" else
                  ["--class", os.path.basename(args.program)])
        target = Target(screen.find_main_window(process, search, 60 if args.platform == "wine" else 30))
        left, top, width, height = screen.window_geometry(target.window)
        parked = PARKED_POINTER
    print("window %d: %dx%d at (%d, %d)" % (target.window, width, height, left, top))
    if left <= parked[0] < left + width and top <= parked[1] < top + height:
        run.check("the window leaves room for the parked pointer", ["it covers %s" % (parked,)])

    frames = {}
    # Each scene's frame must equal its golden picture: every pixel on Linux, the red and yellow ones under Wine
    # (Wine's System font is not ours).
    only = (RED, YELLOW) if args.platform == "wine" else None
    scenes, scene = golden.session(), Scene()
    for name, actions in scenes[:1] if args.startup_only else scenes:
        act(target, actions)
        scene.play(actions)
        items = scene.items()
        picture = screen.load_png(golden.picture(name))

        def judge(frame, items=items, picture=picture):
            if args.scale > 1:
                return golden.differences(frame, picture.scaled(args.scale))
            return (expect.check_items(frame, items, args.background) + expect.check_texts(frame) +
                    golden.differences(frame, picture, only))

        frame, failures = settle(target, judge)
        frames[name] = frame
        frame.save_png(os.path.join(args.out, name + ".png"))
        run.check("scene %s" % name, failures)
    if args.startup_only:
        close_with_alt_f4(target, process, run)
        return

    # The texts grow with the number of digits: "X 0" at start-up, "X 420" and "Y 180" at the launch point.
    failures = []
    boxes = zip("XY", expect.text_boxes(frames["startup"]), expect.text_boxes(frames["ray"]))
    for label, start, later in boxes:
        if start and later and not (later[2] - later[0] > start[2] - start[0]):
            failures.append("the %s text at start-up is %d px wide and at (420, 180) %d px" %
                            (label, start[2] - start[0], later[2] - later[0]))
    run.check("the coordinate texts follow the cursor (0, 0 at start-up, 420, 180 at the launch point)",
              failures)
    run.check("back on the launch point the frame equals the first ray frame pixel for pixel",
              [] if frames["return"].data == frames["ray"].data else ["the frames differ"])

    # On Wayland (left, top) is the client's place in weston's window, which the moves are relative to too.
    run.release_lines += scene.releases
    run.release_lines += leave_and_release_inside(args, target, run, scene, (parked[0] - left, parked[1] - top))
    if args.platform == "wine":
        window_menu(args, target, run)
    close_with_alt_f4(target, process, run)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--platform", choices=["linux", "wayland", "wine"], required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--prefix", help="Wine prefix to make or reuse (wine only)")
    parser.add_argument("--startup-only", action="store_true",
                        help="judge the start-up frame and Alt+F4 only")
    parser.add_argument("--keys-held-at-start", action="store_true",
                        help="Alt+F4 held down from before the start: the first repeat closes the window")
    parser.add_argument("--arch", choices=["win32", "win64"], default="win32",
                        help="the Wine prefix's Windows: win64 for a 64-bit build (wine only)")
    parser.add_argument("--scale", type=int, default=1, help="weston's output scale (wayland only)")
    parser.add_argument("--display-start", type=int, default=70,
                        help="first X display number to try, so that parallel proofs do not collide")
    args = parser.parse_args()

    tools = ["xvfb-run", "xauth", "Xvfb", "xdotool", "import", screen.CONVERT]
    if args.platform == "wine":
        tools += [wine_loader(args.arch), "wineserver"]
    if args.platform == "wayland":
        tools += ["weston"]
    try:
        screen.require_tools(tools)
    except screen.ToolMissing as error:
        print("FAIL " + str(error))
        return 1
    if not os.path.exists(args.program) and args.platform == "wine":
        # A tree configured without the Windows build (cmake --preset win32 or win64 makes it).
        shutil.rmtree(args.out, ignore_errors=True)
        os.makedirs(args.out)
        return skip(args.out, "no Windows build at %s" % args.program)
    if not os.path.exists(args.program):
        print("FAIL no program at %s" % args.program)
        return 1
    if args.platform == "wine" and not args.prefix:
        print("FAIL --prefix is needed for wine")
        return 1

    if os.environ.get("MIRRORS_PROOF_DISPLAY") != "1":
        # Start again inside a virtual X server of our own. Without -noreset the server resets whenever its
        # last client disconnects, as each xdotool call does before the program is up, and forgets the
        # pointer.
        os.makedirs(args.out, exist_ok=True)
        env = dict(os.environ, MIRRORS_PROOF_DISPLAY="1")
        command = ["xvfb-run", "-a", "-n", str(args.display_start), "-e", os.path.join(args.out, "xvfb.log"),
                   "-s", "-screen 0 %dx%dx24 -nolisten tcp -noreset" % (1280 * args.scale, 1024 * args.scale),
                   sys.executable, os.path.abspath(__file__)] + sys.argv[1:]
        return subprocess.run(command, env=env).returncode

    return drive(args)


def drive(args):
    out = args.out
    shutil.rmtree(out, ignore_errors=True)  # never leave last run's screenshots for the comparison
    os.makedirs(out)
    run = Run()

    session = None
    if args.platform == "wine":
        if args.arch == "win32" and not kernel_runs_32_bit_programs():
            return skip(out, "this kernel runs no 32-bit programs (its IA32 emulation is off), so Wine cannot "
                        "start the 32-bit build")
        args.prefix = os.path.abspath(args.prefix)
        prepare_wine_prefix(args.prefix, args.arch)
        args.background = wine_window_frame_colour(args.prefix)
        command = [wine_loader(args.arch), os.path.abspath(args.program)]
        env = wine_environment(args.prefix, "-all,+debugstr", args.arch)
    elif args.platform == "wayland":
        args.background = (100, 100, 100)
        command = [os.path.abspath(args.program)]
        session = weston.Session(out, scale=args.scale)
        try:
            window = session.wait_ready()
        except (RuntimeError, subprocess.SubprocessError, OSError) as error:
            session.stop()
            run.check("weston starts", [str(error)])
            return 1
        env = session.client_env
        # The pointer waits in the far corner of weston's output.
        screen.xdotool("mousemove", "--window", window, "--sync", weston.OUTPUT_SIZE[0] * args.scale - 1,
                       weston.OUTPUT_SIZE[1] * args.scale - 1)
    else:
        args.background = (100, 100, 100)
        command = [os.path.abspath(args.program)]
        # Our X server, whatever else the session around the test offers.
        env = dict(os.environ, SDL_VIDEODRIVER="x11")
        env.pop("WAYLAND_DISPLAY", None)
    # The background is the platform's system colour of window frames (COLOR_WINDOWFRAME): Wine's prefix
    # sets it to 158 158 158, our layer to RGB(100, 100, 100); it differs as it would between Windows themes.
    print("platform %s, background (the window-frame system colour) %s, display %s" % (
        args.platform, args.background, os.environ.get("DISPLAY")))

    if session is None:
        screen.xdotool("mousemove", "--sync", (PARKED_POINTER[0] + 1) * args.scale - 1,
                       (PARKED_POINTER[1] + 1) * args.scale - 1)
    stdout_path = os.path.join(out, "stdout.txt")
    stderr_path = os.path.join(out, "stderr.txt")
    with open(stdout_path, "wb") as stdout, open(stderr_path, "wb") as stderr:
        if args.keys_held_at_start:
            screen.xdotool("keydown", "alt+F4")
        process = subprocess.Popen(command, stdout=stdout, stderr=stderr, env=env, cwd=out)
        try:
            play(args, process, run, session)
        except (RuntimeError, subprocess.SubprocessError, ValueError, OSError) as error:
            run.check("the session ran to its end", [str(error)])
        finally:
            if process.poll() is None:
                process.kill()
                process.wait(timeout=30)
            if session is not None:
                session.stop()
            if args.platform == "wine":
                wine_env = wine_environment(args.prefix, "-all", args.arch)
                subprocess.run(["wineserver", "-k"], env=wine_env, timeout=30)
                subprocess.run(["wineserver", "-w"], env=wine_env, timeout=30)

    if args.platform == "wayland":
        start_without_a_seat(args, run)
    with open(stderr_path, "rb") as stderr:
        captured = stderr.read()
    if args.platform == "wine":
        lines = release_lines_wine(captured)
    else:
        lines, others = split_stderr_linux(captured)
        run.check("nothing on stderr but the release lines",
                  [] if not others else ["%d other lines: %r" % (len(others), "".join(others)[:600])])
    wanted = run.release_lines
    run.check("one debugger line \"x, y\\r\\n\" per right-button release",
              [] if lines == wanted else ["got %r, wanted %r" % (lines, wanted)])

    with open(os.path.join(out, "result.txt"), "w") as result:
        result.write("".join(f + "\n" for f in run.failures) or "passed\n")
    print("%s: %d failure(s); screenshots in %s" % (args.platform, len(run.failures), out))
    return 1 if run.failures else 0


if __name__ == "__main__":
    sys.exit(main())
