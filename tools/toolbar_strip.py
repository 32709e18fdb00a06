"""Drawing of 20 x 20 toolbar images into one strip, written as an 8-bit BMP.

Shared by the scripts that draw the toolbars' strips. The background is the 3D
face grey so that LR_LOADMAP3DCOLORS maps it to the button face colour.
"""
import math
import struct

W, H = 20, 20
BG = (192, 192, 192)
BLACK, WHITE, GREY = (0, 0, 0), (255, 255, 255), (128, 128, 128)
RED, GREEN, BLUE = (220, 0, 0), (0, 160, 0), (0, 0, 220)
YELLOW, CYAN, ORANGE, BROWN = (255, 220, 0), (0, 200, 200), (255, 128, 0), (140, 90, 40)


class Strip:
    def __init__(self, count):
        self.count = count
        self.palette = [BG, (0, 0, 0), (128, 128, 128), (255, 255, 255)]
        self.pixels = [[0] * (W * count) for _ in range(H)]

    def colour(self, c):
        if c not in self.palette:
            self.palette.append(c)
        return self.palette.index(c)

    def draw(self, painters):
        assert len(painters) == self.count
        for k, paint in enumerate(painters):
            paint(Img(self, k))

    def write(self, path):
        palette = self.palette + [(0, 0, 0)] * (256 - len(self.palette))
        width = W * self.count
        row = (width + 3) & ~3
        pixels = b"".join(bytes(self.pixels[y]) + b"\0" * (row - width) for y in reversed(range(H)))
        pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
        offset = 14 + 40 + len(pal)
        header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, width, H, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
        with open(path, "wb") as f:
            f.write(header + info + pal + pixels)


class Img:
    """One image of a strip: drawing calls in its own 20 x 20 pixels."""

    def __init__(self, strip, k):
        self.strip = strip
        self.x0 = k * W

    def px(self, x, y, c):
        x, y = int(round(x)), int(round(y))
        if 0 <= x < W and 0 <= y < H:
            self.strip.pixels[y][self.x0 + x] = self.strip.colour(c)

    def rect(self, x0, y0, x1, y1, c, fill=True):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                if fill or y in (y0, y1) or x in (x0, x1):
                    self.px(x, y, c)

    def line(self, x0, y0, x1, y1, c, w=1):
        n = int(max(abs(x1 - x0), abs(y1 - y0))) * 2 + 1
        for i in range(n + 1):
            t = i / n
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for dx in range(w):
                for dy in range(w):
                    self.px(x + dx, y + dy, c)

    def poly(self, pts, c, w=1):
        for a, b in zip(pts, pts[1:] + pts[:1]):
            self.line(a[0], a[1], b[0], b[1], c, w)

    def dot(self, x, y, c):
        self.rect(x, y, x + 1, y + 1, c)

    def arc(self, cx, cy, r, a0, a1, c):
        for i in range(40):
            a = math.radians(a0 + (a1 - a0) * i / 39)
            self.px(cx + r * math.cos(a), cy - r * math.sin(a), c)

    def circle(self, cx, cy, r, c, fill=False):
        for y in range(H):
            for x in range(W):
                d = math.hypot(x - cx, y - cy)
                if (fill and d <= r) or (not fill and abs(d - r) < 0.6):
                    self.px(x, y, c)

    def dots(self, colours, seed=1):
        s = seed
        for i in range(26):
            s = (s * 1103515245 + 12345) & 0x7FFFFFFF
            x = 2 + s % 16
            s = (s * 1103515245 + 12345) & 0x7FFFFFFF
            y = 2 + s % 16
            self.rect(x, y, x + 1, y + 1, colours(x, y, i))
