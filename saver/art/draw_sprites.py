#!/usr/bin/env python3
"""Draws the screen saver's two pictures as 8-bit BMP files.

usage: draw_sprites.py NORMAL.bmp ARRIVAL.bmp

Both are 208 x 169 pixels, the size of a sprite cell, on the key colour RGB(128, 0, 128), which
the saver's image list treats as transparent. The normal picture is a blue cloud with a face;
the arrival picture is an orange envelope with a red badge.
"""

import struct
import sys

WIDTH, HEIGHT = 208, 169
KEY = (128, 0, 128)

PALETTE = [
    KEY,              # 0 key (transparent)
    (64, 160, 255),   # 1 cloud blue
    (255, 255, 255),  # 2 white
    (16, 16, 48),     # 3 dark (eyes, outlines)
    (255, 160, 32),   # 4 envelope orange
    (220, 40, 40),    # 5 badge red
    (255, 220, 160),  # 6 light orange (flap)
    (140, 200, 255),  # 7 light blue (highlight)
]


def blank():
    return [[0] * WIDTH for _ in range(HEIGHT)]


def ellipse(img, cx, cy, rx, ry, colour):
    for y in range(max(0, cy - ry), min(HEIGHT, cy + ry + 1)):
        for x in range(max(0, cx - rx), min(WIDTH, cx + rx + 1)):
            if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
                img[y][x] = colour


def rect(img, left, top, right, bottom, colour):
    for y in range(max(0, top), min(HEIGHT, bottom)):
        for x in range(max(0, left), min(WIDTH, right)):
            img[y][x] = colour


def triangle(img, a, b, c, colour):
    def side(p, q, r):
        return (p[0] - r[0]) * (q[1] - r[1]) - (q[0] - r[0]) * (p[1] - r[1])

    for y in range(HEIGHT):
        for x in range(WIDTH):
            d1, d2, d3 = side((x, y), a, b), side((x, y), b, c), side((x, y), c, a)
            negative = d1 < 0 or d2 < 0 or d3 < 0
            positive = d1 > 0 or d2 > 0 or d3 > 0
            if not (negative and positive):
                img[y][x] = colour


def normal_picture():
    img = blank()
    for cx, cy, rx, ry in ((70, 95, 55, 45), (135, 90, 60, 50), (105, 65, 50, 45), (160, 110, 40, 35)):
        ellipse(img, cx, cy, rx, ry, 1)
    ellipse(img, 95, 50, 18, 10, 7)
    for ex in (85, 130):
        ellipse(img, ex, 90, 11, 14, 2)
        ellipse(img, ex + 3, 93, 5, 7, 3)
    for x in range(90, 126):
        y = 120 + int(((x - 108) / 18.0) ** 2 * -8 + 8)
        rect(img, x, y, x + 1, y + 3, 3)
    return img


def arrival_picture():
    img = blank()
    rect(img, 24, 40, 184, 150, 4)
    triangle(img, (24, 40), (184, 40), (104, 105), 6)
    for i in range(0, 65):
        rect(img, 24 + i * 80 // 64, 40 + i, 26 + i * 80 // 64, 42 + i, 3)
        rect(img, 182 - i * 80 // 64, 40 + i, 184 - i * 80 // 64, 42 + i, 3)
    ellipse(img, 176, 36, 26, 26, 5)
    rect(img, 172, 18, 181, 44, 2)
    rect(img, 172, 48, 181, 56, 2)
    return img


def write_bmp(path, img):
    row_bytes = (WIDTH + 3) & ~3
    pixels = bytearray()
    for row in reversed(img):
        pixels += bytes(row) + bytes(row_bytes - WIDTH)
    palette = bytearray()
    for r, g, b in PALETTE + [(0, 0, 0)] * (256 - len(PALETTE)):
        palette += bytes((b, g, r, 0))
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + palette + pixels)


if __name__ == "__main__":
    write_bmp(sys.argv[1], normal_picture())
    write_bmp(sys.argv[2], arrival_picture())
