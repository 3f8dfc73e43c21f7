"""Message-server wire format, for test peers: frames, the payload scrambler, every record, and
the attachment package. Standard library only (struct).

Written from the protocol's description, apart from the client's C++ code, so that the two can
check each other. The scrambler tables come from the one data file that the client's build
reads too (messaging/wire/data/pm_scrambler_tables.txt).

Records are plain dicts. Every record has the header keys version, type, seq, comm_id (16 bytes)
and session; times are Unix times (the wire counts from 1990-01-01 UTC); texts and 16-byte fields
are bytes (code page 932).
"""
import os
import struct
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TABLE_FILE = os.path.normpath(os.path.join(HERE, "..", "..", "..", "messaging", "wire", "data",
                                           "pm_scrambler_tables.txt"))

EPOCH_1990 = 631152000

RESULT, MESSAGE, EXT_SEND_HEADER, MESSAGE_LIST, LIST_REQUEST, FETCH, EXT_RECEIVE, DELETE = (
    8, 9, 10, 11, 12, 13, 14, 15)
LIST_QUERY, LIST_PAGE, URL_TEXT, LIST_CLEAR = 16, 17, 18, 23
SESSION_START, SESSION_ANSWER, PRESENCE = 259, 260, 261

HEADER_ONLY_TYPES = (LIST_REQUEST, LIST_CLEAR, SESSION_START)
TWO_WORD_TYPES = (RESULT, EXT_SEND_HEADER)
ONE_WORD_TYPES = (FETCH, EXT_RECEIVE, DELETE, PRESENCE, SESSION_ANSWER)
ALL_TYPES = (RESULT, MESSAGE, EXT_SEND_HEADER, MESSAGE_LIST, LIST_REQUEST, FETCH, EXT_RECEIVE,
             DELETE, LIST_QUERY, LIST_PAGE, URL_TEXT, LIST_CLEAR, SESSION_START, SESSION_ANSWER,
             PRESENCE)

TEXT_MAX = 900
URL_MAX = 512
LIST_MAX = 18

_HEADER = struct.Struct(">HHI16sI")


class WireError(ValueError):
    """A frame, record or package that must be refused."""


# ----------------------------------------------------------------------------------------------
# Scrambler

class Tables:
    def __init__(self, fwd, inv, mult):
        self.fwd, self.inv, self.mult = fwd, inv, mult


def load_tables(path=TABLE_FILE):
    fwd, inv, mult = [None] * 4, [None] * 4, None
    with open(path, encoding="ascii") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            key, rest = line.split(None, 1)
            if key == "MULT":
                mult = [int(word, 16) for word in rest.split()]
            elif key[:3] in ("FWD", "INV"):
                table = bytes.fromhex(rest.strip())
                (fwd if key[:3] == "FWD" else inv)[int(key[3:])] = table
    if mult is None or len(mult) != 3 or None in fwd or None in inv:
        raise WireError("incomplete scrambler table file %s" % path)
    return Tables(fwd, inv, mult)


_tables = None


def tables():
    global _tables
    if _tables is None:
        _tables = load_tables()
    return _tables


