"""A test driver program under Wine spoken to by lines: commands go to its standard input, and
its standard output is read line by line on a thread of its own, so that a test waits for the
line it wants with a deadline (never a fixed sleep).

Subclasses name their defaults: `timeout` (seconds a wait may take), `shown` (how many of the
last lines a failure quotes), `bye_timeout` and `end_timeout` (for the goodbye and the program's
end at close). `check(line)` sees every line read and may fail the test on it."""
import queue
import subprocess
import tempfile
import threading
import time


class LineDriver:
    timeout = 40
    shown = 10
    bye_timeout = 30
    end_timeout = 30

    def __init__(self, command):
        """command: the whole command line (the Wine launcher, the program, its arguments)."""
        # What the program (or Wine) says on its error output is kept for a failure's report.
        self.errors = tempfile.TemporaryFile()
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self.errors, text=True, encoding="latin-1")
        self.lines = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def send(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def check(self, line):
        """Called with every line read, before it is matched."""

    def expect(self, predicate, timeout=None):
        """The first line for which predicate is true; TimeoutError when none comes within timeout
        seconds, EOFError when the program ends first."""
        deadline = time.monotonic() + (self.timeout if timeout is None else timeout)
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError(f"no matching line; last lines {self.seen[-self.shown:]}")
            try:
                line = self.lines.get(timeout=left)
            except queue.Empty:
                continue
            if line is None:
                try:
                    code = self.process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    code = "unknown (still running)"
                raise EOFError(f"driver ended with exit code {code}; last lines {self.seen[-self.shown:]}; "
                               f"its error output ends {self.error_tail()!r}")
            self.seen.append(line)
            self.check(line)
            if predicate(line):
                return line

    def error_tail(self, size=1500):
        """The last size bytes of the program's error output, as text."""
        self.errors.seek(0, 2)
        end = self.errors.tell()
        self.errors.seek(max(0, end - size))
        return self.errors.read().decode("utf-8", "replace")

    def run(self, command, timeout=None):
        """Sends command and returns the number of its "RESULT <verb> <n>" line."""
        verb = command.split(" ")[0]
        self.send(command)
        line = self.expect(lambda l: l.startswith("RESULT " + verb + " "), timeout)
        return int(line.split(" ")[2])

    def close(self):
        """Says "quit", waits for "BYE" and for the program's end (killing it if it stays)."""
        try:
            self.send("quit")
            self.expect(lambda l: l == "BYE", timeout=self.bye_timeout)
        finally:
            self.wait_end()

    def wait_end(self):
        try:
            self.process.wait(timeout=self.end_timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
