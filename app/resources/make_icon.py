#!/usr/bin/env python3
"""Draws the program's icon, a camera with a green arrow, and writes nolvetra.ico:
one 32 x 32 and one 16 x 16 image, 16 colours each (4 bits per pixel, standard palette).
Usage: make_icon.py OUTPUT.ico"""
import struct
import sys

# The standard 16-colour palette as (blue, green, red) in palette order.
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
    (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
    (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, GREEN, GREY, SILVER, LIME, YELLOW, BLUE, WHITE = 0, 2, 8, 7, 10, 11, 12, 15


def camera_pixel(u, v):
    """Palette index at (u, v) in a unit square (origin top left), or None for transparent."""
    lens = (u - 0.45) ** 2 + (v - 0.58) ** 2
    if 0.62 <= u <= 0.95 and 0.04 <= v <= 0.30:
        # the arrow of a new firmware going in: a green down arrow
        if 0.72 <= u <= 0.85 and v <= 0.18 or abs(u - 0.785) <= (0.30 - v) * 1.2 and v > 0.18:
            return LIME if u < 0.8 else GREEN
        return None
    if 0.15 <= u <= 0.38 and 0.20 <= v < 0.30:
        return GREY  # viewfinder housing
    if 0.05 <= u <= 0.95 and 0.30 <= v <= 0.90:
        if lens <= 0.035:
            return BLUE if lens > 0.012 else WHITE if lens <= 0.003 else BLACK
        if lens <= 0.055:
            return BLACK
        if 0.78 <= u <= 0.90 and 0.36 <= v <= 0.46:
            return YELLOW  # flash
        if u < 0.09 or u > 0.91 or v < 0.34 or v > 0.86:
            return BLACK   # outline
        return SILVER
    return None


def image(size):
    """Rows top to bottom of palette indices or None."""
    return [[camera_pixel((x + 0.5) / size, (y + 0.5) / size) for x in range(size)] for y in range(size)]


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def bitmap(size):
    rows = image(size)[::-1]  # bottom-up
    colours = b"".join(
        padded(bytes(((r[x] or 0) << 4) | (r[x + 1] or 0) for x in range(0, size, 2))) for r in rows)
    mask = b""
    for r in rows:
        bits = 0
        for x, pixel in enumerate(r):
            if pixel is None:
                bits |= 1 << (size - 1 - x)
        mask += padded(bits.to_bytes(size // 8, "big"))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(colours) + len(mask), 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for b, g, r in PALETTE)
    return header + palette + colours + mask


def icon(sizes):
    images = [bitmap(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(icon([32, 16]))
