#!/usr/bin/env python3
"""Checks what the packages ship, from the outside, as a user would get it. Nothing is installed into the
system: every package is unpacked into a scratch folder under --out.

    check_package.py deb --package build/mirrors_1.0.0_amd64.deb --version 1.0.0 --readme README.md --out DIR
    check_package.py install --build build --out DIR
    check_package.py zip --package build-win32/mirrors-1.0.0-win32.zip --version 1.0.0 --out DIR --prefix DIR
    check_package.py msi --package build-win32/mirrors-1.0.0-win32.msi --package64 ...-win64.msi --version 1.0.0

deb: the control fields, the exact list of files, the desktop entry (desktop-file-validate), the icons, then
lintian, appstreamcli and man on what it ships, the installed program under Xvfb up to its start-up frame and
Alt+F4. install: `cmake --install` into a scratch prefix lays out exactly the same files. zip: the exact list
of files, each program's resources, then the unpacked program under Wine up to its start-up frame. msi:
installed by msiexec into a fresh Wine prefix, run up to its start-up frame, uninstalled without a trace.
"""

import argparse
import glob
import gzip
import re
import os
import shutil
import struct
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "proof"))
import screen  # noqa: E402
from drive import SKIPPED, kernel_runs_32_bit_programs, prepare_wine_prefix, wine_environment, wine_loader  # noqa

