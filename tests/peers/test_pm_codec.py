"""The Python wire codec against the client's C++ wire code (pm_wire_tool, path in PM_WIRE_TOOL),
both ways, for frames, every record type and attachment packages, with random contents from a
fixed random seed. Any difference fails with the case printed. Also checks the scrambler table
file itself and the codec's own fixed points."""

import os
import random
import shlex
import struct
import subprocess
import sys

import pytest

from nvpeers import pm_codec as pm

ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), "..", ".."))
# The command that runs the tool (for the Windows build, the Wine wrapper and the program).
TOOL = os.environ.get("PM_WIRE_TOOL")
needs_tool = pytest.mark.skipif(not TOOL, reason="PM_WIRE_TOOL names the C++ tool (set by CTest)")


# ----------------------------------------------------------------------------------------------
# helpers

def fmt(value):
    if isinstance(value, (bytes, bytearray)):
        return "h:" + bytes(value).hex()
    return str(value)


def fields_of(rec):
    """A record dict flattened into the tool's key=value fields."""
    out = {}
    for key, value in rec.items():
        if key == "entries":
            out["entries"] = str(len(value))
            for i, entry in enumerate(value):
                for k, v in entry.items():
                    out["e%d.%s" % (i, k)] = fmt(v)
        else:
            out[key] = fmt(value)
    return out


def line(command, fields):
    return command + " " + " ".join("%s=%s" % kv for kv in fields.items())


def parse_line(text):
    parts = text.split()
    fields = {}
    for token in parts[1:]:
        key, _, value = token.partition("=")
        fields[key] = bytes.fromhex(value[2:]) if value.startswith("h:") else int(value)
    return parts[0], fields


def run_tool(lines):
    result = subprocess.run(shlex.split(TOOL), input="\n".join(lines) + "\n", capture_output=True, text=True,
                            timeout=90)
    assert result.returncode == 0, result.stderr
    out = result.stdout.splitlines()
    assert len(out) == len(lines), result.stderr
    return [parse_line(text) for text in out]


def rand_bytes(rng, n):
    return bytes(rng.getrandbits(8) for _ in range(n))


def rand_text(rng, n):
    """Code page 932-like text: ASCII, half-width katakana and double-byte characters."""
    out = bytearray()
    while len(out) < n:
        pick = rng.random()
        if pick < 0.5:
            out.append(rng.randint(0x20, 0x7E))
        elif pick < 0.7:
            out.append(rng.randint(0xA1, 0xDF))
        else:
            out += bytes([rng.choice([0x82, 0x83, 0x88, 0x95, 0xE0]), rng.choice([0x5C, 0x40, 0x9F, 0xA0])])
    return bytes(out[:n])


def u32(rng):
    return rng.choice([0, 1, 0xFFFFFFFF, 0x80000000, rng.getrandbits(32)])


def rand_record(rng, rtype):
    rec = pm.header(rtype, seq=u32(rng), comm_id=rand_text(rng, rng.randint(0, 20)), session=u32(rng),
                    version=rng.getrandbits(16))
    if rtype in pm.TWO_WORD_TYPES:
        rec.update(first=u32(rng), second=u32(rng))
    elif rtype in pm.ONE_WORD_TYPES:
        rec.update(value=u32(rng))
    elif rtype == pm.LIST_QUERY:
        rec.update(kind=rng.choice([1, 2, u32(rng)]), page=rng.getrandbits(16), reserved=rng.getrandbits(16))
    elif rtype == pm.URL_TEXT:
        rec.update(text=rand_text(rng, rng.choice([0, 1, 511, 512, 513, 600, rng.randint(0, 512)])))
    elif rtype == pm.MESSAGE:
        rec.update(partner_id=pm.field16(rand_text(rng, rng.randint(0, 16))),
                   partner_name=rand_bytes(rng, 16), time=pm.EPOCH_1990 + rng.getrandbits(32),
                   number=u32(rng), attributes=pm.message_attributes(rng.randint(-1, 4)) | (rng.getrandbits(4) << 24),
                   file_flag=u32(rng), file_length=u32(rng),
                   text=rand_text(rng, rng.choice([0, 1, 899, 900, 901, 1000, rng.randint(0, 900)])))
    elif rtype == pm.MESSAGE_LIST:
        rec["entries"] = [dict(sender_id=pm.field16(rand_text(rng, rng.randint(1, 16))),
                               sender_name=rand_bytes(rng, 16), number=u32(rng),
                               time=pm.EPOCH_1990 + rng.getrandbits(32), attributes=u32(rng))
                          for _ in range(rng.randint(0, 18))]
    elif rtype == pm.LIST_PAGE:
        rec.update(total=rng.randint(0, 100), reserved=rng.getrandbits(16),
                   entries=[dict(data=rand_bytes(rng, 32), value=u32(rng)) for _ in range(rng.randint(0, 30))])
    return rec