class Cipher:
    """Key stream for one payload of `total` bytes; successive calls continue it."""

    def __init__(self, total, seed, t=None):
        t = t or tables()
        self.fwd = t.fwd[(total // 4) % 4]
        self.inv = t.inv[(total // 4) % 4]
        self.mult = t.mult[total % 3]
        self.state = seed & 0xFFFFFFFF

    def _keys(self, count):
        s, m = self.state, self.mult
        keys = bytearray(count)
        for i in range(count):
            s = (s * m + 1) & 0xFFFFFFFF
            keys[i] = s >> 24
        self.state = s
        return keys

    def scramble(self, data):
        fwd = self.fwd
        return bytes(fwd[k ^ b] for k, b in zip(self._keys(len(data)), data))

    def unscramble(self, data):
        inv = self.inv
        return bytes(inv[b] ^ k for k, b in zip(self._keys(len(data)), data))


def scramble(data, seed):
    return Cipher(len(data), seed).scramble(data)


def unscramble(data, seed):
    return Cipher(len(data), seed).unscramble(data)


# ----------------------------------------------------------------------------------------------
# Frames

MARKER = 0x7E


def new_seed(now=None):
    now = time.time() if now is None else now
    return (int(now) + int(now * 1000) % 1000) & 0xFFFFFFFF


def frame_header(length, scrambled=True, flags=None):
    """The 8 header bytes; flags other than the two this client sends make test frames."""
    if flags is None:
        flags = 0x0711 if scrambled else 0x0310
    without = struct.pack(">BBHI", MARKER, 0, flags, length)
    return struct.pack(">BBHI", MARKER, (-sum(without)) & 0xFF, flags, length)


def build_frame(payload, seed=None, scrambled=True):
    """The frame for a payload: header, then (scrambled) the seed and the scrambled payload."""
    if not scrambled:
        return frame_header(len(payload), False) + bytes(payload)
    seed = new_seed() if seed is None else seed
    return frame_header(len(payload), True) + struct.pack(">I", seed) + scramble(payload, seed)


def _is_scrambled_version(version):
    return version & 0xFC == 4


def read_frame_header(buf):
    """(version, words, payload length) of a sound header, else WireError."""
    if len(buf) < 8:
        raise WireError("short frame header")
    marker, _, flags, length = struct.unpack(">BBHI", bytes(buf[:8]))
    version, words = flags >> 8, flags & 0x0F
    if marker != MARKER:
        raise WireError("marker")
    if words == 0 and _is_scrambled_version(version):
        raise WireError("scrambled frame without seed")
    if sum(buf[:8]) & 0xFF:
        raise WireError("checksum")
    return version, words, length


def parse_frame(buf):
    """(payload, seed or None, payload offset) of a buffer that holds exactly one frame."""
    version, words, length = read_frame_header(buf)
    offset = 8 + 4 * words
    if len(buf) != offset + length:
        raise WireError("frame length %d, buffer %d" % (offset + length, len(buf)))
    payload = bytes(buf[offset:])
    if _is_scrambled_version(version):
        seed = struct.unpack(">I", bytes(buf[8:12]))[0]
        return unscramble(payload, seed), seed, offset
    return payload, None, offset


def describe_frame(buf):
    """The five words {valid, header length, payload length, seed, scrambled}."""
    try:
        version, words, length = read_frame_header(buf)
    except WireError:
        return dict(valid=0, header_length=0, payload_length=0, seed=0, scrambled=0)
    scrambled = 1 if _is_scrambled_version(version) else 0
    seed, valid = 0, 1
    if scrambled:
        if len(buf) < 12:
            valid = 0
        else:
            seed = struct.unpack(">I", bytes(buf[8:12]))[0]
    return dict(valid=valid, header_length=8 + 4 * words, payload_length=length, seed=seed,
                scrambled=scrambled)


def frame_length(buf):
    """Bytes of the whole frame that starts buf, or None while its header is incomplete."""
    if len(buf) < 8:
        return None
    _, words, length = read_frame_header(buf)
    return 8 + 4 * words + length


# ----------------------------------------------------------------------------------------------
# Records

def wire_time(unix):
    return (unix - EPOCH_1990) & 0xFFFFFFFF


def unix_time(wire):
    return wire + EPOCH_1990


def _lead(byte):
    return 0x81 <= byte <= 0x9F or 0xE0 <= byte <= 0xFC


def _trail(byte):
    return 0x40 <= byte <= 0xFC and byte != 0x7F


def cut_cp932(text, limit):
    """The longest prefix of at most limit bytes that does not split a double-byte character."""
    text = bytes(text)
    if len(text) <= limit:
        return text
    i = 0
    while i < limit:
        step = 2 if _lead(text[i]) and i + 1 < len(text) and text[i + 1] != 0 else 1
        if i + step > limit:
            break
        i += step
    return text[:i]


def field16(value):
    """A 16-byte field: cut between characters, NUL-padded, no terminator when full."""
    return cut_cp932(value, 16).ljust(16, b"\0")


def field_text(field):
    return bytes(field).split(b"\0", 1)[0]


def message_attributes(kind):
    return 0x40000000 | (kind if kind in (0, 1, 2) else 0)


def header(rtype, seq=0, comm_id=b"", session=0, version=0x0301):
    return dict(version=version, type=rtype, seq=seq, comm_id=field16(comm_id), session=session)


def _pack_header(rec):
    return _HEADER.pack(rec["version"], rec["type"], rec["seq"], bytes(rec["comm_id"]), rec["session"])


def encode(rec):
    """Wire bytes of a record; the layout follows rec["type"]."""
    t = rec["type"]
    out = _pack_header(rec)
    if t in HEADER_ONLY_TYPES:
        return out
    if t in TWO_WORD_TYPES:
        return out + struct.pack(">II", rec["first"], rec["second"])
    if t in ONE_WORD_TYPES:
        return out + struct.pack(">I", rec["value"])
    if t == LIST_QUERY:
        return out + struct.pack(">IHH", rec["kind"], rec["page"], rec.get("reserved", 0))
    if t == URL_TEXT:
        text = cut_cp932(rec["text"], URL_MAX)
        return out + struct.pack(">H", len(text)) + text
    if t == MESSAGE:
        text = cut_cp932(rec["text"], TEXT_MAX)
        return out + struct.pack(">16s16sIIIIII", bytes(rec["partner_id"]), bytes(rec["partner_name"]),
                                 wire_time(rec["time"]), rec["number"], rec["attributes"],
                                 rec["file_flag"], rec["file_length"], len(text)) + text
    if t == MESSAGE_LIST:
        entries = rec["entries"][:LIST_MAX]
        out += struct.pack(">I", len(entries))
        for e in entries:
            out += struct.pack(">16s16sIII", bytes(e["sender_id"]), bytes(e["sender_name"]),
                               e["number"], wire_time(e["time"]), e["attributes"])
        return out
    if t == LIST_PAGE:
        entries = rec["entries"]
        out += struct.pack(">IHH", rec["total"], len(entries), rec.get("reserved", 0))
        for e in entries:
            out += struct.pack(">32sI", bytes(e["data"]), e["value"])
        return out
    raise WireError("no layout for record type %d" % t)


def decode(data):
    """The record in data (the whole record, nothing more), laid out by its type field."""
    data = bytes(data)
    if len(data) < 28:
        raise WireError("record shorter than its header")
    version, t, seq, comm_id, session = _HEADER.unpack_from(data)
    rec = dict(version=version, type=t, seq=seq, comm_id=comm_id, session=session)
    body = data[28:]

    def exact(size):
        if len(body) != size:
            raise WireError("type %d: body of %d bytes, expected %d" % (t, len(body), size))

    if t in HEADER_ONLY_TYPES:
        exact(0)
    elif t in TWO_WORD_TYPES:
        exact(8)
        rec["first"], rec["second"] = struct.unpack(">II", body)
    elif t in ONE_WORD_TYPES:
        exact(4)
        (rec["value"],) = struct.unpack(">I", body)
    elif t == LIST_QUERY:
        exact(8)
        rec["kind"], rec["page"], rec["reserved"] = struct.unpack(">IHH", body)
    elif t == URL_TEXT:
        if len(body) < 2:
            raise WireError("short URL record")
        (n,) = struct.unpack_from(">H", body)
        if n > URL_MAX:
            raise WireError("URL longer than %d" % URL_MAX)
        exact(2 + n)
        rec["text"] = body[2:]
    elif t == MESSAGE:
        if len(body) < 56:
            raise WireError("short message record")
        (rec["partner_id"], rec["partner_name"], wt, rec["number"], rec["attributes"], rec["file_flag"],
         rec["file_length"], n) = struct.unpack_from(">16s16sIIIIII", body)
        if n > TEXT_MAX:
            raise WireError("message text longer than %d" % TEXT_MAX)
        exact(56 + n)
        rec["time"] = unix_time(wt)
        rec["text"] = body[56:]
    elif t == MESSAGE_LIST:
        if len(body) < 4:
            raise WireError("short message list")
        (count,) = struct.unpack_from(">I", body)
        if count > LIST_MAX:
            raise WireError("message list of %d entries" % count)
        exact(4 + 44 * count)
        rec["entries"] = []
        for i in range(count):
            sid, name, number, wt, attributes = struct.unpack_from(">16s16sIII", body, 4 + 44 * i)
            rec["entries"].append(dict(sender_id=sid, sender_name=name, number=number,
                                       time=unix_time(wt), attributes=attributes))
    elif t == LIST_PAGE:
        if len(body) < 8:
            raise WireError("short list page")
        rec["total"], count, rec["reserved"] = struct.unpack_from(">IHH", body)
        if count >= 0x8000:
            raise WireError("negative page count")
        exact(8 + 36 * count)
        rec["entries"] = [dict(zip(("data", "value"), struct.unpack_from(">32sI", body, 8 + 36 * i)))
                          for i in range(count)]
    else:
        raise WireError("unknown record type %d" % t)
    return rec


# ----------------------------------------------------------------------------------------------
# Attachment package

PACKAGE_MAGIC = b"Vy@n 1.0"
PACKAGE_MAX = 1024000


def build_package(entries):
    """Package bytes for [(name bytes, data bytes)], in order."""
    table = b"".join(struct.pack("<HHI", len(name) + 9, 0, len(data)) + name + b"\0"
                     for name, data in entries)
    head = PACKAGE_MAGIC + struct.pack("<HHHH", 16 + len(table), 1, 0, len(entries))
    return head + table + b"".join(data for _, data in entries)


def plain_name(name):
    """The last path component (after \\, / or :), never cut inside a double-byte character; a lead
    byte pairs only with a valid trail byte, so it can't hide a / or : after it."""
    start, i = 0, 0
    while i < len(name):
        if _lead(name[i]) and i + 1 < len(name) and _trail(name[i + 1]):
            i += 2
            continue
        if name[i] in b"\\/:":
            start = i + 1
        i += 1
    rest = name[start:]
    return b"" if rest in (b".", b"..") else rest


def parse_package(data):
    """[(plain name, entry data)] of a package, or WireError."""
    if len(data) < 16 or data[:8] != PACKAGE_MAGIC:
        raise WireError("package header")
    data_offset, _, reserved, count = struct.unpack_from("<HHHH", data, 8)
    if reserved:
        raise WireError("package reserved field")
    pos, listed = 16, []
    for _ in range(count):
        if pos + 8 > len(data):
            raise WireError("short name entry")
        length, _, size = struct.unpack_from("<HHI", data, pos)
        if length < 10 or length > 8 + 264 or pos + length > len(data):
            raise WireError("name entry length %d" % length)
        name = data[pos + 8:pos + length]
        if name[-1] != 0 or 0 in name[:-1]:
            raise WireError("name not terminated")
        plain = plain_name(name[:-1])
        if not plain:
            raise WireError("no usable name")
        listed.append((plain, size))
        pos += length
    if pos != data_offset:
        raise WireError("data offset %d, name table ends at %d" % (data_offset, pos))
    out = []
    for name, size in listed:
        if pos + size > len(data):
            raise WireError("entry data beyond the package")
        out.append((name, data[pos:pos + size]))
        pos += size
    return out
