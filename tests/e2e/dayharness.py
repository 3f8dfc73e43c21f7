"""The day's stage: the stand-in service on loopback, the two users' desktops and what a user does
in every step (start, log in, exit), shared by the steps of the day (test_day.py) and the
modules of single steps (day_*.py)."""
import contextlib
import getpass
import os
import shutil
import socket
import subprocess
import sys
from pathlib import Path

from nvdrive import PROFILE_KEY, Desktop, scramble, wait_for, windows_path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "peers"))
from nvpeers import pm_codec  # noqa: E402
from nvpeers.account_forms import CallDirectory  # noqa: E402
from nvpeers.event_data import EventDataPeer  # noqa: E402
from nvpeers.ircd import Ngircd  # noqa: E402
from nvpeers.login_service import LoginServicePeer  # noqa: E402
from nvpeers.portal import PortalPeer  # noqa: E402
from nvpeers.signup_service import SignupServicePeer  # noqa: E402
from nvpeers.voip_directory import VoipDirectoryPeer  # noqa: E402

MAIN_EXE = os.environ.get("NV_MAIN_EXE", "")
TOOLS = Path(__file__).resolve().parents[2] / "tools"
WORK = Path(os.environ.get("NV_DAY_WORK", "/tmp/nv-day"))

# Window messages and commands a user's clicks send (the tray menu's and the main window's).
CMD_ABOUT = 32774
CMD_EXIT = 32780
ID_ABOUT_CLOSE = 1256
MAIN_PAGE = 1410  # the main window's portal page: only the main window has it
BTN_LOGIN = 1003
BTN_LOGOUT = 1178
# The tone each user's test microphone plays (Hz).
PHONE_TONES = {"A": 1000, "B": 600}

# The two users of the day: log-in id, password, message-service id and its secret. The
# communication IDs have the service's own form ("0", a digit, "00", twelve digits) that the
# phone dials as a partner.
ACCOUNTS = {"A": ("daya01", "pw-a01", "0300100000000101", "secret-a"),
            "B": ("dayb01", "pw-b01", "0300100000000202", "secret-b")}
# The chat room the service's room entry hands out, on its chat server (ngircd).
CHAT_ROOM = "#daylobby"
# Their names at the message service (each is the other's friend there) and the mood each wears
# (the status word's bits 4-7).
NAMES = {"A": "田中あや", "B": "鈴木ぼく"}
MOODS = {"A": 0x30, "B": 0x50}
# The character's texts the stand-in service hands out at log-in (event name, key range, text): a
# message sent and a message read that the database keeps no copy of. Keys are counted uses, and
# "0-99" covers any count in byte order.
DAY_EVENTS = [("VYRN_SEND", "0-99", "メッセージを送ったよ"), ("VYRN_SEND_R", "0-99", "またね"),
              ("VYRN_RECV", "0-99", "メッセージを読んだよ")]
APP_PATHS_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\NimboVandrell.exe"


class DaySignupPeer(SignupServicePeer):
    """The sign-up service of the day: the account it issues to the new user is B's account of the
    day (login, password, then communication ID and secret), so that the later steps, which know
    B by it, meet the user who signed up."""

    def issue_account(self, fields):
        login, password = ACCOUNTS["B"][0], ACCOUNTS["B"][1]
        self.issued += 1
        self.accounts[login] = password
        self.record("issued", login=login, password=password, first_account=fields.get("1st_acc", b"").decode("cp932"))
        return login, password

    def answer(self, request):
        if request.path == "/cmtool/menu/PC_IDGetEIA.cgi":
            login, _, comm_id, secret = ACCOUNTS["B"]
            if login in self.accounts and login not in self.comm_ids:
                from nvpeers.signup_service import split_form
                name = dict(split_form(request.body)).get("n_name", b"").decode("cp932", "replace")
                self.comm_ids[login] = (comm_id, secret, name)
        return super().answer(request)


class DayEventData(EventDataPeer):
    """The service's event-data file with the day's lines."""

    def event_text(self):
        lines = ["# the day's event data"] + [f"{name}:{key}:{text}" for name, key, text in DAY_EVENTS]
        return ("\n".join(lines) + "\n").encode("cp932")

    def fetches(self):
        return sum(1 for r in list(self.records) if "/event/eventdata.txt" in str(r))


