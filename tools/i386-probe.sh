#!/bin/sh
# Exits 0 when this machine executes i386 programs, else prints why not and exits 1.
# A direct probe: it runs wine32's i386 loader (an i386 ELF program) and looks at the result;
# kernels without 32-bit emulation refuse it with "Exec format error".
loader=/usr/lib/wine/wine
if [ ! -x "$loader" ]; then
  echo "no i386 program to probe with ($loader of wine32 is not installed)"
  exit 1
fi
if out=$("$loader" --version 2>&1 </dev/null); then
  exit 0
fi
echo "the kernel does not execute i386 programs ($loader: $(printf '%s' "$out" | head -n 1))"
exit 1
