#!/usr/bin/env python3
"""Draws the received-message list's seven small icons as .ico files into recv/ (run by hand; the
output is kept beside it). Each is 16 x 16, 32 bits per pixel with its mask (make_icons.ico).

recv_waiting.ico    (159) a closed envelope, blue: waiting, not opened yet
recv_unreadable.ico (161) a closed envelope, red: the message could not be fetched
recv_opened.ico     (190) an open envelope, grey: opened
recv_voice.ico      (158) a note, green: a voice-clip attachment
recv_spare.ico      (626) a small disc, grey (the list does not use it)
recv_package.ico    (845) a box, brown: an attachment package
recv_other.ico      (846) a page, dark grey: another attachment
"""
import sys
from pathlib import Path

from make_icons import ico


def envelope_pixels(open_flap):
    points = set()
    for x in range(1, 15):
        points.add((x, 4))
        points.add((x, 13))
    for y in range(4, 14):
        points.add((1, y))
        points.add((14, y))
    for i in range(7):  # the flap: a V from the top corners to the middle (or above, when open)
        y = 4 + i if not open_flap else 4 - min(i, 3)
        points.add((1 + i, y))
        points.add((14 - i, y))
    return points


def note_pixels():
    points = {(x, y) for x in range(3, 8) for y in range(10, 14) if (x - 5) ** 2 + (y - 11.5) ** 2 <= 5}
    points |= {(7, y) for y in range(2, 12)} | {(8, y) for y in range(2, 5)} | {(9, y) for y in range(3, 6)}
    return points


def disc_pixels(radius):
    return {(x, y) for y in range(16) for x in range(16) if (x - 7.5) ** 2 + (y - 7.5) ** 2 <= radius ** 2}


def box_pixels():
    points = {(x, y) for x in range(2, 14) for y in range(5, 14) if x in (2, 13) or y in (5, 13, 9)}
    points |= {(x, 3) for x in range(4, 12)} | {(4, 4), (11, 4)}
    return points


def page_pixels():
    points = {(x, y) for x in range(3, 13) for y in range(1, 15) if x in (3, 12) or y in (1, 14)}
    points |= {(x, y) for x in range(5, 11) for y in (4, 7, 10)}
    return points


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent / 'recv'
    out.mkdir(exist_ok=True)
    (out / 'recv_waiting.ico').write_bytes(ico(16, 16, envelope_pixels(False), (0x20, 0x50, 0xC0)))
    (out / 'recv_unreadable.ico').write_bytes(ico(16, 16, envelope_pixels(False), (0xD0, 0x20, 0x20)))
    (out / 'recv_opened.ico').write_bytes(ico(16, 16, envelope_pixels(True), (0x70, 0x70, 0x70)))
    (out / 'recv_voice.ico').write_bytes(ico(16, 16, note_pixels(), (0x10, 0x90, 0x30)))
    (out / 'recv_spare.ico').write_bytes(ico(16, 16, disc_pixels(3), (0x90, 0x90, 0x90)))
    (out / 'recv_package.ico').write_bytes(ico(16, 16, box_pixels(), (0x90, 0x60, 0x20)))
    (out / 'recv_other.ico').write_bytes(ico(16, 16, page_pixels(), (0x40, 0x40, 0x40)))


if __name__ == '__main__':
    main()
