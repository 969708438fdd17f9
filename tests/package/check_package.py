#!/usr/bin/env python3
"""Checks what the packages ship, from the outside, as a user would get it. Nothing is installed into the
system: every package is unpacked into a scratch folder under --out.

    check_package.py deb --package build/mirrors_1.0.0_amd64.deb --version 1.0.0 --readme README.md --out DIR
    check_package.py install --build build --out DIR
    check_package.py zip --package build-win32/mirrors-1.0.0-win32.zip --version 1.0.0 --out DIR --prefix DIR

deb: the control fields, the exact list of files, the desktop entry (desktop-file-validate), the icons, then
the installed program under Xvfb up to its start-up frame and Alt+F4. install: `cmake --install` into a
scratch prefix lays out exactly the same files. zip: the exact list of files, then the unpacked program under
Wine up to its start-up frame.
"""

import argparse
import os
import shutil
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "proof"))
import screen  # noqa: E402
from drive import SKIPPED  # noqa: E402

DRIVE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "proof", "drive.py")
ICON_SIZES = [32, 48, 64, 128, 256]
# Every file of an install, relative to its prefix: the program, its menu entry and icons, its texts.
INSTALLED = {
    "bin/mirrors",
    "share/applications/mirrors.desktop",
    "share/doc/mirrors/README.md",
    "share/doc/mirrors/LICENSE",
    "share/doc/mirrors/gdi_font.LICENSE",
} | {"share/icons/hicolor/%dx%d/apps/mirrors.png" % (s, s) for s in ICON_SIZES}
DESKTOP_ENTRY = {
    "Type": "Application",
    "Name": "mirrors",
    "Exec": "mirrors",
    "Icon": "mirrors",
    "Terminal": "false",
    "Categories": "Education;Science;Physics;",
}


class Run:
    def __init__(self):
        self.failures = []

    def check(self, what, failures):
        print("%s %s" % ("ok  " if not failures else "FAIL", what), flush=True)
        for failure in failures:
            print("       " + failure)
        self.failures += failures


def same_files(found, wanted):
    return ["missing: %s" % f for f in sorted(wanted - found)] + ["not wanted: %s" % f
                                                                   for f in sorted(found - wanted)]


def files_under(root):
    return {os.path.relpath(os.path.join(d, f), root) for d, _, files in os.walk(root) for f in files}


def check_desktop_entry(run, prefix):
    path = os.path.join(prefix, "share/applications/mirrors.desktop")
    out = subprocess.run(["desktop-file-validate", path], capture_output=True, text=True)
    # A hint (not an error) names the two main categories that the entry asks for on purpose.
    run.check("desktop-file-validate passes", [] if out.returncode == 0 else [out.stdout + out.stderr])
    with open(path, encoding="utf-8") as entry:
        keys = dict(line.rstrip("\n").split("=", 1) for line in entry if "=" in line)
    failures = ["%s is %r, wanted %r" % (k, keys.get(k), v) for k, v in DESKTOP_ENTRY.items() if keys.get(k) != v]
    if not keys.get("Comment"):
        failures.append("no Comment")
    run.check("the desktop entry's keys", failures)

    failures = []
    for size in ICON_SIZES:
        icon = os.path.join(prefix, "share/icons/hicolor/%dx%d/apps/mirrors.png" % (size, size))
        frame = screen.load_png(icon)
        if (frame.width, frame.height) != (size, size):
            failures.append("%s is %d x %d" % (icon, frame.width, frame.height))
        # Walls and a ray: red and yellow lines, each more than a few stray pixels.
        for name, colour in (("red", screen.RED), ("yellow", screen.YELLOW)):
            if frame.count(colour) < size // 2:
                failures.append("%s has %d %s pixels" % (icon, frame.count(colour), name))
    run.check("the icons show walls and a ray at %s pixels" % ICON_SIZES, failures)


def drive(run, args, *extra):
    out = subprocess.run([sys.executable, DRIVE, "--startup-only", "--display-start", str(args.display_start)] +
                         list(extra), timeout=600)
    if out.returncode == SKIPPED:
        return False
    run.check("the unpacked program shows its start-up frame and quits on Alt+F4",
              [] if out.returncode == 0 else ["drive.py failed (its lines are above)"])
    return True


