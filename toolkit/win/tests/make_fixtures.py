#!/usr/bin/python3
"""Writes the skin bitmaps of the toolkit's window tests and, independently of the C++ code,
the window shape each must give: rows scanned for runs of pixels other than the key colour,
a run merged into the rectangle made just before it when it continues that rectangle straight
down. Usage: make_fixtures.py <output folder>"""
import os
import struct
import sys

KEY = (0xF9, 0xF4, 0x00)      # the skins' default transparent colour, r, g, b
MAGENTA = (0xFF, 0x00, 0xFF)  # the key colour a skin names itself in the tests


def write_bmp(path, width, height, pixel):
    """24-bit bottom-up BMP; pixel(x, y) gives (r, g, b) with y counted from the top."""
    row_bytes = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def scan(width, height, pixel, key):
    rects = []
    for y in range(height):
        x = 0
        while x < width:
            while x < width and pixel(x, y) == key:
                x += 1
            if x >= width:
                break
            start = x
            while x < width and pixel(x, y) != key:
                x += 1
            if rects and rects[-1][0] == start and rects[-1][2] == x and rects[-1][3] == y:
                rects[-1][3] = y + 1
            else:
                rects.append([start, y, x, y + 1])
    return rects


def region_value(rects):
    return "%d:" % len(rects) + "".join("%d,%d,%d,%d:" % tuple(r) for r in rects)


def shape(x, y):
    """120 x 90: a rounded body with a notch in the top edge and a hole; a ragged right edge."""
    w, h = 120, 90
    cx, cy = w / 2.0, h / 2.0
    if ((x - cx) / 60.0) ** 2 + ((y - cy) / 45.0) ** 2 > 1.0:
        return KEY
    if y < 12 and 50 <= x < 70:
        return KEY
    if 40 <= y < 50 and 30 <= x < 45:
        return KEY
    if x >= 110 - (y % 5):
        return KEY
    return (0x20 + (x * 2) % 0xC0, 0x40 + y % 0x80, 0x90)


def keyed(x, y):
    """64 x 48 on magenta: a rectangle inset by 8 (the key colour of its skin is magenta)."""
    if 8 <= x < 56 and 8 <= y < 40:
        return (0x30, 0x60, 0xC0)
    return MAGENTA


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "shape.bmp"), 120, 90, shape)
    with open(os.path.join(out, "shape.rgn"), "w") as f:
        f.write(region_value(scan(120, 90, shape, KEY)) + "\n")
    write_bmp(os.path.join(out, "keyed.bmp"), 64, 48, keyed)
    with open(os.path.join(out, "keyed.rgn"), "w") as f:
        f.write(region_value(scan(64, 48, keyed, MAGENTA)) + "\n")


if __name__ == "__main__":
    main()
