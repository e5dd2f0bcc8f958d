#!/usr/bin/env python3
"""Draws the program icon (a camera in front of a photo print) and writes
res/OrvalisUninstaller.ico with a 32x32 and a 16x16 image, 8 bits per pixel.

The 32x32 image is sampled at pixel centres from shapes in a 0..1 square; at 16x16 that
blurs, so the small image is drawn by hand below. Standard library only."""

import math
import os
import struct
import sys

PALETTE = [
    (0, 0, 0),        # 0 transparent (masked)
    (40, 40, 48),     # 1 outline
    (88, 92, 104),    # 2 camera body
    (140, 146, 160),  # 3 camera top
    (250, 250, 245),  # 4 photo border
    (110, 170, 235),  # 5 sky
    (70, 150, 70),    # 6 hill
    (250, 200, 40),   # 7 sun
    (20, 30, 60),     # 8 lens glass
    (170, 200, 240),  # 9 lens highlight
    (220, 60, 50),    # 10 shutter button
]


# The 16x16 image, one letter per pixel (see SMALL_KEYS).
SMALL = [
    "....KKKKKKKKKKKK",
    "....KWWWWWWWWWWK",
    "....KWSSSSSSYYWK",
    "....KWSSSSSSYYWK",
    "....KWSSSSSSSSWK",
    "..KKKKKSSSGGGGWK",
    "..KTTKGGGGGGGGWK",
    "KKKKKKKKKKKKKKKK",
    "KTTTTTTKKKTTRRTK",
    "KBBBBBKLLLKBBBBK",
    "KBBBBKLHLLLKBBBK",
    "KBBBBKLLLLLKBBBK",
    "KBBBBKLLLLLKBBBK",
    "KBBBBBKLLLKBBBBK",
    "KBBBBBBKKKBBBBBK",
    "KKKKKKKKKKKKKKKK",
]
SMALL_KEYS = {".": 0, "K": 1, "B": 2, "T": 3, "W": 4, "S": 5, "G": 6, "Y": 7, "L": 8, "H": 9, "R": 10}


def in_rect(x, y, x0, y0, x1, y1):
    return x0 <= x < x1 and y0 <= y < y1


def rotate(x, y, cx, cy, deg):
    a = math.radians(deg)
    dx, dy = x - cx, y - cy
    return (cx + dx * math.cos(a) - dy * math.sin(a), cy + dx * math.sin(a) + dy * math.cos(a))


def pixel(x, y, edge):
    """Colour index at point (x, y) of the unit square; edge is one pixel's width."""
    # Camera, drawn last so it lies on top.
    if in_rect(x, y, 0.30, 0.42, 0.42, 0.50) or in_rect(x, y, 0.08, 0.48, 0.94, 0.92):
        if in_rect(x, y, 0.30, 0.42, 0.42, 0.50):
            return 1 if (y < 0.42 + edge or x < 0.30 + edge or x >= 0.42 - edge) else 3
        d = math.hypot(x - 0.51, y - 0.70)
        if d < 0.15:
            if d >= 0.15 - edge:
                return 1
            if math.hypot(x - 0.47, y - 0.66) < 0.045:
                return 9
            return 8
        if in_rect(x, y, 0.76, 0.53, 0.88, 0.60):
            return 10
        if (x < 0.08 + edge or x >= 0.94 - edge or y < 0.48 + edge or y >= 0.92 - edge):
            return 1
        return 3 if y < 0.58 else 2
    # Photo print behind, tilted a little.
    px, py = rotate(x, y, 0.55, 0.35, 12)
    if in_rect(px, py, 0.22, 0.04, 0.92, 0.62):
        if (px < 0.22 + edge or px >= 0.92 - edge or py < 0.04 + edge or py >= 0.62 - edge):
            return 1
        if not in_rect(px, py, 0.28, 0.10, 0.86, 0.56):
            return 4
        if math.hypot(px - 0.74, py - 0.22) < 0.07:
            return 7
        if py > 0.44 - 0.10 * math.sin((px - 0.28) * 5.0):
            return 6
        return 5
    return 0


def render(size):
    if size == len(SMALL):
        return [[SMALL_KEYS[ch] for ch in row] for row in SMALL]
    edge = 1.0 / size
    return [[pixel((c + 0.5) / size, (r + 0.5) / size, edge) for c in range(size)] for r in range(size)]


def image_bytes(size):
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    palette += b"\0\0\0\0" * (256 - len(PALETTE))
    xor_stride = (size + 3) & ~3
    and_stride = ((size + 31) // 32) * 4
    xor = b""
    mask = b""
    for row in reversed(rows):  # bottom-up
        xor += bytes(row) + b"\0" * (xor_stride - size)
        bits = bytearray(and_stride)
        for c, index in enumerate(row):
            if index == 0:
                bits[c // 8] |= 0x80 >> (c % 8)
        mask += bytes(bits)
    return header + palette + xor + mask


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res", "OrvalisUninstaller.ico")
    images = [(32, image_bytes(32)), (16, image_bytes(16))]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(blob), offset)
        offset += len(blob)
    for _, blob in images:
        data += blob
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
