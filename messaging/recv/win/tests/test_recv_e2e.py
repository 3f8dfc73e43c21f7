"""The received-message window with the real message client and the real message database under
Wine, against the message-server peer: what the server is asked (fetch, fetch again, delete), what
the window shows and what the database holds afterwards.

The window runs in nv_recv_driver.exe (messaging/recv/win/e2e/RecvDriver.cpp), whose host routes the
client's results to the window as the main window does. The database is read with the sqlite3 tool.
"""

import os
import socket
import sqlite3
import subprocess
import sys
import time

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "..", "..", "tests", "peers"))

from nvpeers import pm_codec as pm  # noqa: E402
from nvpeers.line_driver import LineDriver  # noqa: E402
from nvpeers.message_server import MessageServerPeer  # noqa: E402

BUILD = os.environ.get("NV_BUILD_DIR")
if not BUILD:
    raise RuntimeError("NV_BUILD_DIR is not set: run this through CTest")

ME = b"0123456789ABCDEF"
YOU = b"FEDCBA9876543210"
HANAKO = "花子".encode("cp932")
PERIOD_MS = 500


def hx(data):
    return data.hex() if data else "-"


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def unix_path(path):
    assert path[:2].upper() == "Z:", path
    return path[2:].replace("\\", "/")


class Driver(LineDriver):
    """nv_recv_driver.exe under Wine: commands in, result lines out."""

    timeout, shown, bye_timeout, end_timeout = 60, 12, 30, 30

    def __init__(self, install):
        os.makedirs(install, exist_ok=True)
        exe = os.path.join(BUILD, "tests", "e2e", "nv_recv_driver.exe")
        super().__init__([os.path.join(BUILD, "nv-wine"), exe, windows_path(install)])
        _, path, available = self.expect(lambda l: l.startswith("DB ")).rsplit(" ", 2)
        assert available == "1", "the database could not be opened"
        self.db = unix_path(path)

    def event(self, wparam, timeout=60):
        """Waits for the window to be handed result wParam; the microseconds since the last click."""
        line = self.expect(lambda l: l.startswith(f"EVENT {wparam} "), timeout)
        return int(line.split(" ")[2])

    def rows(self):
        self.send("rows")
        out = []
        while True:
            line = self.expect(lambda l: l.startswith("ROW ") or l.startswith("ROWS "))
            if line.startswith("ROWS "):
                return out
            _, _, name, icon, attach = line.split(" ")
            out.append((bytes.fromhex(name) if name != "-" else b"", int(icon), int(attach)))

    def state(self):
        self.send("state")
        _, pending, last, holder = self.expect(lambda l: l.startswith("STATE ")).split(" ")
        return int(pending), int(last), int(holder)

    def enabled(self, control):
        self.send(f"enabled {control}")
        return self.expect(lambda l: l.startswith(f"ENABLED {control} ")).endswith(" 1")

    def close(self):
        if self.process.poll() is None:
            super().close()
        else:
            self.wait_end()


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def login(driver, server):
    assert driver.run(f"login version=0x0301 udp_local={free_udp_port()} udp_port={server.port} "
                      f"tcp_port={server.tcp_port} data_port={server.data_port}") == 0
    assert driver.run(f"period {PERIOD_MS} 6000 3000") == 0
    assert driver.run("open 0") == 0
    assert driver.run("connect") == 0


def requests(server, rtype):
    return [r for r in server.requests_of("request") if r["type"] == rtype]


def wait_until(predicate, timeout=20):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    raise TimeoutError("condition not met")


def stored_rows(db):
    with sqlite3.connect(db) as connection:
        return connection.execute(
            "SELECT m.CommID, m.Msg, m.AttachType, a.Attach FROM vyrnmsg m LEFT JOIN vyrnattach a ON a.SeqNo = m.SeqNo "
            "ORDER BY m.SeqNo").fetchall()


def sqlite_tool_text(db):
    """The stored texts as the sqlite3 tool reads them (the database keeps UTF-8)."""
    out = subprocess.run(["sqlite3", db, "SELECT Msg FROM vyrnmsg ORDER BY SeqNo"], capture_output=True, check=True)
    return out.stdout.decode("utf-8").splitlines()


@pytest.fixture
def server(tmp_path):
    with MessageServerPeer(log_path=str(tmp_path / "message_server.log"), lifetime=300) as peer:
        yield peer


@pytest.fixture
def driver(tmp_path):
    d = Driver(tmp_path / "install")
    yield d
    d.close()


def test_a_text_is_fetched_shown_stored_and_only_then_deleted(server, driver):
    text = "こんにちは http://example.jp/ です".encode("cp932")
    number = server.deliver(ME, YOU, HANAKO, text)
    login(driver, server)
    assert driver.run("window") == 0
    driver.event(10)  # the list
    driver.event(12)  # the first unread message, shown
    assert driver.rows() == [(HANAKO, 0, -1)]
    assert driver.run("click 0") == 0
    driver.event(12)  # fetched again before it is stored
    driver.event(13)  # deleted
    # The server saw fetch, fetch, delete, in that order, and keeps nothing.
    assert [r["type"] for r in server.requests_of("request") if r["type"] in (pm.FETCH, pm.DELETE)] == [
        pm.FETCH, pm.FETCH, pm.DELETE]
    assert server.mailbox(ME) == []
    assert stored_rows(driver.db) == [(YOU.decode(), text.decode("cp932"), 0, None)]
    assert sqlite_tool_text(driver.db) == [text.decode("cp932")]
    assert driver.rows() == [(HANAKO, 2, -1)]


