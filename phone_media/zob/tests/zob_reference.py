"""A second ZOB decoder, written from the file format alone (standard library only), so that
tests can check what the C++ encoder writes against an independent reading.

Format: big-endian header (magic 0x8000, marker offset D with audio at D + 4, encoding type,
block size, bits, channels, rate, total samples per channel, high-pass frequency), then frames
of one 18-byte block per channel: a 16-bit word holding scale - 1 in its low 13 bits, then 32
four-bit two's-complement nibbles, earlier sample in the high nibble. Each sample is
((h1 * c1 + h2 * c2) >> 12) + nibble * scale, clamped to 16 bits. A block whose first byte has
its top bit set ends the data.
"""

import math
import struct


def coefficients(high_pass, rate):
    a = math.sqrt(2.0) - math.cos(2.0 * math.pi * high_pass / rate)
    b = math.sqrt(2.0) - 1.0
    c = (a - math.sqrt((a - b) * (a + b))) / b
    return int(c * 8192.0), int(c * c * -4096.0)  # int() truncates toward zero


def parse_header(data):
    if len(data) < 20:
        raise ValueError("short header")
    magic, marker, kind, block, bits, channels, rate, total, high_pass = struct.unpack(">HHBBBBIIH", data[:18])
    if magic != 0x8000:
        raise ValueError("no ZOB magic")
    if bits != 4 or block != 18 or channels not in (1, 2) or rate == 0:
        raise ValueError("unsupported header")
    return {"data_offset": marker + 4, "channels": channels, "rate": rate, "total": total,
            "high_pass": high_pass, "encoding": kind}


def _clamp(v):
    return max(-32768, min(32767, v))


def decode(data):
    """Returns (header, list of channels, each a list of samples), cut to the header's total."""
    header = parse_header(data)
    c1, c2 = coefficients(header["high_pass"], header["rate"])
    channels = header["channels"]
    history = [[0, 0] for _ in range(channels)]
    out = [[] for _ in range(channels)]
    pos = header["data_offset"]
    while pos + 18 * channels <= len(data):
        blocks = [data[pos + 18 * ch: pos + 18 * (ch + 1)] for ch in range(channels)]
        if any(b[0] & 0x80 for b in blocks):
            break
        for ch, block in enumerate(blocks):
            scale = (((block[0] << 8) | block[1]) & 0x1FFF) + 1
            h1, h2 = history[ch]
            for byte in block[2:]:
                for nibble in (byte >> 4, byte & 0x0F):
                    if nibble >= 8:
                        nibble -= 16
                    sample = _clamp(((h1 * c1 + h2 * c2) >> 12) + nibble * scale)
                    out[ch].append(sample)
                    h2, h1 = h1, sample
            history[ch] = [h1, h2]
        pos += 18 * channels
    total = header["total"]
    return header, [samples[:total] for samples in out]


def terminator_at_end(data):
    """True when the file ends with the 18-byte terminator 0x8001, 14, zeros."""
    tail = data[-18:]
    return len(tail) == 18 and tail[:4] == b"\x80\x01\x00\x0e" and tail[4:] == bytes(14)
