"""A chat visit in the day: both users open the chat window from the main window, take a place in
the room the service's room entry hands out, give their nickname in the chat login dialog and
meet on the chat server (ngircd); they exchange Japanese lines, B leaves and A's member list
follows. The hostile visit: a chat server that drops the connection in the middle of a line.

Everything goes through the windows: the main window's chat button, the chat window's enter and
leave buttons, its input line with the Enter key, the login dialog's nickname edit and OK button;
what each user sees is read back from the log, the member list and the input line."""
import threading

from dayharness import ACCOUNTS, CHAT_ROOM, wait_for
from nvpeers.chat_script import ChatScriptPeer
from nvpeers.ircd import IrcClient

BTN_CHAT = 1013        # the main window's chat button
CHAT_VIEW = 1018       # the chat window's log (rich edit)
CHAT_INPUT = 1010      # its input line (combo box)
CHAT_MEMBERS = 1002    # its member list (list view)
CHAT_ENTER = 1310
CHAT_LEAVE = 1311
LOGIN_NICKNAME = 1081  # the chat login dialog's nickname edit
LOGIN_ROOM = 1079      # its room name edit
LOGIN_OK = 1261
IDOK = 1               # the Enter key in a dialog

NICKS = {"A": "daya01", "B": "dayb01"}
LINES = {"A": "こんにちは、ロビーの皆さん。漢字とカナも届きますか",
         "B": "はい、全部届きました！また明日"}
LEFT = "退出しました."            # the chat window's own line when a visit ends
JOINED = "{}が入室しました."
PARTED = "{}が退室しました."


class ChatWindow:
    """One user's chat window, worked as the user works it."""

    def __init__(self, day, name):
        self.day, self.name = day, name
        self.user = day.user(name)
        self.pid = day.pid(name)
        self.window = None

    def open(self):
        """The main window's chat button; the chat window on the screen."""
        self.user.click(self.day.main(self.name), BTN_CHAT)
        self.window = self.user.wait_window(f"{self.name}: the chat window", 30, pid=self.pid, cls="#32770",
                                            child=CHAT_ENTER)
        return self

    def log(self):
        return self.user.text(self.window, CHAT_VIEW)

    def members(self):
        return sorted(self.user.items(self.window, CHAT_MEMBERS))

    def input_enabled(self):
        return self.user.state(self.user.child(self.window, CHAT_INPUT))[2] == 1

    def count(self, text):
        return self.log().count(text)

    def wait_log(self, text, what, before=0, seconds=30):
        """Waits until the log shows the text once more than the `before` times it showed it."""
        try:
            wait_for(lambda: self.count(text) == before + 1, seconds, f"{self.name}: {what} in the chat log")
        except AssertionError as failure:
            self.user.shot(self.window, "chat_failed")
            length = self.user.ask(f"send {self.user.child(self.window, CHAT_VIEW)} 0xe 0 0")
            raise AssertionError(f"{failure}; the log ({length}) ends {self.log()[-400:]!r}") from None

    def wait_members(self, names, seconds=30):
        wanted = sorted(names)
        try:
            wait_for(lambda: self.members() == wanted, seconds, f"{self.name}: the members {wanted}")
        except AssertionError as failure:
            raise AssertionError(f"{failure}; the list shows {self.members()}") from None

    def enter(self, nickname=None, room=CHAT_ROOM):
        """The enter button, the login dialog with the nickname typed in, OK; returns once the
        window is in the room (its input line open for typing)."""
        nickname = nickname or NICKS[self.name]
        self.user.click(self.window, CHAT_ENTER)
        dialog = self.user.wait_window(f"{self.name}: the chat login dialog", 30, pid=self.pid, cls="#32770",
                                       child=LOGIN_NICKNAME)
        assert self.user.text(dialog, LOGIN_ROOM) == room, "the dialog names the room the service gave"
        self.user.shot(dialog, "chat_login")
        self.user.set_text(dialog, LOGIN_NICKNAME, nickname)
        self.user.click(dialog, LOGIN_OK)
        wait_for(lambda: not self.user.exists(dialog), 30, f"{self.name}: the login dialog to close")
        wait_for(self.input_enabled, 30, f"{self.name}: the chat window in the room (input line open)")

    def say(self, text):
        """Types the line and presses Enter."""
        self.user.set_text(self.window, CHAT_INPUT, text)
        self.user.command(self.window, IDOK)
        wait_for(lambda: self.user.text(self.window, CHAT_INPUT) == "", 20, f"{self.name}: the input line to clear")

    def leave(self):
        """The leave button; returns once the visit is over: the window idle, the engine's session
        ended and the room given back to the service."""
        service = self.day.service
        given_back = len(room_entries(service, self.name, "room-left"))
        self.user.click(self.window, CHAT_LEAVE)
        wait_for(lambda: not self.input_enabled(), 30, f"{self.name}: the chat window back to idle")
        wait_for(lambda: len(room_entries(service, self.name, "room-left")) == given_back + 1, 30,
                 f"{self.name}: the room given back to the service")


def room_entries(service, name, kind):
    login = ACCOUNTS[name][0]
    return [r for r in service.login.requests_of(kind) if r.get("id") == login]