@pytest.mark.parametrize("name", ["写真.txt".encode("cp932"), b"..\\..\\evil.txt"], ids=["japanese", "hostile"])
def test_a_package_is_received_stored_with_its_copy_then_deleted(server, driver, tmp_path, name):
    data = "写真の中身".encode("cp932") * 100
    package = pm.build_package([(name, data)])
    server.deliver(ME, YOU, HANAKO, "添付です".encode("cp932"), attach=8, body=package)
    login(driver, server)
    assert driver.run("window") == 0
    driver.event(10)
    driver.event(12)
    assert driver.rows() == [(HANAKO, 0, 5)]
    assert driver.run("click 0") == 0
    driver.event(15, timeout=120)  # the body
    driver.event(13)
    assert server.mailbox(ME) == []
    [(sender, message, kind, copy)] = stored_rows(driver.db)
    assert (sender, message, kind) == (YOU.decode(), "添付です", 4)
    # The stored copy is the package as it came, inside the attachment folder.
    copy_path = os.path.join(os.path.dirname(driver.db), "Attach", os.path.basename(copy.replace("\\", "/")))
    with open(copy_path, "rb") as f:
        assert f.read() == package
    # A hostile name inside the package wrote nothing beside it.
    assert not (tmp_path / "evil.txt").exists()
    assert driver.rows() == [(HANAKO, 2, 5)]


def test_a_refused_delete_keeps_the_message_on_the_server_and_the_row_stored(server, driver):
    server.faults["refuse"] = {pm.DELETE: 0x1111}
    number = server.deliver(ME, YOU, HANAKO, b"keep me")
    login(driver, server)
    assert driver.run("window") == 0
    driver.event(10)
    driver.event(12)
    assert driver.run("click 0") == 0
    driver.event(12)
    driver.expect(lambda l: l.startswith("STORED message "))
    driver.event(-1)
    assert [m.number for m in server.mailbox(ME)] == [number], "a refused delete deletes nothing"
    assert stored_rows(driver.db) == [(YOU.decode(), "keep me", 0, None)]


def test_the_driver_killed_while_the_delete_waits_loses_nothing(server, driver):
    server.faults["silent"] = {pm.DELETE}
    number = server.deliver(ME, YOU, HANAKO, b"crash after store")
    login(driver, server)
    assert driver.run("window") == 0
    driver.event(10)
    driver.event(12)
    assert driver.run("click 0") == 0
    driver.event(12)
    driver.expect(lambda l: l.startswith("STORED message "))
    wait_until(lambda: requests(server, pm.DELETE))
    driver.send("kill")
    driver.process.wait(timeout=30)
    assert [m.number for m in server.mailbox(ME)] == [number]
    assert stored_rows(driver.db) == [(YOU.decode(), "crash after store", 0, None)]


CANCEL_BUTTON = 1390


def test_an_unreadable_message_shows_its_icon_and_is_never_fetched_again(server, driver):
    server.faults["wrong_number"] = True
    server.deliver(ME, YOU, HANAKO, b"unreadable")
    login(driver, server)
    assert driver.run("window") == 0
    driver.event(10)
    driver.event(-1)  # the fetch answered for another number: 12214
    wait_until(lambda: driver.rows() == [(HANAKO, 1, -1)])
    fetches = len(requests(server, pm.FETCH))
    assert driver.run("click 0") == 0
    pending, _, holder = driver.state()
    assert (pending, holder) == (0, 0), "a click on an unreadable message sends nothing"
    assert len(requests(server, pm.FETCH)) == fetches
    assert stored_rows(driver.db) == []


def test_cancel_while_the_body_is_awaited_keeps_the_message_and_stores_nothing(server, driver):
    server.faults["body_silent"] = True
    package = pm.build_package([("写真.txt".encode("cp932"), b"x" * 5000)])
    number = server.deliver(ME, YOU, HANAKO, b"with a body", attach=8, body=package)
    login(driver, server)
    assert driver.run("window") == 0
    driver.event(10)
    driver.event(12)
    assert driver.run("click 0") == 0
    driver.event(12)  # fetched again: the body is asked for next
    wait_until(lambda: driver.enabled(CANCEL_BUTTON))
    assert driver.run(f"button {CANCEL_BUTTON}") == 0
    driver.event(-1)
    wait_until(lambda: driver.state() == (0, driver.state()[1], 0))
    assert [m.number for m in server.mailbox(ME)] == [number]
    assert stored_rows(driver.db) == []
    assert not requests(server, pm.DELETE)


@pytest.mark.parametrize("asked", [True, False], ids=["asked", "not-asked"])
def test_a_read_notice_reaches_the_send_window_when_the_sender_asked(server, driver, asked):
    server.deliver(ME, YOU, HANAKO, "読んだら教えて".encode("cp932"), kind=1 if asked else 0)
    login(driver, server)
    assert driver.run("window") == 0
    driver.event(10)
    driver.event(12)
    assert driver.run("click 0") == 0
    driver.event(13)
    driver.state()  # answered after the window has handled the delete's result
    notices = [l for l in driver.seen if l.startswith("READNOTICE ")]
    assert notices == ([f"READNOTICE {YOU.hex()}"] if asked else [])


def test_two_packages_in_a_row_are_both_received_stored_and_deleted(server, driver):
    packages = [pm.build_package([(f"{i}.txt".encode(), bytes([65 + i]) * 20000)]) for i in range(2)]
    for i, package in enumerate(packages):
        server.deliver(ME, YOU, HANAKO, f"package {i}".encode(), attach=8, body=package)
    login(driver, server)
    assert driver.run("window") == 0
    driver.event(10)
    driver.event(12)
    for row in range(2):
        assert driver.run(f"click {row}") == 0
        driver.event(15, timeout=120)
        driver.event(13)
    assert server.mailbox(ME) == []
    assert [(m, k) for _, m, k, _ in stored_rows(driver.db)] == [("package 0", 4), ("package 1", 4)]
