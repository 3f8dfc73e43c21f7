"""The chat engine under Wine against a real IRC server (ngircd), a scripted chat server and tinyproxy.

The engine runs in nv_chat_driver.exe, which prints the events the chat window would receive; the
other members of the room are Python IRC clients.
"""

import csv
import io
import os
import sys

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "..", "tests", "peers"))

from nvpeers.chat_script import SCRIPTS, ChatScriptPeer  # noqa: E402
from nvpeers.ircd import IrcClient, Ngircd  # noqa: E402
from nvpeers.line_driver import LineDriver  # noqa: E402
from nvpeers.tinyproxy import Tinyproxy  # noqa: E402

BUILD = os.environ.get("NV_BUILD_DIR")


@pytest.fixture(autouse=True)
def build_dir():
    """The Windows build whose driver runs; CTest sets it, and a run without it fails."""
    assert BUILD, "NV_BUILD_DIR is not set: run through CTest of a Windows build"
    assert os.path.exists(os.path.join(BUILD, "tests", "e2e", "nv_chat_driver.exe")), BUILD
    return BUILD

HELLO = "こんにちは、世界"
REPLY = "元気です。ソフト表示"


class Driver(LineDriver):
    """nv_chat_driver.exe under Wine: commands in, event lines out."""

    timeout, shown, bye_timeout, end_timeout = 30, 8, 20, 20

    def __init__(self, *args):
        exe = os.path.join(BUILD, "tests", "e2e", "nv_chat_driver.exe")
        super().__init__([os.path.join(BUILD, "nv-wine"), exe, *args])
        self.temp = self.expect(lambda l: l.startswith("TEMP "))[5:]

    def event(self, wparam=None, etype=None, command=None, timeout=30):
        def match(line):
            parts = line.split(" ")
            if parts[0] != "EVENT":
                return False
            return (
                (wparam is None or parts[1] == str(wparam))
                and (etype is None or parts[2] == str(etype))
                and (command is None or parts[3] == command)
            )

        parts = self.expect(match, timeout).split(" ")
        text = b"" if parts[5] == "-" else bytes.fromhex(parts[5])
        sender = "" if parts[4] == "-" else bytes.fromhex(parts[4]).decode("cp932")
        return {"wparam": int(parts[1]), "type": parts[2], "command": parts[3], "sender": sender, "text": text}


@pytest.fixture
def ircd(tmp_path):
    with Ngircd(tmp_path / "ircd") as server:
        yield server


def members(event):
    return event["text"].decode("cp932").split()


def test_a_room_visit_against_a_real_irc_server(ircd):
    hanako = IrcClient("127.0.0.1", ircd.port, "hanako")
    hanako.send("JOIN #lobby")  # the first to join holds the room (and may kick)
    hanako.wait_for(lambda l: " 366 " in l)
    driver = Driver()
    try:
        driver.send(f"connect 127.0.0.1 {ircd.port} #lobby taro")
        assert driver.expect(lambda l: l.startswith("RESULT connect")) == "RESULT connect 0"
        entered = driver.event(0, 1)
        assert entered["command"] == "JOIN" and entered["sender"] == "taro"
        names = driver.event(0, 4, "NAMELIST")
        assert members(names) == ["taro", "hanako"], "own name once, no operator mark"

        # Japanese text both ways.
        driver.send("say " + HELLO.encode("cp932").hex())
        line = hanako.wait_for(lambda l: "PRIVMSG #lobby" in l and l.startswith(":taro"))
        assert line.encode("latin-1").split(b" :", 1)[1] == HELLO.encode("iso2022_jp")
        hanako.send(b"PRIVMSG #lobby :" + REPLY.encode("iso2022_jp"))
        message = driver.event(0, 2, "PRIVMSG")
        assert message["sender"] == "hanako" and message["text"] == REPLY.encode("cp932")

        # The member list follows joins, kicks, parts and quits.
        jiro = IrcClient("127.0.0.1", ircd.port, "jiro")
        jiro.send("JOIN #lobby")
        assert driver.event(0, 2, "JOIN")["sender"] == "jiro"
        assert "jiro" in members(driver.event(0, 4, "NAMELIST"))
        hanako.send("KICK #lobby jiro :behave")
        kick = driver.event(0, 2, "PRIVMSG")
        assert kick["text"] == b"KICK jiro :behave"
        assert "jiro" not in members(driver.event(0, 4, "NAMELIST"))
        saburo = IrcClient("127.0.0.1", ircd.port, "saburo")
        saburo.send("JOIN #lobby")
        driver.event(0, 2, "JOIN")
        saburo.send("PART #lobby")
        assert driver.event(0, 2, "PART")["sender"] == "saburo"
        shiro = IrcClient("127.0.0.1", ircd.port, "shiro")
        shiro.send("JOIN #lobby")
        driver.event(0, 2, "JOIN")
        shiro.close()
        assert driver.event(0, 2, "QUIT")["sender"] == "shiro"
        assert members(driver.event(0, 4, "NAMELIST")) == ["taro", "hanako"]

        # Leaving: PART and QUIT, then the server's ERROR line closes the visit.
        driver.send("part")
        assert driver.expect(lambda l: l.startswith("RESULT part")) == "RESULT part 0"
        driver.event(0, 8)
        hanako.wait_for(lambda l: l.startswith(":taro") and " PART " in l)
        for client in (hanako, jiro, saburo):
            client.close()
    finally:
        driver.close()


