"""The whole system as its users meet it: the real programs on Wine, driven through their windows
(nv_drive.exe) against stand-ins of the service on loopback.

The day's steps run in order on one stage (the `day` fixture: one service, users A and B); each
step names itself in its failure and saves screenshots of both desktops under
NV_DAY_WORK/screenshots. The stage (dayharness.py) and the larger steps (day_*.py) live beside."""
import shutil

import pytest

import day_message
import day_web
from day_chat import chat_server_closes_mid_line, chat_visit
from dayharness import (ACCOUNTS, BTN_LOGIN, BTN_LOGOUT, CMD_ABOUT, CMD_EXIT, ID_ABOUT_CLOSE, PROFILE_KEY, WORK, Day,
                        Service, exit_from_tray, fresh_histories, log_in, make_desktop, seed_account, seed_service_account, start_main,
                        wait_for)


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
    desktop = make_desktop("A")
    yield desktop
    desktop.close()


@pytest.fixture(scope="module")
def day(service):
    """The day's stage, shared by the steps in order; everything it started stops at the end, also
    when a step failed."""
    fresh_histories()
    d = Day(service)
    yield d
    d.exit_all()
    d.close()


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


def test_step1_b_signs_up(day):
    from day_signup import b_signs_up
    b_signs_up(day)


def test_step2_both_users_log_in(day):
    service = day.service
    for name in ("A", "B"):
        day.start(name)
    with day.step("2_both_log_in"):
        # One after the other, as on one machine: the second client's port walk sees the first's
        # ports in use only once its message client holds them.
        day.ensure_online("A", "B")
        # The latest log-in of each: the second client took ports of its own.
        ports = {r["id"]: r["udp_port"] for r in service.login.requests_of("logged-in")}
        assert ports[day.accounts["A"][0]] != ports[day.accounts["B"][0]], ports
        for name in ("A", "B"):
            user = day.user(name)
            user.shot(day.main(name), "both_online")
            (WORK / f"{name}_windows_online.txt").write_text(user.describe(day.pid(name)), encoding="utf-8")
        day_message.check_partner_moods(day)


def test_step3_a_message_with_an_attachment_and_the_reply(day):
    day.ensure_online()
    with day.step("3_message_and_reply"):
        day_message.message_with_attachment_and_reply(day)


def test_step4_chat_visit(day):
    day.ensure_online("A", "B")
    with day.step("4_chat_visit"):
        chat_visit(day)


def test_step5_a_calls_b(day):
    from day_phone import a_calls_b
    with day.step("5_phone_call"):
        a_calls_b(day)


def test_step6_a_portal_link_opens_a_window(day):
    day.ensure_online()
    with day.step("6_portal_link"):
        day_web.portal_link_opens_a_window(day)


def test_step7_a_second_skin_from_the_menu(day):
    day.ensure_online()
    with day.step("7_skins"):
        day_web.skins_from_the_menu(day)


def test_hostile_chat_server_closes_mid_line(day):
    day.ensure_online("A")
    with day.step("hostile_chat_mid_line"):
        chat_server_closes_mid_line(day)


def test_step8_a_message_sent_while_the_message_server_is_down(day):
    day.ensure_online()
    with day.step("8_message_server_down"):
        day_message.message_while_the_server_is_down(day)


def test_step9_both_exit_from_the_tray(day):
    day.ensure_online()
    with day.step("9_exit_and_histories"):
        day_web.both_exit_from_the_tray(day)
