"""Messages between the day's two users, as they send and read them: the friend list's rows with
their moods, the send window opened from a friend's row, a Japanese text with a file attached,
the arrival at the other user, the received-message window, the attachment opened, the reply,
both users' history databases; and a message sent while the message server is down.

Every action goes through the programs' windows (nv_drive.exe); every wait has a deadline."""
import subprocess
import time
from pathlib import Path

from dayharness import ACCOUNTS, DAY_EVENTS, MOODS, NAMES, PROFILE_KEY, WORK, history_db, pm_codec, wait_for
from nvdrive import BUILD, windows_path

# The main window's receive button.
BTN_RECEIVE = 1012
# The friend list beside the main window and its menu's commands.
IDC_FRIEND_LIST = 1001
ID_FRIEND_REFRESH = 32788
# The send window.
IDC_SEND_ID = 1033
IDC_SEND_TEXT = 1035
IDC_SEND_SEND = 1048
IDC_SEND_NAME = 1246
IDC_SEND_STATUS = 1388
IDC_SEND_ATTACH = 1395
# The received-message window and its attachment menu's "open" item.
IDC_RECV_LIST = 1023
IDC_RECV_BODY = 1025
IDC_RECV_REPLY = 1229
IDC_RECV_REFRESH = 1231
WM_COMMAND = 0x111
BN_CLICKED = 0
ID_RECV_OPEN_ATTACH = 3584
# The system's open-file dialog: its file name box (a combo box in the explorer style, an edit in
# the old one) and its OK button.
FILE_NAME_BOXES = (1148, 1152)
IDOK = 1

OWN_FRIEND_ROW_ICON = 3
SEND_FAILED = "送信中にｴﾗｰが発生しました."
MESSAGE_TYPE = 9  # a message to a partner, as the message server logs its type


def comm_id(name):
    """The user's ID at the message server: the login ID, which the records' headers carry."""
    return ACCOUNTS[name][0]


def status_icon(status):
    """The image a friend's row shows for an online friend's status word."""
    return ((status >> 4) & 0xF) + (status & 0x4) * 4 + 5


def token():
    """A mark of this run in every text, so that a history kept from earlier runs can't be counted."""
    return time.strftime("%H%M%S")


# --- the friend list -------------------------------------------------------------------------
def friend_list(day, name):
    user = day.user(name)
    return user.wait_window(f"{name}: the friend list", pid=day.pid(name), cls="#32770", child=IDC_FRIEND_LIST,
                            visible=False)


def friend_rows(user, window):
    """(name, image) of each row of the friend list."""
    return list(zip(user.items(window, IDC_FRIEND_LIST), user.images(window, IDC_FRIEND_LIST)))


def wait_friend_online(day, me, other, seconds=40):
    """Waits until the other's row in my friend list shows the other online with the other's mood."""
    user, window = day.user(me), friend_list(day, me)
    expected = status_icon(MOODS[other])

    def seen():
        rows = friend_rows(user, window)
        return rows if (NAMES[other], expected) in rows else None
    try:
        return wait_for(seen, seconds, f"{me}: {other} online with mood {MOODS[other] >> 4} in the friend list")
    finally:
        user.shot(window, "friend_list")


def check_partner_moods(day):
    """Each user sees the other online in the friend list, each with the other's own mood. The
    lists came at each log-in, maybe before the other was there: each user refreshes the list (its
    menu's command) once the service has both users' presence."""
    service = day.service.messages
    for name in ("A", "B"):
        key = pm_codec.field16(comm_id(name).encode())
        wait_for(lambda: key in service.presence, 30, f"{name}'s presence at the message server")
    for me, other in (("A", "B"), ("B", "A")):
        day.user(me).command(friend_list(day, me), ID_FRIEND_REFRESH)
        rows = wait_friend_online(day, me, other)
        # The user's own row comes first, and nobody else is there.
        assert rows[0][1] == OWN_FRIEND_ROW_ICON and len(rows) == 2, rows
    assert status_icon(MOODS["A"]) != status_icon(MOODS["B"])


