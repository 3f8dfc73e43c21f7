"""VyrnSign.exe under Wine, driven through its windows (tests/e2e: nv_drive.exe) against the sign-up
service peer started here: what pages 1 to 4 do when the service refuses or fails, the address
filled from the zip-code archive beside the program, and the modem path of page 1 over the
stand-in dial-up library.

Each test runs its own copy of the program in a scratch folder (the program looks for its
archiver, its zip-code archive and, with WINEDLLOVERRIDES=rasapi32=n, its dial-up library there)."""
import os
import shutil
import sys
from pathlib import Path

import pytest

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parents[2] / "tests" / "e2e"))
sys.path.insert(0, str(HERE.parents[2] / "tests" / "peers"))

from day_signup import (ADDRESS1, NO_ACCESS_POINT, IDNO, IDOK, IDYES, MODEM, NEXT, PSBTN_NEXT, RESULT, TEXTS,  # noqa: E402
                        UDP, USER_FIELDS, VERK, ZIP, ZIP2, SignupWizard, unbroken)
from nvdrive import PROFILE_KEY, Desktop, scramble, wait_for, windows_path  # noqa: E402
from nvpeers.signup_service import SignupServicePeer  # noqa: E402

BUILD = Path(os.environ.get("NV_BUILD_DIR", "/nonexistent"))
WORK = BUILD / "signup-wizard-e2e"
APP_PATHS = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\q2NimboVandrell.exe"


@pytest.fixture
def peer():
    WORK.mkdir(parents=True, exist_ok=True)
    p = SignupServicePeer(log_path=str(WORK / "signup_service.log"), lifetime=600).start()
    yield p
    p.stop()


@pytest.fixture
def desktop(peer):
    d = Desktop("S", screenshots=WORK / "screenshots")
    d.reg("delete", PROFILE_KEY, "/f")
    d.reg("delete", APP_PATHS, "/f")
    url = f"http://127.0.0.1:{peer.port}/"
    # reg.exe can fail while the prefix is still busy with the previous test's programs: each
    # value is written again until it is there.
    for name in ("SignupPage", "ProfilePage"):
        wait_for(lambda: d.reg("add", PROFILE_KEY + r"\Servers", "/v", name, "/t", "REG_SZ", "/d", url, "/f").returncode == 0
                 and d.reg_query(PROFILE_KEY + r"\Servers", name) == url, 30, f"the profile's {name}")
    yield d
    d.close()
    d.reg("delete", PROFILE_KEY, "/f")
    d.reg("delete", APP_PATHS, "/f")


def program_folder(name, *extra):
    """A scratch folder holding a copy of the program, its archiver and the given files."""
    folder = WORK / name
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for source in (os.environ["NV_SIGNUP_EXE"], os.environ["NV_UNLHA32"], *extra):
        shutil.copy(source, folder)
    return folder


def start(desktop, folder, ras_script=None):
    env = dict(desktop.env)
    if ras_script is None:
        desktop.env["WINEDLLOVERRIDES"] = "rasapi32=d"  # no dial-up library: LAN only
    else:
        script = folder / "ras.txt"
        script.write_text("\n".join(ras_script) + "\n", encoding="ascii")
        desktop.env["WINEDLLOVERRIDES"] = "rasapi32=n"
        desktop.env["NV_RAS_SCRIPT"] = windows_path(script)
    try:
        desktop.start(windows_path(folder / "VyrnSign.exe"))
    finally:
        desktop.env = env
    return SignupWizard.attach(desktop)


def to_confirmation(wizard):
    wizard.answer_lan_only()
    wizard.wait_sheet()
    wizard.page1_lan(UDP)
    wizard.page2_agree()
    wizard.page3_user(USER_FIELDS)
    wizard.wait_index(3, "the confirmation page")


# Each row: the peer's switch for the sign-up form, whether the message box carries the
# server's own text (else the communication error with its code), what page 3 then shows in its
# result field.
REFUSALS = [
    ("refused", "ご希望のアカウントは使用できません (2)", None),
    ("refused_plain", "受付できません", None),
    ("malformed", None, "comm"),
    ("http500", None, "comm"),
    ("reset", None, "comm"),  # half the reply, then the connection is reset
]


