#!/usr/bin/env python3
"""Draws the main toolbar's image strip (37 images of 20 x 20) as an 8-bit BMP.

Run once: python3 tools/make_toolbar_bmp.py resources/toolbar.bmp
"""
import sys

from toolbar_strip import BLACK, BLUE, BROWN, CYAN, GREEN, GREY, ORANGE, RED, WHITE, YELLOW, Strip

N = 37


def ramp(t):
    return (int(255 * t), 0, int(255 * (1 - t)))


def earth(t):
    return (int(60 + 160 * t), int(120 + 60 * t - 40 * t * t), int(40 + 20 * t))


def folder(im):
    im.rect(2, 6, 17, 16, YELLOW)
    im.rect(2, 6, 17, 16, BROWN, fill=False)
    im.rect(2, 4, 8, 6, BROWN, fill=False)


draw = {}
draw[0] = folder
draw[1] = lambda im: (folder(im), im.rect(11, 1, 13, 9, GREEN), im.rect(8, 4, 16, 6, GREEN))
draw[2] = lambda im: im.rect(4, 3, 15, 16, WHITE)
draw[3] = lambda im: (im.rect(3, 2, 16, 17, WHITE), im.rect(3, 2, 16, 17, BLACK, False),
                      im.line(5, 12, 14, 5, BLUE), im.line(5, 6, 12, 15, GREEN))
draw[4] = lambda im: (im.line(2, 15, 8, 5, BLUE, 2), im.line(8, 5, 17, 12, BLUE, 2), im.circle(10, 10, 4, RED))
draw[5] = lambda im: [im.rect(2 + 4 * i, 2 + 4 * j, 5 + 4 * i, 5 + 4 * j,
                              GREEN if (i + j) % 2 else BROWN) for i in range(4) for j in range(4)]
draw[6] = lambda im: [im.circle(10, 10, r, BROWN) for r in (3, 6, 9)]
draw[7] = lambda im: im.dots(lambda x, y, i: (RED, GREEN, BLUE)[i % 3])
draw[8] = lambda im: (im.dots(lambda x, y, i: BLACK), im.rect(12, 12, 18, 18, GREY))
draw[9] = lambda im: [im.rect(3, 3 + 4 * i, 16, 4 + 4 * i, (RED, GREEN, BLUE, ORANGE)[i]) for i in range(4)]
draw[10] = lambda im: im.rect(5, 5, 14, 14, GREY)
draw[11] = lambda im: im.rect(5, 5, 14, 14, BLACK, fill=False)
draw[12] = lambda im: (im.line(2, 17, 10, 3, BLACK), im.line(10, 3, 17, 17, BLACK), im.line(2, 17, 17, 17, BLACK),
                       im.rect(12, 12, 18, 18, GREY))
draw[13] = lambda im: [im.line(2, y, 17, y, ramp(y / 19)) for y in range(2, 18)] and \
    (im.line(2, 17, 10, 2, BLACK), im.line(10, 2, 17, 17, BLACK))
draw[14] = lambda im: (draw[5](im), im.dots(lambda x, y, i: WHITE))
draw[15] = lambda im: (im.line(3, 4, 15, 3, ORANGE, 2), im.line(15, 3, 17, 15, ORANGE, 2),
                       im.line(17, 15, 4, 16, ORANGE, 2), im.line(4, 16, 3, 4, ORANGE, 2))
