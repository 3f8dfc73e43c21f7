"""The hostile day: the stand-in service answers the real program with garbage, with replies that
stop half-way and with lists that do not hold what they claim. The user meets each through the
program's own windows: the program's error text (read back and compared with its string table),
a program that stays usable, and a history database that keeps every row it had."""
import re
import subprocess
import urllib.parse
import urllib.request
from pathlib import Path

from dayharness import ACCOUNTS, BTN_LOGIN, BTN_LOGOUT, MAIN_EXE, PROFILE_KEY, WORK, log_in, wait_message_client
from nvdrive import wait_for
from nvpeers import pm_codec as pm

SOURCE = Path(__file__).resolve().parents[2]
BOX_TEXT = 0xFFFF      # the program's message box: its text control
BOX_OK = 1             # and its OK button
ERROR_LOG_LIST = 1383  # the error log window's list: kind, time, text
ERROR_LOG_TEXT = 2


def string_table(name):
    """The text of a string of the programs' string tables (as the source writes it)."""
    pattern = re.compile(r'^\s*' + re.escape(name) + r'\s+"((?:[^"]|"")*)"\s*$')
    for table in sorted((SOURCE / "resources" / "strings").glob("*.rc")):
        for line in table.read_text(encoding="utf-8").splitlines():
            found = pattern.match(line)
            if found:
                return found.group(1).replace('""', '"').replace("\\n", "\n").replace("\\r", "\r")
    raise AssertionError(f"{name} is in no string table")


def control(service, **fields):
    """Switches the login peer for the requests that follow, as a test does from outside."""
    body = urllib.parse.urlencode(fields).encode("ascii")
    request = urllib.request.Request(service.url + "/_control", data=body, method="POST")
    with urllib.request.urlopen(request, timeout=10) as reply:
        assert reply.read() == b"ok"


# --- the history database -------------------------------------------------------------------

def database():
    """The history database the program keeps below its install folder (made at its start)."""
    found = sorted((Path(MAIN_EXE).parent / "Log").glob("*/vyrntalk.cdb"))
    assert len(found) == 1, f"one history database below the install folder, found {found}"
    return found[0]


def sqlite(path, sql):
    done = subprocess.run(["sqlite3", "-bail", str(path), sql], capture_output=True, timeout=30)
    assert done.returncode == 0, done.stderr.decode(errors="replace")
    return done.stdout.decode("utf-8", errors="replace")


def history_rows(path):
    """Every row of the history's tables, in a fixed order."""
    return sqlite(path, "SELECT 'user', CommID, CommName, Memo, Time FROM vyrnuser ORDER BY CommID;"
                        "SELECT 'msg', SeqNo, SndRcv, CommID, Date, hex(Msg), AttachType FROM vyrnmsg ORDER BY SeqNo;"
                        "SELECT 'attach', SeqNo, Attach FROM vyrnattach ORDER BY SeqNo;")


def seed_history(path):
    """A partner and a conversation already stored when the hostile run starts."""
    partner = ACCOUNTS["B"][2]
    sqlite(path, "BEGIN;"
                 f"INSERT OR REPLACE INTO vyrnuser (CommID, CommName, Memo, Time) VALUES "
                 f"('{partner}', 'ＢさんB', '月曜に電話', '2026-12-10 09:00:00');"
                 f"INSERT INTO vyrnmsg (SndRcv, CommID, Date, Msg, AttachType) VALUES "
                 f"(0, '{partner}', '2026-12-10 09:01:00', 'おはようございます。今日の予定は？', 0),"
                 f"(1, '{partner}', '2026-12-10 09:02:30', '十時から会議です', 0);"
                 "COMMIT;")
    rows = history_rows(path)
    assert "msg|" in rows and partner in rows, rows
    return rows


# --- what the user sees -----------------------------------------------------------------------

def error_log_texts(user, pid):
    """The error log window's texts, newest first (the window exists from the start, shown or not)."""
    window = user.find(pid, "#32770", "", ERROR_LOG_LIST)
    assert window, f"{user.name}: the error log window"
    return user.cells(window, ERROR_LOG_LIST, ERROR_LOG_TEXT)


def answer_box(user, pid, what):
    """The program's message box that the failure opened: its text, once the user has read it and
    clicked OK."""
    box = user.wait_window(f"the message box after {what}", 60, pid=pid, cls="#32770", child=BOX_TEXT)
    text = wait_for(lambda: user.text(box, BOX_TEXT), 10, f"{user.name}: the message box's text")
    user.shot(box, "hostile_box_" + re.sub(r"\W", "_", what))
    user.click(box, BOX_OK)
    wait_for(lambda: not user.exists(box), 20, f"{user.name}: the message box to close")
    return text


def message_arrive(user):
    value = user.reg_query(PROFILE_KEY, "MessageArrive")
    return int(value, 0) if value else 0


# --- the log-in server's hostile replies -------------------------------------------------------

# Replies of the log-in server that hold no session, and the session's code the program shows
# with its text for a log-in that reached the server but brought no session: 13000 a reply
# without "version" (garbage, nothing at all), 13001 a reply without a required field (cut off
# half-way, reset half-way, the session left out), the HTTP status otherwise.
LOGIN_SWITCHES = {"garbage": 13000, "close_mid": 13001, "reset_mid": 13001, "status500": 500,
                  "missing:session": 13001, "no_reply": 13000}


