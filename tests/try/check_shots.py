#!/usr/bin/env python3
"""qpk try --shots on a screen of --screen's size: every picture is of that
size, numbered in order and named after the window it shows, and the copy
dialog, which a small medium shows for a moment only, is among them (the
copy is held while it is pictured). A picture whose window went before it
was taken is dropped, with a NOTE naming it.

usage: check_shots.py <qpk> <medium folder> <width>x<height>
"""
import os
import re
import struct
import subprocess
import sys
import tempfile

NAME = re.compile(r"^(\d\d)-(backdrop|folder-dialog|copy-progress|box-.+|notice(-.+)?)\.png$")


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def main():
    qpk, medium, screen = sys.argv[1:4]
    width, height = (int(v) for v in screen.split("x"))
    failures = []
    with tempfile.TemporaryDirectory(prefix="qpk-shots-") as shots:
        result = subprocess.run([qpk, "try", medium, "--shots", shots, "--screen", screen],
                                capture_output=True, text=True)
        print(result.stdout + result.stderr)
        if result.returncode != 0:
            failures.append("qpk try exit status %d" % result.returncode)
        pictures = sorted(n for n in os.listdir(shots) if n.endswith(".png"))
        numbers = []
        for name in pictures:
            match = NAME.match(name)
            if not match:
                failures.append("%s is not named after a window" % name)
                continue
            numbers.append(int(match.group(1)))
            if png_size(os.path.join(shots, name)) != (width, height):
                failures.append("%s is %s, not the %s screen" % (name, png_size(os.path.join(shots, name)), screen))
        dropped = re.findall(r"NOTE: no picture (\d\d)-", result.stdout)
        if sorted(numbers + [int(n) for n in dropped]) != list(range(len(numbers) + len(dropped))):
            failures.append("the pictures and the dropped ones are not numbered 00 on: %s %s" % (pictures, dropped))
        for wanted in ("backdrop", "copy-progress"):
            if not any(n[3:-4] == wanted for n in pictures):
                failures.append("no picture of the %s: %s" % (wanted, pictures))
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