# --- the send window -------------------------------------------------------------------------
def open_send_window_from_friends(day, me, other):
    """The user double-clicks the other's row in the friend list: the send window opens, addressed."""
    user, friends = day.user(me), friend_list(day, me)
    names = wait_for(lambda: (lambda n: n if NAMES[other] in n else None)(user.items(friends, IDC_FRIEND_LIST)), 40,
                     f"{me}: {other}'s row in the friend list")
    user.row_click(friends, IDC_FRIEND_LIST, names.index(NAMES[other]), double=True)
    return wait_send_window(day, me, other)


def wait_send_window(day, me, other):
    user = day.user(me)
    window = user.wait_window(f"{me}: the send window", pid=day.pid(me), cls="#32770", child=IDC_SEND_TEXT)
    wait_for(lambda: user.text(window, IDC_SEND_ID) == comm_id(other), 20,
             f"{me}: the send window addressed to {other}")
    assert user.text(window, IDC_SEND_NAME) == NAMES[other]
    return window


def attach_file(day, me, send, path):
    """The attach button, then the file typed into the open-file dialog and OK."""
    user = day.user(me)
    user.click(send, IDC_SEND_ATTACH)
    def dialog_and_box():
        for box in FILE_NAME_BOXES:
            window = user.find(day.pid(me), "#32770", "", box)
            if window and user.visible(window):
                return window, box
        return None
    dialog, box = wait_for(dialog_and_box, 30, f"{me}: the open-file dialog")
    user.set_text(dialog, box, windows_path(path))
    user.click(dialog, IDOK)
    wait_for(lambda: not user.exists(dialog), 30, f"{me}: the open-file dialog to close")


def stored_to(service, name, text):
    """The server's log entries of messages stored for the user with this text."""
    wanted = text.encode("cp932").hex()
    return [r for r in service.messages.records
            if r.get("kind") == "stored" and r.get("to") == pm_codec.field16(comm_id(name).encode()).hex()
            and r.get("text") == wanted]


def send_text(day, me, other, send, text):
    """Types the text and clicks send; returns once the server stored it and the window closed."""
    user = day.user(me)
    user.set_text(send, IDC_SEND_TEXT, text)
    user.click(send, IDC_SEND_SEND)
    wait_for(lambda: stored_to(day.service, other, text), 60, f"{me}: the message at the server")
    wait_for(lambda: not user.visible(send) or user.text(send, IDC_SEND_TEXT) == "", 60,
             f"{me}: the send window done after sending")


# --- the character ---------------------------------------------------------------------------
BALLOON_CLASS = "NvPopupBalloon"


def wait_balloon(day, me, text, seconds=60):
    """Waits until the user's character shows a speech balloon saying text; returns the balloon."""
    user = day.user(me)

    def said():
        window = user.find(day.pid(me), BALLOON_CLASS, text)
        return window if window and user.visible(window) and user.text(window) == text else None
    return wait_for(said, seconds, f"{me}: the character saying {text!r}")


def event_text(name):
    return next(text for event, _, text in DAY_EVENTS if event == name)


# --- the received-message window -------------------------------------------------------------
def open_receive_window(day, me):
    user = day.user(me)
    user.click(day.main(me), BTN_RECEIVE)
    return user.wait_window(f"{me}: the received-message window", pid=day.pid(me), cls="#32770",
                            child=IDC_RECV_LIST)


def open_message(day, me, sender, text, seconds=60):
    """Opens the received-message window, has it ask for the list again (its refresh button: a
    restarted server does not know where the client is) and clicks the row of the message."""
    user = day.user(me)
    window = open_receive_window(day, me)
    wanted = text.encode("cp932")
    server = day.service.messages
    wait_for(lambda: any(m.text == wanted for m in server.mailbox(comm_id(me).encode())), seconds,
             f"{me}: the message from {sender} at the server")
    button = user.child(window, IDC_RECV_REFRESH)

    def listed():
        # The window lists what the server holds for the user, in the server's order.
        box = server.mailbox(comm_id(me).encode())
        names = [pm_codec.field_text(m.sender_name).decode("cp932") for m in box]
        return box if user.items(window, IDC_RECV_LIST) == names else None

    def clicked():
        # A list request answered meanwhile (a pushed notice) fills the list again: the row is
        # clicked once the list stands as the server has it.
        box = listed()
        if not box or wanted not in [m.text for m in box]:
            return None
        row = [m.text for m in box].index(wanted)
        assert pm_codec.field_text(box[row].sender_name).decode("cp932") == NAMES[sender]
        try:
            user.row_click(window, IDC_RECV_LIST, row)
        except AssertionError as refused:
            if "no row" not in str(refused):
                raise
            return None
        return True

    def stored():
        return count(history(user), 1, sender, text) == 1

    def opened():
        # The refresh is sent, not posted: once it returns the window has cleared its list (when
        # it was free to ask again), so rows seen below are the ones the answer brought. Opened,
        # the message is fetched, kept in the user's history and deleted at the server. The
        # window leaves a click without effect while it is busy (fetching the first entry of a
        # list that has just come, say), and a message it opened meanwhile changes its list: as
        # a user would, the list is asked for again and the row clicked again when nothing came
        # of the click.
        if stored():
            return True
        user.ask(f"send {window} {WM_COMMAND:#x} {IDC_RECV_REFRESH | BN_CLICKED << 16} 0x{button}")
        try:
            wait_for(clicked, 15, "the row")
            wait_for(stored, 10, "the history")
        except AssertionError:
            return stored()
        return True
    wait_for(opened, seconds, f"{me}: the message opened and kept in the history")
    user.shot(window, "message_opened")
    return window


