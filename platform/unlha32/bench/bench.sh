#!/bin/sh
# Benchmarks of the LHA codec, run by hand (not by CTest):
#  1. -lh5- decoding of one 20 MB archive (made by jlha) by lhasa's "lha x" and by our lhapack;
#  2. -lh5- encoding of the same 20 MB by jlha and by our lhapack;
#  3. unpacking the base skin with unlha32.dll under Wine (needs a win32 build).
# Usage: platform/unlha32/bench/bench.sh [build/win32 or build/win64]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=""
if [ $# -ge 1 ]; then build=$(cd "$1" && pwd); fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
c++ -std=c++17 -O2 -I"$root" "$root"/platform/unlha32/codec/*.cpp "$root"/platform/unlha32/tools/LhaPack.cpp -o lhapack
# 20 MB of mixed text and machine code, as archives hold.
(cat /usr/share/common-licenses/* 2>/dev/null || true; cat /usr/bin/* 2>/dev/null || true) | head -c 20000000 > data.bin
test "$(stat -c %s data.bin)" -eq 20000000
seconds() { start=$(date +%s.%N); "$@" >/dev/null 2>&1; end=$(date +%s.%N); echo "$end - $start" | bc; }
best() { b=""; for i in 1 2 3 4 5; do t=$(seconds "$@"); if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi; done; echo "$b"; }
jenc=$(best sh -c 'rm -f j.lzh && jlha cqo5 j.lzh data.bin')
oenc=$(best sh -c 'rm -f o.lzh && ./lhapack c o.lzh data.bin')
ldec=$(best sh -c 'rm -rf a && mkdir a && cd a && lha xq ../j.lzh')
odec=$(best sh -c 'rm -rf b && mkdir b && ./lhapack x j.lzh b')
cmp a/data.bin data.bin && cmp b/data.bin data.bin
echo "encode -lh5- 20 MB: jlha ${jenc}s, ours ${oenc}s (ratio ours/jlha $(echo "scale=2; $oenc / $jenc" | bc)); sizes $(stat -c %s j.lzh) / $(stat -c %s o.lzh)"
echo "decode -lh5- 20 MB: lhasa ${ldec}s, ours ${odec}s (speed ratio lhasa/ours $(echo "scale=2; $ldec / $odec" | bc))"
if [ -n "$build" ]; then
  archive=$("$build/nv-wine" winepath -w "$build/bin/Skin/baseskin.csz" 2>/dev/null || echo "Z:$build/bin/Skin/baseskin.csz" | tr / '\\')
  (cd "$build/bin" && "$build/nv-wine" ./unlha32_bench.exe "$archive" 20)
fi
