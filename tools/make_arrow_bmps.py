#!/usr/bin/env python3
"""Draws the four arrow bitmaps of the field-list buttons as 24-bit BMPs.

Run once: python3 tools/make_arrow_bmps.py resources
Up and down arrows are 32 x 24, left and right 24 x 32. The background is the
3D face grey so that LR_LOADMAP3DCOLORS maps it to the button face colour.
"""
import os
import struct
import sys

BG = (192, 192, 192)
INK = (0, 0, 128)


def write_bmp(path, w, h, pixel):
    row = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray()
        for x in range(w):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - w * 3)
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def up_arrow(x, y, w=32, h=24):
    # A head of 12 rows over a shaft of 8 columns.
    cx = (w - 1) / 2.0
    if 2 <= y < 13 and abs(x - cx) <= (y - 2) + 0.5:
        return INK
    if 13 <= y < 22 and abs(x - cx) <= 4:
        return INK
    return BG


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources"
    write_bmp(os.path.join(out, "arrow_up.bmp"), 32, 24, lambda x, y: up_arrow(x, y))
    write_bmp(os.path.join(out, "arrow_down.bmp"), 32, 24, lambda x, y: up_arrow(x, 23 - y))
    write_bmp(os.path.join(out, "arrow_left.bmp"), 24, 32, lambda x, y: up_arrow(y, x))
    write_bmp(os.path.join(out, "arrow_right.bmp"), 24, 32, lambda x, y: up_arrow(y, 23 - x))


main()
