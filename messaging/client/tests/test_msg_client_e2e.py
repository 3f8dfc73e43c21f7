"""The message-server client under Wine against the message-server peer, over UDP, TCP and the
CONNECT proxy (and once through tinyproxy): what it reports to its owner (the 0x403/0x404 records)
and what the server stored.

The client runs in nv_msg_driver.exe, which prints every record posted to its owner window.
Posted records keep the message-server layout in host (little-endian) order.
"""

import os
import socket
import struct
import subprocess
import sys
import time

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "..", "tests", "peers"))

from nvpeers import pm_codec as pm  # noqa: E402
from nvpeers.line_driver import LineDriver  # noqa: E402
from nvpeers.message_server import MessageServerPeer  # noqa: E402
from nvpeers.tinyproxy import Tinyproxy  # noqa: E402

BUILD = os.environ.get("NV_BUILD_DIR")
if not BUILD:
    raise RuntimeError("NV_BUILD_DIR is not set: run this through CTest")

ME = b"0123456789ABCDEF"
YOU = b"FEDCBA9876543210"
TCP, PROXY = 0x0002, 0x0004
PERIOD_MS = 500  # the client's request period for these runs (5000 in the program)


def hx(data):
    return data.hex() if data else "-"


class Post:
    def __init__(self, message, wparam, data):
        self.message, self.wparam, self.data = message, wparam, data

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    @property
    def type(self):
        return self.u16(2)

    def __repr__(self):
        return "Post(%x, %d, %d bytes, type %d)" % (self.message, self.wparam, len(self.data),
                                                     self.type if len(self.data) >= 4 else -1)


class Driver(LineDriver):
    """nv_msg_driver.exe under Wine: commands in, result lines out."""

    timeout, shown, bye_timeout, end_timeout = 40, 10, 30, 30

    def __init__(self, *args):
        exe = os.path.join(BUILD, "tests", "e2e", "nv_msg_driver.exe")
        super().__init__([os.path.join(BUILD, "nv-wine"), exe, *args])
        self.temp = self.expect(lambda l: l.startswith("TEMP "))[5:]

    def post(self, timeout=40):
        line = self.expect(lambda l: l.startswith("POST "), timeout)
        _, message, wparam, data = line.split(" ")
        return Post(int(message, 16), int(wparam), b"" if data == "-" else bytes.fromhex(data))

    def posts_now(self, quiet=1.0, first=None):
        """The posts that arrive until nothing more comes for `quiet` seconds (the first one may
        take up to `first` seconds)."""
        out = []
        while True:
            try:
                out.append(self.post(timeout=first if first and not out else quiet))
            except TimeoutError:
                return out

    def state(self):
        self.send("state")
        _, pending, last, session = self.expect(lambda l: l.startswith("STATE ")).split(" ")
        return int(pending), int(last), int(session)


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@pytest.fixture
def server(tmp_path, request):
    options = getattr(request, "param", {})
    with MessageServerPeer(log_path=str(tmp_path / "message_server.log"), lifetime=240, options=options) as peer:
        yield peer


@pytest.fixture
def driver():
    d = Driver()
    yield d
    d.close()


def login(driver, server, transport="udp", scramble=True, version=0x0301, proxy=None, connect=0):
    assert driver.run(f"login version={version} udp_local={free_udp_port()} udp_port={server.port} "
                      f"tcp_port={server.tcp_port} data_port={server.data_port}"
                      + ("" if scramble else " scramble=0")) == 0
    driver.run(f"period {PERIOD_MS} 6000 3000")
    if transport == "udp":
        assert driver.run("open 0 0") == 0
    elif transport == "tcp":
        assert driver.run(f"open {TCP} 0") == 0
    else:
        host, port, user, password = proxy or ("127.0.0.1", server.proxy_port, b"", b"")
        assert driver.run(f"open {TCP | PROXY} 0 {host} {port} {hx(user)} {hx(password)}") == 0
    assert driver.run("connect") == connect


def requests(server, rtype):
    return [r for r in server.requests_of("request") if r["type"] == rtype]


TRANSPORTS = ["udp", "tcp", "proxy"]


