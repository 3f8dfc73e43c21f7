"""Checks the export tables of the stand-in DLLs against their .def files, with the objdump of the
build's target: every name of the .def exported undecorated at the ordinal the .def pins, nothing
else exported (no decorated or stray names), and data entries in a section without code,
functions in code.

Usage: check_def_exports.py OBJDUMP DEF DLL [DEF DLL ...]"""

import re
import subprocess
import sys


def read_def(path):
    """[(name, ordinal, is_data)] of the EXPORTS section; ordinal is None where the file gives none."""
    entries = []
    in_exports = False
    for raw in open(path, encoding="ascii"):
        line = raw.split(";", 1)[0].strip()
        if not line:
            continue
        if re.match(r"^(LIBRARY|NAME|DESCRIPTION|VERSION|HEAPSIZE|STACKSIZE|SECTIONS)\b", line):
            in_exports = False
            continue
        if line == "EXPORTS":
            in_exports = True
            continue
        if not in_exports:
            continue
        m = re.match(r"^(\w+)(?:\s*=\s*\S+)?(?:\s+@(\d+))?(\s+NONAME)?(\s+DATA)?$", line)
        if not m:
            raise ValueError(f"{path}: cannot read export line {line!r}")
        entries.append((m.group(1), int(m.group(2)) if m.group(2) else None, bool(m.group(4))))
    return entries


def read_exports(objdump, dll):
    """({name: ordinal}, {ordinal: section is code}) of a DLL."""
    exports = subprocess.run([objdump, "-p", dll], capture_output=True, text=True, check=True).stdout
    headers = subprocess.run([objdump, "-h", dll], capture_output=True, text=True, check=True).stdout
    base = int(re.search(r"ImageBase\s+([0-9a-fA-F]+)", exports).group(1), 16)
    ordinal_base = int(re.search(r"Ordinal Base\s+(\d+)", exports).group(1))
    sections = []
    lines = headers.splitlines()
    for i, line in enumerate(lines):
        m = re.match(r"\s*\d+\s+(\S+)\s+([0-9a-f]+)\s+([0-9a-f]+)", line)
        if m and i + 1 < len(lines):
            sections.append((int(m.group(3), 16) - base, int(m.group(2), 16), "CODE" in lines[i + 1]))
    rvas = {int(o): int(r, 16) for o, r in re.findall(r"\[\s*\d+\] \+base\[\s*(\d+)\] ([0-9a-f]+) Export RVA", exports)}
    code = {}
    for ordinal, rva in rvas.items():
        section = next((s for s in sections if s[0] <= rva < s[0] + s[1]), None)
        code[ordinal] = None if section is None else section[2]
    names = {}
    table = exports.split("[Ordinal/Name Pointer] Table")
    if len(table) > 1:
        for index, name in re.findall(r"^\s*\[\s*(\d+)\] (\S+)$", table[1], re.M):
            names[name] = int(index) + ordinal_base
    return names, code


def check(objdump, def_path, dll):
    problems = []
    expected = read_def(def_path)
    names, code = read_exports(objdump, dll)
    wanted = {name for name, _, _ in expected}
    for name in sorted(set(names) - wanted):
        problems.append(f"{name}: exported but not in the .def")
    for name, ordinal, is_data in expected:
        if name not in names:
            problems.append(f"{name}: not exported")
            continue
        if ordinal is None:
            problems.append(f"{name}: the .def gives no ordinal, so the linker picks one")
        elif names[name] != ordinal:
            problems.append(f"{name}: ordinal {names[name]}, expected {ordinal}")
        in_code = code.get(names[name])
        if in_code is None:
            problems.append(f"{name}: address in no section")
        elif in_code == is_data:
            problems.append(f"{name}: {'data' if is_data else 'function'} in a {'code' if in_code else 'data'} section")
    return len(expected), problems


def main(args):
    if len(args) < 3 or len(args) % 2 != 1:
        print(__doc__)
        return 2
    objdump, pairs = args[0], args[1:]
    failed = 0
    for def_path, dll in zip(pairs[0::2], pairs[1::2]):
        count, problems = check(objdump, def_path, dll)
        for p in problems:
            print(f"{dll}: {p}")
        print(f"{dll}: {count} exports checked, {len(problems)} problems")
        failed += bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
