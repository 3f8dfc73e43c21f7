#!/usr/bin/env python3
"""Writes the zip-code test fixture: the UTF-8 source lines as a code page 932 file with CRLF line
ends, packed into zipcode.ful with lhapack, and the expected lookups as code page 932."""
import os
import subprocess
import sys

src, out, lhapack = sys.argv[1], sys.argv[2], sys.argv[3]
os.makedirs(out, exist_ok=True)
with open(os.path.join(src, "zipcode_fixture.csv"), encoding="utf-8") as f:
    lines = f.read().splitlines()
with open(os.path.join(out, "zipcode.csv"), "wb") as f:
    f.write(b"".join(line.encode("cp932") + b"\r\n" for line in lines))
with open(os.path.join(src, "zipcode_cases.tsv"), encoding="utf-8") as f:
    cases = f.read().splitlines()
with open(os.path.join(out, "cases.tsv"), "wb") as f:
    f.write(b"".join(case.encode("cp932") + b"\n" for case in cases))
archive = os.path.join(out, "zipcode.ful")
if os.path.exists(archive):
    os.remove(archive)
subprocess.run([lhapack, "c", archive, os.path.join(out, "zipcode.csv")], check=True)
os.remove(os.path.join(out, "zipcode.csv"))
