#!/usr/bin/env python3
"""Draws the main window's icons and the About box's bitmaps (run by hand; the output is kept in
shell/ beside this script).

Icons, 16 x 16 (and 32 x 32 for the program icon), 32 bits with masks:
  app_128.ico      the program and the offline tray icon: a blue disc with a white ring
  online_188.ico   the online tray icon: a green disc (the tray test reads its centre pixel)
  list_NNN.ico     the 37 pictures of the friend and user lists: discs in distinct colours, the
                   status icons 800-831 with a mood mark (one to four dots) and a phone bar
Bitmaps (24 bits, bottom-up):
  about.bmp        the About box's shape: a rounded panel on the key colour green (0,255,0)
  about_close.bmp  the About box's close button, four 32 x 32 frames (normal, pressed, hover,
                   disabled)
  credit_logo.bmp  the picture line of the credits, 48 x 14
"""
import struct
import sys
from pathlib import Path

KEY = (0, 255, 0)


def ico(images):
    """images: list of (size, pixels) with pixels[y][x] = (r, g, b, a) or None."""
    entries, blobs = b'', b''
    offset = 6 + 16 * len(images)
    for size, pixels in images:
        xor = bytearray()
        for y in reversed(range(size)):
            for x in range(size):
                p = pixels[y][x]
                xor += bytes((p[2], p[1], p[0], 255)) if p else bytes((0, 0, 0, 0))
        row_bytes = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in reversed(range(size)):
            row = bytearray(row_bytes)
            for x in range(size):
                if not pixels[y][x]:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = header + xor + mask
        entries += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs += blob
    return struct.pack('<HHH', 0, 1, len(images)) + entries + blobs


def disc(size, colour, ring=None, dots=0, bar=False):
    c = (size - 1) / 2.0
    r = size / 2.0 - 0.5
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            d = ((x - c) ** 2 + (y - c) ** 2) ** 0.5
            if d > r:
                row.append(None)
            elif ring and r - 2.2 < d <= r:
                row.append(ring)
            else:
                row.append(colour)
        pixels.append(row)
    for i in range(dots):  # mood marks along the top
        x, y = 3 + 3 * i, 3
        if size > 8:
            pixels[y][x] = (255, 255, 255)
            pixels[y][x + 1] = (255, 255, 255)
    if bar:  # in a call
        for x in range(4, size - 4):
            pixels[size - 4][x] = (255, 255, 255)
    return pixels


def bmp24(width, height, pixel):
    row_bytes = (width * 3 + 3) & ~3
    data = bytearray()
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(row_bytes - len(row))
        data += row
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 14 + len(header) + len(data), 0, 0, 14 + len(header)) + header + data


def about(x, y):
    w, h, radius = 320, 140, 24
    inside_x = min(x, w - 1 - x) >= radius or min(y, h - 1 - y) >= radius
    cx = radius if x < radius else w - 1 - radius
    cy = radius if y < radius else h - 1 - radius
    if not inside_x and (x - cx) ** 2 + (y - cy) ** 2 > radius ** 2:
        return KEY
    if x < 3 or y < 3 or x > w - 4 or y > h - 4:
        return (40, 70, 140)
    if 170 <= x <= 310 and 40 <= y <= 134:
        return (255, 255, 255)  # where the round credit view sits
    shade = 200 + (y * 40) // h
    return (shade - 60, shade - 30, min(255, shade + 20))


def close_frames(x, y):
    frame, fx = divmod(x, 32)
    base = [(200, 60, 60), (140, 30, 30), (240, 110, 110), (150, 150, 150)][frame]
    d = ((fx - 15.5) ** 2 + (y - 15.5) ** 2) ** 0.5
    if d > 15:
        return (220, 226, 240)
    if abs(fx - y) <= 1.5 and 8 <= fx <= 23 or abs(fx + y - 31) <= 1.5 and 8 <= fx <= 23:
        return (255, 255, 255)
    return base


def logo(x, y):
    return (40, 90, 200) if (x // 6 + y // 7) % 2 == 0 else (250, 200, 40)


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent / 'shell'
    out.mkdir(parents=True, exist_ok=True)
    (out / 'app_128.ico').write_bytes(ico([(16, disc(16, (30, 60, 200), (255, 255, 255))),
                                           (32, disc(32, (30, 60, 200), (255, 255, 255)))]))
    (out / 'online_188.ico').write_bytes(ico([(16, disc(16, (20, 170, 40), (255, 255, 255)))]))
    plain = {147: (128, 128, 128), 145: (90, 90, 90), 187: (230, 150, 20), 739: (200, 40, 160)}
    for number, colour in plain.items():
        (out / ('list_%d.ico' % number)).write_bytes(ico([(16, disc(16, colour))]))
    for i in range(32):
        number = 800 + i
        hue = [(220, 60, 60), (60, 160, 220), (240, 200, 40), (120, 80, 200)][i % 4]
        (out / ('list_%d.ico' % number)).write_bytes(
            ico([(16, disc(16, hue, dots=(i // 4) % 4 + 1 if i >= 4 else 0, bar=i >= 16))]))
    (out / 'about.bmp').write_bytes(bmp24(320, 140, about))
    (out / 'about_close.bmp').write_bytes(bmp24(128, 32, close_frames))
    (out / 'credit_logo.bmp').write_bytes(bmp24(48, 14, logo))


if __name__ == '__main__':
    main()