class Service:
    """The stand-in service on loopback: the login/account peer with its message server and the
    call service (call IDs on the account forms, the VoIP directory server)."""

    def __init__(self, folder):
        folder.mkdir(parents=True, exist_ok=True)
        for old in folder.glob("*.log"):
            old.unlink()
        self.login = LoginServicePeer(log_path=str(folder / "login_service.log"), lifetime=900,
                                      options={"message_server": "1"}).start()
        self.messages = self.login.message_server
        for login, password, _, _ in ACCOUNTS.values():
            self.login.accounts[login] = password
        # The sign-up service a fresh profile is steered to (its terms, sign-up and ID forms).
        self.signup = DaySignupPeer(log_path=str(folder / "signup_service.log"), lifetime=900).start()
        self.chat = Ngircd(folder / "ircd", lifetime=900).start()
        self.point_chat_at(self.chat.port)
        # As the service does: a new message reaches its recipient at once, friends' rows show
        # their presence, and A and B are each other's friends. The message server knows a user by
        # the ID in the records' headers, which the log-in fills with the login ID.
        self.messages.notify_store = True
        self.messages.live_presence = True
        comm = {name: ACCOUNTS[name][0].encode() for name in ACCOUNTS}
        for name in ACCOUNTS:
            self.messages.names[pm_codec.field16(comm[name])] = NAMES[name].encode("cp932")
        for me, friend in (("A", "B"), ("B", "A")):
            self.messages.set_list(comm[me], 1, [(comm[friend], NAMES[friend].encode("cp932"), 0)])
        self.login.call_ids = CallDirectory()
        self.directory = VoipDirectoryPeer(log_path=str(folder / "voip_directory.log"), lifetime=900).start()
        # Each user's phone: its signalling and voice ports (two phones on one host can't share them).
        self.phone_ports = {name: {"signal": free_udp_port(), "voice": free_udp_port()} for name in ACCOUNTS}
        # The portal's pages the browser windows are steered by.
        self.portal = PortalPeer(log_path=str(folder / "portal.log"), lifetime=900).start()
        # The character's texts, fetched by each program at log-in.
        self.events = DayEventData(log_path=str(folder / "event_data.log"), lifetime=900).start()

    def point_chat_at(self, port, room=CHAT_ROOM):
        """The chat server (on loopback) and room that the next room entries are given."""
        with self.login.state_lock:
            self.login.chat.update(caddr="127.0.0.1", cport=str(port), chat_room=room)

    @property
    def url(self):
        return f"http://127.0.0.1:{self.login.port}"

    @property
    def portal_url(self):
        return f"http://127.0.0.1:{self.portal.port}"

    @property
    def signup_url(self):
        return f"http://127.0.0.1:{self.signup.port}"

    def count(self, kind, login):
        return sum(1 for r in self.login.requests_of(kind) if r.get("id") == login)

    def wait_count(self, kind, login, count, what, seconds=60):
        wait_for(lambda: self.count(kind, login) == count, seconds, what)

    def stop(self):
        self.signup.stop()
        self.events.stop()
        self.chat.stop()
        self.directory.stop()
        self.login.stop()
        self.portal.stop()


def seed_account(desktop, login, comm_id, password):
    """A profile as a finished sign-up leaves it, without the greeting sound."""
    desktop.reg("delete", PROFILE_KEY, "/f")
    desktop.reg_set(PROFILE_KEY + r"\NetInfo", "LoginID", login)
    desktop.reg_set(PROFILE_KEY + r"\NetInfo", "Comm_id", comm_id)
    desktop.reg_set(PROFILE_KEY + r"\NetInfo", "Comm_data", scramble(password))
    desktop.reg_set(PROFILE_KEY, "QueryInterval", 0)
    desktop.reg_set(PROFILE_KEY, "Flags", 0x61)


def seed_service_account(desktop, service):
    """The user's account on the LAN, every server of the profile being the stand-in service;
    the log-in waits for the user's click."""
    login, password, comm_id, secret = ACCOUNTS[desktop.name]
    seed_account(desktop, login, comm_id, secret)
    net = PROFILE_KEY + r"\NetInfo"
    desktop.reg_set(net, "LoginPasswd", scramble(password))
    desktop.reg_set(net, "ConnectType", "Lan")
    desktop.reg_set(net, "Protocol", "udp")
    for name in ("LoginPage", "URLChatLogin", "SearchPage", "ProfilePage", "MailPage", "ChargePage"):
        desktop.reg_set(PROFILE_KEY + r"\Servers", name, service.url)
    # The service's home page is the portal (the browser's service-home button goes there); the
    # main window's own page stays blank.
    desktop.reg_set(PROFILE_KEY + r"\Servers", "HomePage", service.portal_url + "/")
    desktop.reg_set(PROFILE_KEY + r"\Servers", "TopPage", "about:blank")
    desktop.reg_set(PROFILE_KEY, "HomePage", "about:blank")
    desktop.reg_set(PROFILE_KEY + r"\Event", "EVENT_URL", f"http://127.0.0.1:{service.events.port}/event/eventdata.txt")


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def user_folder(name):
    """The folder a user's program starts in: its phone settings and the test sound device's files."""
    folder = WORK / f"user-{name}"
    folder.mkdir(parents=True, exist_ok=True)
    return folder