def test_refused_signups_return_to_the_user_data_with_the_reason(desktop, peer):
    """One program goes through every refusal in turn: each shows its reason, returns to the user
    data with the fields kept and stores no account; the sign-up that is then accepted (over a
    reply that trickles in) stores the account."""
    wizard = start(desktop, program_folder("refusals"))
    to_confirmation(wizard)
    for switch, server_text, _ in REFUSALS:
        peer.options["switch"] = switch
        before = len(peer.requests_of("http-request"))
        wizard.press(PSBTN_NEXT)  # yes: send the sign-up
        window, text = wizard.wait_box(f"the refusal's message ({switch})", 60)
        if server_text:
            assert unbroken(text) == server_text, (switch, text)
        else:
            assert text.startswith(TEXTS["IDS_SW_COMM_ERROR"] + "(#"), (switch, text)
            assert text.endswith(")") and text != TEXTS["IDS_SW_COMM_ERROR"] + "(#0)", (switch, text)
        wizard.shot(f"refusal_{switch}")
        wizard.answer(window, IDOK)
        wizard.wait_index(2, f"the user data page after '{switch}'")
        shown = unbroken(wizard.text(RESULT))
        if server_text:
            assert shown == server_text, (switch, shown)
        else:
            assert shown.startswith(unbroken(TEXTS["IDS_SW_SIGNUP_ERROR"]) + "(#"), (switch, shown)
        assert wizard.text(VERK) == dict(USER_FIELDS)[VERK], "the typed fields are kept"
        assert [r["request_kind"] for r in peer.requests_of("http-request")[before:]] == ["signup"], switch
        assert desktop.reg_query(PROFILE_KEY + r"\NetInfo", "LoginID") in (None, ""), \
            f"'{switch}' stored an account"
        # The user tries again: the confirmation, then yes with the next switch.
        wait_for(lambda: wizard.enabled(NEXT), 20, "Next on the user data page")
        wizard.press(PSBTN_NEXT)
        wizard.wait_index(3, "the confirmation page again")

    peer.options["switch"] = "slow"
    refused = len(peer.requests_of("issued"))  # the peer issues before its switch refuses
    wizard.press(PSBTN_NEXT)
    issued = wait_for(lambda: peer.requests_of("issued")[refused:], 60, "the accepted sign-up")
    login = issued[-1]["login"]
    try:
        wait_for(lambda: desktop.reg_query(PROFILE_KEY + r"\NetInfo", "LoginID") == login, 60,
                 "the accepted account stored")
    except AssertionError as failure:
        stored = desktop.reg_query(PROFILE_KEY + r"\NetInfo", "LoginID")
        raise AssertionError(f"{failure}: LoginID {stored!r}, "
                             f"box {wizard.box()[1]!r}, page {wizard.index()}") from None
    assert wizard.box()[0] is None, wizard.box()[1]
    assert not peer.requests_of("violation"), peer.requests_of("violation")


def click(wizard, control):
    """A click into a page's field: the field takes the focus (sent, so it has happened when the
    call returns)."""
    field = wizard.d.child(wizard.page(), control)
    wizard.d.ask(f"send {field} 0x201 1 0x00050005")  # WM_LBUTTONDOWN
    wizard.d.ask(f"send {field} 0x202 0 0x00050005")  # WM_LBUTTONUP


def expected_address(code):
    fixture = Path(os.environ["NV_ZIP_FIXTURE_DIR"]) / "cases.tsv"
    for line in fixture.read_bytes().decode("cp932").splitlines():
        key, _, address = line.partition("\t")
        if key == code:
            return address
    raise AssertionError(f"no case {code} in {fixture}")


def temp_folder(desktop):
    prefix = Path(desktop.env.get("NV_WINEPREFIX") or os.environ["NV_WINEPREFIX"])
    return [p for p in (prefix / "drive_c" / "users").glob("*/AppData/Local/Temp") if p.is_dir()] + \
        [p for p in (prefix / "drive_c" / "users").glob("*/Temp") if p.is_dir()]


def test_the_address_comes_from_the_zip_code_archive_beside_the_main_program(desktop, peer):
    fixture = Path(os.environ["NV_ZIP_FIXTURE_DIR"]) / "zipcode.ful"
    folder = program_folder("zip", fixture)
    desktop.reg_set(APP_PATHS, "Path", windows_path(folder))
    wizard = start(desktop, folder)
    wizard.answer_lan_only()
    wizard.wait_sheet()
    wizard.page1_lan(UDP)
    wizard.page2_agree()
    wizard.wait_index(2, "the user data page")
    page = wizard.page()

    # A known code fills the empty street address once the archive is indexed (the loader runs in
    # the background: the user may come back to the field).
    wanted = expected_address("1000002")
    wizard.fill([(ZIP, "100"), (ZIP2, "0002")])

    def filled():
        click(wizard, ZIP2)
        click(wizard, ADDRESS1)
        return wizard.text(ADDRESS1) == wanted
    wait_for(filled, 30, "the address looked up from the zip code")
    wizard.shot("zip_address_filled")
    extracted = [t / "zipcode.csv" for t in temp_folder(desktop) if (t / "zipcode.csv").exists()]
    assert extracted, "the archive is extracted into the temporary folder"

    # Cases that must leave the field as it is: (zip parts, street already there).
    for first, second, street in [("100", "0a02", ""), ("1 0", "0002", ""), ("100", "0002", "既に入力済み"),
                                  ("000", "0000", ""), ("123", "4567", "")]:
        wizard.fill([(ADDRESS1, street), (ZIP, first), (ZIP2, second)])
        click(wizard, ZIP2)
        click(wizard, ADDRESS1)
        assert wizard.text(ADDRESS1) == street, (first, second, street, wizard.text(ADDRESS1))

    # The other known codes of the fixture, the way a user types them.
    for code in ("1000001", "1000003", "0600001"):
        wizard.fill([(ADDRESS1, ""), (ZIP, code[:3]), (ZIP2, code[3:])])
        click(wizard, ZIP2)
        click(wizard, ADDRESS1)
        assert wizard.text(ADDRESS1) == expected_address(code), code
    assert page == wizard.page()

    # Leaving the program removes the extracted file.
    program = desktop.programs[-1]
    desktop.post(wizard.sheet, 0x10)  # WM_CLOSE
    def ended():
        window, _ = wizard.box()
        if window:
            wizard.answer(window, IDYES)
        return program.poll() is not None
    wait_for(ended, 60, "the program to end")
    assert not [p for p in extracted if p.exists()], "the extracted zip-code file is removed at the end"


