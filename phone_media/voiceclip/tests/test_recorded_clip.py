"""The ZOB file the voice-clip panel encoded from a 10-second recording (saved by its Windows
test as NV_CLIP_OUT), read by the reference decoder written from the format alone."""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "zob", "tests"))
import zob_reference  # noqa: E402


def test_recorded_clip_is_ten_seconds_of_the_tone():
    with open(os.environ["NV_CLIP_OUT"], "rb") as f:
        zob = f.read()
    assert len(zob) == 45046
    assert zob_reference.terminator_at_end(zob)
    header, channels = zob_reference.decode(zob)
    assert (header["channels"], header["rate"], header["total"]) == (1, 8000, 80000)
    # The recording the test supplied: 128 + 90 sin(2 pi 440 t), 8-bit, as 16-bit samples.
    source = [(int(128 + 90 * math.sin(2 * math.pi * 440 * i / 8000.0)) - 128) * 256 for i in range(80000)]
    decoded = channels[0]
    signal = sum(s * s for s in source)
    noise = sum((a - b) ** 2 for a, b in zip(source, decoded))
    assert 10 * math.log10(signal / noise) > 20.0
