"""Writes the frame test's expected bytes with the independent Python codec
(tests/peers/nvpeers/pm_codec.py), so that the C++ test never takes them from the code it checks.
Run by the build: make_frame_vectors.py <output file>.

Lines (hex, "-" for no bytes):
  header <flags> <payload length> <the 8 header bytes>
  frame <scrambled 0/1> <seed> <payload> <the whole frame>
  parse <frame> <payload as the codec reads it> <seed, or - for a plain frame>
"""
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tests", "peers"))
from nvpeers import pm_codec as pm  # noqa: E402


def hexof(data):
    return bytes(data).hex() or "-"


# Every flags word and payload length whose header the test builds: the two this client sends, the
# neighbouring versions and word counts of the received-frame checks, and every version with one
# word.
HEADER_FLAGS = sorted({0x0711, 0x0310, 0x0710, 0x0410, 0x0311, 0x0210, 0x031F} |
                      {version << 8 | 0x11 for version in range(16)})
HEADER_LENGTHS = (0, 4, 5, 13, 28, 0xFFFFFFF4, 0xFFFFFFFF)

# Frames the test names, and random ones of every length up to 40 (all four permutations and all
# three multipliers), from a fixed random seed.
NAMED_FRAMES = [
    (True, 0x01020304, b""),
    (True, 0xA1B2C3D4, bytes(range(1, 14))),
    (False, 0, b"\x41" * 28),
]


def main(path):
    rng = random.Random(20270315)
    lines = ["# Written by messaging/wire/tests/make_frame_vectors.py with the Python codec."]
    for flags in HEADER_FLAGS:
        for length in HEADER_LENGTHS:
            lines.append("header %04x %08x %s" % (flags, length, hexof(pm.frame_header(length, flags=flags))))
    frames = list(NAMED_FRAMES)
    for length in range(41):
        frames.append((True, rng.getrandbits(32), bytes(rng.getrandbits(8) for _ in range(length))))
    frames.append((False, 0, bytes(rng.getrandbits(8) for _ in range(17))))
    for scrambled, seed, payload in frames:
        frame = pm.build_frame(payload, seed=seed, scrambled=scrambled)
        lines.append("frame %d %08x %s %s" % (scrambled, seed, hexof(payload), hexof(frame)))
    # A five-byte payload behind seed word 42 under every version: the codec unscrambles exactly
    # the scrambled family.
    for version in range(16):
        frame = pm.frame_header(5, flags=version << 8 | 0x11) + bytes([0, 0, 0, 42]) + bytes([1, 2, 3, 4, 5])
        payload, seed, _ = pm.parse_frame(frame)
        lines.append("parse %s %s %s" % (hexof(frame), hexof(payload), "-" if seed is None else "%08x" % seed))
    with open(path, "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
