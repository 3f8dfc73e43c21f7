"""nvpeers.line_driver against a small line-speaking program (Python, no Wine): answers, waits
that end at their deadline, a program that ends early, the per-line check and the goodbye."""
import sys
import time

import pytest

from nvpeers.line_driver import LineDriver

# Echoes "RESULT <verb> <len(rest)>" for each command; "quit" says BYE and ends; "die" ends at once;
# "bad" prints an ERROR line.
PROGRAM = r'''
import sys
print("READY", flush=True)
for line in sys.stdin:
    verb, _, rest = line.rstrip("\n").partition(" ")
    if verb == "quit":
        print("BYE", flush=True)
        break
    if verb == "die":
        sys.exit(3)
    if verb == "bad":
        print("ERROR bad", flush=True)
        continue
    print("noise", flush=True)
    print(f"RESULT {verb} {len(rest)}", flush=True)
'''


class Echo(LineDriver):
    timeout, shown, bye_timeout, end_timeout = 10, 3, 10, 10

    def __init__(self):
        super().__init__([sys.executable, "-c", PROGRAM])
        self.expect(lambda l: l == "READY")

    def check(self, line):
        assert not line.startswith("ERROR"), line


@pytest.fixture
def echo():
    driver = Echo()
    yield driver
    if driver.process.poll() is None:
        driver.process.kill()
        driver.process.wait()


@pytest.mark.parametrize("command, number", [("ping", 0), ("size abc", 3), ("size  two words", 10)])
def test_run_answers_with_the_number_of_its_own_result_line(echo, command, number):
    assert echo.run(command) == number
    assert "noise" in echo.seen


def test_a_wait_without_a_match_ends_at_its_deadline_quoting_the_last_lines(echo):
    echo.send("one")
    started = time.monotonic()
    with pytest.raises(TimeoutError) as failure:
        echo.expect(lambda l: l == "never", timeout=0.5)
    assert 0.4 <= time.monotonic() - started < 5
    assert "RESULT one 0" in str(failure.value)


def test_a_program_that_ends_first_is_reported_as_ended(echo):
    echo.send("die")
    with pytest.raises(EOFError):
        echo.expect(lambda l: l == "never")
    echo.wait_end()
    assert echo.process.returncode == 3


def test_the_check_sees_every_line_before_it_is_matched(echo):
    echo.send("bad")
    with pytest.raises(AssertionError, match="ERROR bad"):
        echo.expect(lambda l: True)


def test_close_says_quit_and_waits_for_the_end(echo):
    echo.close()
    assert echo.seen[-1] == "BYE"
    assert echo.process.returncode == 0
