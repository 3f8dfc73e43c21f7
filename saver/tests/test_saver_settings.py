"""VyrnSaver.scr /c: the sliders show the stored settings, clamped, and OK writes what Python reads back."""

import configparser
import os
import subprocess

import pytest


@pytest.fixture
def saver():
    build = os.environ["NV_BUILD_DIR"]
    prefix = os.environ["NV_WINEPREFIX"]
    ini = os.path.join(prefix, "drive_c", "windows", "vyrnsaver.ini")

    def write(count, speed):
        with open(ini, "w", newline="\r\n") as f:
            f.write(f"[VyrnScreenSaver]\nCount={count}\nSpeed={speed}\n")

    def read():
        parser = configparser.ConfigParser()
        parser.optionxform = str  # the key names are case-sensitive for us
        parser.read(ini)
        return dict(parser["VyrnScreenSaver"])

    def drive(*args):
        driver = os.path.join(build, "tests", "e2e", "nv_saver_settings_driver.exe")
        return subprocess.run(
            [os.path.join(build, "nv-wine"), driver, os.environ["NV_SAVER_SCR"], *args],
            capture_output=True, text=True, timeout=90, stdin=subprocess.DEVNULL,
        )

    yield write, read, drive
    if os.path.exists(ini):
        os.remove(ini)


@pytest.mark.parametrize(
    "stored, shown",
    [(("9", "100"), "count=5 speed=50"), (("-7", "-3"), "count=1 speed=1"), (("2", "7"), "count=2 speed=7")],
)
def test_the_sliders_show_the_stored_settings_clamped(saver, stored, shown):
    write, _, drive = saver
    write(*stored)
    result = drive("show")
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip() == shown


def test_ok_writes_count_and_speed_and_cancel_writes_nothing(saver):
    write, read, drive = saver
    write("2", "7")
    assert drive("cancel", "5", "40").returncode == 0
    assert read() == {"Count": "2", "Speed": "7"}
    result = drive("ok", "3", "20")
    assert result.returncode == 0, result.stderr
    assert read() == {"Count": "3", "Speed": "20"}
