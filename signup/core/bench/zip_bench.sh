#!/bin/sh
# Builds the zip-code index benchmark optimised and without sanitizers (the native preset is a
# sanitizer build), then runs it. Usage: signup/core/bench/zip_bench.sh [build folder]
set -e
top=$(cd "$(dirname "$0")/../../.." && pwd)
out=${1:-$top/build/bench}
mkdir -p "$out"
c++ -std=c++17 -O2 -I"$top" "$top/signup/core/bench/ZipIndexBench.cpp" "$top/signup/core/ZipCodeIndex.cpp" \
    "$top/framework/core/CString.cpp" "$top/framework/core/Cp932.cpp" -o "$out/signup_zip_bench"
"$out/signup_zip_bench"