def expected_after_wire(rec):
    """What a decoder gives back for rec: texts cut at their limits."""
    out = dict(rec)
    if rec["type"] == pm.MESSAGE:
        out["text"] = pm.cut_cp932(rec["text"], pm.TEXT_MAX)
    if rec["type"] == pm.URL_TEXT:
        out["text"] = pm.cut_cp932(rec["text"], pm.URL_MAX)
    return fields_of(out)


def as_tool_values(fields):
    return {k: bytes.fromhex(v[2:]) if v.startswith("h:") else int(v) for k, v in fields.items()}


# ----------------------------------------------------------------------------------------------
# the table file

def test_table_file_is_what_the_documented_procedure_generates():
    script = os.path.join(ROOT, "messaging", "wire", "data", "make_pm_tables.py")
    result = subprocess.run([sys.executable, script, "--check", pm.TABLE_FILE], capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr


def test_tables_are_permutations_with_inverses_and_full_period_multipliers():
    t = pm.tables()
    for m in range(4):
        assert sorted(t.fwd[m]) == list(range(256)), "FWD%d is not a permutation" % m
        assert all(t.inv[m][t.fwd[m][x]] == x for x in range(256)), "INV%d is not FWD%d's inverse" % (m, m)
    assert len(set(map(bytes, t.fwd))) == 4
    for j, mult in enumerate(t.mult):
        assert mult % 4 == 1 and mult > 1, "MULT[%d] = %#x" % (j, mult)


# ----------------------------------------------------------------------------------------------
# the codec's own fixed points (so that agreement with C++ means something)

def test_empty_payload_frame_and_known_mode_and_multiplier_choice():
    frame = pm.build_frame(b"", seed=0x01020304)
    assert frame[0] == 0x7E and frame[2:8] == bytes([7, 0x11, 0, 0, 0, 0]) and frame[8:] == bytes([1, 2, 3, 4])
    assert sum(frame[:8]) % 256 == 0
    t = pm.tables()
    for n, mode, mult in [(0, 0, 0), (4, 1, 1), (5, 1, 2), (12, 3, 0), (16, 0, 1), (28, 3, 1)]:
        c = pm.Cipher(n, 7)
        assert (c.fwd, c.mult) == (t.fwd[mode], t.mult[mult]), n
    # The first byte already uses the stepped seed.
    s = (7 * t.mult[1] + 1) & 0xFFFFFFFF
    assert pm.scramble(b"\x00" * 4, 7)[0] == t.fwd[1][s >> 24]


def test_wire_time_counts_from_1990():
    assert pm.wire_time(631152000) == 0 and pm.unix_time(0) == 631152000
    rec = pm.header(pm.MESSAGE)
    rec.update(partner_id=pm.field16(b"x" * 16), partner_name=pm.field16(b""), time=631152000, number=0,
               attributes=pm.message_attributes(3), file_flag=0, file_length=0, text=b"a" * 950)
    data = pm.encode(rec)
    assert len(data) == 984 and data[60:64] == b"\0\0\0\0" and data[68:72] == b"\x40\0\0\0"
    assert data[28:44] == b"x" * 16


# ----------------------------------------------------------------------------------------------
# cross-implementation

@needs_tool
def test_frames_agree_both_ways():
    rng = random.Random(4101)
    cases = []
    for i in range(300):
        n = rng.choice([0, 1, 3, 4, 5, 11, 12, 15, 16, 17, 28, 900, 984, rng.randint(0, 1500)])
        cases.append((rand_bytes(rng, n), u32(rng), rng.random() < 0.85))
    out = run_tool([line("frame", dict(scramble=int(s), seed=seed, payload=fmt(p))) for p, seed, s in cases])
    for (payload, seed, scrambled), (_, got) in zip(cases, out):
        expected = pm.build_frame(payload, seed=seed, scrambled=scrambled)
        assert got["bytes"] == expected, "C++ frame differs: n=%d seed=%#x scrambled=%s" % (len(payload), seed, scrambled)
        assert pm.parse_frame(got["bytes"]) == (payload, seed if scrambled else None, 12 if scrambled else 8)
    frames = [pm.build_frame(p, seed=seed, scrambled=s) for p, seed, s in cases]
    out = run_tool([line("parse", dict(bytes=fmt(f))) for f in frames])
    for (payload, seed, scrambled), frame, (_, got) in zip(cases, frames, out):
        case = "n=%d seed=%#x scrambled=%s" % (len(payload), seed, scrambled)
        assert got["offset"] == (12 if scrambled else 8), case
        assert got["payload"] == payload, case
        assert got["seed"] == (seed if scrambled else 0), case
        assert got["valid"] == 1 and got["scrambled"] == int(scrambled), case


def mutate(rng, frame):
    frame = bytearray(frame)
    pick = rng.randint(0, 5)
    if pick == 0 and frame:
        del frame[rng.randrange(len(frame)):]
    elif pick == 1:
        frame += rand_bytes(rng, rng.randint(1, 3))
    elif pick == 2 and frame:
        frame[rng.randrange(min(len(frame), 12))] ^= 1 << rng.randint(0, 7)
    elif pick == 3 and len(frame) >= 4:
        # Another version or word count, checksum repaired: exercises the version rules.
        frame[2] = rng.randint(0, 15)
        frame[3] = 0x10 | rng.randint(0, 3)
        frame[1] = 0
        frame[1] = (-sum(frame[:8])) & 0xFF
    elif pick == 4 and len(frame) >= 8:
        frame[4:8] = struct.pack(">I", rng.choice([0xFFFFFFFF, 0xFFFFFFF4, 0xFFFFFFF8, len(frame) - 12]))
        frame[1] = 0
        frame[1] = (-sum(frame[:8])) & 0xFF
    return bytes(frame)


@needs_tool
def test_damaged_frames_are_refused_by_both_alike():
    rng = random.Random(4102)
    frames = [mutate(rng, pm.build_frame(rand_bytes(rng, rng.randint(0, 40)), seed=u32(rng),
                                         scrambled=rng.random() < 0.8)) for _ in range(400)]
    out = run_tool([line("parse", dict(bytes=fmt(f))) for f in frames])
    for frame, (_, got) in zip(frames, out):
        case = "frame " + frame.hex()
        try:
            payload, seed, offset = pm.parse_frame(frame)
            assert (got["offset"], got["payload"], got["seed"]) == (offset, payload, seed or 0), case
        except pm.WireError:
            assert got["offset"] == -1, case
        d = pm.describe_frame(frame)
        assert (got["valid"], got["scrambled"]) == (d["valid"], d["scrambled"]), case
        if d["valid"]:
            assert (got["header_length"], got["payload_length"], got["dseed"]) == (
                d["header_length"], d["payload_length"], d["seed"]), case


@needs_tool
def test_every_record_type_agrees_both_ways():
    rng = random.Random(4103)
    records = [rand_record(rng, t) for _ in range(25) for t in pm.ALL_TYPES]
    # C++ encodes what Python describes: the same bytes.
    out = run_tool([line("encode", fields_of(r)) for r in records])
    for rec, (_, got) in zip(records, out):
        assert got["bytes"] == pm.encode(rec), "C++ encoding differs for %r" % (rec,)
    # C++ decodes what Python encodes: the same fields.
    out = run_tool([line("decode", dict(bytes=fmt(pm.encode(r)))) for r in records])
    for rec, (_, got) in zip(records, out):
        assert got == as_tool_values(expected_after_wire(rec)), "C++ decoding differs for %r" % (rec,)
    # Python decodes what C++ encoded.
    for rec in records:
        assert fields_of(pm.decode(pm.encode(rec))) == expected_after_wire(rec), rec


@needs_tool
def test_damaged_records_are_refused_by_both_alike():
    rng = random.Random(4104)
    blobs = []
    for _ in range(30):
        for t in pm.ALL_TYPES:
            data = bytearray(pm.encode(rand_record(rng, t)))
            pick = rng.randint(0, 3)
            if pick == 0:
                del data[rng.randrange(len(data) + 1):]
            elif pick == 1:
                data += rand_bytes(rng, rng.randint(1, 50))
            elif pick == 2 and len(data) >= 32:
                # A count or length field near the start of the body.
                pos = rng.choice([28, 30, 32, 108 if len(data) > 112 else 28])
                data[pos:pos + 2] = rand_bytes(rng, 2)
            blobs.append(bytes(data))
    out = run_tool([line("decode", dict(bytes=fmt(b))) for b in blobs])
    for blob, (_, got) in zip(blobs, out):
        try:
            expected = as_tool_values(fields_of(pm.decode(blob)))
        except pm.WireError:
            expected = {"error": 1}
        assert got == expected, "record " + blob.hex()


@needs_tool
def test_attachment_packages_agree():
    rng = random.Random(4106)
    packages = []
    for _ in range(150):
        entries = [(rng.choice([b"a.txt", b"dir\\x.bin", b"..", rand_text(rng, rng.randint(1, 40)),
                                b"\x95\x5c.txt", b"c:/tmp/../y"]),
                    rand_bytes(rng, rng.randint(0, 60))) for _ in range(rng.randint(0, 3))]
        data = bytearray(pm.build_package(entries))
        pick = rng.randint(0, 4)
        if pick == 0:
            del data[rng.randrange(len(data) + 1):]
        elif pick == 1 and len(data) > 16:
            data[rng.randrange(8, len(data))] ^= rng.getrandbits(8) or 1
        packages.append(bytes(data))
    out = run_tool([line("package", dict(bytes=fmt(p))) for p in packages])
    for data, (_, got) in zip(packages, out):
        case = "package " + data.hex()
        try:
            expected = pm.parse_package(data)
        except pm.WireError:
            assert got["error"] < 0 and got["names"] == 0, case
            continue
        assert got["error"] == 0, case
        assert [(got["n%d" % i], got["d%d" % i]) for i in range(got["names"])] == expected, case


def with_count(rtype, at, fmt_, value, entry_size, fill):
    """A record of rtype whose count or length field at `at` says value and whose body really
    holds `fill` units of entry_size bytes after the fixed part."""
    fixed = {pm.MESSAGE: 84, pm.URL_TEXT: 30, pm.MESSAGE_LIST: 32, pm.LIST_PAGE: 36}[rtype]
    data = bytearray(pm.encode(pm.header(pm.LIST_REQUEST, seq=1, comm_id=b"u", session=2)))
    struct.pack_into(">H", data, 2, rtype)
    data += bytes(fixed - len(data)) + bytes([0x41]) * (entry_size * fill)
    struct.pack_into(fmt_, data, at, value)
    return bytes(data)


@needs_tool
def test_boundary_counts_and_lengths_agree():
    cases = []
    for n in (0, 899, 900, 901, 0xFFFFFFFF):
        for fill in {n, n - 1, n + 1} - {-1}:
            if fill <= 1000:
                cases.append(("message text %d in %d" % (n, fill), with_count(pm.MESSAGE, 80, ">I", n, 1, fill)))
    for n in (0, 511, 512, 513, 0xFFFF):
        for fill in {n, n - 1, n + 1} - {-1}:
            if fill <= 600:
                cases.append(("url %d in %d" % (n, fill), with_count(pm.URL_TEXT, 28, ">H", n, 1, fill)))
    for n in (0, 1, 17, 18, 19, 0x5D1745D2, 0xFFFFFFFF):
        for fill in {n, n - 1, n + 1} - {-1}:
            if fill <= 20:
                cases.append(("list %d in %d" % (n, fill), with_count(pm.MESSAGE_LIST, 28, ">I", n, 44, fill)))
    for n in (0, 1, 40, 0x7FFF, 0x8000, 0xFFFF):
        for fill in {n, n - 1, n + 1} - {-1}:
            if fill <= 41:
                cases.append(("page %d in %d" % (n, fill), with_count(pm.LIST_PAGE, 32, ">H", n, 36, fill)))
    out = run_tool([line("decode", dict(bytes=fmt(b))) for _, b in cases])
    accepted = 0
    for (name, blob), (_, got) in zip(cases, out):
        try:
            expected = as_tool_values(fields_of(pm.decode(blob)))
            accepted += 1
        except pm.WireError:
            expected = {"error": 1}
        assert got == expected, name
    assert 0 < accepted < len(cases)
