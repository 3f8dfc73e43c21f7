"""Records as the message client posts them to windows (0x403 / 0x404), for tests of their
receivers: the record's layout with every integer in host order (little-endian on the Windows
targets). Written as files by `python3 -m nvpeers.host_records OUTDIR`.

Layouts: a message-list copy is 824 bytes (28-byte header, count, 18 entries of ID 16, name 16,
number, time, attributes); a list block is 3,636 bytes (36-byte head with the list kind at +2 and
the entry count at +28, then 100 entries of ID 16, name 16, status); a failure record is a 28-byte
header with version, type and sequence.
"""

import os
import struct
import sys

from .pm_codec import field16

_HEADER = struct.Struct("<HHI16sI")


def host_header(rtype, seq=0, comm_id=b"", session=0, version=0x0301):
    return _HEADER.pack(version, rtype, seq & 0xFFFFFFFF, field16(comm_id), session)


def message_list(entries, count=None, comm_id=b"me00001"):
    """entries: (sender id, sender name, number, unix time, attributes) tuples."""
    out = host_header(11, 1, comm_id) + struct.pack("<I", len(entries) if count is None else count)
    for sender, name, number, time, attributes in entries[:18]:
        out += field16(sender) + field16(name) + struct.pack("<III", number, time & 0xFFFFFFFF, attributes)
    return out.ljust(824, b"\0")


def list_block(kind, entries, count=None, comm_id=b"me00001"):
    """entries: (ID, name, status) tuples."""
    head = bytearray(host_header(kind, 5, comm_id))
    head += struct.pack("<IHH", len(entries) if count is None else count, 0, 1)
    out = bytes(head)
    for ident, name, status in entries[:100]:
        out += field16(ident) + field16(name) + struct.pack("<I", status)
    return out.ljust(3636, b"\0")


def failure(rtype, seq):
    return host_header(rtype, seq)


def result(seq, code=0, second=0):
    return host_header(8, seq) + struct.pack("<II", code, second)


def fixtures():
    jp = "\u5c71\u7530".encode("cp932")  # a two-character name
    eighteen = [(b"user%02d" % i, jp + b"%02d" % i, 100 + i, 1781524800 + i,
                 0x40000000 | (0x01000000 if i == 3 else 0)) for i in range(18)]
    friends = [(b"me00001", "\u65b0\u3057\u3044\u540d".encode("cp932"), 0x11),
               (b"friend01", b"Online", 0x21),
               (b"friend02", b"Offline", 0x20),
               (b"", b"NoId", 0x01),
               (b"friend04", b"Phone", 0x35)]
    urls = [(b"url%02d" % i, b"Partner %02d" % i, 0x01 | (i % 16) << 4) for i in range(40)]
    urls.insert(5, (b"gone", b"Offline user", 0x00))
    return {
        "list18.bin": message_list(eighteen),
        "list_empty.bin": message_list([]),
        "list_empty_ids.bin": message_list([(b"", b"x", 1, 2, 0), (b"only", b"One", 7, 8, 0x42000000),
                                            (b"", b"y", 3, 4, 0)]),
        "list_overcount.bin": message_list(eighteen, count=500),
        "friends.bin": list_block(1, friends),
        "urls.bin": list_block(2, urls),
        "kind3.bin": list_block(3, urls[:3]),
        "failure.bin": failure(13, 7),
        "failure_send.bin": failure(9, -1),
        "sent.bin": result(-2),
    }


def main(argv):
    out = argv[1] if len(argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    for name, data in fixtures().items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv)