@pytest.mark.parametrize("scramble", [True, False], ids=["scrambled", "plain"])
@pytest.mark.parametrize("transport", TRANSPORTS)
def test_a_day_of_messages(tmp_path, transport, scramble):
    with MessageServerPeer(log_path=str(tmp_path / "ms.log"), lifetime=240,
                           options={"scrambled": "1" if scramble else "0"}) as server:
        driver = Driver()
        try:
            day_of_messages(driver, server, transport, scramble, tmp_path)
        finally:
            driver.close()


def day_of_messages(driver, server, transport, scramble, tmp_path):
    login(driver, server, transport, scramble)

    # Send a text; the server stores it for the partner.
    text = "こんにちは、元気？".encode("cp932")
    assert driver.run(f"send {hx(YOU)} {hx(b'hanako')} {hx(text)} 1") == 0
    sent = driver.post()
    assert (sent.message, sent.wparam, len(sent.data)) == (0x403, 11, 36)
    assert sent.u32(28) == 0
    [stored] = server.mailbox(YOU)
    assert stored.text == text and stored.sender_id == ME and stored.attributes == 0x40000001

    # A refusal by the server reaches the owner with its code.
    server.faults["refuse"] = {pm.MESSAGE: 0x3003}
    assert driver.run(f"send {hx(YOU)} {hx(b'hanako')} {hx(b'no')} 0") == 0
    refused = driver.post()
    assert (refused.message, refused.wparam, refused.u32(28)) == (0x403, -1, 0x3003)
    assert driver.state()[1] == 0x3003
    del server.faults["refuse"]

    # Requested list, then a pushed one.
    first = server.deliver(ME, YOU, b"hanako", "お元気で".encode("cp932"))
    second = server.deliver(ME, YOU, b"hanako", b"second")
    assert driver.run("list") == 0
    listed = driver.post()
    assert (listed.message, listed.wparam, len(listed.data)) == (0x403, 10, 824)
    assert listed.u32(28) == 2
    assert [listed.u32(32 + 44 * i + 32) for i in range(2)] == [first, second]
    server.push_list(ME)
    pushed = driver.post()
    assert (pushed.wparam, pushed.u32(28)) == (10, 2)

    # Fetch and delete.
    assert driver.run(f"fetch {first}") == 0
    fetched = driver.post()
    assert (fetched.wparam, fetched.type, fetched.u32(64)) == (12, 9, first)
    n = fetched.u32(80)
    assert fetched.data[84:84 + n] == "お元気で".encode("cp932")
    assert driver.run(f"delete {first}") == 0
    assert driver.post().wparam == 13
    assert [m.number for m in server.mailbox(ME)] == [second]

    # Friend list in pages, with the list clear after it; a URL list.
    server.set_list(ME, 1, [(b"F%03d" % i, b"friend%d" % i, i) for i in range(60)])
    server.set_list(ME, 2, [(b"U%03d" % i, b"url", 0) for i in range(3)])
    assert driver.run("friends") == 0
    block = driver.post()
    assert (block.message, block.wparam, len(block.data), block.type, block.u32(28)) == (0x404, 0, 3636, 1, 60)
    assert block.data[36 + 59 * 36:36 + 59 * 36 + 4] == b"F059"
    cleared = driver.post()
    assert (cleared.message, cleared.wparam, cleared.type) == (0x404, 5, 1)
    assert [r["type"] for r in server.requests_of("request")][-4:] == [16, 16, 16, 23]
    assert driver.run("urls") == 0
    urls = driver.post()
    assert (urls.wparam, urls.type, urls.u32(28)) == (0, 2, 3)
    assert driver.post().wparam == 5

    # Presence, and a URL text that needs no answer.
    assert driver.run("presence 17") == 0
    assert driver.post().wparam == 6
    assert server.presence[ME] == 17
    assert driver.run(f"url {hx(b'http://example.invalid/' + b'a' * 600)}") == 0
    wait_until(lambda: server.url_texts)
    assert len(server.url_texts[0]) == 512

    # A message with an attachment: the record announces it, the body follows on the data connection.
    attachment = tmp_path / "clip.bin"
    body = bytes((i * 7) & 0xFF for i in range(5000))
    attachment.write_bytes(body)
    path = hx(("Z:" + str(attachment).replace("/", "\\")).encode())
    assert driver.run(f"sendfile {hx(YOU)} {hx(b'hanako')} {hx(b'file')} 0 {path} 1") == 0
    assert driver.post().wparam == 11
    assert driver.run(f"body {hx(YOU)} {hx(b'hanako')} {hx(b'file')} 0 {path}") == 0
    progress = 0
    done = None
    while done is None:
        line = driver.expect(lambda l: l.startswith("PROGRESS ") or l.startswith("POST "))
        if line.startswith("PROGRESS "):
            progress += int(line.split(" ")[2])
        else:
            done = line
    assert done.startswith("POST 403 14 ")
    assert progress == len(body)
    [with_file] = [m for m in server.mailbox(YOU) if m.file_length]
    assert with_file.body == body

    # And the body of a received message comes back the same way.
    number = server.deliver(ME, YOU, b"hanako", b"clip", attach=1, body=body)
    target = tmp_path / "received.bin"
    assert driver.run(f"recvbody {number} {hx(('Z:' + str(target).replace('/', chr(92))).encode())} {len(body)}") == 0
    got = driver.post()
    assert (got.wparam, len(got.data), got.u32(28), got.u32(32)) == (15, 36, 0, len(body))
    assert target.read_bytes() == body
    assert driver.state()[0] == 0


