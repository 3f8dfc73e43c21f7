"""The chat window under Wine: the real CChatDlg, its login dialog and its engine in
nv_chat_window_driver.exe, against a real IRC server (ngircd) with Python members, the scripted
chat server and tinyproxy. The application, the main window and the message box are recording
doubles inside the driver, which prints what they were asked."""

import os
import subprocess
import sys
import time

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "..", "tests", "peers"))

from nvpeers.chat_script import SCRIPTS, ChatScriptPeer  # noqa: E402
from nvpeers.ircd import IrcClient, Ngircd  # noqa: E402
from nvpeers.line_driver import LineDriver  # noqa: E402
from nvpeers.tinyproxy import Tinyproxy  # noqa: E402

BUILD = os.environ.get("NV_BUILD_DIR")
SKIN = os.environ.get("NV_CHAT_SKIN")

HELLO = "こんにちは、皆さん"
REPLY = "元気です。ソフト表示"
TEXTS = {
    151: "ﾆｯｸﾈｰﾑが無効です. \n英字(a-z,A-Z)を先頭文字とし,それ以降英数字,記号(-,[,],\\,`,^,{,})が利用できます. ",
    138: "ﾛｸﾞｲﾝできませんでした.",
    139: "送信ｴﾗｰが発生し、ﾛｸﾞｱｳﾄしました.",
    140: "ﾆｯｸﾈｰﾑが重複しています.",
    141: "ﾙｰﾑｷｰが間違っています.",
    142: "入室者が多いためﾙｰﾑに入れません.",
    172: "使用が禁止されているﾆｯｸﾈｰﾑです.",
    175: "退出しました.",
    14700: "指定されたﾁｬｯﾄﾙｰﾑは見つかりませんでした.",
}


def sjis(text):
    return text.encode("cp932")


@pytest.fixture(autouse=True)
def build_dir():
    assert BUILD, "NV_BUILD_DIR is not set: run through CTest of a Windows build"
    assert SKIN and os.path.isdir(SKIN), "NV_CHAT_SKIN names no drawn base skin"
    return BUILD


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class Window(LineDriver):
    """nv_chat_window_driver.exe under Wine: commands in, lines out."""

    timeout, shown, bye_timeout, end_timeout = 30, 12, 30, 20

    def __init__(self):
        exe = os.path.join(BUILD, "tests", "e2e", "nv_chat_window_driver.exe")
        super().__init__([os.path.join(BUILD, "nv-wine"), exe, windows_path(SKIN),
                          *os.environ.get("NV_CHAT_DRIVER_ARGS", "").split()])
        self.expect(lambda l: l == "READY", timeout=60)

    def check(self, line):
        assert not line.startswith("ERROR"), line

    def ask(self, command, prefix):
        self.send(command)
        return self.expect(lambda l: l.startswith(prefix))

    def host(self, what, timeout=30):
        return self.expect(lambda l: l.startswith("HOST " + what), timeout)

    def box(self, timeout=30):
        return bytes.fromhex(self.expect(lambda l: l.startswith("BOX "), timeout)[4:])

    def state(self):
        return int(self.ask("state", "STATE ").split()[1])

    def wait_state(self, wanted, timeout=30):
        deadline = time.monotonic() + timeout
        while self.state() != wanted:
            assert time.monotonic() < deadline, f"state never became {wanted}"
            time.sleep(0.05)

    def members(self):
        return self.ask("members", "MEMBERS").split()[1:]

    def wait_members(self, wanted, timeout=30):
        deadline = time.monotonic() + timeout
        while sorted(self.members()) != sorted(wanted):
            assert time.monotonic() < deadline, f"members never became {wanted}: {self.members()}"
            time.sleep(0.05)

    def log(self):
        hexed = self.ask("log", "LOG ")[4:]
        return b"" if hexed == "-" else bytes.fromhex(hexed)

    def wait_log(self, needle, timeout=30):
        deadline = time.monotonic() + timeout
        while needle not in self.log():
            assert time.monotonic() < deadline, f"{needle!r} never reached the log: {self.log()[-300:]!r}"
            time.sleep(0.05)

    def login(self, nick):
        self.host("ModalDialog 1")
        self.send("login " + nick.encode("cp932").hex())


@pytest.fixture
def ircd(tmp_path):
    with Ngircd(tmp_path / "ircd") as server:
        yield server


def enter(window, host, port, room="#room", nick="taro"):
    window.send(f"room {host} {port} {room}")
    window.send("enter")
    window.host("EnterRoom")
    window.login(nick)


