#!/usr/bin/env python3
"""Draws the program's small icons as .ico files (run by hand; the output is kept beside it).

menu_check.ico: the check mark of owner-drawn menus, a dark green tick on a clear background,
16 x 16, 32 bits per pixel with its mask.
"""
import struct
import sys
from pathlib import Path

GREEN = (0x10, 0x80, 0x20)  # r, g, b


def tick_pixels():
    """The tick as a set of (x, y), two pixels thick: down-right from (3, 7), then up to (13, 3)."""
    points = set()
    for i in range(4):  # the short stroke
        for t in range(2):
            points.add((3 + i, 7 + i + t))
    for i in range(8):  # the long stroke
        for t in range(2):
            points.add((6 + i, 10 - i + t))
    return points


def ico(width, height, opaque, colour):
    r, g, b = colour
    xor = bytearray()
    for y in reversed(range(height)):  # bottom-up rows
        for x in range(width):
            xor += bytes((b, g, r, 255)) if (x, y) in opaque else bytes((0, 0, 0, 0))
    row_bytes = ((width + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(height)):
        row = bytearray(row_bytes)
        for x in range(width):
            if (x, y) not in opaque:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', width, height, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    (out / 'menu_check.ico').write_bytes(ico(16, 16, tick_pixels(), GREEN))


if __name__ == '__main__':
    main()
