#!/usr/bin/env python3
"""Draws the 3D view's toolbar strip (5 images of 32 x 32, 24-bit) and its
navigate cursor (32 x 32 monochrome .cur).

Run once: python3 tools/make_gl3d_bmps.py resources
Images: 0 full extent, 1 north up, 2 panelize, 3 more exaggeration, 4 less.
"""
import os
import struct
import sys

BG = (192, 192, 192)
INK = (0, 0, 128)
RED = (192, 0, 0)
W, H, N = 32, 32, 5


def image(k, x, y):
    if k == 0:  # a box with corner ticks
        if (x in (6, 25) and 6 <= y <= 25) or (y in (6, 25) and 6 <= x <= 25):
            return INK
        if (x in (2, 29) or y in (2, 29)) and (x < 8 or x > 23) and (y < 8 or y > 23):
            return INK
    elif k == 1:  # an N under an up arrow
        if 4 <= y <= 12 and abs(x - 15.5) <= (y - 4) / 1.5:
            return RED
        if 14 <= y <= 28 and (x in (9, 22) or (9 <= x <= 22 and abs((x - 9) - (y - 14) * 13 / 14.0) < 1.2)):
            return INK
    elif k == 2:  # three panels
        if (y in (5, 26) and 3 <= x <= 28) or (x in (3, 28) and 5 <= y <= 26) or (x == 15 and 5 <= y <= 26) \
                or (y == 15 and 15 <= x <= 28):
            return INK
    else:  # a mountain with a plus or a minus
        if y >= 14 and y <= 28 and abs(x - 12) <= (y - 14):
            return INK
        if 4 <= y <= 6 and 19 <= x <= 29:
            return RED
        if k == 3 and 0 <= y <= 10 and 23 <= x <= 25:
            return RED
    return BG


def write_strip(path):
    w = W * N
    row = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(H - 1, -1, -1):
        line = bytearray()
        for x in range(w):
            r, g, b = image(x // W, x % W, y)
            line += bytes((b, g, r))
        data += line + b"\0" * (row - w * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_cursor(path):
    # Four arrows around a centre: the navigate tool.
    def ink(x, y):
        c = 15
        if abs(x - c) <= 1 and 3 <= y <= 27 or abs(y - c) <= 1 and 3 <= x <= 27:
            return True
        for d in range(5):
            if y == 3 + d and abs(x - c) <= d or y == 27 - d and abs(x - c) <= d:
                return True
            if x == 3 + d and abs(y - c) <= d or x == 27 - d and abs(y - c) <= d:
                return True
        return False
    xor_rows, and_rows = [], []
    for y in range(31, -1, -1):
        xb, ab = 0, 0
        for x in range(32):
            on = ink(x, y)
            xb = (xb << 1) | (0 if on else 0)
            ab = (ab << 1) | (0 if on else 1)
        xor_rows.append(struct.pack(">I", xb))
        and_rows.append(struct.pack(">I", ab))
    palette = struct.pack("<4B4B", 0, 0, 0, 0, 255, 255, 255, 0)
    bmp = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0) + palette
    bmp += b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, 15, 15, len(bmp), 6 + 16)
    with open(path, "wb") as f:
        f.write(header + entry + bmp)


out = sys.argv[1] if len(sys.argv) > 1 else "resources"
write_strip(os.path.join(out, "gl3d_toolbar.bmp"))
write_cursor(os.path.join(out, "gl3d_navigate.cur"))