DRIVE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "proof", "drive.py")
ICON_SIZES = [32, 48, 64, 128, 256]
# Every file of an install, relative to its prefix: the program, its menu entry (named by the application's id,
# as its AppStream metainfo is) and icons, its manual page and texts.
INSTALLED = {
    "bin/mirrors",
    "share/applications/{id}.desktop",
    "share/metainfo/{id}.metainfo.xml",
    "share/man/man1/mirrors.1.gz",
    "share/doc/mirrors/changelog.gz",
    "share/doc/mirrors/copyright",
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


def installed(app_id):
    return {f.format(id=app_id) for f in INSTALLED}


def same_files(found, wanted):
    return ["missing: %s" % f for f in sorted(wanted - found)] + ["not wanted: %s" % f
                                                                   for f in sorted(found - wanted)]


def files_under(root):
    return {os.path.relpath(os.path.join(d, f), root) for d, _, files in os.walk(root) for f in files}


def check_desktop_entry(run, prefix, app_id):
    path = os.path.join(prefix, "share/applications/%s.desktop" % app_id)
    out = subprocess.run(["desktop-file-validate", path], capture_output=True, text=True)
    # A hint (not an error) names the two main categories that the entry asks for on purpose.
    run.check("desktop-file-validate passes", [] if out.returncode == 0 else [out.stdout + out.stderr])
    with open(path, encoding="utf-8") as entry:
        keys = dict(line.rstrip("\n").split("=", 1) for line in entry if "=" in line)
    failures = ["%s is %r, wanted %r" % (k, keys.get(k), v) for k, v in DESKTOP_ENTRY.items() if keys.get(k) != v]
    failures += ["no %s" % k for k in ("Comment", "Keywords") if not keys.get(k)]
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


def tool_lines(command, prefixes, **options):
    """Runs a checker, shows what it says, and returns its lines that start with one of the prefixes."""
    out = subprocess.run(command, capture_output=True, text=True, **options)
    print("".join("       | %s\n" % line for line in (out.stdout + out.stderr).splitlines()), end="")
    found = [line for line in (out.stdout + out.stderr).splitlines() if line.startswith(prefixes)]
    return found or ([] if out.returncode == 0 else ["%s exited %d" % (command[0], out.returncode)])


def check_debian_texts(run, args, usr):
    """What Debian's and the desktops' own checkers say of the package, the manual page and the changelog."""
    run.check("lintian: no E: and no W: line",
              tool_lines(["lintian", "--display-info", args.package], ("E:", "W:")))
    metainfo = os.path.join(usr, "share/metainfo/%s.metainfo.xml" % args.app_id)
    with open(metainfo, encoding="utf-8") as text:
        release = '<release version="%s"' % args.version in text.read()
    run.check("appstreamcli validate --no-net: no E: and no W: line; the release %s" % args.version,
              tool_lines(["appstreamcli", "validate", "--no-net", metainfo], ("E:", "W:")) +
              ([] if release else ["no release"]))
    page = subprocess.run(["man", "--warnings", "-l", os.path.join(usr, "share/man/man1/mirrors.1.gz")],
                          capture_output=True, text=True, env=dict(os.environ, MANWIDTH="80", LANG="C.UTF-8"))
    wanted = ["NAME", "SYNOPSIS", "DESCRIPTION", "ENVIRONMENT", "EXIT STATUS", "FILES", "WAYLAND_DISPLAY",
              "SDL_VIDEODRIVER"]
    run.check("man -l renders the page, without warnings: %s" % ", ".join(wanted),
              ["no " + w for w in wanted if w not in page.stdout] + ([page.stderr] if page.stderr else []))
    with gzip.open(os.path.join(usr, "share/doc/mirrors/changelog.gz"), "rt", encoding="utf-8") as changelog:
        first = changelog.readline()
    run.check("the changelog starts with this version: %r" % first,
              [] if first.startswith("mirrors (%s) " % args.version) else ["it does not"])


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
    failures = same_files(files, installed(args.app_id))
    parents = {os.path.dirname(f) for f in installed(args.app_id)}
    failures += ["a directory with nothing of ours: %s" % d for d in sorted(directories)
                 if not any(p == d or p.startswith(d + "/") for p in parents)]
    failures += [line for line in listing if line.endswith("/usr/bin/mirrors") and not line.startswith("-rwxr-xr-x")]
    run.check("dpkg-deb --contents: exactly the program, its menu entry, icons and texts", failures)

    root = os.path.join(args.out, "root")
    shutil.rmtree(root, ignore_errors=True)
    subprocess.run(["dpkg", "-x", args.package, root], check=True)
    check_desktop_entry(run, os.path.join(root, "usr"), args.app_id)
    check_debian_texts(run, args, os.path.join(root, "usr"))
    with open(args.readme, encoding="utf-8") as readme:
        shown = "Version %s" % args.version in readme.read()
    run.check("the README shows the version %s" % args.version, [] if shown else ["it does not"])
    drive(run, args, "--platform", "linux", "--program", os.path.join(root, "usr/bin/mirrors"), "--out",
          os.path.join(args.out, "linux"))


def check_install(run, args):
    prefix = os.path.join(args.out, "prefix")
    shutil.rmtree(prefix, ignore_errors=True)
    subprocess.run(["cmake", "--install", args.build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
    run.check("cmake --install lays out the files of the package",
              same_files(files_under(prefix), installed(args.app_id)))


def resource(exe, kind):
    return subprocess.run(["wrestool", "--extract", "--raw", "--type=%d" % kind, exe], capture_output=True,
                          check=True).stdout


def check_windows_program(run, exe, version):
    """The resources that Explorer shows and Windows reads, and no debug sections left in the file."""
    group = resource(exe, 14)
    # The icon group: a count at byte 4, then 14 bytes an image whose first byte is its width (0 for 256).
    count = struct.unpack_from("<H", group, 4)[0] if len(group) >= 6 else 0
    sizes = sorted(group[6 + 14 * i] or 256 for i in range(count))
    strings = resource(exe, 16).decode("utf-16-le", errors="replace")
    wanted = {"FileVersion": version, "ProductVersion": version, "ProductName": "mirrors",
              "FileDescription": "Aim a light ray", "LegalCopyright": ".*MIT"}
    failures = ([] if sizes == [16, 32, 48, 256] else ["icon sizes %s" % sizes]) + [
        "no %s %s" % item for item in wanted.items() if not re.search("%s\0+%s" % item, strings)]
    manifest = resource(exe, 24).decode("utf-8", errors="replace")
    failures += ["the manifest lacks %s" % w for w in ("asInvoker", "supportedOS") if w not in manifest]
    failures += ["the manifest sets the DPI awareness"] if re.search("<[^>]*dpiAware", manifest, re.I) else []
    sections = subprocess.run(["x86_64-w64-mingw32-objdump", "-h", exe], capture_output=True, text=True).stdout
    failures += ["debug sections: %s" % s for s in re.findall(r" (\.debug\S*)", sections)]
    run.check("%s: icon %s, version %s, manifest, stripped" % (os.path.basename(exe), sizes, version), failures)


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
    for name in sorted(names & {top + "mirrors.exe", top + "mirrors64.exe"}):
        check_windows_program(run, os.path.join(unpacked, name), args.version)
    ran = drive(run, args, "--platform", "wine", "--program", os.path.join(unpacked, top, "mirrors.exe"),
                "--out", os.path.join(args.out, "wine"), "--prefix", args.prefix)
    # Where the 32-bit program cannot run at all, the 64-bit one from the same zip stands in for it.
    if not ran and top + "mirrors64.exe" in names:
        ran = drive(run, args, "--platform", "wine", "--arch", "win64", "--program",
                    os.path.join(unpacked, top, "mirrors64.exe"), "--out", os.path.join(args.out, "wine64"),
                    "--prefix", args.prefix64)
    if not ran:
        run.check("a program from the zip runs under Wine", ["no program in the zip can run on this machine"])


def wine(prefix, arch, *command):
    env = wine_environment(prefix, "-all", arch)
    # No menu entries of the Start menu's shortcuts in this machine's own desktop menus.
    env["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"
    return subprocess.run([wine_loader(arch)] + list(command), env=env, capture_output=True, text=True,
                          timeout=300)


def drive_c_files(prefix):
    return files_under(os.path.join(prefix, "drive_c"))


def programs_and_features(prefix):
    """The Uninstall keys and product icons of the prefix's registry, as text."""
    with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="replace") as registry:
        return "".join(b for b in registry.read().split("\n\n") if "\\Uninstall\\" in b or "ProductIcon" in b)


def check_msi_in(run, args, package, arch):
    """msiexec /i quietly into a fresh prefix, the installed program up to its start-up frame, msiexec /x."""
    name, prefix = os.path.basename(package), os.path.join(args.out, "prefix-" + arch)
    shutil.rmtree(prefix, ignore_errors=True)
    prepare_wine_prefix(prefix, arch)
    before = drive_c_files(prefix)
    windows_path = "Z:" + os.path.abspath(package).replace("/", "\\")
    out = wine(prefix, arch, "msiexec", "/i", windows_path, "/qn")
    folder = "Program Files (x86)" if arch == "win64" and "win32" in name else "Program Files"
    program = os.path.join(prefix, "drive_c", folder, "mirrors", "mirrors.exe")
    # Windows puts a per-machine package's shortcut in every user's Start menu; Wine 8 in the installing user's.
    shortcuts = [f for home in ("ProgramData", "users/*/AppData/Roaming") for f in glob.glob(
        os.path.join(prefix, "drive_c", home, "Microsoft/Windows/Start Menu/Programs/mirrors.lnk"))]
    wanted = ['"DisplayName"="mirrors"', '"DisplayVersion"="%s"' % args.version, "mirrors.ico"]
    run.check("%s: msiexec /i installs %s, its shortcut %s and an entry %s in Programs and Features" % (
        name, program, shortcuts, wanted), ["msiexec exited %d" % out.returncode] * (out.returncode != 0) +
        ["no program"] * (not os.path.exists(program)) + ["no shortcut"] * (not shortcuts) +
        ["no %s" % w for w in wanted if w not in programs_and_features(prefix)])
    installed_files = drive_c_files(prefix) - before
    drive(run, args, "--platform", "wine", "--arch", arch, "--program", program, "--out",
          os.path.join(args.out, "run-" + arch), "--prefix", prefix)
    out = wine(prefix, arch, "msiexec", "/x", windows_path, "/qn")
    after = drive_c_files(prefix)
    run.check("%s: msiexec /x leaves no file of it and no entry" % name, sorted(
        (installed_files & after) | {f for f in after - before if "mirrors" in f.lower()}) +
        ["msiexec /x exited %d" % out.returncode] * (out.returncode != 0) +
        ["still in Programs and Features"] * ("mirrors" in programs_and_features(prefix)))


def check_msi(run, args):
    # The 32-bit package installs only where Wine's 32-bit loader can start; the 64-bit one wherever Wine runs.
    if kernel_runs_32_bit_programs():
        check_msi_in(run, args, args.package, "win32")
    else:
        print("SKIPPED %s under Wine: this kernel runs no 32-bit programs (its IA32 emulation is off)" %
              os.path.basename(args.package))
    check_msi_in(run, args, args.package64, "win64")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kind", choices=["deb", "install", "zip", "msi"])
    parser.add_argument("--package64", help="the 64-bit MSI (msi)")
    parser.add_argument("--app-id", help="the application's id (deb, install)")
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
    {"deb": check_deb, "install": check_install, "zip": check_zip, "msi": check_msi}[args.kind](run, args)
    print("%s: %d failure(s)" % (args.kind, len(run.failures)))
    return 1 if run.failures else 0


if __name__ == "__main__":
    sys.exit(main())