def write_phone_settings(name, service):
    """The phone library's settings file in the user's start folder: the directory server of the
    stand-in service, the user's own signalling and voice ports and the other user's signalling
    port (the callee's port is fixed in the protocol, and two phones on one host can't both have
    it), and the test sound device (a tone file as microphone, a file for the speaker)."""
    folder = user_folder(name)
    other = next(n for n in service.phone_ports if n != name)
    ports, directory = service.phone_ports[name], f"127.0.0.1:{service.directory.port}"
    settings = {"localip": f"127.0.0.1:{ports['signal']}", "voiceport": ports["voice"],
                "peerport": service.phone_ports[other]["signal"], "dserver": directory, "dserver2": directory,
                "dserver3": directory, "voicemic": windows_path(folder / "microphone.wav"),
                "voicespk": windows_path(folder / "speaker.wav")}
    (folder / "nimbocall.ini").write_text("[nimbocall]\r\n" + "".join(f"{k}={v}\r\n" for k, v in settings.items()),
                                          encoding="ascii")
    # What an earlier day played is not this day's: the user's program is not running now.
    (folder / "speaker.wav").unlink(missing_ok=True)
    microphone = folder / "microphone.wav"
    if not microphone.exists():
        subprocess.run(["sox", "-n", "-r", "8000", "-c", "1", "-b", "16", str(microphone), "synth", "600", "sine",
                        str(PHONE_TONES[name]), "vol", "0.4"], check=True)
    return folder


def log_in(desktop, service, main, login=None):
    """The user clicks the main window's log-in button; returns once the service has the session
    and the message client has reached the message server."""
    login = login or ACCOUNTS[desktop.name][0]
    before = service.count("logged-in", login)
    desktop.click(main, BTN_LOGIN)
    service.wait_count("logged-in", login, before + 1, f"{desktop.name}: the log-in after the click")


@contextlib.contextmanager
def step(name, started):
    """Names the step in its failure and keeps, for each user, a screenshot of the main window and
    the list of the program's windows as they were when it failed."""
    try:
        yield
    except Exception as failure:  # a step's own skip or expected failure passes through as it is
        for user, (pid, main) in started.items():
            try:
                user.shot(main, f"failed_{name}")
                (WORK / f"{user.name}_failed_{name}.txt").write_text(user.describe(pid), encoding="utf-8")
            except (AssertionError, OSError):
                pass
        raise AssertionError(f"step '{name}' failed: {failure}") from failure


def udp_bound(port):
    """Whether a UDP socket on this machine is bound to the port (from the kernel's socket tables)."""
    for table in ("/proc/net/udp", "/proc/net/udp6"):
        try:
            with open(table, encoding="ascii") as f:
                rows = f.read().splitlines()[1:]
        except OSError:
            continue
        for row in rows:
            local = row.split()[1]  # address:port in hexadecimal
            if int(local.rsplit(":", 1)[1], 16) == port:
                return True
    return False


def exit_from_tray(desktop, main):
    desktop.command(main, CMD_EXIT)
    program = desktop.programs[-1]
    wait_for(lambda: program.poll() is not None or not desktop.exists(main), 60, f"{desktop.name}: the program to end")
    wait_for(lambda: desktop.find(cls="Qelo_NimboVandrell") is None, 30, f"{desktop.name}: the instance window to go")


def start_main(desktop, folder=None):
    """Starts NimboVandrell.exe (in the folder when given); its process id and its main window once
    it is on the screen."""
    desktop.start(windows_exe(), cwd=folder)
    instance = desktop.wait_window("the program's instance window", cls="Qelo_NimboVandrell", visible=False)
    pid = desktop.pid(instance)
    main = desktop.wait_window("the main window on the screen", pid=pid, cls="#32770", child=MAIN_PAGE)
    return pid, main


def windows_exe():
    return "Z:" + MAIN_EXE.replace("/", "\\")




def separate_install(desktop, folder):
    """The user's own install folder, named by the program's App Paths entry: the history database
    and its attachments live below it (Log\\<Windows user>), apart from the other user's on this
    machine (both prefixes run as one Windows user); skins and sounds are the build's."""
    folder.mkdir(parents=True, exist_ok=True)
    built = Path(MAIN_EXE).parent
    for part in ("Skin", "Sound"):
        link = folder / part
        if not os.path.lexists(link):
            link.symlink_to(built / part, target_is_directory=True)
    desktop.reg_set(APP_PATHS_KEY, "Path", windows_path(folder))
    desktop.install = folder


def fresh_histories():
    """The day begins with no message history of either user (an earlier day on this machine left
    its messages in the same folders)."""
    for folder in (Path(MAIN_EXE).parent, WORK / "install-B"):
        shutil.rmtree(folder / "Log", ignore_errors=True)


