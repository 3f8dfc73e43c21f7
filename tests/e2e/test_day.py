"""The whole system as its users meet it: the real programs on Wine, driven through their windows
(nv_drive.exe) against stand-ins of the service on loopback.

Each step names itself in its failure and saves screenshots of the windows it worked with under
NV_DAY_WORK/screenshots."""
import contextlib
import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

from nvdrive import PROFILE_KEY, Desktop, scramble, wait_for

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "peers"))
from nvpeers.login_service import LoginServicePeer  # noqa: E402

MAIN_EXE = os.environ.get("NV_MAIN_EXE", "")
WORK = Path(os.environ.get("NV_DAY_WORK", "/tmp/nv-day"))

# Window messages and commands a user's clicks send (the tray menu's and the main window's).
CMD_ABOUT = 32774
CMD_EXIT = 32780
ID_ABOUT_CLOSE = 1256
MAIN_PAGE = 1410  # the main window's portal page: only the main window has it
BTN_LOGIN = 1003
BTN_LOGOUT = 1178

# The two users of the day: log-in id, password, message-service id and its secret.
ACCOUNTS = {"A": ("daya01", "pw-a01", "0123456789ABCDEF", "secret-a"),
            "B": ("dayb01", "pw-b01", "FEDCBA9876543210", "secret-b")}


class Service:
    """The stand-in service on loopback: the login/account peer with its message server."""

    def __init__(self, folder):
        folder.mkdir(parents=True, exist_ok=True)
        for old in folder.glob("*.log"):
            old.unlink()
        self.login = LoginServicePeer(log_path=str(folder / "login_service.log"), lifetime=900,
                                      options={"message_server": "1"}).start()
        self.messages = self.login.message_server
        for login, password, _, _ in ACCOUNTS.values():
            self.login.accounts[login] = password

    @property
    def url(self):
        return f"http://127.0.0.1:{self.login.port}"

    def count(self, kind, login):
        return sum(1 for r in self.login.requests_of(kind) if r.get("id") == login)

    def wait_count(self, kind, login, count, what, seconds=60):
        wait_for(lambda: self.count(kind, login) == count, seconds, what)

    def stop(self):
        self.login.stop()


@pytest.fixture(scope="module")
def service():
    s = Service(WORK / "service")
    yield s
    s.stop()


@pytest.fixture(scope="module", autouse=True)
def fresh_screenshots():
    shutil.rmtree(WORK / "screenshots", ignore_errors=True)


@pytest.fixture
def user_a():
    assert MAIN_EXE, "NV_MAIN_EXE is not set: run through CTest"
    desktop = Desktop("A", screenshots=WORK / "screenshots")
    yield desktop
    desktop.close()


@pytest.fixture
def user_b():
    """User B: a Wine prefix of B's own beside the build's (made on first use, then reused)."""
    assert MAIN_EXE, "NV_MAIN_EXE is not set: run through CTest"
    prefix = Path(os.environ["NV_BUILD_DIR"]) / "wineprefix-day-b"
    desktop = Desktop("B", prefix=prefix, screenshots=WORK / "screenshots")
    # The first use makes the prefix, which takes longer than a registry call is given.
    made = subprocess.run([desktop.wine, "reg", "query", r"HKCU\Software"], env=desktop.env, capture_output=True,
                          stdin=subprocess.DEVNULL, timeout=400)
    assert made.returncode == 0, made.stderr
    yield desktop
    desktop.close()


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
    for name in ("HomePage", "TopPage"):
        desktop.reg_set(PROFILE_KEY + r"\Servers", name, "about:blank")
    desktop.reg_set(PROFILE_KEY, "HomePage", "about:blank")


def log_in(desktop, service, main):
    """The user clicks the main window's log-in button; returns once the service has the session
    and the message client has reached the message server."""
    login = ACCOUNTS[desktop.name][0]
    before = service.count("logged-in", login)
    desktop.click(main, BTN_LOGIN)
    service.wait_count("logged-in", login, before + 1, f"{desktop.name}: the log-in after the click")


@contextlib.contextmanager
def step(name, started):
    """Names the step in its failure and keeps, for each user, a screenshot of the main window and
    the list of the program's windows as they were when it failed."""
    try:
        yield
    except BaseException as failure:
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


