#!/usr/bin/env python3
"""Draws the history windows' small icons as .ico files into history/ (run by hand; the output is
kept beside it). Each is 16 x 16, 32 bits per pixel with its mask (make_icons.ico).

history_sent.ico     (749) an arrow pointing right, blue: a message the user sent
history_received.ico (750) an arrow pointing left, green: a message the user received
history_memo.ico     (849) a note sheet with lines, amber: a memo is stored for the partner
"""
import sys
from pathlib import Path

from make_icons import ico


def arrow_pixels(right):
    points = {(x, y) for x in range(2, 10) for y in range(6, 10)}
    for i in range(7):  # the head: a triangle from column 9 to 15
        for y in range(1 + i, 15 - i):
            points.add((9 + i, y))
    if not right:
        points = {(15 - x, y) for (x, y) in points}
    return points


def memo_pixels():
    points = set()
    for x in range(3, 13):
        points.add((x, 1))
        points.add((x, 14))
    for y in range(1, 15):
        points.add((3, y))
        points.add((12, y))
    for y in (4, 7, 10):
        for x in range(5, 11):
            points.add((x, y))
    return points


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent / 'history'
    out.mkdir(parents=True, exist_ok=True)
    (out / 'history_sent.ico').write_bytes(ico(16, 16, arrow_pixels(True), (0x20, 0x50, 0xC0)))
    (out / 'history_received.ico').write_bytes(ico(16, 16, arrow_pixels(False), (0x20, 0x90, 0x30)))
    (out / 'history_memo.ico').write_bytes(ico(16, 16, memo_pixels(), (0xD0, 0x90, 0x10)))


if __name__ == '__main__':
    main()