def wait_until(predicate, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.02)
    raise TimeoutError("condition not met")


@pytest.mark.parametrize("transport,sends", [("udp", 4), ("tcp", 1)])
def test_an_unanswered_message_is_resent_over_udp_only(server, driver, transport, sends):
    login(driver, server, transport)
    server.faults["silent"] = {pm.MESSAGE}
    assert driver.run(f"send {hx(YOU)} {hx(b'x')} {hx(b'hello')} 0") == 0
    failed = driver.post(timeout=30)
    assert (failed.message, failed.wparam, failed.type, len(failed.data)) == (0x403, -1, 9, 28)
    assert driver.state()[1] == 12212
    seen = requests(server, pm.MESSAGE)
    assert len(seen) == sends
    assert len({r["seq"] for r in seen}) == 1 and seen[0]["seq"] == -1
    assert [r["duplicate"] for r in seen] == [False] + [True] * (sends - 1)
    assert driver.posts_now() == [], "exactly one report"


# Each switch of the peer with the report the client must give: (transport, switch, value,
# command, expected (message, wParam, record type or None), last result or None).
FAULTS = [
    ("udp", "drop", {9: 2}, "send", (0x403, 11, 8), 0),
    ("udp", "wrong_seq", {9}, "send", (0x403, -1, 9), 12212),
    ("udp", "short", {9}, "send", (0x403, -1, 9), 12212),
    ("udp", "garble", {9}, "send", (0x403, -1, 9), 12212),
    ("udp", "unexpected", {9: 10}, "send", (0x403, -1, 10), 12206),
    ("udp", "unexpected", {9: 260}, "send", (0x403, -1, 9), 12212),  # not 36 bytes: dropped, then time-out
    ("tcp", "refuse", {9: 0x3003}, "send", (0x403, -1, 8), 0x3003),
    ("tcp", "close", {9}, "send", (0x403, -1, 12241), 12241),
    ("tcp", "close", {16}, "friends", (0x404, -1, 12241), 12241),
    ("tcp", "split", True, "send", (0x403, 11, 8), 0),
    ("tcp", "merge", True, "send", (0x403, 11, 8), 0),
    ("udp", "wrong_number", True, "fetch", (0x403, -1, 12214), 12214),
    ("udp", "silent", {13}, "fetch", (0x403, -1, 13), 12214),
    ("udp", "list_count", 19, "list", (0x403, -1, 12), 12213),
    ("udp", "silent", {12}, "list", (0x403, -1, 12), 12213),
    ("udp", "silent", {15}, "delete", (0x403, -1, 15), 12215),
    ("udp", "silent", {16}, "friends", (0x404, -1, 16), 12230),
    ("udp", "refuse", {16: 0x2222}, "urls", (0x404, -1, 8), 0x2222),
    ("udp", "silent", {23}, "friends", (0x404, -1, 23), 12229),
    ("udp", "silent", {261}, "presence", (0x404, -1, 261), 12232),
    ("udp", "body_code", 0x1111, "recvbody", (0x403, -1, 8), 0x1111),
    ("udp", "body_extra", 5, "recvbody", (0x403, 15, 8), 0),
    ("udp", "body_bad_header", True, "recvbody", (0x403, -1, 10), 12224),
    ("udp", "body_silent", True, "recvbody", (0x403, -1, 10), 12223),
    ("tcp", "body_close", True, "recvbody", (0x403, -1, 10), 12223),
    ("udp", "send_code", 0x2222, "body", (0x403, -1, 8), 0x2222),
    ("udp", "send_silent", True, "body", (0x403, -1, 10), 12219),
    ("proxy", "proxy", "split", "send", (0x403, 11, 8), 0),
]