def wine_temp_folders(user):
    """The temporary folders of the user's Wine prefix (the build's own prefix unless named)."""
    prefix = Path(user.env.get("NV_WINEPREFIX") or Path(BUILD) / "wineprefix")
    return [p for p in (prefix / "drive_c" / "users").glob("*/**/Temp") if p.is_dir()]


# --- the history -----------------------------------------------------------------------------
def history(desktop):
    """(sent 0 / received 1, partner ID, text, attachment kind) of every message in the database."""
    db = history_db(desktop)
    if not db.exists():
        return []
    # The program writes the database while it runs: the read waits for its turn.
    out = subprocess.run(["sqlite3", "-readonly", "-cmd", ".timeout 10000", "-separator", "\x1f", str(db),
                          "SELECT SndRcv, CommID, Msg, AttachType FROM vyrnmsg ORDER BY SeqNo"],
                         capture_output=True, text=True, timeout=30)
    assert out.returncode == 0, out.stderr
    rows = []
    for line in out.stdout.split("\n"):
        if line:
            way, partner, text, kind = line.split("\x1f")
            rows.append((int(way), partner, text, int(kind or 0)))
    return rows


def count(rows, way, partner, text):
    return sum(1 for r in rows if r[0] == way and r[1] == comm_id(partner) and r[2] == text)


# --- the steps -------------------------------------------------------------------------------
def message_with_attachment_and_reply(day):
    a, b = day.a, day.b
    mark = token()
    text = f"鈴木さん、こんにちは。見積りを送ります。ご確認ください（{mark}）"
    reply = f"田中さん、受け取りました。ありがとうございます（{mark}）"
    # A file a user may well have: Japanese, spaces, quotes, an ampersand and a semicolon.
    folder = WORK / "files"
    folder.mkdir(parents=True, exist_ok=True)
    name = f"見積り 'A&B'; 第{mark}版.txt"
    source = folder / name
    content = ("見積り\r\n" * 200).encode("cp932") + mark.encode()
    source.write_bytes(content)

    # A writes to B from the friend list, with the file attached.
    send = open_send_window_from_friends(day, "A", "B")
    attach_file(day, "A", send, source)
    a.shot(send, "send_with_attachment")
    send_text(day, "A", "B", send, text)
    # Both programs fetched the service's character texts at log-in; A's character tells of the send.
    assert day.service.events.fetches() >= 2, "the event data was not fetched at log-in"
    a.shot(wait_balloon(day, "A", event_text("VYRN_SEND")), "balloon_sent")
    wait_for(lambda: [r for r in day.service.messages.records if r.get("kind") == "body-stored"], 60,
             "A: the attachment at the server")

    # B: the arrival (the flag the screen saver reads), the list entry, the message opened.
    wait_for(lambda: b.reg_query(PROFILE_KEY, "MessageArrive") not in (None, "0x0"), 60,
             "B: the message-arrived flag")
    received = open_message(day, "B", "A", text)
    b.shot(received, "received")

    # Once the body is there (the message stored with its attachment), the attachment opens from
    # the temporary folder under its plain name.
    wait_for(lambda: [r for r in history(b) if r[0] == 1 and r[2] == text and r[3]], 60,
             "B: the message with its attachment in B's history")
    b.command(received, ID_RECV_OPEN_ATTACH)

    def opened():
        for temp in wine_temp_folders(b):
            found = temp / name
            if found.is_file() and found.read_bytes() == content:
                return found
        return None
    wait_for(opened, 30, f"B: the attachment opened as {name}")

    # B replies from the received window.
    b.click(received, IDC_RECV_REPLY)
    answer = wait_send_window(day, "B", "A")
    send_text(day, "B", "A", answer, reply)
    b.shot(wait_balloon(day, "B", event_text("VYRN_SEND")), "balloon_sent")

    # A reads the reply.
    a_received = open_message(day, "A", "B", reply)
    a.shot(a_received, "reply_received")

    # Both histories hold both messages, each once, the right way round.
    wait_for(lambda: count(history(a), 1, "B", reply) == 1, 30, "A: the reply in A's history")
    wait_for(lambda: count(history(b), 1, "A", text) == 1, 30, "B: the message in B's history")
    a_rows, b_rows = history(a), history(b)
    assert count(a_rows, 0, "B", text) == 1 and count(a_rows, 1, "B", reply) == 1, a_rows
    assert count(b_rows, 1, "A", text) == 1 and count(b_rows, 0, "A", reply) == 1, b_rows
    assert count(a_rows, 1, "B", text) == 0 and count(b_rows, 1, "A", reply) == 0, "a message on the wrong side"
    # The attachment went with the message: both sides stored it with an attachment kind.
    assert all(r[3] for r in a_rows + b_rows if r[2] == text), (a_rows, b_rows)
    assert not any(r[3] for r in a_rows + b_rows if r[2] == reply), "the reply had no attachment"
    # B's copy of the package is a file of B's attachment folder.
    packages = [p for p in (history_db(b).parent / "Attach").iterdir() if p.read_bytes().endswith(content)]
    assert packages and all(p.read_bytes().startswith(b"Vy@n 1.0") for p in packages), packages


