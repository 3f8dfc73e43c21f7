"""A user's desktop under Wine for the end-to-end day: the programs of one user in one Wine
prefix, driven through nv_drive.exe (windows found by class and caption, input posted to the
controls a user clicks, texts and list items read back, screenshots saved).

Texts go to and come from the driver as code page 932 bytes; this side speaks str."""
import os
import queue
import subprocess
import threading
import time

BUILD = os.environ.get("NV_BUILD_DIR", "")
PROFILE_KEY = r"HKCU\Software\Qelo\NimboVandrell"
SCRAMBLE_KEY = bytes.fromhex("5a17c3e9b20f6d48")


def scramble(plain):
    """The profile's scrambled form of a short secret: each byte XOR (key[i % 8] + i) mod 256,
    as upper-case hexadecimal."""
    data = plain.encode("cp932")
    assert len(data) <= 31
    return bytes(b ^ ((SCRAMBLE_KEY[i % 8] + i) & 0xFF) for i, b in enumerate(data)).hex().upper()


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def _hex(text):
    return text.encode("cp932").hex() if text else "-"


def _unhex(field):
    return "" if field == "-" else bytes.fromhex(field).decode("cp932", errors="replace")


def wait_for(predicate, seconds, what):
    """predicate's first true answer within seconds; fails naming what was awaited."""
    deadline = time.monotonic() + seconds
    while True:
        answer = predicate()
        if answer:
            return answer
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {seconds} s waiting for {what}")
        time.sleep(0.05)


class Desktop:
    """One user's Wine prefix: its programs, its registry and the driver that works their windows."""

    def __init__(self, name, prefix=None, screenshots=None):
        assert BUILD, "NV_BUILD_DIR is not set: run through CTest of a Windows build"
        self.name = name
        self.env = dict(os.environ)
        if prefix:
            self.env["NV_WINEPREFIX"] = str(prefix)
        if screenshots:
            os.makedirs(screenshots, exist_ok=True)
            self.env["NV_SCREENSHOT_DIR"] = windows_path(screenshots)
        self.wine = os.path.join(BUILD, "nv-wine")
        self.programs = []
        self._driver = None
        self._lines = queue.Queue()
        self.seen = []

    # --- the driver -----------------------------------------------------------------------
    def _start_driver(self):
        exe = os.path.join(BUILD, "tests", "e2e", "nv_drive.exe")
        self._driver = subprocess.Popen([self.wine, exe], env=self.env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                        encoding="latin-1")
        threading.Thread(target=self._read, daemon=True).start()
        line = self._next(120)
        assert line == "READY", line

    def _read(self):
        for line in self._driver.stdout:
            self._lines.put(line.rstrip("\r\n"))
        self._lines.put(None)

    def _next(self, timeout):
        try:
            line = self._lines.get(timeout=timeout)
        except queue.Empty:
            raise AssertionError(f"{self.name}: the driver did not answer; last lines {self.seen[-8:]}")
        if line is None:
            raise AssertionError(f"{self.name}: the driver ended; last lines {self.seen[-8:]}")
        self.seen.append(line)
        return line

    def ask(self, command, timeout=30):
        if not self._driver:
            self._start_driver()
        self._driver.stdin.write(command + "\n")
        self._driver.stdin.flush()
        line = self._next(timeout)
        assert not line.startswith("ERROR"), f"{self.name}: {command}: {line}"
        return line

    def send_line(self, command):
        """Hands the driver a command whose answer is read later (answer()), so that this user's
        driver can wait while another user acts."""
        if not self._driver:
            self._start_driver()
        self._driver.stdin.write(command + "\n")
        self._driver.stdin.flush()

    def answer(self, timeout=30):
        line = self._next(timeout)
        assert not line.startswith("ERROR"), f"{self.name}: {line}"
        return line

    def close(self):
        if self._driver:
            try:
                self._driver.stdin.write("quit\n")
                self._driver.stdin.flush()
                self._driver.wait(timeout=20)
            except (OSError, subprocess.TimeoutExpired):
                self._driver.kill()
            self._driver = None
        for program in self.programs:
            if program.poll() is None:
                program.kill()
        self.programs = []

    # --- programs and registry ------------------------------------------------------------
    def start(self, exe, *args, cwd=None):
        """Starts a program; cwd is the folder it starts in (as a shortcut's "start in" sets it)."""
        program = subprocess.Popen([self.wine, exe, *args], env=self.env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=cwd)
        self.programs.append(program)
        return program

    def reg(self, *args):
        return subprocess.run([self.wine, "reg", *args], env=self.env, capture_output=True, timeout=60)

    def reg_set(self, key, name, value):
        kind, data = ("REG_DWORD", str(value)) if isinstance(value, int) else ("REG_SZ", value)
        done = self.reg("add", key, "/v", name, "/t", kind, "/d", data, "/f")
        assert done.returncode == 0, done.stderr

    def reg_query(self, key, name):
        """The value's data as reg.exe prints it, or None when it is missing."""
        done = self.reg("query", key, "/v", name)
        for line in done.stdout.decode("cp932", errors="replace").splitlines():
            parts = line.split(None, 2)
            if len(parts) == 3 and parts[0] == name:
                return parts[2].strip()
        return None

    # --- windows ----------------------------------------------------------------------------
    def find(self, pid=0, cls="-", caption="", child=0):
        line = self.ask(f"find {pid} {cls} {_hex(caption)} {child}")
        return None if line == "NONE" else line.split()[1]

    def pid(self, window):
        return int(self.ask(f"pid {window}").split()[1])

    def wait_window(self, what, seconds=60, pid=0, cls="-", caption="", child=0, visible=True):
        def found():
            window = self.find(pid, cls, caption, child)
            return window if window and (not visible or self.visible(window)) else None
        return wait_for(found, seconds, f"{self.name}: {what}")

    def state(self, window):
        return [int(x) for x in self.ask(f"state {window}").split()[1:]]

    def exists(self, window):
        return self.state(window)[0] == 1

    def visible(self, window):
        return self.state(window)[1] == 1

    def text(self, window, control=""):
        return _unhex(self.ask(f"text {window} {control}").split()[1])

    def items(self, window, control):
        return [_unhex(field) for field in self.ask(f"items {window} {control}").split()[1:]]

    def images(self, window, control):
        """The image index of each row of a list view."""
        return [int(field) for field in self.ask(f"images {window} {control}").split()[1:]]

    def row_click(self, window, control, row, double=False):
        """A click (or a double click) on a row of a list view."""
        self.ask(f"rowclick {window} {control} {row} {2 if double else 1}")

    def set_text(self, window, control, text):
        self.ask(f"settext {window} {control} {_hex(text)}")

    def click(self, window, control):
        self.ask(f"click {window} {control}")

    def command(self, window, command):
        self.ask(f"command {window} {command}")

    def post(self, window, message, wparam=0, lparam=0):
        self.ask(f"post {window} {message:#x} {wparam} {lparam}")

    def child(self, window, control):
        line = self.ask(f"child {window} {control}")
        return None if line == "NONE" else line.split()[1]

    def shot(self, window, name):
        return _unhex(self.ask(f"shot {window} {self.name}_{name}").split()[1])

    def describe(self, pid):
        return _unhex(self.ask(f"windows {pid}").split()[1])