@pytest.mark.parametrize("transport,switch,value,command,expected,last", FAULTS,
                         ids=["%s-%s-%s" % (f[0], f[1], f[3]) for f in FAULTS])
def test_fault_switches(server, driver, tmp_path, transport, switch, value, command, expected, last):
    server.set_list(ME, 1, [(b"F%d" % i, b"f", 0) for i in range(3)])
    server.set_list(ME, 2, [(b"U%d" % i, b"u", 0) for i in range(3)])
    body = bytes(range(256)) * 4
    number = server.deliver(ME, YOU, b"hanako", b"hello", attach=1, body=body)
    if switch == "proxy":
        server.faults[switch] = value
    login(driver, server, transport)
    server.faults[switch] = value
    attachment = tmp_path / "a.bin"
    attachment.write_bytes(body)
    target = tmp_path / "got.bin"
    windows = lambda p: hx(("Z:" + str(p).replace("/", "\\")).encode())  # noqa: E731
    commands = {
        "send": f"send {hx(YOU)} {hx(b'y')} {hx(b'text')} 0",
        "fetch": f"fetch {number}",
        "delete": f"delete {number}",
        "list": "list",
        "friends": "friends",
        "urls": "urls",
        "presence": "presence 3",
        "recvbody": f"recvbody {number} {windows(target)} {len(body)}",
        "body": f"body {hx(YOU)} {hx(b'y')} {hx(b'text')} 0 {windows(attachment)}",
    }
    assert driver.run(commands[command]) == 0
    posts = [p for p in driver.posts_now(quiet=PERIOD_MS * 5 / 1000.0, first=30)
             if not (p.wparam == 10 and command != "list")]
    if command in ("friends", "urls") and expected[1] == -1 and expected[2] == 23:
        posts = [p for p in posts if p.wparam != 0]  # the list itself came before its clear failed
    assert len(posts) == 1, posts
    post = posts[0]
    assert (post.message, post.wparam) == expected[:2]
    assert post.type == expected[2]
    if last:
        assert driver.state()[1] == last
    assert driver.state()[0] == 0, "nothing stays pending"
    if switch == "body_code":
        assert [m.number for m in server.mailbox(ME)] == [number], "a refused body deletes nothing"
    if switch == "body_extra":
        assert target.read_bytes() == body


@pytest.mark.parametrize("switch,value,transport,code", [
    ("session", 7, "udp", 12251),
    ("session", "silent", "tcp", 12252),
    ("proxy", "refuse", "proxy", 12255),
    ("proxy", "silent", "proxy", 12254),
])
def test_log_in_failures(server, driver, switch, value, transport, code):
    server.faults[switch] = value
    login(driver, server, transport, connect=code)
    assert driver.posts_now(quiet=0.5) == []


def test_cancel_of_a_running_body(server, driver, tmp_path):
    login(driver, server, "tcp")
    attachment = tmp_path / "big.bin"
    attachment.write_bytes(os.urandom(3 << 20))
    path = hx(("Z:" + str(attachment).replace("/", "\\")).encode())
    assert driver.run(f"body {hx(YOU)} {hx(b'y')} {hx(b't')} 0 {path}") == 0
    driver.expect(lambda l: l.startswith("PROGRESS "))
    driver.send("cancel 1000")
    posts = [p for p in driver.posts_now(quiet=3, first=30) if p.wparam != 10]
    assert len(posts) == 1 and (posts[0].message, posts[0].wparam) == (0x403, -1)
    assert driver.state()[:2] == (0, 12000)
    stored = [r for r in server.requests_of("body-stored")]
    assert stored == [], "the server never got the whole body"
    # The client goes on working after the cancel.
    assert driver.run(f"send {hx(YOU)} {hx(b'y')} {hx(b'after')} 0") == 0
    assert driver.post().wparam == 11


