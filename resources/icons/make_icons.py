#!/usr/bin/env python3
"""Draws the program's small icons as .ico files (run by hand; the output is kept beside it).

menu_check.ico: the check mark of owner-drawn menus, a dark green tick on a clear background,
16 x 16, 32 bits per pixel with its mask.
error_warning.ico, error_information.ico, error_caution.ico: the error log's three kinds.
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


def disc_pixels():
    """A filled disc of radius 6.5 around (7.5, 7.5)."""
    return {(x, y) for y in range(16) for x in range(16) if (x - 7.5) ** 2 + (y - 7.5) ** 2 <= 6.5 ** 2}


def triangle_pixels():
    """A triangle standing on row 14, its tip at (7.5, 1)."""
    return {(x, y) for y in range(1, 15) for x in range(16) if abs(x - 7.5) <= (y - 1) * 0.55 + 0.5}


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    (out / 'menu_check.ico').write_bytes(ico(16, 16, tick_pixels(), GREEN))
    # The error log's kinds: a red disc (warning), a blue disc (information), an amber triangle
    # (caution).
    (out / 'error_warning.ico').write_bytes(ico(16, 16, disc_pixels(), (0xD0, 0x20, 0x20)))
    (out / 'error_information.ico').write_bytes(ico(16, 16, disc_pixels(), (0x20, 0x50, 0xD0)))
    (out / 'error_caution.ico').write_bytes(ico(16, 16, triangle_pixels(), (0xE0, 0xA0, 0x10)))


if __name__ == '__main__':
    main()
