#!/usr/bin/env python3
"""compare.py LINUX_PRINTER PLATFORM PRINTER [WINE_PREFIX]: counts the scenes whose path PLATFORM's build (win32 or
win64 under Wine, web under node, arm64 under qemu-user) prints otherwise than the Linux build, showing the first
few. Exits 77 (skipped) when this machine cannot run that build."""
import os, shutil, subprocess, sys  # noqa: E401
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "proof"))
import drive  # noqa: E402  (the Wine prefix and loader of the proofs)


def output(command, env=None):
    return subprocess.run(command, env=env, capture_output=True, check=True, timeout=240).stdout.decode().splitlines()


def main(linux, platform, printer, prefix=None):
    wine = prefix and (platform == "win64" or drive.kernel_runs_32_bit_programs())
    runner = {"web": ["node"], "arm64": ["qemu-aarch64", "-L", "/usr/aarch64-linux-gnu"]}.get(platform, ["-"])
    if not os.path.exists(printer) or not (wine or shutil.which(runner[0])):
        print("SKIPPED: this machine cannot run %s" % printer)
        return drive.SKIPPED
    env = None
    if wine:
        drive.prepare_wine_prefix(prefix, platform)
        env, runner = drive.wine_environment(prefix, "-all", platform), [drive.wine_loader(platform)]
    expected, got = output([linux]), output(runner + [printer], env)
    differ = [i for i in range(max(len(expected), len(got))) if expected[i:i + 1] != got[i:i + 1]]
    print("%s: %d of %d scenes differ from Linux" % (platform, len(differ), len(expected)))
    for i in differ[:3]:
        print("  Linux: %s\n  %s: %s" % (" ".join(expected[i:i + 1]), platform, " ".join(got[i:i + 1])))
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