def test_through_tinyproxy(server, driver, tmp_path):
    with Tinyproxy(tmp_path / "tinyproxy", [server.tcp_port, server.data_port], "nimbo", "vandrell") as proxy:
        login(driver, server, "proxy", proxy=("127.0.0.1", proxy.port, b"nimbo", b"vandrell"))
        assert driver.run(f"send {hx(YOU)} {hx(b'y')} {hx(b'via tinyproxy')} 0") == 0
        assert driver.post().wparam == 11
        number = server.deliver(ME, YOU, b"hanako", b"clip", attach=1, body=b"B" * 3000)
        target = tmp_path / "t.bin"
        assert driver.run(f"recvbody {number} {hx(('Z:' + str(target).replace('/', chr(92))).encode())} 3000") == 0
        assert driver.post().wparam == 15
        assert target.read_bytes() == b"B" * 3000
        assert [m.text for m in server.mailbox(YOU)] == [b"via tinyproxy"]


def test_traffic_logs_follow_the_switch(server, tmp_path):
    driver = Driver("-p")
    try:
        login(driver, server, "udp")
        assert driver.run(f"send {hx(YOU)} {hx(b'y')} {hx(b'logged')} 0") == 0
        assert driver.post().wparam == 11
        folder = subprocess.run([os.path.join(BUILD, "nv-wine"), "winepath", "-u", driver.temp],
                                capture_output=True, text=True).stdout.strip()
    finally:
        driver.close()
    sent = open(os.path.join(folder, "NVPC_VYRN_SEND.csv"), encoding="latin-1").read().splitlines()
    received = open(os.path.join(folder, "NVPC_VYRN_RECV.csv"), encoding="latin-1").read().splitlines()
    assert any(", type = 9, seq = -1," in line and " ReSend = 0, " in line and line.endswith(ME.decode())
               for line in sent), sent[-3:]
    assert any(line.startswith("RECV,") and ", type = 8, seq = -1," in line for line in received), received[-3:]


@pytest.mark.parametrize("transport", ["tcp", "proxy"])
def test_a_closed_connection_is_reopened_by_the_next_request(server, driver, transport):
    login(driver, server, transport)
    server.close_clients()
    deadline = time.monotonic() + 10
    while driver.state()[1] != 12051:
        assert time.monotonic() < deadline, "the client never saw its connection close"
        time.sleep(0.05)
    assert driver.posts_now(quiet=0.3) == [], "a close while idle reports to nobody"
    assert driver.run(f"send {hx(YOU)} {hx(b'y')} {hx(b'again')} 0") == 0
    assert driver.post().wparam == 11
    assert len(requests(server, pm.SESSION_START)) == 2, "the new connection started its session"
    assert [m.text for m in server.mailbox(YOU)] == [b"again"]


@pytest.mark.parametrize("transport", ["udp", "tcp"])
def test_bare_records_below_version_512(tmp_path, transport):
    with MessageServerPeer(log_path=str(tmp_path / "ms.log"), lifetime=120, options={"version": "0x0110"}) as server:
        driver = Driver()
        try:
            login(driver, server, transport, version=0x0110)
            assert len(requests(server, pm.SESSION_START)) == (1 if transport == "tcp" else 0)
            assert driver.run(f"send {hx(YOU)} {hx(b'y')} {hx(b'bare')} 0") == 0
            assert driver.post().wparam == 11
            assert [m.text for m in server.mailbox(YOU)] == [b"bare"]
            body = bytes(range(200)) * 20
            number = server.deliver(ME, YOU, b"hanako", b"clip", attach=1, body=body)
            target = tmp_path / "bare.bin"
            assert driver.run(f"recvbody {number} {hx(('Z:' + str(target).replace('/', chr(92))).encode())} {len(body)}") == 0
            got = driver.post()
            assert (got.wparam, got.u32(32)) == (15, len(body))
            assert target.read_bytes() == body
            attachment = tmp_path / "up.bin"
            attachment.write_bytes(body[:1461])
            path = hx(("Z:" + str(attachment).replace("/", "\\")).encode())
            assert driver.run(f"body {hx(YOU)} {hx(b'y')} {hx(b'f')} 0 {path}") == 0
            assert driver.expect(lambda l: l.startswith("POST ")).startswith("POST 403 14 ")
            [stored] = server.requests_of("body-stored")
            assert stored["size"] == 1461
        finally:
            driver.close()
