"""Draws Zelvaro's pictures and writes them in the exact formats the two builds load.

Usage: draw-images.py OUTPUT_DIR MASK_DIR (draw-images.sh renders the caption masks into MASK_DIR).
Standard library only: PNG, BMP, ICO and CUR are written by hand so that every header field is
the one Win32 expects and no timestamp makes two runs differ.
"""

import os
import struct
import sys
import zlib

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)

# --- file formats -----------------------------------------------------------------------------
# A picture is (width, height, rows), rows top-down, each pixel an (r, g, b, a) tuple.


def png(picture, alpha=True):
    width, height, rows = picture
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter: the files are tiny, and this keeps the writer trivial
        for r, g, b, a in row:
            raw += bytes((r, g, b, a)) if alpha else bytes((r, g, b))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def info_header(width, height, bits, image_size, colours_used=0):
    """BITMAPINFOHEADER, BI_RGB; height > 0 means bottom-up rows."""
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                       colours_used, 0)


def bgr_rows(picture):
    """24-bit pixel rows, bottom-up, each padded to 4 bytes."""
    width, height, rows = picture
    out = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((b, g, r))
        line += bytes(-len(line) % 4)
        out += line
    return bytes(out)


def premultiplied_bgra_rows(picture):
    """32-bit rows, bottom-up: what AlphaBlend with AC_SRC_ALPHA expects from a DIB section."""
    out = bytearray()
    for row in reversed(picture[2]):
        for r, g, b, a in row:
            out += bytes(((b * a + 127) // 255, (g * a + 127) // 255, (r * a + 127) // 255, a))
    return bytes(out)


def mask_rows(width, bits):
    """1 bpp rows, bottom-up, each padded to 32 bits; bits is a list of rows of 0/1, top-down."""
    out = bytearray()
    for row in reversed(bits):
        line = bytearray((width + 7) // 8)
        for x, bit in enumerate(row):
            if bit:
                line[x // 8] |= 0x80 >> (x % 8)
        line += bytes(-len(line) % 4)
        out += line
    return bytes(out)


def bmp_file(header_and_pixels):
    offset = 14 + 40 + 0  # no palette in 24- or 32-bit files
    return struct.pack("<2sIHHI", b"BM", 14 + len(header_and_pixels), 0, 0, offset) + header_and_pixels


def bmp24(picture):
    pixels = bgr_rows(picture)
    return bmp_file(info_header(picture[0], picture[1], 24, len(pixels)) + pixels)


def bmp32_premultiplied(picture):
    pixels = premultiplied_bgra_rows(picture)
    return bmp_file(info_header(picture[0], picture[1], 32, len(pixels)) + pixels)


def ico24(pictures):
    """ICO of opaque 24-bit BI_RGB images, each with an all-clear AND mask."""
    images = []
    for width, height, rows in pictures:
        xor = bgr_rows((width, height, rows))
        and_mask = mask_rows(width, [[0] * width for _ in range(height)])
        # In an icon the header's height counts both masks.
        images.append(info_header(width, 2 * height, 24, len(xor) + len(and_mask)) + xor + and_mask)
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for (width, height, _), image in zip(pictures, images):
        out += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 24, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


def cur_monochrome(size, xor_bits, and_bits, hot_x, hot_y):
    """A one-image CUR: 1 bpp, palette black then white, hot spot in the directory entry."""
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    masks = mask_rows(size, xor_bits) + mask_rows(size, and_bits)
    image = info_header(size, 2 * size, 1, len(masks), 2) + palette + masks
    return (struct.pack("<HHH", 0, 2, 1)
            + struct.pack("<BBBBHHII", size, size, 2, 0, hot_x, hot_y, len(image), 6 + 16) + image)


# --- drawing ----------------------------------------------------------------------------------

SAMPLES = 8  # per axis: enough grey levels for clean anti-aliased edges at these sizes


def coverage(inside, x, y):
    hits = 0
    for i in range(SAMPLES):
        for j in range(SAMPLES):
            if inside(x + (i + 0.5) / SAMPLES, y + (j + 0.5) / SAMPLES):
                hits += 1
    return hits / (SAMPLES * SAMPLES)


def mix(a, b, t):
    return tuple(int(p + (q - p) * t + 0.5) for p, q in zip(a, b))


def polygon(points):
    """Even-odd point-in-polygon test."""
    def inside(x, y):
        result = False
        for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                result = not result
        return result
    return inside


# Per icon size: the Z's box (left, top, right, bottom), bar thickness and the diagonal's width
# measured along a row. Bars sit on whole pixels so they stay sharp; only the diagonal is smoothed.
Z_SHAPES = {
    48: (11, 10, 37, 38, 6, 8.5),
    32: (7, 6, 25, 26, 4, 6),
    16: (3, 3, 13, 13, 2, 3.5),
}


def icon(size):
    left, top, right, bottom, bar, slant = Z_SHAPES[size]
    z = polygon([(left, top), (right, top), (right, top + bar), (left + slant, bottom - bar),
                 (right, bottom - bar), (right, bottom), (left, bottom), (left, bottom - bar),
                 (right - slant, top + bar), (left, top + bar)])
    rows = [[mix(BLACK, WHITE, coverage(z, x, y)) + (255,) for x in range(size)]
            for y in range(size)]
    return size, size, rows


BUTTON_W, BUTTON_H, BUTTON_RADIUS = 89, 21, 6
ORANGE_TOP, ORANGE_BOTTOM = (255, 190, 90), (242, 140, 20)
ORANGE_EDGE = (178, 92, 0)
CAPTION_BLUE = (12, 36, 100)


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        dx = x - min(max(x, x0 + radius), x1 - radius)
        dy = y - min(max(y, y0 + radius), y1 - radius)
        return x0 <= x <= x1 and y0 <= y <= y1 and dx * dx + dy * dy <= radius * radius
    return inside


def button(caption_mask):
    outer = rounded_rect(0, 0, BUTTON_W, BUTTON_H, BUTTON_RADIUS)
    inner = rounded_rect(1, 1, BUTTON_W - 1, BUTTON_H - 1, BUTTON_RADIUS - 1)
    rows = []
    for y in range(BUTTON_H):
        fill = mix(ORANGE_TOP, ORANGE_BOTTOM, y / (BUTTON_H - 1))
        row = []
        for x in range(BUTTON_W):
            out_cov = coverage(outer, x, y)
            if out_cov == 0:
                row.append((0, 0, 0, 0))
                continue
            colour = mix(ORANGE_EDGE, fill, coverage(inner, x, y) / out_cov)
            colour = mix(colour, CAPTION_BLUE, caption_mask[y * BUTTON_W + x] / 255)
            row.append(colour + (int(255 * out_cov + 0.5),))
        rows.append(row)
    return BUTTON_W, BUTTON_H, rows


# Pointing hand: 'X' outline (black), 'o' fill (white), '.' transparent. The top pixel of the
# index finger, the hot spot, is marked '@' (outline too).
HAND = """
................................
................................
................................
................................
................................
..........X@X...................
.........XoooX..................
.........XoooX..................
.........XoooX..................
.........XoooX..................
.........XoooX..................
.........XoooXXXX...............
.........XoooXoooXXXX...........
.........XoooXoooXoooX..........
.........XoooXoooXoooXXX........
....XXX..XoooXoooXoooXooX.......
...XoooX.XoooXoooXoooXooX.......
...XooooXXooooooooooooooX.......
....XooooXooooooooooooooX.......
.....XooooooooooooooooooX.......
......XoooooooooooooooooX.......
.......XooooooooooooooooX.......
........XoooooooooooooooX.......
........XooooooooooooooX........
.........XoooooooooooooX........
.........XoooooooooooooX........
.........XXXXXXXXXXXXXXX........
................................
................................
................................
................................
................................
"""
CURSOR_SIZE = 32


def hand():
    rows = HAND.split()
    if len(rows) != CURSOR_SIZE or any(len(r) != CURSOR_SIZE for r in rows):
        raise ValueError("hand map is not %d x %d" % (CURSOR_SIZE, CURSOR_SIZE))
    (hot_y, row), = [(y, r) for y, r in enumerate(rows) if "@" in r]
    hot_x = row.index("@")
    if any(c != "." for r in rows[:hot_y] for c in r):
        raise ValueError("the hot spot must be the topmost pixel of the hand")
    rows = [r.replace("@", "X") for r in rows]
    # Win32 monochrome cursor: AND 1 + XOR 0 is transparent, AND 0 + XOR 0 black, AND 0 + XOR 1 white.
    and_bits = [[int(c == ".") for c in r] for r in rows]
    xor_bits = [[int(c == "o") for c in r] for r in rows]
    preview = [[(0, 0, 0, 0) if c == "." else (WHITE if c == "o" else BLACK) + (255,) for c in r]
               for r in rows]
    return (CURSOR_SIZE, CURSOR_SIZE, preview), xor_bits, and_bits, hot_x, hot_y


def main(out_dir, mask_dir):
    files = {}
    icons = {size: icon(size) for size in (48, 32, 16)}
    files["zelvaro.ico"] = ico24([icons[48], icons[32], icons[16]])
    for size, picture in icons.items():
        files["zelvaro-%d.png" % size] = png(picture, alpha=False)
    files["icone-48.png"] = png(icons[48], alpha=False)
    files["icone-48.bmp"] = bmp24(icons[48])

    for name in ("donner-fr", "donner-en"):
        with open(os.path.join(mask_dir, name + ".gray"), "rb") as f:
            mask = f.read()
        if len(mask) != BUTTON_W * BUTTON_H:
            raise ValueError("%s caption mask has %d bytes" % (name, len(mask)))
        picture = button(mask)
        files[name + ".png"] = png(picture)
        files[name + ".bmp"] = bmp32_premultiplied(picture)

    preview, xor_bits, and_bits, hot_x, hot_y = hand()
    files["main.cur"] = cur_monochrome(CURSOR_SIZE, xor_bits, and_bits, hot_x, hot_y)
    files["main-cursor.png"] = png(preview)

    for name, data in sorted(files.items()):
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: draw-images.py OUTPUT_DIR MASK_DIR")
    main(sys.argv[1], sys.argv[2])