def login_posts(service):
    return len([r for r in service.login.requests_of("http-request") if r.get("path") == "/menu/LNLogin.cgi"])


def hostile_log_ins(day):
    service, a = day.service, day.a
    pid, main = day.start("A")
    login = ACCOUNTS["A"][0]
    shown = {}
    for switch, code in LOGIN_SWITCHES.items():
        control(service, switch=switch)
        before = login_posts(service)
        logged = len(error_log_texts(a, pid))
        a.click(main, BTN_LOGIN)
        text = answer_box(a, pid, f"log-in {switch}")
        shown[switch] = text
        assert text == string_table("IDS_MESSAGE_SERVER_UNREACHABLE") + f"(#{code})", \
            f"log-in {switch}: the box says {text!r}"
        assert login_posts(service) == before + 1, f"log-in {switch}: {login_posts(service) - before} log-in requests"
        rows = error_log_texts(a, pid)
        assert rows[:len(rows) - logged] == [text], f"log-in {switch}: the error log's new rows {rows[:3]}"
        exists, visible, enabled = a.state(main)
        assert exists and visible and enabled, f"log-in {switch}: the main window {exists, visible, enabled}"
        # The connection stays up without a session: the user's way back is the log-out button,
        # which ends nothing at the server (no session was made).
        outs = service.count("logged-out", login)
        a.click(main, BTN_LOGOUT)
        a.shot(main, "hostile_after_" + re.sub(r"\W", "_", switch))
        assert service.count("logged-out", login) == outs
    control(service, switch="none")
    # The service answers properly again: the same click logs in, and the message client is up.
    log_in(a, service, main)
    wait_message_client(service, a)
    day.online.add("A")
    assert not service.login.requests_of("violation"), service.login.requests_of("violation")
    return shown


# --- the message server's hostile lists ---------------------------------------------------------

def relog(day):
    """The user logs out and in again with the main window's buttons (the log-in asks for the
    message list)."""
    service, a, main = day.service, day.a, day.main("A")
    login = ACCOUNTS["A"][0]
    out = service.count("logged-out", login)
    a.click(main, BTN_LOGOUT)
    service.wait_count("logged-out", login, out + 1, "A: the log-out after the click")
    day.online.discard("A")
    before = len(service.messages.records)
    log_in(a, service, main)
    return before


def list_requests_since(service, mark):
    return [r for r in service.messages.records[mark:] if r.get("kind") == "request" and r.get("type") == pm.LIST_REQUEST]


# Answers to the list request that no list can be made of: the list error, nothing in the arrival
# list. list_count pads the list beyond its 18 entries; list_claim says more than it holds;
# list_cut stops the record half-way through an entry.
LIST_FAULTS = [("oversized list", {"list_count": 19}),
               ("list claiming more entries than it holds", {"list_claim": 7}),
               ("record stopping half-way", {"list_cut": 28 + 4 + 30})]


def hostile_lists(day):
    service, a = day.service, day.a
    server = service.messages
    comm_id = ACCOUNTS["A"][2].encode()
    partner = ACCOUNTS["B"][2].encode()
    day.ensure_online("A")
    pid, main = day.started["A"]
    # Two messages wait on the server: every broken list below claims or pads around them.
    for text in ("一通目のメッセージ", "二通目"):
        server.deliver(comm_id, partner, "ＢさんB".encode("cp932"), text.encode("cp932"))
    seen = {}
    for name, faults in LIST_FAULTS:
        server.faults.update(faults)
        try:
            logged = len(error_log_texts(a, pid))
            mark = relog(day)
            wait_for(lambda: list_requests_since(service, mark), 60, f"A: the list request ({name})")

            def new_rows():
                rows = error_log_texts(a, pid)
                return rows[:len(rows) - logged]
            expected = string_table("IDS_PM_LIST_NO_REPLY") + "(#12213)"
            wait_for(lambda: expected in new_rows(), 60, f"A: the list error in the error log ({name})")
            seen[name] = new_rows()
            # The error balloon shows it on the screen.
            balloon = a.wait_window(f"the error balloon ({name})", 30, pid=pid, cls="NvPopupBalloon")
            a.shot(balloon, "hostile_balloon_" + re.sub(r"\W", "_", name))
            assert message_arrive(a) == 0, f"{name}: a broken list filled the arrival list"
            # Pushed the same way, unasked, it is dropped without a word.
            server.push_list(comm_id)
            assert message_arrive(a) == 0, f"{name}: a pushed broken list filled the arrival list"
            exists, visible, enabled = a.state(main)
            assert exists and visible and enabled, f"{name}: the main window {exists, visible, enabled}"
        finally:
            for key in faults:
                server.faults.pop(key, None)
            day.online.add("A")
    # Bytes that are no frame at all, pushed at the client's UDP port: dropped.
    address = server.udp_clients.get(pm.field16(comm_id))
    assert address, "A's client address at the message server"
    for junk in (b"", b"\x00" * 3, bytes(range(256)) * 4, b"~" + b"\xff" * 1500):
        server.udp.sendto(junk, address)
    # The server answers properly again: the pushed list reaches the arrival list in full.
    server.push_list(comm_id)
    wait_for(lambda: message_arrive(a) == 2, 30, "A: the two waiting messages in the arrival list")
    return seen