def start_main(desktop):
    """Starts NimboVandrell.exe; its process id and its main window once it is on the screen."""
    desktop.start(windows_exe())
    instance = desktop.wait_window("the program's instance window", cls="Qelo_NimboVandrell", visible=False)
    pid = desktop.pid(instance)
    main = desktop.wait_window("the main window on the screen", pid=pid, cls="#32770", child=MAIN_PAGE)
    return pid, main


def windows_exe():
    return "Z:" + MAIN_EXE.replace("/", "\\")


def test_start_about_box_and_exit_from_the_tray_menu(user_a):
    a = user_a
    seed_account(a, "day-a", "0123456789ABCDEF", "secret-a")
    pid, main = start_main(a)
    a.shot(main, "main_started")

    # Help: the About box opens over the main window and closes on its button.
    a.command(main, CMD_ABOUT)
    about = a.wait_window("the About box", pid=pid, cls="#32770", child=ID_ABOUT_CLOSE)
    a.shot(about, "about")
    a.click(about, ID_ABOUT_CLOSE)
    wait_for(lambda: not a.exists(about), 20, "the About box to close")

    # Exit from the tray menu: the program ends, its window position is saved, the mutex goes.
    a.command(main, CMD_EXIT)
    program = a.programs[-1]
    wait_for(lambda: program.poll() is not None or not a.exists(main), 60, "the program to end")
    wait_for(lambda: a.find(cls="Qelo_NimboVandrell") is None, 30, "the instance window to go")
    assert a.reg_query(PROFILE_KEY + r"\Location", "VyrnX") is not None, "the main window's position was saved"


def test_log_in_with_the_button_and_log_out(user_a, service):
    a = user_a
    login = ACCOUNTS["A"][0]
    seed_service_account(a, service)
    pid, main = start_main(a)
    a.shot(main, "offline")

    # Offline, the log-out button does nothing: no session is there to end.
    a.click(main, BTN_LOGOUT)
    a.shot(main, "offline_after_logout_click")
    assert service.count("logged-out", login) == 0

    log_in(a, service, main)
    # The message client went to the message server at the addresses of the log-in reply.
    wait_for(lambda: [r for r in service.messages.records if r.get("user", "").startswith(login.encode().hex())],
             60, "A: the message client at the message server")

    # Online, the main window's log-out button is live and the log-in button is not: a second
    # click on log-in starts no second session, a click on log-out ends the one there is.
    wait_for(lambda: a.shot(main, "online"), 10, "A: a screenshot of the online main window")
    a.click(main, BTN_LOGIN)
    a.click(main, BTN_LOGOUT)
    service.wait_count("logged-out", login, 1, "A: the log-out after the click")
    assert service.count("logged-in", login) == 1, "the log-in button stayed live while online"
    a.shot(main, "logged_out")

    exit_from_tray(a, main)
    violations = service.login.requests_of("violation")
    assert not violations, violations


def test_both_users_log_in(user_a, user_b, service):
    started = {}
    for user in (user_a, user_b):
        seed_service_account(user, service)
        started[user.name] = start_main(user)
    windows = {user: started[user.name] for user in (user_a, user_b)}
    with step("both_log_in", windows):
        # One after the other, as on one machine: the second client's port walk sees the first's
        # ports in use only once its message client holds them.
        for user in (user_a, user_b):
            log_in(user, service, started[user.name][1])
            login = ACCOUNTS[user.name][0]
            wait_for(lambda: [r for r in service.messages.records
                              if r.get("user", "").startswith(login.encode().hex())],
                     60, f"{user.name}: the message client at the message server")
            port = [r for r in service.login.requests_of("logged-in") if r["id"] == login][-1]["udp_port"]
            wait_for(lambda: udp_bound(int(port)), 30, f"{user.name}: the message client holding UDP port {port}")
        # The latest log-in of each: the second client took ports of its own.
        ports = {r["id"]: r["udp_port"] for r in service.login.requests_of("logged-in")}
        assert ports[ACCOUNTS["A"][0]] != ports[ACCOUNTS["B"][0]], ports
        for user, (pid, main) in windows.items():
            user.shot(main, "both_online")
            (WORK / f"{user.name}_windows_online.txt").write_text(user.describe(pid), encoding="utf-8")

    for user in (user_a, user_b):
        exit_from_tray(user, started[user.name][1])
        login = ACCOUNTS[user.name][0]
        service.wait_count("logged-out", login, service.count("logged-in", login),
                           f"{user.name}: the log-out at exit")

