#!/usr/bin/env python3
"""Draws the About dialog's picture (48 x 48, 24-bit BMP): a shaded terrain
profile under a sky, seen as scattered LiDAR returns.

Run once: python3 tools/make_about_bmp.py resources/about.bmp
"""
import math
import random
import struct
import sys

W = H = 48
random.seed(7)
pixels = [[(236, 233, 216) for _ in range(W)] for _ in range(H)]   # button-face like background


def ground(x):
    return 30 + 6 * math.sin(x / 7.0) + 3 * math.sin(x / 3.1)


def ramp(t):
    # blue - green - red, as the elevation colour mode
    if t < 0.5:
        u = t / 0.5
        return (0, int(191 * u), int(191 * (1 - u)))
    u = (t - 0.5) / 0.5
    return (int(191 * u), int(191 * (1 - u)), 0)


for _ in range(900):
    x = random.randrange(W)
    g = ground(x)
    if random.random() < 0.25:
        y = g - random.uniform(4, 16)        # vegetation returns above the ground
    else:
        y = g + random.uniform(0, 12)        # the ground and below the profile line
    yi = int(y)
    if 0 <= yi < H:
        pixels[yi][x] = ramp(min(1.0, max(0.0, (H - y) / H * 1.6)))

rows = b""
for y in range(H - 1, -1, -1):
    row = b"".join(struct.pack("BBB", b, g, r) for (r, g, b) in pixels[y])
    row += b"\0" * ((4 - len(row) % 4) % 4)
    rows += row
header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
with open(sys.argv[1], "wb") as f:
    f.write(header + info + rows)