def settled(server, name, quiet=1.5):
    """Whether the user's client has sent the message server nothing for the last quiet seconds."""
    user = comm_id(name).encode().hex()
    times = [r["t"] for r in list(server.records) if r.get("user", "").startswith(user) and "t" in r]
    return not times or time.time() - max(times) >= quiet


def message_while_the_server_is_down(day):
    a = day.a
    server = day.service.messages
    text = f"サーバーが止まっていても消えないでください（{token()}）"
    a_before, b_before = history(a), history(day.b)
    send = open_send_window_from_friends(day, "A", "B")
    # The server goes down once A's client has finished what its log-in started (the lists and
    # presence it asks for right after a log-in).
    wait_for(lambda: settled(server, "A"), 30, "A: the requests of its log-in answered")
    server.go_down()
    try:
        a.set_text(send, IDC_SEND_TEXT, text)
        a.click(send, IDC_SEND_SEND)
        wait_for(lambda: a.text(send, IDC_SEND_STATUS) == SEND_FAILED, 90, "A: the send error in the send window")
        a.shot(send, "send_failed_server_down")
        # The window stays with the text for another try (what it kept goes out below, untyped);
        # nothing was stored, nothing stored is gone.
        assert a.visible(send), "the send window went"
        assert history(a) == a_before and history(day.b) == b_before
        assert not stored_to(day.service, "B", text)
    finally:
        server.come_back()
    # The user clicks send again once the server is back: nothing of the failed try holds A's
    # client back, so the text the window kept goes out, is stored at the server once and in A's
    # history once, and B's received window lists and opens it.
    a.click(send, IDC_SEND_SEND)
    wait_for(lambda: stored_to(day.service, "B", text), 60, "A: the message at the server once it is back")
    wait_for(lambda: count(history(a), 0, "B", text) == 1, 60, "A: the message in A's history")
    rows = history(a)
    assert rows[:len(a_before)] == a_before and len(rows) == len(a_before) + 1, rows
    # It waits at the server for B, once.
    assert [m.text for m in server.mailbox(comm_id("B").encode())].count(text.encode("cp932")) == 1
    # B's received window, open since earlier in the day, lists and opens it (its refresh button
    # asks for the list again), and it lands in B's history once.
    open_message(day, "B", "A", text)
    rows = history(day.b)
    assert rows[:len(b_before)] == b_before and count(rows, 1, "A", text) == 1, rows
