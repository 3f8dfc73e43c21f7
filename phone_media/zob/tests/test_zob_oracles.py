"""Our WAV/AIFF streams and ZOB files against independent readers and writers: sox and soxi,
Python's wave and aifc modules, and the reference decoder in zob_reference.py.

NV_ZOBTOOL is the nv_zobtool program; NV_ZOBTOOL_RUNNER, when set, runs it (Wine for the
Windows build). Each test works in its own folder and passes relative paths.
"""

import array
import math
import os
import struct
import subprocess
import sys
import warnings
import wave

import pytest

sys.path.insert(0, os.path.dirname(__file__))
import zob_reference  # noqa: E402

with warnings.catch_warnings():
    warnings.simplefilter("ignore", DeprecationWarning)
    import aifc  # noqa: E402

TOOL = os.environ.get("NV_ZOBTOOL")
RUNNER = os.environ.get("NV_ZOBTOOL_RUNNER", "")

pytestmark = pytest.mark.skipif(not TOOL, reason="NV_ZOBTOOL is not set (run through CTest)")

# Round-trip quality floor for the speech-like clips. 4-bit ADPCM with a per-block scale measures
# about 30 dB on them (30.8 dB from 16-bit, 30.3 dB from the recorder's 8-bit format); 24 dB
# leaves room for the signal's variation, while a wrong predictor (the 44.1 kHz coefficients on
# an 8 kHz clip) falls below 0 dB. Small arithmetic slips are caught by the sample-for-sample
# comparison with the reference decoder instead.
MIN_SNR_DB = 24.0


@pytest.fixture(autouse=True)
def in_tmp(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)


def tool(*args, check=True):
    command = ([RUNNER] if RUNNER else []) + [TOOL, *args]
    result = subprocess.run(command, capture_output=True, text=True, timeout=120, stdin=subprocess.DEVNULL)
    if check and result.returncode != 0:
        raise AssertionError(f"nv_zobtool {' '.join(args)} failed ({result.returncode}): {result.stderr}")
    return result


def sox(*args):
    subprocess.run(["sox", "-R", "-V1", *args], check=True, timeout=60)


def soxi(option, path):
    return subprocess.run(["soxi", option, path], capture_output=True, text=True, check=True).stdout.strip()


def sox_samples(path):
    """What sox reads from a file, as interleaved 16-bit samples."""
    raw = subprocess.run(["sox", "-V1", path, "-t", "raw", "-e", "signed", "-b", "16", "-L", "-"],
                         capture_output=True, check=True).stdout
    return list(struct.unpack(f"<{len(raw) // 2}h", raw))


def read_raw(path):
    with open(path, "rb") as f:
        raw = f.read()
    return list(struct.unpack(f"<{len(raw) // 2}h", raw))


def write_raw(path, samples):
    with open(path, "wb") as f:
        f.write(struct.pack(f"<{len(samples)}h", *samples))


def ramp(frames, channels):
    """Samples that touch both ends of the range and every byte value."""
    out = []
    for i in range(frames):
        left = -32768 + (i * 977) % 65536
        out += [left, -1 - left][:channels]
    return out


def eight_bit(sample, signed):
    return ((sample >> 8) + (0 if signed else 128)) & 0xFF


