"""The message send window end to end: the window (nv_send_driver.exe under Wine) with the real
message client and the real message database, against the message-server peer. What the user
typed and attached must reach the peer byte for byte and land in the database as sent; refusals,
time-outs and a cancelled body keep the text and store nothing; a send under a server that went
down fails the same way and goes through once the server is back; a read receipt goes out with the
time text and the reply text.
"""

import os
import socket
import subprocess
import sys
import time

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "..", "tests", "peers"))

from nvpeers import pm_codec as pm  # noqa: E402
from nvpeers.line_driver import LineDriver  # noqa: E402
from nvpeers.message_server import MessageServerPeer  # noqa: E402

BUILD = os.environ.get("NV_BUILD_DIR")
if not BUILD:
    raise RuntimeError("NV_BUILD_DIR is not set: run this through CTest")

ME = b"0123456789ABCDEF"
YOU = b"FEDCBA9876543210"
HANAKO = "花子".encode("cp932")
REPLY = "メッセージを開封しました.".encode("cp932")


def hx(data):
    return data.hex() if data else "-"


def winpath(path):
    return ("Z:" + str(path).replace("/", "\\")).encode("cp932")


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Driver(LineDriver):
    """nv_send_driver.exe under Wine: commands in, result lines out."""

    timeout, shown, bye_timeout, end_timeout = 40, 10, 30, 30

    def __init__(self):
        exe = os.path.join(BUILD, "tests", "e2e", "nv_send_driver.exe")
        super().__init__([os.path.join(BUILD, "nv-wine"), exe])
        self.expect(lambda l: l == "READY")

    def state(self):
        self.send("state")
        parts = self.expect(lambda l: l.startswith("STATE ")).split(" ")
        unhex = lambda s: b"" if s == "-" else bytes.fromhex(s)  # noqa: E731
        return {"state": int(parts[1]), "visible": parts[2] == "1", "lock": parts[3] == "1",
                "status": unhex(parts[4]), "text": unhex(parts[5]), "package": unhex(parts[6])}

    def wait_state(self, predicate, timeout=40):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            s = self.state()
            if predicate(s):
                return s
            time.sleep(0.05)
        raise TimeoutError(f"state not reached; last {s}")


def sqlite_rows(db, sql):
    out = subprocess.run(["sqlite3", "-separator", "|", str(db), sql], check=True, capture_output=True, text=True)
    return [line.split("|") for line in out.stdout.splitlines() if line]


@pytest.fixture
def server(tmp_path):
    with MessageServerPeer(log_path=str(tmp_path / "message_server.log"), lifetime=240) as peer:
        yield peer


@pytest.fixture
def window(server, tmp_path):
    d = Driver()
    try:
        install = tmp_path / "install"
        install.mkdir()
        assert d.run(f"login version=0x0301 udp_local={free_udp_port()} udp_port={server.port} "
                     f"tcp_port={server.tcp_port} data_port={server.data_port}") == 0
        d.run("period 500 6000 3000")
        assert d.run("open 0 0") == 0
        assert d.run("connect") == 0
        assert d.run(f"store {hx(winpath(install))}") == 1
        assert d.run("window") == 0
        assert d.run(f"partner {hx(YOU)} {hx(HANAKO)}") == 0
        d.db = install / "Log" / "tester" / "vyrntalk.cdb"
        yield d
    finally:
        d.close()


def sent_rows(db):
    return sqlite_rows(db, "SELECT SeqNo, SndRcv, CommID, hex(Msg), AttachType FROM vyrnmsg ORDER BY SeqNo")


def test_a_text_reaches_the_peer_and_is_stored_as_sent(server, window):
    text = "こんにちは、お元気ですか？\r\n二行目".encode("cp932")
    assert window.run(f"text {hx(text)}") == 0
    assert window.run("send") == 1
    done = window.wait_state(lambda s: not s["visible"] and s["state"] == 0)
    assert done["text"] == b"" and not done["lock"]
    [stored] = server.mailbox(YOU)
    assert stored.text == text and stored.sender_id == ME
    # Read receipt asked for (option 1): the peer keeps it in the attributes' low byte.
    assert stored.attributes & 0xFF == 1
    [row] = sent_rows(window.db)
    assert row[1:] == ["0", YOU.decode(), text.decode("cp932").encode("utf-8").hex().upper(), "0"]
    assert sqlite_rows(window.db, "SELECT CommID, hex(CommName) FROM vyrnuser") == [
        [YOU.decode(), HANAKO.decode("cp932").encode("utf-8").hex().upper()]]


