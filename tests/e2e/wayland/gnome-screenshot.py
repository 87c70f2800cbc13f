#!/usr/bin/python3
"""An area of a GNOME session's screen, through GNOME Shell's screenshot D-Bus interface.

Usage: gnome-screenshot.py X Y WIDTH HEIGHT OUT.png; or gnome-screenshot.py --reds X Y SECONDS: the
red of one pixel, read again and again (through a file of its own) until it is 0 or the time is up,
each value printed once in the order seen.
"""
import os
import struct
import sys
import tempfile
import time
import zlib

import dbus


def shell():
    return dbus.Interface(
        dbus.SessionBus().get_object("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot"),
        "org.gnome.Shell.Screenshot")


def capture(screenshot, x, y, width, height, path):
    ok, written = screenshot.ScreenshotArea(x, y, width, height, False, path, timeout=10)
    if not ok:
        sys.exit(f"gnome-screenshot: the shell took no screenshot of {width}x{height}+{x}+{y}")
    return str(written)


def first_red(path):
    """The red of a PNG's first pixel (8-bit RGB or RGBA, as the shell writes them)."""
    with open(path, "rb") as png:
        data = png.read()
    position, idat = 8, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        if kind == b"IDAT":
            idat += data[position + 8:position + 8 + length]
        position += 12 + length
    # The first byte of a row is its filter; the first pixel's red follows, unfiltered enough.
    return zlib.decompress(idat)[1]


screenshot = shell()
if sys.argv[1] == "--reds":
    x, y, seconds = int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
    deadline, last = time.monotonic() + seconds, None
    with tempfile.TemporaryDirectory() as folder:
        while time.monotonic() < deadline:
            red = first_red(capture(screenshot, x, y, 1, 1, os.path.join(folder, "red.png")))
            if red != last:
                print(red, flush=True)
            last = red
            if red == 0:
                break
    sys.exit(0)

x, y, width, height = (int(a) for a in sys.argv[1:5])
capture(screenshot, x, y, width, height, os.path.abspath(sys.argv[5]))