def ras_log(path):
    import json
    if not path.exists():
        return []
    return [json.loads(line) for line in path.read_text(encoding="utf-8", errors="replace").splitlines() if line.strip()]


def calls(path, fn):
    return [r for r in ras_log(path) if r.get("fn") == fn]


DIAL = 1049  # the connect dialog's Dial button


def test_modem_path_asks_before_dropping_a_connection_dials_hangs_up_and_removes_its_entry(desktop, peer):
    """Page 1 over the stand-in dial-up library with a modem and another program's connection:
    No keeps that connection and the page; Yes drops it, dials the sign-up server with the sign-up
    account, the terms come over it, then the line is hung up and the entry made for it is gone."""
    folder = program_folder("modem", os.environ["NV_RASAPI32"])
    log = folder / "ras.log"
    wizard = start(desktop, folder, ["step_ms|5", f"log|{windows_path(log)}",
                                     f"phonebook|{windows_path(folder / 'phonebook.txt')}",
                                     "device|modem|Standard Modem", "connection|Other ISP|modem|Standard Modem",
                                     "dial|0,1,2,3,5,14,18,0x2000"])
    # A fresh profile has no access point yet: the dial settings say so once (not the LAN-only
    # message: a modem is there).
    window, text = wizard.wait_box("the dial settings' note that no access point is known")
    assert NO_ACCESS_POINT in text, text
    wizard.answer(window, IDOK)
    wizard.wait_sheet()
    assert wizard.box()[0] is None, wizard.box()[1]
    page = wizard.page()
    wait_for(lambda: wizard.enabled(MODEM, page), 20, "the modem choice enabled")
    wizard.choose(MODEM)
    wait_for(lambda: wizard.enabled(NEXT), 20, "Next on page 1")
    wizard.shot("modem_page1")

    # Another connection is up: No keeps it, no dial, page 1 stays with Next enabled.
    wizard.press(PSBTN_NEXT)
    window, text, _ = wizard.box_past_notes("the question before dropping the other connection")
    assert "Other ISP" in text, text
    wizard.answer(window, IDNO)
    wait_for(lambda: wizard.enabled(NEXT), 20, "Next enabled again on page 1")
    assert wizard.index() == 0
    assert not calls(log, "RasDialA") and not calls(log, "RasHangUpA"), ras_log(log)[-5:]

    # Yes drops it and dials.
    wizard.press(PSBTN_NEXT)
    window, text, _ = wizard.box_past_notes("the question again")
    wizard.answer(window, IDYES)
    dialog = desktop.wait_window("the connect dialog", 30, pid=wizard.pid, cls="#32770", child=DIAL)
    desktop.shot(dialog, "modem_connect")
    desktop.click(dialog, DIAL)
    wizard.wait_index(1, "the terms page after dialling", 60)
    wait_for(lambda: wizard.button_text(NEXT) == TEXTS["IDS_SW_AGREE"], 60, "the terms over the dialled line")

    dials = calls(log, "RasDialA")
    assert len(dials) == 1, dials
    assert dials[0].get("user") == TEXTS["IDS_SU_SIGNUP_USER"], dials[0]
    entry = dials[0].get("entry")
    made = [r for r in calls(log, "RasSetEntryPropertiesA") if r.get("entry") == entry]
    assert made, f"the entry {entry} was made for the dial"
    wait_for(lambda: [r for r in calls(log, "RasDeleteEntryA") if r.get("entry") == entry], 20,
             f"the entry {entry} deleted after the dial")
    # Two hang-ups: the other program's connection before the dial, ours once the terms are in.
    wait_for(lambda: len(calls(log, "RasHangUpA")) >= 2, 20, "the line hung up after the terms")
    wizard.shot("modem_page2")


def test_an_accepted_reply_longer_than_one_read_is_taken_whole(desktop, peer):
    """A sign-up reply with a 3000-byte field: read to its end, the account the peer issued is
    stored whole (login and scrambled password), with no message."""
    wizard = start(desktop, program_folder("oversize"))
    to_confirmation(wizard)
    peer.options["switch"] = "oversize"
    wizard.press(PSBTN_NEXT)
    issued = wait_for(lambda: peer.requests_of("issued"), 60, "the sign-up")[-1]
    net = PROFILE_KEY + r"\NetInfo"
    wait_for(lambda: desktop.reg_query(net, "LoginID") == issued["login"], 60, "the account stored")
    assert desktop.reg_query(net, "LoginPasswd") == scramble(issued["password"])
    assert wizard.box()[0] is None, wizard.box()[1]