def chat_visit(day):
    """Step 4: A and B in one room on ngircd, a Japanese line each way, B leaves, A sees it."""
    service = day.service
    service.point_chat_at(service.chat.port)
    a, b = ChatWindow(day, "A").open(), ChatWindow(day, "B").open()
    entered = {n: len(room_entries(service, n, "room-entered")) for n in "AB"}
    # The windows may have been open before: everything is counted from here.
    said = {n: f"<{NICKS[n]}> {LINES[n]}" for n in LINES}
    shown = {w.name: {t: w.count(t) for t in (*LINES.values(), *said.values(), LEFT, JOINED.format(NICKS["B"]),
                                             PARTED.format(NICKS["B"]))} for w in (a, b)}

    a.enter()
    a.wait_members([NICKS["A"]])
    b.enter()
    for w in (a, b):
        w.wait_members([NICKS["A"], NICKS["B"]])
        assert len(room_entries(service, w.name, "room-entered")) == entered[w.name] + 1, \
            f"{w.name}: one room entry at the service"
    a.wait_log(JOINED.format(NICKS["B"]), "B's arrival", shown["A"][JOINED.format(NICKS["B"])])

    # A Japanese line each way: each side reads the other's line under the other's nickname.
    a.say(LINES["A"])
    b.wait_log(said["A"], "A's line", shown["B"][said["A"]])
    b.say(LINES["B"])
    a.wait_log(said["B"], "B's reply", shown["A"][said["B"]])
    for w in (a, b):
        for name, line in LINES.items():
            times = w.count(line) - shown[w.name][line]
            assert times == 1, f"{w.name}: {name}'s line shown {times} times"
        w.user.shot(w.window, "chat_room")

    # B leaves with the leave button: B's window goes idle and gives the room back to the service;
    # A sees B part and the member list shrink.
    b.leave()
    a.wait_members([NICKS["A"]])
    a.wait_log(PARTED.format(NICKS["B"]), "B's leaving", shown["A"][PARTED.format(NICKS["B"])])
    b.wait_log(LEFT, "the end of B's visit", shown["B"][LEFT])
    assert b.members() == [], "B's member list emptied when it left"
    a.user.shot(a.window, "chat_after_b_left")

    # A stays usable in the room: another line reaches a member who joins now.
    watcher = IrcClient("127.0.0.1", service.chat.port, "watcher")
    try:
        watcher.send(f"JOIN {CHAT_ROOM}")
        a.wait_members([NICKS["A"], "watcher"])
        a.say(LINES["A"][:5])
        line = watcher.wait_for(lambda l: l.startswith(f":{NICKS['A']}!") and f"PRIVMSG {CHAT_ROOM} :" in l)
        assert line.encode("latin-1").split(b" :", 1)[1].decode("iso2022_jp") == LINES["A"][:5]
    finally:
        watcher.close()
    a.leave()
    wait_for(lambda: a.members() == [], 30, "A: the member list emptied after leaving")


def mid_line_script(nick, dropped):
    """Lets the client in and into the room, waits for the test's go, then sends half a line and
    closes the connection."""
    room = CHAT_ROOM.encode()
    me = nick.encode()
    return [
        ("expect", "NICK "),
        ("expect", "USER "),
        ("send", b":irc.test 001 " + me + b" :Welcome\r\n"),
        ("expect", "JOIN "),
        ("send", b":" + me + b"!~QeloUser@localhost JOIN :" + room + b"\r\n"),
        ("expect", "NAMES "),
        ("send", b":irc.test 353 " + me + b" = " + room + b" :@hanako " + me + b"\r\n"
                 b":irc.test 366 " + me + b" " + room + b" :End\r\n"),
        ("await", dropped),
        ("send", b":hanako!~h@localhost PRIVMSG " + room + b" :\x1b$B$3$s$K"),
        ("close",),
    ]


def chat_server_closes_mid_line(day):
    """A chat server that closes in the middle of a line: A's chat window ends the visit with its
    own text, never shows the broken line, gives the room back, and enters again on a sound
    server."""
    service = day.service
    go = threading.Event()
    a = ChatWindow(day, "A").open()
    left = len(room_entries(service, "A", "room-left"))
    ended = a.count(LEFT)
    with ChatScriptPeer(lifetime=120, script=mid_line_script(NICKS["A"], go)) as broken:
        try:
            service.point_chat_at(broken.port)
            a.enter()
            a.wait_members([NICKS["A"], "hanako"])
            go.set()
            wait_for(lambda: broken.requests_of("chat-closed"), 30, "the broken server to close mid-line")
            wait_for(lambda: not a.input_enabled(), 30, "A: the chat window back to idle")
            a.wait_log(LEFT, "the window's own text for the ended visit", ended)
            assert "<hanako>" not in a.log(), "half a line was shown as a chat line"
            assert a.members() == [], "the member list still shows the dropped room"
            wait_for(lambda: len(room_entries(service, "A", "room-left")) == left + 1, 30,
                     "A: the room given back to the service")
            a.user.shot(a.window, "chat_dropped_mid_line")
        finally:
            go.set()
            service.point_chat_at(service.chat.port)

    # Still usable: the program runs and the same window enters the room on the sound server.
    assert a.user.exists(day.main("A")), "the main window went"
    a.enter()
    a.wait_members([NICKS["A"]])
    again = f"<{NICKS['A']}> 切断のあとも話せます"
    before = a.count(again)
    a.say(again.split("> ", 1)[1])
    a.wait_log(again, "A's own line", before)
    a.leave()