def history_db(desktop):
    """The user's message history database (its folder holds the Attach folder too)."""
    folder = getattr(desktop, "install", None) or Path(MAIN_EXE).parent
    return folder / "Log" / getpass.getuser() / "vyrntalk.cdb"


def make_desktop(name):
    """A user's desktop: A in the build's own Wine prefix, B in a prefix of B's own beside it
    (made on first use, then reused)."""
    assert MAIN_EXE, "NV_MAIN_EXE is not set: run through CTest"
    if name == "A":
        return Desktop("A", screenshots=WORK / "screenshots")
    prefix = Path(os.environ["NV_BUILD_DIR"]) / "wineprefix-day-b"
    desktop = Desktop("B", prefix=prefix, screenshots=WORK / "screenshots")
    # B's prefix gets a lasting server and desktop of its own, as the build's prefix has them for
    # the whole test run (the first use makes the prefix too): without them each of B's programs
    # starts a server that ends a few seconds after B's last program, and a registry call that
    # meets a server on its way out fails.
    up = subprocess.run(["sh", str(TOOLS / "wine-up.sh"), os.environ["NV_DESKTOP_KEEPER"]],
                        env=prefix_env(prefix), capture_output=True, stdin=subprocess.DEVNULL, timeout=500)
    assert up.returncode == 0, up.stderr
    desktop.own_prefix = prefix
    separate_install(desktop, WORK / "install-B")
    return desktop


def prefix_env(prefix):
    """The environment of the Wine tools for a prefix of this build's word size."""
    return dict(os.environ, WINEPREFIX=str(prefix), NV_WINEARCH=os.environ["NV_WINEARCH"])


def wait_message_client(service, user, login=None):
    """Waits until the user's message client has reached the message server and holds the UDP port
    its log-in reported (a second client on this machine walks past ports only once they are
    bound)."""
    login = login or ACCOUNTS[user.name][0]
    wait_for(lambda: [r for r in service.messages.records if r.get("user", "").startswith(login.encode().hex())],
             60, f"{user.name}: the message client at the message server")
    port = [r for r in service.login.requests_of("logged-in") if r["id"] == login][-1]["udp_port"]
    wait_for(lambda: udp_bound(int(port)), 30, f"{user.name}: the message client holding UDP port {port}")


class Day:
    """Both users of the day on one machine against one stand-in service. Each step brings the
    day to the state it needs (started, online) and leaves both programs running and usable."""

    def __init__(self, service):
        self.service = service
        self.users = {}     # name -> Desktop
        self.started = {}   # name -> (pid, main window)
        self.online = set()
        # name -> (login, password, communication id, its secret): the service accounts; a user
        # who signed up in an earlier step has the account the sign-up service issued.
        self.accounts = dict(ACCOUNTS)
        self.signed_up = set()

    def user(self, name):
        if name not in self.users:
            self.users[name] = make_desktop(name)
        return self.users[name]

    @property
    def a(self):
        return self.user("A")

    @property
    def b(self):
        return self.user("B")

    def main(self, name):
        return self.started[name][1]

    def pid(self, name):
        return self.started[name][0]

    def start(self, name, seed=True):
        """Starts the user's program (seeding the profile with the user's service account unless
        an earlier step made the account) and waits for its main window."""
        desktop = self.user(name)
        if name not in self.started:
            if seed and name not in self.signed_up:
                seed_service_account(desktop, self.service)
            desktop.reg_set(PROFILE_KEY, "MyStatus", MOODS[name])
            folder = write_phone_settings(name, self.service)
            self.started[name] = start_main(desktop, folder)
        return self.started[name]

    def ensure_online(self, *names):
        """Both users (or the named ones) started and logged in, one after the other."""
        for name in names or ("A", "B"):
            self.start(name)
            if name not in self.online:
                log_in(self.users[name], self.service, self.main(name), self.accounts[name][0])
                wait_message_client(self.service, self.users[name], self.accounts[name][0])
                self.online.add(name)

    @contextlib.contextmanager
    def step(self, name):
        windows = {self.users[n]: self.started[n] for n in self.started}
        with step(name, windows):
            yield

    def exit_all(self):
        for name in list(self.started):
            try:
                exit_from_tray(self.users[name], self.main(name))
            except AssertionError:
                pass
            self.started.pop(name, None)
            self.online.discard(name)

    def close(self):
        for desktop in self.users.values():
            desktop.close()
            prefix = getattr(desktop, "own_prefix", None)
            if prefix:
                subprocess.run(["sh", str(TOOLS / "wine-down.sh")], env=prefix_env(prefix), capture_output=True,
                               stdin=subprocess.DEVNULL, timeout=60)