def check_deb(run, args):
    fields = {}
    for name in ("Package", "Version", "Architecture", "Depends"):
        out = subprocess.run(["dpkg-deb", "--field", args.package, name], capture_output=True, text=True)
        fields[name] = out.stdout.strip()
    failures = ["%s is %r" % (k, fields[k]) for k, v in (("Package", "mirrors"), ("Version", args.version))
                if fields[k] != v]
    # Found by dpkg-shlibdeps in the program, not written by hand.
    if "libsdl2-2.0-0" not in fields["Depends"]:
        failures.append("Depends %r lacks the SDL2 library" % fields["Depends"])
    run.check("dpkg-deb --info: %s" % fields, failures)

    listing = subprocess.run(["dpkg-deb", "--contents", args.package], capture_output=True, text=True,
                             check=True).stdout.splitlines()
    # Paths under ./usr/ relative to it, as an install with the prefix /usr; anything else stays absolute.
    def entry(line):
        path = line.split()[-1][len("./"):].rstrip("/")
        return path[len("usr/"):] if path.startswith("usr/") else "/" + path

    files = {entry(line) for line in listing if not line.startswith("d")}
    directories = {entry(line) for line in listing if line.startswith("d")} - {"/", "/usr"}
    failures = same_files(files, INSTALLED)
    parents = {os.path.dirname(f) for f in INSTALLED}
    failures += ["a directory with nothing of ours: %s" % d for d in sorted(directories)
                 if not any(p == d or p.startswith(d + "/") for p in parents)]
    failures += [line for line in listing if line.endswith("/usr/bin/mirrors") and not line.startswith("-rwxr-xr-x")]
    run.check("dpkg-deb --contents: exactly the program, its menu entry, icons and texts", failures)

    root = os.path.join(args.out, "root")
    shutil.rmtree(root, ignore_errors=True)
    subprocess.run(["dpkg", "-x", args.package, root], check=True)
    check_desktop_entry(run, os.path.join(root, "usr"))
    with open(args.readme, encoding="utf-8") as readme:
        shown = "Version %s" % args.version in readme.read()
    run.check("the README shows the version %s" % args.version, [] if shown else ["it does not"])
    drive(run, args, "--platform", "linux", "--program", os.path.join(root, "usr/bin/mirrors"), "--out",
          os.path.join(args.out, "linux"))


def check_install(run, args):
    prefix = os.path.join(args.out, "prefix")
    shutil.rmtree(prefix, ignore_errors=True)
    subprocess.run(["cmake", "--install", args.build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
    run.check("cmake --install lays out the files of the package", same_files(files_under(prefix), INSTALLED))


def check_zip(run, args):
    top = "mirrors-%s-win32/" % args.version
    with zipfile.ZipFile(args.package) as archive:
        names = set(archive.namelist())
        # The 64-bit program comes along only when its build exists.
        wanted = {top + "mirrors.exe", top + "README.md", top + "LICENSE"} | (names & {top + "mirrors64.exe"})
        run.check("the zip holds %s" % sorted(names), same_files(names, wanted))
        unpacked = os.path.join(args.out, "unpacked")
        shutil.rmtree(unpacked, ignore_errors=True)
        archive.extractall(unpacked)
    ran = drive(run, args, "--platform", "wine", "--program", os.path.join(unpacked, top, "mirrors.exe"),
                "--out", os.path.join(args.out, "wine"), "--prefix", args.prefix)
    # Where the 32-bit program cannot run at all, the 64-bit one from the same zip stands in for it.
    if not ran and top + "mirrors64.exe" in names:
        ran = drive(run, args, "--platform", "wine", "--arch", "win64", "--program",
                    os.path.join(unpacked, top, "mirrors64.exe"), "--out", os.path.join(args.out, "wine64"),
                    "--prefix", args.prefix64)
    if not ran:
        run.check("a program from the zip runs under Wine", ["no program in the zip can run on this machine"])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kind", choices=["deb", "install", "zip"])
    parser.add_argument("--package")
    parser.add_argument("--version")
    parser.add_argument("--readme")
    parser.add_argument("--build")
    parser.add_argument("--out", required=True)
    parser.add_argument("--prefix", help="Wine prefix (zip)")
    parser.add_argument("--prefix64", help="64-bit Wine prefix (zip)")
    parser.add_argument("--display-start", type=int, default=160)
    args = parser.parse_args()
    if args.package and not os.path.exists(args.package):
        print("FAIL no package at %s: `make package` (or `make test`) makes it" % args.package)
        return 1
    os.makedirs(args.out, exist_ok=True)
    run = Run()
    {"deb": check_deb, "install": check_install, "zip": check_zip}[args.kind](run, args)
    print("%s: %d failure(s)" % (args.kind, len(run.failures)))
    return 1 if run.failures else 0


if __name__ == "__main__":
    sys.exit(main())
