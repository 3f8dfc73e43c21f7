"""The day's hostile run: the real program on Wine, driven through its windows, against a
stand-in service that answers badly (garbage, replies cut off half-way, lists that do not hold
what they claim). After each bad answer the program shows its own error text, stays usable, and
the history database keeps every row it had.

A shorter run than the day (user A only); the stage is the day's (dayharness.py), the steps live
in day_hostile.py."""
import shutil

import pytest

from dayharness import WORK, Day, Service
from day_hostile import database, history_rows, hostile_lists, hostile_log_ins, seed_history


@pytest.fixture(scope="module")
def service():
    s = Service(WORK / "service")
    yield s
    s.stop()


@pytest.fixture(scope="module")
def day(service):
    shutil.rmtree(WORK / "screenshots", ignore_errors=True)
    d = Day(service)
    yield d
    d.exit_all()
    d.close()


@pytest.fixture(scope="module")
def stored(day):
    """A's history as it stands before the service turns hostile (a partner and two messages)."""
    day.start("A")
    path = database()
    return path, seed_history(path)


def test_log_in_replies_that_break_show_the_programs_error_and_the_next_log_in_works(day, stored):
    with day.step("hostile_log_in"):
        failures = hostile_log_ins(day)
        path, rows = stored
        assert history_rows(path) == rows, "the history changed while the log-in server misbehaved"


def test_lists_that_break_show_the_list_error_or_are_dropped_and_the_history_is_kept(day, stored):
    with day.step("hostile_lists"):
        hostile_lists(day)
        path, rows = stored
        assert history_rows(path) == rows, "the history changed while the message server misbehaved"
