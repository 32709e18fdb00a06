#!/usr/bin/env python3
"""Draws the editing toolbar's image strip (14 images of 20 x 20) as an 8-bit BMP.

Run once: python3 tools/make_edit_toolbar_bmp.py resources/edit_toolbar.bmp
Image 13 (Select Tile) serves the project window's toolbar.
"""
import math
import sys

from toolbar_strip import BLACK, BLUE, BROWN, GREEN, GREY, ORANGE, RED, WHITE, YELLOW, Strip

N = 14
SCATTER = [(3, 4), (8, 3), (14, 5), (5, 9), (11, 8), (16, 10), (3, 14), (9, 13), (14, 15), (7, 17)]
OUTLINE = [(3, 3), (16, 5), (12, 10), (17, 16), (4, 15)]


def save(im):
    im.rect(2, 2, 17, 17, BLUE)
    im.rect(5, 2, 14, 8, WHITE)
    im.rect(11, 3, 13, 7, BLUE)
    im.rect(5, 11, 14, 17, GREY)


def single(im):
    for x, y in SCATTER:
        im.dot(x, y, GREY)
    im.line(10, 4, 10, 16, BLACK)
    im.line(4, 10, 16, 10, BLACK)
    im.rect(9, 9, 11, 11, RED)


def polygon(im, inside=RED, outside=GREY):
    im.poly(OUTLINE, BLACK)
    for x, y in [(6, 6), (9, 7), (7, 11), (10, 13), (13, 13)]:
        im.dot(x, y, inside)
    for x, y in [(16, 1), (17, 9), (1, 9)]:
        im.dot(x, y, outside)


def by_class(im):
    im.poly(OUTLINE, BLACK)
    for x, y in [(6, 6), (7, 11), (13, 13)]:
        im.dot(x, y, RED)
    for x, y in [(9, 7), (10, 13)]:
        im.dot(x, y, GREEN)


def line_side(im, above):
    im.line(1, 12, 18, 7, BLACK)
    for x, y in [(3, 5), (8, 3), (14, 2), (6, 8), (12, 5)]:
        im.dot(x, y, RED if above else GREY)
    for x, y in [(3, 15), (8, 13), (14, 15), (10, 17), (16, 11)]:
        im.dot(x, y, GREY if above else RED)


def filter_polygon(im):
    im.poly(OUTLINE, BLACK)
    im.poly([(7, 6), (13, 6), (11, 10), (11, 14), (9, 15), (9, 10)], BLUE)


def undo(im, mirror=False):
    def p(x):
        return 19 - x if mirror else x
    for i in range(40):
        a = math.radians(30 + 240 * i / 39)
        x, y = 11 + 6 * math.cos(a), 11 - 6 * math.sin(a)
        im.rect(int(p(round(x))), int(round(y)), int(p(round(x))), int(round(y)) + 1, BLUE)
    im.line(p(2), 10, p(6), 10, BLUE, 2)
    im.line(p(4), 6, p(4), 14, BLUE)
    im.line(p(3), 7, p(3), 13, BLUE)


def tin(im):
    pts = [(2, 16), (9, 3), (17, 8), (15, 17), (8, 11)]
    for a, b in [(0, 1), (1, 2), (2, 3), (3, 0), (4, 0), (4, 1), (4, 2), (4, 3)]:
        im.line(pts[a][0], pts[a][1], pts[b][0], pts[b][1], GREEN)


def ground(im):
    im.line(1, 15, 7, 13, BROWN, 2)
    im.line(7, 13, 12, 15, BROWN, 2)
    im.line(12, 15, 18, 12, BROWN, 2)
    for x, y in [(3, 5), (5, 8), (9, 4), (10, 8), (14, 6), (16, 3)]:
        im.dot(x, y, GREEN)
    for x, y in [(3, 11), (9, 11), (15, 10)]:
        im.dot(x, y, ORANGE)


def class_to_class(im):
    im.rect(1, 4, 7, 10, RED)
    im.rect(12, 9, 18, 15, GREEN)
    im.line(7, 7, 13, 7, BLACK)
    im.line(13, 7, 13, 8, BLACK)
    im.line(11, 5, 14, 8, BLACK)
    im.line(15, 5, 12, 8, BLACK)


def thinning(im):
    for i, (x, y) in enumerate(SCATTER):
        im.dot(x, y, BLACK if i % 3 == 0 else (210, 210, 210))


def select_tile(im):
    for i in range(3):
        for j in range(3):
            im.rect(1 + 6 * i, 1 + 6 * j, 6 + 6 * i, 6 + 6 * j, GREY, fill=False)
    im.rect(7, 7, 12, 12, YELLOW)
    im.rect(7, 7, 12, 12, RED, fill=False)


draw = [save, single, polygon, by_class, lambda im: line_side(im, True), lambda im: line_side(im, False),
        filter_polygon, undo, lambda im: undo(im, True), tin, ground, class_to_class, thinning, select_tile]
strip = Strip(N)
strip.draw(draw)
strip.write(sys.argv[1])
