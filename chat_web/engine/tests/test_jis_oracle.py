"""The engine's JIS conversions against Python's own iso2022_jp and cp932 codecs."""

import os
import subprocess

import pytest

TOOL = os.environ.get("NV_JIS_TOOL")

CORPUS = [
    "こんにちは、世界",
    "漢字かな交じり文です。",
    "カタカナとＡＢＣ１２３",
    "記号：〒※→←↑↓〓",
    "第二水準：鬱蒼とした薔薇",
    "ascii only line",
    "混在 mixed テキスト end",
    "ソフト表示能力",  # 0x5C trail bytes in code page 932
]


def tool(mode, data):
    out = subprocess.run([TOOL, mode, data.hex()], capture_output=True, text=True, check=True).stdout.strip()
    return bytes.fromhex(out)


pytestmark = pytest.mark.skipif(not TOOL, reason="NV_JIS_TOOL is not set (run through CTest)")


@pytest.mark.parametrize("text", CORPUS)
def test_encoding_matches_pythons_iso2022_jp(text):
    assert tool("enc", text.encode("cp932")) == text.encode("iso2022_jp")


@pytest.mark.parametrize("text", CORPUS)
def test_decoding_matches_pythons_cp932(text):
    assert tool("dec", text.encode("iso2022_jp")) == text.encode("cp932")


def test_half_width_katakana_travel_as_single_bytes():
    text = "ｱｲｳ漢ｴｵ"
    assert tool("enc", text.encode("cp932")) == b"\xb1\xb2\xb3\x1b$B4A\x1b(B\xb4\xb5"


def test_vendor_characters_never_put_8_bit_bytes_in_a_jis_run():
    # NEC row 13 has JIS rows; user-defined characters (lead 0xF0-0xF9) have none.
    assert tool("enc", "①".encode("cp932")) == b"\x1b$B-!\x1b(B"
    assert tool("enc", b"\xf0\x40\xf9\xfc") == b"\x1b$B\".\".\x1b(B"
