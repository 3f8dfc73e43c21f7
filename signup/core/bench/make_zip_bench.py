#!/usr/bin/env python3
"""Writes a zip-code file of 120,580 lines shaped like the real one (code page 932, CRLF) and
packs it into zipcode.ful with lhapack: the fixture of the Windows loader benchmark."""
import os
import subprocess
import sys

out, lhapack = sys.argv[1], sys.argv[2]
os.makedirs(out, exist_ok=True)
towns = ["千代田", "皇居外苑（その他）", "大手町１～３丁目", "以下に掲載がない場合"]
lines = []
for i in range(120580):
    code = 1000000 + (i * 37) % 8999999
    lines.append(f'"{code:07d}","東京都","千代田区","{towns[i % 4]}","{i % 5 == 0:d}"'.encode("cp932") + b"\r\n")
csv = os.path.join(out, "zipcode.csv")
with open(csv, "wb") as f:
    f.write(b"".join(lines))
archive = os.path.join(out, "zipcode.ful")
if os.path.exists(archive):
    os.remove(archive)
subprocess.run([lhapack, "c", archive, csv], check=True)
os.remove(csv)
