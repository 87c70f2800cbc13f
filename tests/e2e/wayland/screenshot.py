#!/usr/bin/python3
"""An area of a GNOME or KWin session's screen, through the desktop's screenshot D-Bus interface:
GNOME Shell's when the session bus has it, KWin's otherwise.

Usage: screenshot.py X Y WIDTH HEIGHT OUT.png on GNOME; screenshot.py X Y WIDTH HEIGHT on KWin, for
a binary PPM on stdout; or screenshot.py --reds X Y SECONDS: the red of one pixel, read again and
again until it is 0 or the time is up, each value printed once in the order seen. KWin lends its
interface only to programs that a .desktop file names, unless started with
KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1, as the tests start it.
"""
import os
import struct
import sys
import tempfile
import threading
import time
import zlib

import dbus


def gnome_capture(x, y, width, height, path):
    shell = dbus.Interface(
        bus.get_object("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot"),
        "org.gnome.Shell.Screenshot")
    ok, written = shell.ScreenshotArea(x, y, width, height, False, path, timeout=10)
    if not ok:
        sys.exit(f"screenshot: the shell took no screenshot of {width}x{height}+{x}+{y}")
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


def kwin_capture(x, y, width, height):
    """The area's pixels as (width, height, RGB bytes)."""
    read_end, write_end = os.pipe()
    chunks = []
    # KWin writes the pixels to the pipe while the call returns: read them at the same time.
    reader = threading.Thread(daemon=True, target=lambda: chunks.extend(
        iter(lambda: os.read(read_end, 1 << 16), b"")))
    reader.start()
    try:
        meta = bus.get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2").CaptureArea(
            x, y, dbus.UInt32(width), dbus.UInt32(height), {"native-resolution": True},
            dbus.types.UnixFd(write_end), dbus_interface="org.kde.KWin.ScreenShot2", timeout=10)
    finally:
        os.close(write_end)
    reader.join(10)
    os.close(read_end)
    data = b"".join(chunks)
    w, h, stride = int(meta["width"]), int(meta["height"]), int(meta["stride"])
    if len(data) < stride * h:
        sys.exit(f"screenshot: {len(data)} bytes for a {w}x{h} image")
    # 32-bit pixels in memory order B, G, R, A (QImage's ARGB32 and RGB32, little-endian).
    bgra = b"".join(data[row * stride:row * stride + w * 4] for row in range(h))
    rgb = bytearray(w * h * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = bgra[2::4], bgra[1::4], bgra[0::4]
    return w, h, bytes(rgb)


bus = dbus.SessionBus()
gnome = bus.name_has_owner("org.gnome.Shell.Screenshot")
if sys.argv[1] == "--reds":
    x, y, seconds = int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
    deadline, last = time.monotonic() + seconds, None
    with tempfile.TemporaryDirectory() as folder:
        while time.monotonic() < deadline:
            if gnome:
                red = first_red(gnome_capture(x, y, 1, 1, os.path.join(folder, "red.png")))
            else:
                red = kwin_capture(x, y, 1, 1)[2][0]
            if red != last:
                print(red, flush=True)
            last = red
            if red == 0:
                break
    sys.exit(0)

x, y, width, height = (int(a) for a in sys.argv[1:5])
if gnome:
    gnome_capture(x, y, width, height, os.path.abspath(sys.argv[5]))
else:
    w, h, rgb = kwin_capture(x, y, width, height)
    sys.stdout.buffer.write(b"P6\n%d %d\n255\n" % (w, h) + rgb)
