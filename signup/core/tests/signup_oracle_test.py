#!/usr/bin/env python3
"""Checks the sign-up rules against independent Python versions: SHA-1 digests of random
messages against hashlib, and sign-up form bodies against one built here from the same values."""
import hashlib
import random
import subprocess
import sys

SAFE = set(b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789;/?:@$,*-_.")
STORE_ORDER = ["Kana", "Kana2", "Name", "Name2", "Age", "Age2", "Age3", "Sex", "Address1", "Address2",
               "Tel", "Tel2", "Tel3", "Zip", "Zip2", "VerkID", "VerkID2", "VerkID3", "EntryCode", "EntryCode2"]
FORM = [("ncid", "MachineId"), ("lastname", "Name"), ("firtname", "Name2"), ("kana_lastname", "Kana"),
        ("kana_firstname", "Kana2"), ("zipcode1", "Zip"), ("zipcode2", "Zip2"), ("address", None),
        ("T1", "Tel"), ("T2", "Tel2"), ("T3", "Tel3"), ("sex", "Sex"), ("year", "Age"), ("month", "Age2"),
        ("day", "Age3"), ("1st_acc", "VerkID"), ("2nd_acc", "VerkID2"), ("3rd_acc", "VerkID3")]


def encode(value: bytes) -> str:
    return "".join(chr(b) if b in SAFE else "%%%02X" % b for b in value)


def cut(text: str, limit: int) -> bytes:
    """The longest run of whole characters of text whose CP932 bytes fit in limit."""
    out = b""
    for ch in text:
        b = ch.encode("cp932")
        if len(out) + len(b) > limit:
            break
        out += b
    return out


def expected_form(values: dict) -> str:
    address = cut(values["Address1"] + " " + values["Address2"], 93).ljust(93, b" ")
    code = cut("#" + values["EntryCode"] + "-" + values["EntryCode2"], 7).ljust(7, b" ")
    parts = []
    for name, key in FORM:
        raw = address + code if key is None else values[key].encode("cp932")
        parts.append(name + "=" + encode(raw))
    return "&".join(parts)


def random_text(rng: random.Random, limit: int) -> str:
    alphabet = "abcXYZ019 &=+%#~\"'<>?/-_.山田太郎東京都港区ﾔﾏﾀﾞﾀﾛｳ－～表ソ能"
    return "".join(rng.choice(alphabet) for _ in range(rng.randint(0, limit)))


def main() -> int:
    tool = sys.argv[1]
    rng = random.Random(20261211)
    proc = subprocess.Popen([tool], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    failures = 0

    def ask(line: str) -> str:
        proc.stdin.write(line + "\n")
        proc.stdin.flush()
        return proc.stdout.readline().rstrip("\n")

    lengths = [0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129] + [rng.randint(0, 3000) for _ in range(60)]
    for n in lengths:
        data = bytes(rng.getrandbits(8) for _ in range(n))
        got = ask("sha1 " + (data.hex() if data else "-"))
        want = hashlib.sha1(data).hexdigest()
        if got != want:
            failures += 1
            print(f"sha1 of {n} bytes: got {got}, want {want}")

    for i in range(300):
        limits = {"Address1": 50, "Address2": 42, "EntryCode": 2, "EntryCode2": 3}
        values = {k: random_text(rng, limits.get(k, 16) if i % 3 else 60) for k in STORE_ORDER}
        values["MachineId"] = hashlib.sha1(str(i).encode()).hexdigest()
        args = [values[k].encode("cp932").hex() or "-" for k in STORE_ORDER + ["MachineId"]]
        got = ask("form " + " ".join(args))
        want = expected_form(values)
        if got != want:
            failures += 1
            print(f"form {i}: values {values}\n got  {got}\n want {want}")
            if failures > 5:
                break
    proc.stdin.close()
    proc.wait()
    print(f"{len(lengths)} digests and 300 forms checked, {failures} differ")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
