#!/usr/bin/python3
"""An area of a KWin session's screen, through KWin's screenshot D-Bus interface.

Usage: kwin-screenshot.py X Y WIDTH HEIGHT, for a binary PPM on stdout; or
kwin-screenshot.py --reds X Y SECONDS: the red of one pixel, read again and again until
it is 0 or the time is up, each value printed once in the order seen. KWin lends the interface
only to programs that a .desktop file names, unless started with
KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1, as the tests start it.
"""
import os
import sys
import threading
import time

import dbus


def capture(kwin, x, y, width, height):
    """The area's pixels as (width, height, RGB bytes)."""
    read_end, write_end = os.pipe()
    chunks = []
    # KWin writes the pixels to the pipe while the call returns: read them at the same time.
    reader = threading.Thread(daemon=True, target=lambda: chunks.extend(
        iter(lambda: os.read(read_end, 1 << 16), b"")))
    reader.start()
    try:
        meta = kwin.CaptureArea(x, y, dbus.UInt32(width), dbus.UInt32(height),
                                {"native-resolution": True}, dbus.types.UnixFd(write_end),
                                dbus_interface="org.kde.KWin.ScreenShot2", timeout=10)
    finally:
        os.close(write_end)
    reader.join(10)
    os.close(read_end)
    data = b"".join(chunks)
    w, h, stride = int(meta["width"]), int(meta["height"]), int(meta["stride"])
    if len(data) < stride * h:
        sys.exit(f"kwin-screenshot: {len(data)} bytes for a {w}x{h} image")
    # 32-bit pixels in memory order B, G, R, A (QImage's ARGB32 and RGB32, little-endian).
    bgra = b"".join(data[row * stride:row * stride + w * 4] for row in range(h))
    rgb = bytearray(w * h * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = bgra[2::4], bgra[1::4], bgra[0::4]
    return w, h, bytes(rgb)


kwin = dbus.SessionBus().get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2")
if sys.argv[1] == "--reds":
    x, y, seconds = int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
    deadline, last = time.monotonic() + seconds, None
    while time.monotonic() < deadline:
        red = capture(kwin, x, y, 1, 1)[2][0]
        if red != last:
            print(red, flush=True)
        last = red
        if red == 0:
            break
    sys.exit(0)

x, y, width, height = (int(a) for a in sys.argv[1:5])
w, h, rgb = capture(kwin, x, y, width, height)
sys.stdout.buffer.write(b"P6\n%d %d\n255\n" % (w, h) + rgb)
