"""The typed-line conversion against Python's codecs: NFKC of half-width katakana gives the
full-width forms (cp932), and iso2022_jp gives the length that the 320-byte cut is about."""

import os
import random
import subprocess
import unicodedata

TOOL = os.environ.get("NV_INPUT_TOOL")
KANA = bytes(range(0xA1, 0xE0))


def convert(lines):
    assert TOOL, "NV_INPUT_TOOL is not set: run through CTest"
    out = subprocess.run([TOOL], input="\n".join(l.hex() for l in lines) + "\n",
                         capture_output=True, text=True, check=True).stdout.split("\n")
    return [bytes.fromhex(h) for h in out[: len(lines)]]


def widened(raw):
    """Python's reading of half-width kana: NFKC merges voiced pairs that have one character."""
    text = unicodedata.normalize("NFKC", raw.decode("cp932"))
    # Lone marks fold to combining marks under NFKC; the program shows the spacing ones.
    return text.replace("\u3099", "\u309b").replace("\u309a", "\u309c")


def kana_oracle(raw):
    """Each kana with a following mark becomes the one character NFKC makes of the pair when code
    page 932 has it (wa and wo with a mark it lacks go one by one); other kana alone."""
    out, i = [], 0
    while i < len(raw):
        pair = widened(raw[i:i + 2]) if i + 1 < len(raw) and raw[i + 1] in (0xDE, 0xDF) else ""
        if len(pair) == 1:
            try:
                out.append(pair.encode("cp932"))
                i += 2
                continue
            except UnicodeEncodeError:
                pass
        out.append(widened(raw[i:i + 1]).encode("cp932"))
        i += 1
    return b"".join(out)


def test_kana_lines_match_nfkc():
    rng = random.Random(29)
    lines = [bytes([b]) for b in KANA]
    lines += [bytes([a, b]) for a in KANA for b in (0xDE, 0xDF)]
    lines += [bytes(rng.choice(KANA) for _ in range(rng.randint(1, 40))) for _ in range(300)]
    for raw, got in zip(lines, convert(lines)):
        assert got == kana_oracle(raw), raw.hex()


def test_cuts_hold_to_the_jis_and_byte_limits():
    rng = random.Random(320)
    pieces = ["a", "b", " ", "日", "本", "ｶ", "ﾞ", "http://a.jp/"]
    lines = []
    for _ in range(400):
        text = "".join(rng.choice(pieces) for _ in range(rng.randint(50, 400)))
        lines.append(text.encode("cp932"))
    # Rows at both cuts: exactly at and one past each limit.
    lines += [b"a" * 256, b"a" * 257, "日".encode("cp932") * 128, "日".encode("cp932") * 129]
    lines += [("a日" * 35 + "a").encode("cp932"), ("a日" * 36).encode("cp932")]
    for raw, got in zip(lines, convert(lines)):
        text = got.decode("cp932")
        assert len(got) <= 256, raw.hex()
        assert len(text.encode("iso2022_jp")) <= 320, raw.hex()
        # The cut keeps the beginning of the converted line, and one more character would not fit.
        source = widened(raw)
        assert source.startswith(text), raw.hex()
        longer = source[: len(text) + 1]
        if len(longer) > len(text):
            assert len(longer.encode("cp932")) > 256 or len(longer.encode("iso2022_jp")) > 320, raw.hex()