draw[16] = lambda im: im.dots(lambda x, y, i: ramp(x / 19))
draw[17] = lambda im: im.dots(lambda x, y, i: (BROWN, GREEN, RED, BLUE)[y // 5 % 4])
draw[18] = lambda im: im.dots(lambda x, y, i: (40 + 10 * i % 215,) * 3)
draw[19] = lambda im: im.dots(lambda x, y, i: (CYAN, ORANGE, (160, 0, 160))[x // 7 % 3])
draw[20] = lambda im: im.dots(lambda x, y, i: (RED, GREEN, BLUE, YELLOW)[i % 4])
draw[21] = lambda im: im.dots(lambda x, y, i: earth(y / 19))
draw[22] = lambda im: (im.circle(8, 8, 5, BLACK), im.line(12, 12, 17, 17, BLACK, 2),
                       im.line(6, 8, 10, 8, BLACK), im.line(8, 6, 8, 10, BLACK))
draw[23] = lambda im: (im.rect(1, 8, 18, 12, YELLOW), im.rect(1, 8, 18, 12, BLACK, False),
                       [im.line(x, 8, x, 10, BLACK) for x in range(3, 18, 3)])
draw[24] = lambda im: (im.line(10, 2, 10, 17, BLACK), im.line(2, 10, 17, 10, BLACK),
                       im.line(10, 2, 7, 5, BLACK), im.line(10, 2, 13, 5, BLACK),
                       im.line(10, 17, 7, 14, BLACK), im.line(10, 17, 13, 14, BLACK),
                       im.line(2, 10, 5, 7, BLACK), im.line(2, 10, 5, 13, BLACK),
                       im.line(17, 10, 14, 7, BLACK), im.line(17, 10, 14, 13, BLACK))
draw[25] = lambda im: (im.rect(2, 2, 17, 17, BLACK, False), im.circle(9, 9, 4, BLACK), im.line(12, 12, 16, 16, BLACK))
draw[26] = lambda im: (im.dots(lambda x, y, i: GREY), im.line(4, 4, 14, 14, BLACK), im.line(4, 4, 4, 10, BLACK),
                       im.line(4, 4, 10, 4, BLACK))
draw[27] = lambda im: (im.line(2, 14, 6, 8, GREEN, 2), im.line(6, 8, 11, 11, GREEN, 2),
                       im.line(11, 11, 17, 4, GREEN, 2), im.line(2, 17, 17, 17, BLACK))
draw[28] = lambda im: (im.rect(3, 7, 12, 16, BLUE, False), im.line(3, 7, 7, 3, BLUE), im.line(12, 7, 16, 3, BLUE),
                       im.line(7, 3, 16, 3, BLUE), im.line(16, 3, 16, 12, BLUE), im.line(12, 16, 16, 12, BLUE))
draw[29] = lambda im: (im.circle(10, 10, 7, RED, True), im.line(6, 6, 14, 14, WHITE, 2), im.line(6, 14, 14, 6, WHITE, 2))
draw[30] = lambda im: (im.circle(10, 10, 6, GREEN), im.line(14, 4, 16, 8, GREEN, 2), im.line(12, 8, 16, 8, GREEN))
draw[31] = lambda im: (im.circle(10, 7, 4, RED, True), im.line(10, 11, 10, 18, RED, 2))
draw[32] = lambda im: (im.rect(2, 3, 11, 16, WHITE), im.rect(2, 3, 11, 16, BLACK, False),
                       im.line(9, 10, 17, 10, BLUE, 2), im.line(14, 7, 17, 10, BLUE), im.line(14, 13, 17, 10, BLUE))
draw[33] = lambda im: (im.rect(2, 2, 9, 11, WHITE), im.rect(10, 7, 17, 17, WHITE),
                       im.dots(lambda x, y, i: ORANGE if x < 10 else CYAN))
draw[34] = lambda im: (im.rect(3, 3, 16, 16, BLACK, False), im.dots(lambda x, y, i: RED, 7))
draw[35] = lambda im: (im.line(2, 4, 17, 8, RED), im.line(2, 10, 17, 14, BLUE), im.dots(lambda x, y, i: GREEN, 3))
draw[36] = lambda im: (im.dots(lambda x, y, i: GREY), im.line(4, 3, 4, 17, BLACK), im.rect(5, 3, 14, 9, RED))

strip = Strip(N)
strip.draw([draw[k] for k in range(N)])
strip.write(sys.argv[1])