@pytest.mark.parametrize("name,channels,bits", [
    ("a.wav", 1, 8), ("b.wav", 2, 8), ("c.wav", 1, 16), ("d.wav", 2, 16),
    ("e.aif", 1, 8), ("f.aif", 2, 8), ("g.aif", 1, 16), ("h.aif", 2, 16),
])
def test_streams_we_write_are_read_by_sox_and_python(name, channels, bits):
    frames = 300
    samples = ramp(frames, channels)
    write_raw("in.raw", samples)
    tool("write", name, "11025", str(channels), str(bits), "in.raw")

    assert soxi("-r", name) == "11025"
    assert soxi("-c", name) == str(channels)
    assert soxi("-b", name) == str(bits)
    assert soxi("-s", name) == str(frames)
    header = 44 if name.endswith(".wav") else 54
    assert os.path.getsize(name) == header + frames * channels * bits // 8

    module = wave if name.endswith(".wav") else aifc
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        with module.open(name, "rb") as f:
            assert (f.getframerate(), f.getnchannels(), f.getsampwidth(), f.getnframes()) == (11025, channels, bits // 8, frames)
            data = f.readframes(frames)
    if bits == 8:
        signed = name.endswith(".aif")  # AIFF 8-bit is signed, WAV 8-bit unsigned
        assert list(data) == [eight_bit(s, signed) for s in samples]
        assert sox_samples(name) == [((b ^ (0 if signed else 0x80)) - (256 if (b ^ (0 if signed else 0x80)) >= 128 else 0)) * 256
                                     for b in data]
    else:
        order = "<" if name.endswith(".wav") else ">"
        assert list(struct.unpack(f"{order}{len(samples)}h", data)) == samples
        assert sox_samples(name) == samples


@pytest.mark.parametrize("name,sox_options", [
    ("u8.wav", ["-r", "8000", "-c", "1", "-b", "8", "-e", "unsigned"]),
    ("s16stereo.wav", ["-r", "22050", "-c", "2", "-b", "16"]),
    ("s16.aif", ["-r", "8000", "-c", "1", "-b", "16"]),
    ("s8stereo.aif", ["-r", "11025", "-c", "2", "-b", "8"]),
    ("comment.wav", ["-r", "8000", "-c", "1", "-b", "16", "--comment", "a LIST chunk before the data"]),
])
def test_files_sox_writes_are_read_by_our_streams_and_our_sniffer(name, sox_options):
    sox("-n", *sox_options, name, "synth", "0.6", "sine", "300", "sine", "1700", "vol", "0.7")
    info = tool("info", name).stdout.split()
    assert info == [soxi("-r", name), soxi("-c", name), soxi("-b", name), soxi("-s", name)]
    expected = sox_samples(name)
    tool("dump", name, "out.raw")
    assert read_raw("out.raw") == expected

    # The decoder object's own reading of the same file (sniffer and PCM paths).
    sniffed = tool("sniff", name, "sniff.raw").stdout.split()
    assert sniffed[1:] == [soxi("-c", name), soxi("-r", name), soxi("-s", name)]
    assert read_raw("sniff.raw") == expected


def test_sox_mu_law_au_is_read_by_our_sniffer():
    sox("-n", "-r", "8000", "-c", "1", "-e", "mu-law", "voice.au", "synth", "0.5", "sine", "440", "vol", "0.8")
    kind, channels, rate, total = tool("sniff", "voice.au", "out.raw").stdout.split()
    assert (kind, channels, rate, total) == ("4", "1", "8000", "4000")
    assert read_raw("out.raw") == sox_samples("voice.au")


def test_a_wav_with_chunks_around_the_data_is_read():
    sox("-n", "-r", "8000", "-c", "1", "-b", "16", "plain.wav", "synth", "0.1", "sine", "500")
    with open("plain.wav", "rb") as f:
        plain = f.read()
    fmt_end = 12 + 8 + struct.unpack("<I", plain[16:20])[0]
    odd = b"junk" + struct.pack("<I", 3) + b"abc\0"  # odd size, padded
    body = plain[12:fmt_end] + odd + plain[fmt_end:] + b"LIST" + struct.pack("<I", 4) + b"INFO"
    with open("chunks.wav", "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body) + 4) + b"WAVE" + body)
    assert tool("info", "chunks.wav").stdout.split() == ["8000", "1", "16", "800"]
    tool("dump", "chunks.wav", "out.raw")
    assert read_raw("out.raw") == sox_samples("plain.wav")


def make_speech_like(path, seconds=10):
    """Tones gliding over a voice's range, a formant-like overtone and noise, with a syllable
    rhythm, 8 kHz 16-bit mono."""
    sox("-n", "-r", "8000", "-c", "1", "-b", "16", "voiced.wav", "synth", str(seconds), "sine", "120-320",
        "sine", "700-1100", "remix", "-", "tremolo", "4", "90", "vol", "0.5")
    sox("-n", "-r", "8000", "-c", "1", "-b", "16", "breath.wav", "synth", str(seconds), "pinknoise", "vol", "0.08")
    sox("-m", "voiced.wav", "breath.wav", path)


def snr_db(reference, test):
    signal = sum(s * s for s in reference)
    noise = sum((a - b) ** 2 for a, b in zip(reference, test))
    return 10 * math.log10(signal / noise)


def test_ten_second_clip_round_trip():
    make_speech_like("speech.wav")
    tool("encode", "speech.wav", "clip.zob")
    with open("clip.zob", "rb") as f:
        zob = f.read()
    assert len(zob) == 45046, "28-byte header, 2,500 blocks of 18 bytes, 18-byte terminator"
    assert zob_reference.terminator_at_end(zob)
    tool("iszob", "clip.zob")

    header, channels = zob_reference.decode(zob)
    assert (header["channels"], header["rate"], header["total"], header["high_pass"]) == (1, 8000, 80000, 500)
    reference = channels[0]
    assert len(reference) == 80000

    tool("decode", "clip.zob", "back.wav")
    assert [soxi(o, "back.wav") for o in ("-r", "-c", "-b", "-s")] == ["8000", "1", "16", "80000"]
    with wave.open("back.wav", "rb") as f:
        ours = list(array.array("h", f.readframes(f.getnframes())))
    assert ours == reference, "the C++ decoder and the reference decoder agree sample for sample"

    source = sox_samples("speech.wav")
    quality = snr_db(source, reference)
    print(f"round-trip SNR {quality:.1f} dB")
    assert quality > MIN_SNR_DB


def test_recorder_format_clip_matches_the_reference_decoder():
    """The recorder's own format: 8 kHz, 8-bit unsigned, mono, shorter than 10 s, stereo source
    taken by its first channel."""
    make_speech_like("speech.wav", seconds=3)
    sox("speech.wav", "-b", "8", "-e", "unsigned", "rec.wav")
    tool("encode", "rec.wav", "rec.zob")
    with open("rec.zob", "rb") as f:
        zob = f.read()
    header, channels = zob_reference.decode(zob)
    assert header["total"] == 24000
    assert len(zob) == 28 + 750 * 18 + 18
    tool("decode", "rec.zob", "rec_back.wav")
    with wave.open("rec_back.wav", "rb") as f:
        assert f.getnframes() == 24000
        ours = list(array.array("h", f.readframes(f.getnframes())))
    assert ours == channels[0]
    quality = snr_db(sox_samples("rec.wav"), ours)
    print(f"8-bit recorder clip SNR {quality:.1f} dB")
    assert quality > MIN_SNR_DB