def test_a_visit_from_the_window_against_a_real_irc_server(ircd):
    hanako = IrcClient("127.0.0.1", ircd.port, "hanako")
    hanako.send("JOIN #room")
    hanako.wait_for(lambda l: " 366 " in l)
    window = Window()
    try:
        window.send("stamps 1")
        window.send("nick bad_nick")
        window.send(f"room 127.0.0.1 {ircd.port} #room")
        window.send("enter")
        window.host("EnterRoom")
        window.host("ModalDialog 1")
        # An invalid nickname is refused with 151 and the dialog stays.
        window.send("login " + b"9lives".hex())
        assert window.box() == sjis(TEXTS[151])
        window.ask("movelogin", "OK movelogin")
        window.ask("state", "STATE")
        window.send("shot chat_login login")
        window.send("login " + b"taro".hex())
        window.host("ModalDialog 0")
        window.host("Balloon 41")
        window.wait_state(5)
        hanako.wait_for(lambda l: l.startswith(":taro!") and " JOIN " in l)
        window.wait_members(["taro", "hanako"])

        # Japanese both ways; typed half-width kana arrive full-width.
        window.send("say " + sjis(HELLO + " ｶﾞｲﾄﾞ http://example.jp/a").hex())
        line = hanako.wait_for(lambda l: "PRIVMSG #room" in l and l.startswith(":taro"))
        sent = line.encode("latin-1").split(b" :", 1)[1].decode("iso2022_jp")
        assert sent == HELLO + " ガイド http://example.jp/a"
        hanako.send(b"PRIVMSG #room :" + REPLY.encode("iso2022_jp"))
        window.wait_log(b"<hanako> " + sjis(REPLY))
        assert sjis(HELLO + " ガイド") in window.log()
        assert window.ask("history", "HISTORY").split()[1] == sjis(HELLO + " ガイド http://example.jp/a").hex()

        # Members follow joins, parts and quits of others.
        jiro = IrcClient("127.0.0.1", ircd.port, "jiro")
        jiro.send("JOIN #room")
        window.wait_members(["taro", "hanako", "jiro"])
        jiro.send("PART #room")
        window.wait_members(["taro", "hanako"])
        shiro = IrcClient("127.0.0.1", ircd.port, "shiro")
        shiro.send("JOIN #room")
        window.wait_members(["taro", "hanako", "shiro"])
        shiro.close()
        window.wait_members(["taro", "hanako"])

        # A click on the link reaches the main window's OpenUrl.
        window.send("click " + b"http://example.jp/a".hex())
        assert bytes.fromhex(window.host("OpenUrl").split()[2]) == b"http://example.jp/a"

        window.send("color 1228")
        window.send("shot chat_room")
        window.expect(lambda l: l.startswith("SHOT"))

        # Leave: PART, then the server's end closes the visit.
        window.send("leave")
        hanako.wait_for(lambda l: l.startswith(":taro!") and " PART " in l)
        window.host("Engine 0")
        window.host("LeaveRoom")
        assert window.state() == 0
        assert sjis(TEXTS[175]) in window.log()
        for client in (hanako, jiro):
            client.close()
    finally:
        window.close()
    # History and position are in the registry.
    query = subprocess.run([os.path.join(BUILD, "nv-wine"), "reg", "query",
                            "HKCU\\Software\\Qelo\\NimboVandrell\\Chat", "/v", "chat1"],
                           capture_output=True, timeout=60)
    assert b"chat1" in query.stdout and b"http://example.jp/a" in query.stdout


def test_a_kick_by_the_operator_ends_the_visit(ircd):
    hanako = IrcClient("127.0.0.1", ircd.port, "hanako")
    hanako.send("JOIN #room")
    hanako.wait_for(lambda l: " 366 " in l)
    window = Window()
    try:
        enter(window, "127.0.0.1", ircd.port)
        window.wait_state(5)
        hanako.wait_for(lambda l: l.startswith(":taro!") and " JOIN " in l)
        hanako.send("KICK #room taro :behave")
        window.host("LeaveRoom")
        assert window.state() == 0
        log = window.log()
        assert b"behave" in log and sjis(TEXTS[175]) in log
    finally:
        window.close()
        hanako.close()


@pytest.mark.parametrize("numeric, text", [("433", 140), ("475", 141), ("471", 142), ("403", 14700), ("432", 172)])
def test_refusals_of_the_chat_server_show_their_text(numeric, text):
    with ChatScriptPeer(script=SCRIPTS["welcome-then-refuse"](numeric)) as peer:
        window = Window()
        try:
            enter(window, "127.0.0.1", peer.port)
            window.host("LeaveRoom")
            window.wait_log(sjis(TEXTS[text]))
            assert window.state() == 0
        finally:
            window.close()


def test_the_service_refusing_the_room_shows_114_with_its_code():
    window = Window()
    try:
        window.send("refuse 13003")
        window.send("enter")
        window.host("EnterRoom")
        shown = window.box()
        assert shown.startswith(sjis("ただいま、このﾁｬｯﾄﾙｰﾑは入室できません.")) and b"13003" in shown
        assert window.state() == 0
    finally:
        window.close()


def test_leaving_the_login_dialog_is_a_refusal(ircd):
    window = Window()
    try:
        window.send(f"room 127.0.0.1 {ircd.port} #room")
        window.send("enter")
        window.host("ModalDialog 1")
        window.send("cancel")
        window.host("ModalDialog 0")
        window.host("LeaveRoom")
        assert window.state() == 0
    finally:
        window.close()


def test_the_window_going_away_ends_the_login_dialog(ircd):
    window = Window()
    try:
        window.send(f"room 127.0.0.1 {ircd.port} #room")
        window.send("enter")
        window.host("ModalDialog 1")
        window.send("destroy")
        # The room the service reserved is given back as the window goes; the dialog ends after.
        window.host("LeaveRoom")
        window.host("Destroyed")
        window.host("ModalDialog 0")
        assert window.ask("members", "MEMBERS") == "MEMBERS", "the driver still answers"
    finally:
        window.close()


def test_a_visit_through_tinyproxy_with_credentials(ircd, tmp_path):
    with Tinyproxy(tmp_path / "proxy", ircd.port, "chatuser", "s3cret") as proxy:
        hanako = IrcClient("127.0.0.1", ircd.port, "hanako")
        hanako.send("JOIN #room")
        hanako.wait_for(lambda l: " 366 " in l)
        window = Window()
        try:
            window.send(f"proxy 127.0.0.1 {proxy.port} chatuser s3cret")
            enter(window, "127.0.0.1", ircd.port)
            window.wait_state(5)
            hanako.wait_for(lambda l: l.startswith(":taro!") and " JOIN " in l)
        finally:
            window.close()
            hanako.close()
