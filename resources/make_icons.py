#!/usr/bin/env python3
"""Draws the program's icons and writes them as multi-size .ico files.

    python3 resources/make_icons.py [output folder]   (default: resources/)

zlv_gmouse.ico (the application icon) and about.ico (the about box's picture)
show a gaming mouse seen from above: a rounded body, the split between the two
buttons, the wheel and a glowing stripe. Each size is drawn from the same
shapes with 4 x 4 supersampling, so no drawing library is needed. The small
sizes are stored as 32-bit DIBs with an AND mask, 256 px as PNG.
"""
import math
import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 256)
SUPERSAMPLE = 4


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def inside_body(x, y):
    """The mouse's outline in unit coordinates (0..1 both ways): a capsule,
    slightly narrower at the front."""
    cx = 0.5
    top, bottom = 0.06, 0.94
    if y < top or y > bottom:
        return False
    t = (y - top) / (bottom - top)
    half = 0.27 + 0.06 * math.sin(math.pi * min(1.0, t * 1.15))
    # Round both ends.
    r = 0.30
    if y < top + r:
        dy = (top + r - y) / r
        half *= math.sqrt(max(0.0, 1 - dy * dy))
    elif y > bottom - r:
        dy = (y - (bottom - r)) / r
        half *= math.sqrt(max(0.0, 1 - dy * dy))
    return abs(x - cx) <= half


def shade(x, y, palette):
    """Colour (r, g, b, a) of one sample, alpha 0 outside the body."""
    if not inside_body(x, y):
        return (0.0, 0.0, 0.0, 0.0)
    # Dark edge: a sample whose neighbours leave the body.
    e = 0.035
    edge = not (inside_body(x - e, y) and inside_body(x + e, y) and
                inside_body(x, y - e) and inside_body(x, y + e))
    if edge:
        return palette["edge"] + (255.0,)
    colour = mix(palette["body_top"], palette["body_bottom"], y)
    # The split between the buttons, down to the wheel.
    if 0.06 <= y <= 0.40 and abs(x - 0.5) < 0.018:
        colour = palette["edge"]
    # The wheel.
    if 0.15 <= y <= 0.32 and abs(x - 0.5) < 0.055:
        colour = palette["wheel"]
    # The line that ends the buttons.
    if 0.40 <= y <= 0.43:
        colour = palette["edge"]
    # A glowing stripe on the palm rest.
    if 0.58 <= y <= 0.84 and abs(x - 0.5) < 0.06:
        glow = 1.0 - abs(x - 0.5) / 0.06
        colour = mix(colour, palette["glow"], 0.4 + 0.6 * glow)
    return colour + (255.0,)


def render(size, palette):
    """Rows of (r, g, b, a) bytes, top row first."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    r, g, b, a = shade(x, y, palette)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if acc[3] > 0:
                r, g, b = (acc[i] / acc[3] for i in range(3))
            else:
                r = g = b = 0.0
            row.append(tuple(int(round(v)) for v in (r, g, b, a)))
        rows.append(row)
    return rows


def dib_entry(rows):
    """A 32-bit BITMAPINFOHEADER image with its 1-bit AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(pixels) + bytes(mask)


def png_entry(rows):
    size = len(rows)
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write_ico(path, palette):
    images = []
    for size in SIZES:
        rows = render(size, palette)
        images.append((size, png_entry(rows) if size >= 256 else dib_entry(rows)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


APP_PALETTE = {
    "edge": (16, 24, 32),
    "body_top": (70, 82, 96),
    "body_bottom": (28, 34, 42),
    "wheel": (0, 200, 230),
    "glow": (0, 230, 255),
}
ABOUT_PALETTE = dict(APP_PALETTE, wheel=(255, 140, 0), glow=(255, 170, 40))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(folder, "zlv_gmouse.ico"), APP_PALETTE)
    write_ico(os.path.join(folder, "about.ico"), ABOUT_PALETTE)


if __name__ == "__main__":
    main()
