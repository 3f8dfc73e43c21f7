"""The hostile day: the stand-in service answers the real program with garbage, with replies that
stop half-way and with lists that do not hold what they claim. The user meets each through the
program's own windows: the program's error text (read back and compared with its string table),
a program that stays usable, and a history database that keeps every row it had."""
import re
import subprocess
import urllib.parse
import urllib.request
from pathlib import Path

from dayharness import ACCOUNTS, BTN_LOGIN, BTN_LOGOUT, MAIN_EXE, PROFILE_KEY, log_in, wait_message_client
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

# Replies of the log-in server that hold no session, and the session's codes the program may show
# with its text for a log-in that reached the server but brought no session: 13000 a reply
# without "version" (garbage, nothing at all), 13001 a reply without a required field (the
# session left out), the HTTP status, or WinINet's 12030/12031 for a reply cut off or reset
# half-way (a reply shorter than its length is a failed post, never read as a whole one).
LOGIN_SWITCHES = {"garbage": {13000}, "close_mid": {12030, 12031}, "reset_mid": {13001, 12030, 12031}, "status500": {500},
                  "missing:session": {13001}, "no_reply": {13000}}


def login_posts(service):
    return len([r for r in service.login.requests_of("http-request") if r.get("path") == "/menu/LNLogin.cgi"])


def hostile_log_ins(day):
    service, a = day.service, day.a
    pid, main = day.start("A")
    login = ACCOUNTS["A"][0]
    shown = {}
    for switch, codes in LOGIN_SWITCHES.items():
        control(service, switch=switch)
        before = login_posts(service)
        logged = len(error_log_texts(a, pid))
        a.click(main, BTN_LOGIN)
        text = answer_box(a, pid, f"log-in {switch}")
        shown[switch] = text
        assert text in [string_table("IDS_MESSAGE_SERVER_UNREACHABLE") + f"(#{code})" for code in codes], \
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

# Pushed lists that no list can be made of: list_count pads the list beyond its 18 entries,
# list_claim says it holds more than it does, list_cut stops the record half-way through an
# entry. Each is dropped: the arrival list stays as the last good list left it.
LIST_FAULTS = [("oversized list", {"list_count": 19}),
               ("list claiming more entries than it holds", {"list_claim": 7}),
               ("record stopping half-way", {"list_cut": 28 + 4 + 44 + 20})]


def hostile_lists(day):
    service, a = day.service, day.a
    server = service.messages
    # The message server knows each user by the log-in ID the client puts in every record.
    login = ACCOUNTS["A"][0]
    user = login.encode()
    partner = ACCOUNTS["B"][0].encode()
    day.ensure_online("A")
    pid, main = day.started["A"]
    waiting = 0

    def one_more(text):
        nonlocal waiting
        server.deliver(user, partner, "ＢさんB".encode("cp932"), text.encode("cp932"))
        waiting += 1

    # The list that answers the log-in's own request claims more than it holds: the program says
    # so with its list text and its number, and lists nothing.
    one_more("一通目のメッセージ")
    server.faults["list_claim"] = 7
    try:
        logged = len(error_log_texts(a, pid))
        outs = service.count("logged-out", login)
        a.click(main, BTN_LOGOUT)
        service.wait_count("logged-out", login, outs + 1, "A: the log-out after the click")
        day.online.discard("A")
        mark = len(server.records)
        day.ensure_online("A")
        wait_for(lambda: [r for r in server.records[mark:] if r.get("kind") == "request" and r.get("type") == pm.LIST_REQUEST],
                 30, "A: the log-in's list request")
        expected = string_table("IDS_PM_LIST_NO_REPLY") + "(#12213)"

        def new_rows():
            rows = error_log_texts(a, pid)
            return rows[:len(rows) - logged]
        wait_for(lambda: expected in new_rows(), 30, f"A: {expected!r} in the error log")
        balloon = a.wait_window("the error balloon", 30, pid=pid, cls="NvPopupBalloon")
        a.shot(balloon, "hostile_list_error_balloon")
        assert message_arrive(a) == 0, "a list that claimed more than it held filled the arrival list"
    finally:
        server.faults.pop("list_claim", None)

    # Pushes carry the session of A's latest log-in, as the server's own pushes do.
    session = int([r for r in service.login.requests_of("logged-in") if r["id"] == login][-1]["session"], 16)

    def push():
        server.push_list(user, session=session)

    push()
    wait_for(lambda: message_arrive(a) == waiting, 30, "A: the first message in the arrival list")
    for name, faults in LIST_FAULTS:
        one_more(f"{name}の後のメッセージ")
        server.faults.update(faults)
        try:
            push()
        finally:
            for key in faults:
                server.faults.pop(key, None)
        # The broken list went first; the good one behind it on the same socket is taken as it is.
        push()
        wait_for(lambda: message_arrive(a) == waiting, 30, f"A: {waiting} messages in the arrival list after {name}")
        exists, visible, enabled = a.state(main)
        assert exists and visible and enabled, f"{name}: the main window {exists, visible, enabled}"
    # Bytes that are no frame at all, at the client's UDP port: dropped as well.
    address = server.udp_clients.get(pm.field16(user))
    assert address, "A's client address at the message server"
    for junk in (b"\x00" * 3, bytes(range(256)) * 4, b"~" + b"\xff" * 1400):
        server.udp.sendto(junk, address)
    one_more("最後のメッセージ")
    push()
    wait_for(lambda: message_arrive(a) == waiting, 30, f"A: {waiting} messages in the arrival list after the junk")
    a.shot(main, "hostile_lists_done")
    return waiting
