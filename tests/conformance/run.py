#!/usr/bin/env python3
"""Runs one of the layer's test programs built for Windows under Wine, on a virtual X display of its own: the
32-bit build where this kernel and Wine run 32-bit programs, else the 64-bit one. Exits with the program's
code, or 77 (skipped) when neither build is there."""
import argparse
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "proof"))
import drive  # noqa: E402  (the Wine prefix and loader of the proofs)


def pick(args):
    if os.path.exists(args.win32) and drive.kernel_runs_32_bit_programs():
        return args.win32, "win32"
    return (args.win64, "win64") if os.path.exists(args.win64) else (None, None)


def kept_cases():
    """The cases of kept.txt, which Wine's run leaves out."""
    table = os.path.join(os.path.dirname(os.path.abspath(__file__)), "kept.txt")
    with open(table, encoding="utf-8") as lines:
        return [line.split("\t")[0] for line in lines if line.strip() and not line.startswith("#")]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--win32", required=True)
    parser.add_argument("--win64", required=True)
    parser.add_argument("--prefix", required=True, help="folder of the Wine prefixes, one per architecture")
    parser.add_argument("--prepare", action="store_true", help="only make the prefix")
    args = parser.parse_args()
    program, arch = pick(args)
    if program is None:
        print("SKIPPED: no Windows build of the conformance tests at %s" % args.win64)
        return drive.SKIPPED
    prefix = os.path.abspath(os.path.join(args.prefix, arch))
    drive.prepare_wine_prefix(prefix, arch)
    if args.prepare:
        return 0
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "640x480x24", "-nolisten", "tcp"],
                            pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as display:
        number = display.readline().strip()
    env = drive.wine_environment(prefix, "-all", arch)
    env["DISPLAY"] = ":" + number
    env["WINEDLLOVERRIDES"] += ";winedbg.exe=d"  # a crash ends the program instead of waiting in a debugger
    print("%s under %s-bit Wine" % (os.path.basename(program), arch[3:]), flush=True)
    command = [drive.wine_loader(arch), program, "--gtest_color=no", "--gtest_filter=-" + ":".join(kept_cases())]
    # Wine's server and desktop outlive the program with its output open: they get a file, not CTest's pipe,
    # so that the test ends with the program.
    with tempfile.TemporaryFile() as output:
        try:
            return subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=output, stderr=output,
                                  timeout=240).returncode
        finally:
            xvfb.terminate()
            xvfb.wait()
            output.seek(0)
            sys.stdout.write(output.read().decode(errors="replace"))


if __name__ == "__main__":
    sys.exit(main())
