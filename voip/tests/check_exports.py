"""Checks qelo.dll's export table with the objdump of the build's target (first argument): every name at its ordinal,
nothing else exported, and the callback variables and the module handle exported as data
(their addresses lie in a section without code)."""

import re
import subprocess
import sys

EXPECTED = [
    "PW_call_nimbo", "PW_call_phone", "PW_debug", "PW_get_nimbocall_id", "PW_get_version", "PW_login",
    "PW_logout", "PW_mute", "PW_off_hook", "PW_on_hook", "PW_register", "PW_send_DTMF", "PW_set_bitrate",
    "PW_set_ip", "PW_set_loglevel", "PW_set_option", "PW_set_volume", "PW_set_wdevice", "PW_start", "PW_stop",
    "PW_wave_arrival", "PW_wave_path", "QL_credit", "QL_error", "QL_offhook", "QL_state", "QL_status",
    "QL_voice_stat", "hDllVoip",
]
DATA = set(range(23, 30))


def main(objdump, dll):
    exports = subprocess.run([objdump, "-p", dll], capture_output=True, text=True, check=True).stdout
    headers = subprocess.run([objdump, "-h", dll], capture_output=True, text=True, check=True).stdout

    base = int(re.search(r"ImageBase\s+([0-9a-fA-F]+)", exports).group(1), 16)
    sections = []
    lines = headers.splitlines()
    for i, line in enumerate(lines):
        m = re.match(r"\s*\d+\s+(\S+)\s+([0-9a-f]+)\s+([0-9a-f]+)", line)
        if m and i + 1 < len(lines):
            sections.append((m.group(1), int(m.group(3), 16) - base, int(m.group(2), 16), lines[i + 1]))

    rvas = {int(o): int(r, 16) for o, r in re.findall(r"\[\s*\d+\] \+base\[\s*(\d+)\] ([0-9a-f]+) Export RVA", exports)}
    names = {}
    for index, name in re.findall(r"^\s*\[\s*(\d+)\] (\S+)$", exports.split("[Ordinal/Name Pointer] Table")[1], re.M):
        names[name] = int(index) + 1  # ordinal base 1
    problems = []
    if sorted(names) != sorted(EXPECTED):
        problems.append(f"exported names differ: {sorted(set(names) ^ set(EXPECTED))}")
    for ordinal, name in enumerate(EXPECTED, start=1):
        if names.get(name) != ordinal:
            problems.append(f"{name}: ordinal {names.get(name)}, expected {ordinal}")
        rva = rvas.get(ordinal)
        section = next((s for s in sections if s[1] <= (rva or -1) < s[1] + s[2]), None)
        if section is None:
            problems.append(f"{name}: address {rva} in no section")
            continue
        is_code = "CODE" in section[3]
        if (ordinal in DATA) == is_code:
            problems.append(f"{name}: in {section[0]} ({'code' if is_code else 'data'})")
    for p in problems:
        print(p)
    print(f"{len(EXPECTED)} exports checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
