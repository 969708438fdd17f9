#!/usr/bin/env python3
"""The whole program left alone at 100 frames a second on a virtual X server, the mouse still: what it costs.

    whole_program.py --linux build/mirrors [--wayland] [--wine build-win32/mirrors.exe --prefix DIR]
                     [--seconds 10]

For the Linux build (our layer over SDL2) and, in the same run on the same X server, the 32-bit Windows build
under Wine, both with a client area of 1024 x 640:
- CPU seconds (user + system) of the program's process over the whole run, start-up included;
- CPU share of one core in the steady part of the run (from --settle seconds on), also for the X server and,
  under Wine, for wineserver, which do part of the work for the program;
- with --wayland, the Linux build once more as a Wayland client of weston nested in the same X server (see
  tests/proof/weston.py), and weston's CPU share beside the X server's;
- for the Linux build, frames presented per second in the steady part and the time from starting the process
  to its first frame on screen. Those come from the SDL host, which appends the time of every present
  (CLOCK_MONOTONIC, seconds) to the file named by MIRRORS_FRAME_LOG, in a build configured with
  -DMIRRORS_FRAME_LOG=ON (`make bench-program` makes one in build-bench); the shipped program writes no file.
Making the Wine prefix (wineboot, a quarter of a minute the first time) is not counted.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "proof"))
import screen  # noqa: E402
import weston  # noqa: E402

SCREEN = "1280x1024x24"
CLIENT = (1024, 640)
# The pointer waits in the far corner, outside both windows.
PARKED_POINTER = (1279, 1023)
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User + system CPU seconds of a live process, from /proc (None once it is gone)."""
    try:
        with open("/proc/%d/stat" % pid) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
    except OSError:
        return None
    # Fields 14 and 15 of the whole line (utime, stime) are 12 and 13 after the command name.
    return (int(fields[11]) + int(fields[12])) / TICKS