def test_a_file_travels_as_a_package_and_its_copy_is_kept(server, window, tmp_path):
    source = tmp_path / "資料.bin"
    source.write_bytes(bytes((i * 13) & 0xFF for i in range(20000)))
    assert window.run(f"attach {hx(winpath(source))}") == 0
    package = window.state()["package"].decode("cp932")
    assert window.run(f"text {hx('添付します'.encode('cp932'))}") == 0
    assert window.run("send") == 1
    window.wait_state(lambda s: not s["visible"] and s["state"] == 0)
    [stored] = [m for m in server.mailbox(YOU) if m.file_length]
    assert stored.body[:8] == b"Vy@n 1.0"
    assert stored.body.endswith(source.read_bytes())
    [row] = sent_rows(window.db)
    assert row[1] == "0" and row[4] == "4"
    [[attach]] = sqlite_rows(window.db, f"SELECT Attach FROM vyrnattach WHERE SeqNo = {row[0]}")
    # The stored name is a plain name inside the Attach folder beside the database.
    assert "\\" not in attach and "/" not in attach
    assert (window.db.parent / "Attach" / attach).read_bytes() == stored.body
    assert package.startswith("Z:") or package[1:2] == ":"


def test_refusal_keeps_the_text_and_stores_nothing(server, window):
    status = "送信中にｴﾗｰが発生しました."
    server.faults["refuse"] = {pm.MESSAGE: 0x3003}
    text = "届かない".encode("cp932")
    assert window.run(f"text {hx(text)}") == 0
    assert window.run("send") == 1
    s = window.wait_state(lambda s: s["state"] == 0 and s["status"])
    assert s["status"] == status.encode("cp932")
    assert s["text"] == text and s["visible"] and not s["lock"]
    assert sent_rows(window.db) == []
    assert server.mailbox(YOU) == []


def test_time_out_keeps_the_text(server, window):
    server.faults["silent"] = {pm.MESSAGE}
    text = "応答なし".encode("cp932")
    assert window.run(f"text {hx(text)}") == 0
    assert window.run("send") == 1
    s = window.wait_state(lambda s: s["state"] == 0 and s["status"], timeout=60)
    assert s["status"] == "送信中にｴﾗｰが発生しました.".encode("cp932")
    assert s["text"] == text and not s["lock"]
    assert sent_rows(window.db) == []


def test_cancel_after_the_whole_body_went_keeps_the_text(server, window, tmp_path):
    # The peer takes the body and never answers; every byte was counted, so the cancel ends the
    # transfer as failed (0x406 with 0): the error line, the text kept, nothing stored.
    server.faults["send_silent"] = True
    source = tmp_path / "big.bin"
    source.write_bytes(os.urandom(50000))
    assert window.run(f"attach {hx(winpath(source))}") == 0
    text = "取り消す".encode("cp932")
    assert window.run(f"text {hx(text)}") == 0
    assert window.run("send") == 1
    window.wait_state(lambda s: s["status"] == "添付ﾃﾞｰﾀ送信中 (100%)".encode("cp932"))
    assert window.run("cancel") == 0
    s = window.wait_state(lambda s: s["state"] == 0 and s["status"])
    assert s["status"] == "送信中にｴﾗｰが発生しました.".encode("cp932")
    assert s["text"] == text and s["visible"] and not s["lock"]
    assert sent_rows(window.db) == []


def test_a_read_receipt_carries_the_time_and_the_reply_text(server, window):
    assert window.run(f"receipt {hx(YOU)}") == 0
    assert window.run("tick") == 0
    deadline = time.monotonic() + 30
    while not server.mailbox(YOU) and time.monotonic() < deadline:
        time.sleep(0.05)
    [receipt] = server.mailbox(YOU)
    assert receipt.attributes & 0xFF == 2
    text = receipt.text.decode("cp932")
    year = time.localtime().tm_year
    assert text.startswith(f" {year}年") and "月" in text and "時" in text
    assert receipt.text.endswith(b"\x95\xaa " + REPLY)
    window.wait_state(lambda s: s["state"] == 0 and not s["lock"])
    assert sent_rows(window.db) == []


def test_a_send_after_the_server_came_back_goes_through_once(server, window):
    # The server goes down under a send: the error line, the text kept, the lock given back.
    text = "止まっていても届く".encode("cp932")
    assert window.run(f"text {hx(text)}") == 0
    server.go_down()
    try:
        assert window.run("send") == 1
        s = window.wait_state(lambda s: s["state"] == 0 and s["status"], timeout=60)
        assert s["status"] == "送信中にｴﾗｰが発生しました.".encode("cp932")
        assert s["text"] == text and s["visible"] and not s["lock"]
        assert sent_rows(window.db) == []
        # The client's own code, one of the network failures whose report empties the program's
        # request queue (and so must give its lock back).
        [code] = [int(l.split(" ")[2]) for l in window.seen if l.startswith("ROUTE -1 ")]
        assert 12200 <= code <= 12299, code
    finally:
        server.come_back()
    # Sent again once it is back: it reaches the server and is stored, each once.
    assert window.run("send") == 1
    done = window.wait_state(lambda s: not s["visible"] and s["state"] == 0, timeout=60)
    assert done["text"] == b"" and not done["lock"]
    assert [m.text for m in server.mailbox(YOU)] == [text]
    [row] = sent_rows(window.db)
    assert row[1:] == ["0", YOU.decode(), text.decode("cp932").encode("utf-8").hex().upper(), "0"]
    assert [r for r in server.records if r.get("kind") == "stored"], "the server logged no store"
