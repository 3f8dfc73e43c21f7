"""The whole system as its users meet it: the real programs on Wine, driven through their windows
(nv_drive.exe) against stand-ins of the service on loopback.

Each step names itself in its failure and saves screenshots of the windows it worked with under
NV_DAY_WORK/screenshots."""
import os
import shutil
from pathlib import Path

import pytest

from nvdrive import PROFILE_KEY, Desktop, scramble, wait_for

MAIN_EXE = os.environ.get("NV_MAIN_EXE", "")
WORK = Path(os.environ.get("NV_DAY_WORK", "/tmp/nv-day"))

# Window messages and commands a user's clicks send (the tray menu's and the main window's).
CMD_ABOUT = 32774
CMD_EXIT = 32780
ID_ABOUT_CLOSE = 1256
MAIN_PAGE = 1410  # the main window's portal page: only the main window has it


@pytest.fixture
def user_a():
    assert MAIN_EXE, "NV_MAIN_EXE is not set: run through CTest"
    shutil.rmtree(WORK / "screenshots", ignore_errors=True)
    desktop = Desktop("A", screenshots=WORK / "screenshots")
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