def find_process(names, test):
    """The first process with one of these names for which test(pid) holds."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        pid = int(entry)
        try:
            with open("/proc/%d/comm" % pid) as comm:
                if comm.read().strip() not in names:
                    continue
            if test(pid):
                return pid
        except OSError:
            continue
    return None


def x_server_pid():
    """Our own Xvfb: the one serving $DISPLAY (other virtual servers may run beside it)."""
    display = os.environ.get("DISPLAY", "")

    def serves(pid):
        with open("/proc/%d/cmdline" % pid, "rb") as cmdline:
            return display.encode() in cmdline.read().split(b"\0")

    return find_process(["Xvfb"], serves)


def wineserver_pid(prefix):
    """The wineserver of our prefix: its working directory is the server directory named after the prefix's
    device and inode."""
    info = os.stat(prefix)
    suffix = "server-%x-%x" % (info.st_dev, info.st_ino)

    def ours(pid):
        return os.readlink("/proc/%d/cwd" % pid).endswith(suffix)

    return find_process(["wineserver", "wineserver32", "wineserver64"], ours)


def xdotool(*args):
    if shutil.which("xdotool") is None:
        return ""
    out = subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, timeout=20)
    return out.stdout.decode()


def window_size(window):
    values = dict(line.partition("=")[::2] for line in xdotool("getwindowgeometry", "--shell", window).split())
    return int(values.get("WIDTH", 0)), int(values.get("HEIGHT", 0))


def main_window(deadline):
    """The largest visible window short of the whole screen (Wine also makes tiny helper windows), once one has
    appeared; None at the deadline."""
    screen = tuple(int(v) for v in SCREEN.split("x")[:2])
    while time.monotonic() < deadline:
        best = None
        for window in xdotool("search", "--onlyvisible", "--name", "").split():
            width, height = window_size(window)
            if width >= 100 and height >= 100 and (width, height) != screen:
                if best is None or width * height > best[0]:
                    best = (width * height, window)
        if best:
            return best[1]
        time.sleep(0.05)
    return None


def wine_environment(prefix):
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEARCH="win32")
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="  # no Mono or Gecko installer dialogs
    return env


def prepare_wine_prefix(prefix):
    ready = os.path.join(prefix, ".mirrors-bench-ready")
    if not os.path.exists(ready):
        shutil.rmtree(prefix, ignore_errors=True)
        os.makedirs(prefix)
        print("making the Wine prefix %s (not counted)" % prefix, flush=True)
        env = wine_environment(prefix)
        subprocess.run(["wineboot", "-i"], env=env, check=True, timeout=600, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env, check=True, timeout=600)
        with open(ready, "w") as marker:
            marker.write("made by bench/whole_program.py\n")


def run(name, command, env, args, resize=False, frame_log=None, prefix=None, compositor=None):
    """Starts the program, lets it run for args.seconds and ends it; returns the figures. With a compositor
    (a weston.Session) the program is its Wayland client."""
    xdotool("mousemove", "--sync", *PARKED_POINTER)
    x_server = x_server_pid()
    result = {"name": name}
    with open(os.path.join(args.out, name + ".stderr"), "wb") as stderr:
        start = time.monotonic()
        process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=stderr)
        if resize:
            # Wine makes its default window from the screen size; give it the same client area as ours.
            window = main_window(start + min(args.seconds, 10.0))
            if window is not None:
                xdotool("windowsize", "--sync", window, *CLIENT)
        time.sleep(max(0.0, start + args.settle - time.monotonic()))
        window = main_window(time.monotonic() + 1.0)
        result["window"] = window_size(window) if window else None
        if compositor:
            area = weston.client_area(screen.capture(compositor.window))
            result["window"] = area[2:] if area else None
        server = wineserver_pid(prefix) if prefix else None
        weston_pid = compositor.process.pid if compositor else None
        before = {"program": cpu_seconds(process.pid), "x": x_server and cpu_seconds(x_server),
                  "wineserver": server and cpu_seconds(server), "weston": weston_pid and cpu_seconds(weston_pid)}
        settled = time.monotonic()
        time.sleep(max(0.0, start + args.seconds - time.monotonic()))
        after = {"program": cpu_seconds(process.pid), "x": x_server and cpu_seconds(x_server),
                 "wineserver": server and cpu_seconds(server), "weston": weston_pid and cpu_seconds(weston_pid)}
        steady = time.monotonic() - settled
        # SDL turns the signal into a quit request, so the Linux build ends the way a closed window does.
        process.send_signal(signal.SIGTERM)
        killer = threading.Timer(10.0, process.kill)
        killer.start()
        _, status, usage = os.wait4(process.pid, 0)
        killer.cancel()
        process.returncode = status
        ended = time.monotonic()
    result["run_s"] = ended - start
    result["cpu_s"] = usage.ru_utime + usage.ru_stime
    for key in before:
        if before[key] is not None and after[key] is not None:
            result[key + "_share"] = (after[key] - before[key]) / steady
    if frame_log is not None:
        try:
            with open(frame_log) as log:
                times = [float(line) for line in log if line.strip()]
        except OSError:
            times = []
            print("no frame log from %s: was it built with -DMIRRORS_FRAME_LOG=ON?" % command[0], flush=True)
        result["frames"] = len(times)
        if times:
            result["first_frame_ms"] = (times[0] - start) * 1000
            in_steady = [t for t in times if settled <= t < settled + steady]
            result["fps"] = len(in_steady) / steady
    return result


def show(results, args):
    rows = [
        ("client area", lambda r: "%d x %d" % r["window"] if r.get("window") else "?"),
        ("CPU s, whole run", lambda r: "%.2f s in %.1f s" % (r["cpu_s"], r["run_s"]) if r.get("cpu_s") is not None else "?"),
        ("CPU, steady (%g s on)" % args.settle, lambda r: "%.1f %% of a core" % (100 * r["program_share"]) if "program_share" in r else "?"),
        ("  X server, steady", lambda r: "%.1f %%" % (100 * r["x_share"]) if "x_share" in r else "?"),
        ("  wineserver, steady", lambda r: "%.1f %%" % (100 * r["wineserver_share"]) if "wineserver_share" in r else "-"),
        ("  weston, steady", lambda r: "%.1f %%" % (100 * r["weston_share"]) if "weston_share" in r else "-"),
        ("frames per second, steady", lambda r: "%.1f" % r["fps"] if "fps" in r else "-"),
        ("first frame after start", lambda r: "%.0f ms" % r["first_frame_ms"] if "first_frame_ms" in r else "-"),
    ]
    print()
    print("%-28s" % "" + "".join("%-24s" % r["name"] for r in results))
    for label, cell in rows:
        print("%-28s" % label + "".join("%-24s" % cell(r) for r in results))
    by_name = {r["name"]: r for r in results}
    if by_name.get("linux", {}).get("cpu_s") and by_name.get("wine", {}).get("cpu_s"):
        linux, wine = by_name["linux"], by_name["wine"]
        print()
        print("Linux / Wine, CPU of the program: whole run %.2f, steady %.2f" % (
            linux["cpu_s"] / wine["cpu_s"], linux.get("program_share", 0) / max(wine.get("program_share", 0), 1e-9)))


def measure(args):
    os.makedirs(args.out, exist_ok=True)
    results = []
    frame_log = os.path.join(args.out, "frames.log")
    if os.path.exists(frame_log):
        os.remove(frame_log)
    env = dict(os.environ, SDL_VIDEODRIVER="x11", MIRRORS_FRAME_LOG=frame_log)
    env.pop("WAYLAND_DISPLAY", None)
    results.append(run("linux", [os.path.abspath(args.linux)], env, args, frame_log=frame_log))
    if args.wayland:
        session = weston.Session(args.out)
        try:
            session.wait_ready()
            frame_log = os.path.join(args.out, "frames-wayland.log")
            if os.path.exists(frame_log):
                os.remove(frame_log)
            env = dict(session.client_env, MIRRORS_FRAME_LOG=frame_log)
            results.append(run("wayland", [os.path.abspath(args.linux)], env, args, frame_log=frame_log,
                               compositor=session))
        finally:
            session.stop()
    if args.wine:
        prefix = os.path.abspath(args.prefix)
        env = wine_environment(prefix)
        try:
            results.append(run("wine", ["wine", os.path.abspath(args.wine)], env, args, resize=True,
                               prefix=prefix))
        finally:
            subprocess.run(["wineserver", "-k"], env=env, timeout=60, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=env, timeout=60)
    show(results, args)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--linux", required=True, help="the Linux build of the program")
    parser.add_argument("--wayland", action="store_true", help="the Linux build also on Wayland (weston)")
    parser.add_argument("--wine", help="the 32-bit Windows build, run under Wine")
    parser.add_argument("--prefix", help="Wine prefix to make once and reuse (with --wine)")
    parser.add_argument("--seconds", type=float, default=10.0, help="how long each program runs")
    parser.add_argument("--settle", type=float, default=2.0, help="start of the steady part, in seconds")
    parser.add_argument("--out", default="whole-program", help="directory for the frame log and stderr")
    parser.add_argument("--display-start", type=int, default=90, help="first X display number to try")
    args = parser.parse_args()
    if args.wine and not args.prefix:
        parser.error("--wine needs --prefix")
    for tool in (["xvfb-run", "Xvfb"] + (["wine", "wineboot", "wineserver"] if args.wine else []) +
                 (["weston", "import"] if args.wayland else [])):
        if shutil.which(tool) is None:
            print("missing tool: %s" % tool)
            return 1
    if args.wine:
        prepare_wine_prefix(os.path.abspath(args.prefix))
    if os.environ.get("MIRRORS_BENCH_DISPLAY") != "1":
        # Again, inside a virtual X server of our own. -noreset: the server must not reset whenever its last
        # client leaves, between the two programs.
        env = dict(os.environ, MIRRORS_BENCH_DISPLAY="1")
        command = ["xvfb-run", "-a", "-n", str(args.display_start), "-s", "-screen 0 %s -nolisten tcp -noreset" % SCREEN,
                   sys.executable, os.path.abspath(__file__)] + sys.argv[1:]
        return subprocess.run(command, env=env).returncode
    return measure(args)


if __name__ == "__main__":
    sys.exit(main())