@pytest.mark.parametrize("numeric, end", [("433", -5), ("475", -6), ("471", -7), ("403", -8), ("432", -9)])
def test_refusals_reach_the_chat_window_as_their_end_codes(numeric, end):
    with ChatScriptPeer(script=SCRIPTS["welcome-then-refuse"](numeric)) as peer:
        driver = Driver()
        try:
            driver.send(f"connect 127.0.0.1 {peer.port} #lobby taro")
            alert = driver.event(0, 3)
            assert alert["command"] == numeric
            assert driver.event()["wparam"] == end
            driver.send("state")
            assert driver.expect(lambda l: l.startswith("STATE")) == "STATE 100"
        finally:
            driver.close()


def test_pings_are_answered_with_their_token_and_lines_split_anyhow(tmp_path):
    script = [
        ("expect", "NICK "),
        ("expect", "USER "),
        ("send", b"PING :reg"),
        ("send", b"-1\r\n:irc.test 001 taro :Wel"),
        ("send", b"come\r\n"),
        ("expect", "PONG "),
        ("expect", "JOIN "),
        ("send", b":taro!~QeloUser@h JOIN :#lobby\r\n:hanako!~h@h PRIVMSG #lobby :one\r\nPING :in"),
        ("send", b"-room\r\n:hanako!~h@h PRIVMSG #lobby :two\r\n"),
        ("expect", "PONG "),
        ("expect", "PART "),
        ("expect", "QUIT"),
        ("send", b"ERROR :bye\r\n"),
        ("close",),
    ]
    with ChatScriptPeer(script=script) as peer:
        driver = Driver("-c")
        try:
            driver.send(f"connect 127.0.0.1 {peer.port} #lobby taro")
            driver.event(0, 1)
            assert driver.event(0, 2, "PRIVMSG")["text"] == b"one"
            assert driver.event(0, 2, "PRIVMSG")["text"] == b"two"
            driver.send("part")
            driver.event(0, 8)
            lines = [r["line"] for r in peer.requests_of("chat-line")]
            assert "PONG :reg-1" in lines and "PONG :in-room" in lines
        finally:
            driver.close()
        # The traffic logs, read back with the csv module.
        temp = os.path.join(os.environ["NV_WINEPREFIX"], "drive_c", *driver.temp.replace("\\", "/").split("/")[1:])
        with open(os.path.join(temp, "NVPC_CHAT_SEND.csv"), newline="", encoding="latin-1") as f:
            sent = [row for row in csv.reader(f)]
        assert any(row[0] == "SEND" and row[2] == "LOG NICK taro" for row in sent)
        with open(os.path.join(temp, "NVPC_CHAT_RECV.csv"), newline="", encoding="latin-1") as f:
            received = f.read()
        assert "RECV," in received and "Length = " in received


@pytest.mark.parametrize("credentials", [None, ("chatuser", "s3cret")])
def test_a_visit_through_tinyproxy(ircd, tmp_path, credentials):
    user, password = credentials or (None, None)
    with Tinyproxy(tmp_path / "proxy", ircd.port, user, password) as proxy:
        driver = Driver()
        try:
            extra = f" 127.0.0.1 {proxy.port}" + (f" {user} {password}" if user else "")
            driver.send(f"connect 127.0.0.1 {ircd.port} #lobby taro{extra}")
            assert driver.expect(lambda l: l.startswith("RESULT connect")) == "RESULT connect 0"
            driver.event(0, 1)
            driver.send("part")
            # The proxy may end the tunnel at the half-close before the server's ERROR line passes:
            # either way the visit ends.
            end = driver.expect(lambda l: l.startswith("EVENT 0 8 ") or l.startswith("EVENT -1 ")).split(" ")
            if end[1] == "0":
                # The server's ERROR line came through: the closed event carries that line.
                assert end[2:4] == ["8", "ERROR"], end
            else:
                # The tunnel ended first: the end code alone, without an event record.
                assert end[1:] == ["-1", "-", "-", "-", "-"], end
            driver.send("state")
            assert driver.expect(lambda l: l.startswith("STATE")) == "STATE 100", "the engine is idle again"
        finally:
            driver.close()


def test_a_proxy_that_refuses_the_credentials_is_reported(ircd, tmp_path):
    with Tinyproxy(tmp_path / "proxy", ircd.port, "chatuser", "s3cret") as proxy:
        driver = Driver()
        try:
            driver.send(f"connect 127.0.0.1 {ircd.port} #lobby taro 127.0.0.1 {proxy.port} chatuser wrong")
            refused = driver.event(-2)
            assert refused["type"] == "230" and refused["sender"] == "Proxy Server"
            status = refused["text"].split(b" ")[1]
            assert refused["text"].startswith(b"HTTP/1.") and status in (b"401", b"407")
        finally:
            driver.close()
