#!/usr/bin/env python3
"""Writes BodyCases.h: message texts (code page 932 bytes) and the character positions at which a
rich edit control must show them underlined, worked out here from Python's cp932 codec and
urllib, independently of the client's finder. Positions are given for both ways a rich edit
counts a line break (CR LF as two positions, or as one)."""
import sys
import urllib.parse

CASES = [
    ("japanese_three_addresses",
     "テスト http://a.example.jp/x 日本語https://b.jp:8080/p?q=1\r\n次の行 http://c.jp/ﾃｽﾄ 終わり"),
    ("rtf_shows_as_typed", "{\\rtf1\\ansi {\\b bold}} http://x.jp/{\\rtf"),
    ("words_that_begin_with_http", "httpd http:/bad http://ok.jp httpx://no.jp http"),
    ("lines", "一行目\r\nhttp://d.jp/1\r\n\r\n二行目 http://e.jp:81/2\r\n"),
]
BLANKS = " \t\r\n\v\f"


def valid(candidate):
    try:
        parts = urllib.parse.urlsplit(candidate)
        parts.port  # raises for a port that is not a number in range
    except ValueError:
        return False
    return parts.scheme in ("http", "https") and bool(parts.hostname)


def spans(text):
    out = []
    i = 0
    while i < len(text):
        if text.startswith("http", i):
            end = i
            while end < len(text) and text[end] not in BLANKS and len(text[end].encode("cp932")) == 1:
                end += 1
            if valid(text[i:end]):
                out.append((i, end))
            i = max(end, i + 1)
        else:
            i += 1
    return out


def cr_only(text, position):
    return position - text[:position].count("\r\n")


def c_bytes(data):
    return "".join("\\x%02X" % b for b in data)


def main(path):
    lines = ["// Written by make_body_cases.py; do not edit.", "#pragma once", "#include <utility>",
             "#include <vector>", "struct BodyCase {", "    const char* name;", "    const char* text;",
             "    std::vector<std::pair<long, long>> spans;        // CR LF as two positions",
             "    std::vector<std::pair<long, long>> spansCrOnly;  // CR LF as one",
             "    std::vector<long> breaks;        // positions of line-break marks (no glyph), CR LF as two",
             "    std::vector<long> breaksCrOnly;", "};",
             "static const BodyCase kBodyCases[] = {"]
    for name, text in CASES:
        found = spans(text)
        two = ", ".join("{%d, %d}" % s for s in found)
        one = ", ".join("{%d, %d}" % (cr_only(text, a), cr_only(text, b)) for a, b in found)
        marks = [i for i, ch in enumerate(text) if ch in "\r\n"]
        marks_one = sorted({cr_only(text, i) for i in marks})
        lines.append('    {"%s", "%s", {%s}, {%s}, {%s}, {%s}},' % (
            name, c_bytes(text.encode("cp932")), two, one, ", ".join(map(str, marks)), ", ".join(map(str, marks_one))))
    lines.append("};")
    with open(path, "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
