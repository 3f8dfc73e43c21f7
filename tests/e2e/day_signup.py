"""The sign-up as a new user meets it: the real VyrnSign.exe driven through its wizard (texts sent
to the page's edits, the sheet's buttons pressed by posted PSM_PRESSBUTTON, message boxes answered
through their buttons), and the day's first step, in which user B signs up with a fresh profile
from NimboVandrell.exe.

SignupWizard is shared with the sign-up program's own end-to-end tests (signup/wizard/tests)."""
import re
from pathlib import Path

from nvdrive import PROFILE_KEY, scramble, wait_for

SOURCE = Path(__file__).resolve().parents[2]

# The property sheet's messages and its standard wizard buttons.
PSM_GETCURRENTPAGEHWND = 0x476
PSM_HWNDTOINDEX = 0x481
PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH = 0, 1, 2
BACK, NEXT, FINISH, CANCEL = 12323, 12324, 12325, 2
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
BOX_TEXT = 65535  # the message box's text

# Page controls.
MODE_NEW, MODE_RECOVER, MODEM, LAN, UDP, TCP = 1086, 1088, 1198, 1199, 1186, 1187
KANA, KANA2, SEX, NAME, NAME2, AGE, AGE2, AGE3 = 1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047
ZIP, ZIP2, ADDRESS1, ADDRESS2, TEL, TEL2, TEL3 = 1048, 1049, 1050, 1051, 1052, 1053, 1054
VERK, VERK2, VERK3, RESULT = 1055, 1056, 1057, 1058
TERMS_PROMPT, CONFIRMATION = 1060, 1194
COMM_NAME, LOGIN_ID, LOGIN_PASSWORD = 1062, 1071, 1072
COURSE_CHANGE_TEXT = 1126

SIGNUP_CLASS = "Qelo_Signup_App"
NO_ACCESS_POINT = "ｱｸｾｽﾎﾟｲﾝﾄ情報がありません"


def rc_strings():
    """The sign-up program's string table, read from its resource scripts (name -> text)."""
    table = {}
    for script in ("VyrnSignWizard.rc", "VyrnSignStrings.rc"):
        path = SOURCE / "signup" / script
        if not path.exists():
            continue
        for name, text in re.findall(r'^\s+(IDS_\w+)\s+"((?:[^"\\]|\\.)*)"', path.read_text(encoding="utf-8"), re.M):
            table[name] = text.replace("\\r", "\r").replace("\\n", "\n").replace("\\\\", "\\")
    return table


TEXTS = rc_strings()


def unbroken(text):
    return text.replace("\r", "").replace("\n", "")


# A new user's data for page 3: kana names (half-width), names, birth year, zip code, address,
# telephone and three wished accounts.
USER_FIELDS = [(KANA, "ﾔﾏﾀﾞ"), (KANA2, "ﾀﾛｳ"), (NAME, "山田"), (NAME2, "太郎"), (AGE, "1985"), (ZIP, "100"),
               (ZIP2, "0001"), (ADDRESS1, "東京都千代田区千代田1-1"), (TEL, "03"), (TEL2, "1234"), (TEL3, "5678"),
               (VERK, "dayuserb"), (VERK2, "dayuser2"), (VERK3, "dayuser3")]


class SignupWizard:
    """VyrnSign.exe's windows on one desktop, found through the program's process id."""

    def __init__(self, desktop, pid):
        self.d = desktop
        self.pid = pid
        self.sheet = None

    @classmethod
    def attach(cls, desktop, seconds=60):
        """The running sign-up program (its hidden instance window names its process)."""
        window = desktop.wait_window("the sign-up program's instance window", seconds, cls=SIGNUP_CLASS, visible=False)
        return cls(desktop, desktop.pid(window))

    # --- message boxes ----------------------------------------------------------------------
    def box(self):
        """The program's visible message box and its text, or (None, None)."""
        window = self.d.find(self.pid, "#32770", "", BOX_TEXT)
        if not window or not self.d.visible(window):
            return None, None
        return window, self.d.text(window, BOX_TEXT)

    def wait_box(self, what, seconds=30):
        def shown():
            window, text = self.box()
            return (window, text) if window else None
        try:
            return wait_for(shown, seconds, f"{self.d.name}: {what}")
        except AssertionError as failure:
            raise AssertionError(f"{failure}; the wizard stands at {self.index()}; windows:\n"
                                 f"{self.d.describe(self.pid)}") from None

    def answer(self, window, button):
        self.d.click(window, button)
        wait_for(lambda: not self.d.exists(window), 20, f"{self.d.name}: the message box to close")

    def box_past_notes(self, what, seconds=30):
        """The next message box other than the dial settings' note that no access point is known
        (on a fresh profile the note comes each time the settings are made); the notes are
        answered OK and counted."""
        notes = 0
        while True:
            window, text = self.wait_box(what, seconds)
            if NO_ACCESS_POINT not in text:
                return window, text, notes
            self.answer(window, IDOK)
            notes += 1

    def answer_lan_only(self, seconds=60):
        """The start-up message that no dial-up device is there (LAN only), answered OK."""
        window, text, _ = self.box_past_notes("the LAN-only message", seconds)
        assert unbroken(text) == unbroken(TEXTS["IDS_SU_NO_DIALUP_AT_START"]), text
        self.answer(window, IDOK)

    def start_to_sheet(self, seconds=60):
        """From the program's start to its wizard: the start-up messages a user answers OK on the
        way (the LAN-only message when the system has no dial-up device, the dial settings' note
        that no access point is known yet); returns their texts."""
        answered = []

        def sheet_or_box():
            sheet = self.d.find(self.pid, "#32770", "", NEXT)
            if sheet and self.d.visible(sheet):
                return sheet
            window, text = self.box()
            if window:
                assert NO_ACCESS_POINT in text or unbroken(text) == unbroken(TEXTS["IDS_SU_NO_DIALUP_AT_START"]), text
                self.answer(window, IDOK)
                answered.append(text)
            return None
        wait_for(sheet_or_box, seconds, f"{self.d.name}: the sign-up wizard after the start-up messages")
        self.wait_sheet()
        return answered

    # --- the sheet --------------------------------------------------------------------------
    def wait_sheet(self, seconds=60):
        try:
            self.sheet = self.d.wait_window("the sign-up wizard", seconds, pid=self.pid, cls="#32770", child=NEXT)
        except AssertionError as failure:
            raise AssertionError(f"{failure}; box {self.box()[1]!r}; windows:\n{self.d.describe(self.pid)}") from None
        wait_for(self.page, 20, f"{self.d.name}: the wizard's first page")
        return self.sheet

    def page(self):
        handle = int(self.d.ask(f"send {self.sheet} {PSM_GETCURRENTPAGEHWND:#x} 0 0").split()[1])
        return format(handle, "x") if handle else None

    def index(self):
        page = self.page() if self.sheet else None
        if not page:
            return -1
        return int(self.d.ask(f"send {self.sheet} {PSM_HWNDTOINDEX:#x} {int(page, 16)} 0").split()[1])

    def wait_index(self, index, what, seconds=30):
        try:
            wait_for(lambda: self.index() == index, seconds, f"{self.d.name}: {what} (page index {index})")
        except AssertionError as failure:
            raise AssertionError(f"{failure}; the wizard stands at {self.index()}; box {self.box()[1]!r}; "
                                 f"windows:\n{self.d.describe(self.pid)}") from None
        return self.page()

    def press(self, button):
        """The user's click on one of the sheet's buttons (its command to the sheet)."""
        self.d.click(self.sheet, {PSBTN_BACK: BACK, PSBTN_NEXT: NEXT, PSBTN_FINISH: FINISH}[button])

    def button_text(self, button):
        return self.d.text(self.sheet, button)

    def enabled(self, control, window=None):
        child = self.d.child(window or self.sheet, control)
        return child is not None and self.d.state(child)[2] == 1

    def visible(self, control, window=None):
        child = self.d.child(window or self.sheet, control)
        return child is not None and self.d.visible(child)

    def checked(self, control):
        return int(self.d.ask(f"send {self.d.child(self.page(), control)} 0xf0 0 0").split()[1]) == 1  # BM_GETCHECK

    def choose(self, control):
        """A radio button or check box clicked as the user does (checked, then its command)."""
        page = self.page()
        self.d.ask(f"send {self.d.child(page, control)} 0xf1 1 0")  # BM_SETCHECK
        self.d.click(page, control)

    def fill(self, fields):
        page = self.page()
        for control, text in fields:
            self.d.set_text(page, control, text)

    def text(self, control):
        return self.d.text(self.page(), control)

    def shot(self, name):
        return self.d.shot(self.sheet, name)

    # --- the pages as a new user goes through them ------------------------------------------
    def page1_lan(self, protocol=UDP):
        """Page 1 in mode 0 over the LAN: the protocol chosen, Next."""
        wait_for(lambda: self.checked(LAN), 20, f"{self.d.name}: the LAN choice on page 1")
        assert self.checked(MODE_NEW), "a fresh profile starts a new registration"
        self.choose(protocol)
        wait_for(lambda: self.enabled(NEXT), 20, f"{self.d.name}: Next on page 1")
        self.shot("signup_page1")
        self.press(PSBTN_NEXT)

    def page2_agree(self):
        self.wait_index(1, "the terms page")
        wait_for(lambda: self.button_text(NEXT) == TEXTS["IDS_SW_AGREE"], 60, f"{self.d.name}: the terms downloaded")
        prompt = self.text(TERMS_PROMPT)
        assert unbroken(prompt) == unbroken(TEXTS["IDS_SW_TERMS_ASK"]), prompt
        self.shot("signup_page2")
        self.press(PSBTN_NEXT)

    def page3_user(self, fields=USER_FIELDS):
        self.wait_index(2, "the user data page")
        self.fill(fields)
        wait_for(lambda: self.enabled(NEXT), 20, f"{self.d.name}: Next once the user data is complete")
        self.shot("signup_page3")
        self.press(PSBTN_NEXT)

    def page4_confirm(self):
        self.wait_index(3, "the confirmation page")
        wait_for(lambda: self.button_text(NEXT) == TEXTS["IDS_SW_YES"], 20, f"{self.d.name}: the yes/no labels")
        self.shot("signup_page4")
        self.press(PSBTN_NEXT)

    def page5_login_data(self, comm_name):
        """Page 5 after an accepted sign-up: the login data the service issued, the user's name."""
        page = self.wait_index(4, "the login data page", 60)
        self.d.set_text(page, COMM_NAME, comm_name)
        wait_for(lambda: self.enabled(NEXT), 20, f"{self.d.name}: Next on the login data page")
        self.shot("signup_page5")
        self.press(PSBTN_NEXT)

    def page6_confirm(self):
        self.wait_index(5, "the verification page")
        wait_for(lambda: self.button_text(NEXT) == TEXTS["IDS_SW_YES"], 20, f"{self.d.name}: page 6's yes/no labels")
        self.shot("signup_page6")
        self.press(PSBTN_NEXT)

    def page7_finish(self):
        """The result page: the course-change question declined (and the quitting confirmed), then
        Finish once it is enabled."""
        self.wait_index(6, "the result page", 60)
        course = self.d.wait_window("the course-change question", 30, pid=self.pid, cls="#32770",
                                    child=COURSE_CHANGE_TEXT)
        self.d.post(course, 0x10)  # WM_CLOSE: the user closes it without changing the course
        window, text = self.wait_box("the question whether to quit the course change")
        self.answer(window, IDYES)
        wait_for(lambda: not self.d.exists(course), 20, f"{self.d.name}: the course-change dialog to close")
        wait_for(lambda: self.enabled(FINISH), 20, f"{self.d.name}: Finish on the result page")
        self.shot("signup_page7")
        self.press(PSBTN_FINISH)


def signup_peer_order(peer):
    """The kinds of the sign-up service's requests in the order they came."""
    return [r["request_kind"] for r in peer.requests_of("http-request")]


def seed_fresh_profile(desktop, service):
    """A profile with nothing but the server addresses: sign-up and profile forms at the sign-up
    service, log-in and the rest at the login service, the character's event data at the service's;
    no greeting sound, no mail query."""
    desktop.reg("delete", PROFILE_KEY, "/f")
    servers = PROFILE_KEY + r"\Servers"
    for name in ("SignupPage", "ProfilePage"):
        desktop.reg_set(servers, name, service.signup_url + "/")
    for name in ("LoginPage", "URLChatLogin", "SearchPage", "MailPage", "ChargePage"):
        desktop.reg_set(servers, name, service.url)
    for name in ("HomePage", "TopPage"):
        desktop.reg_set(servers, name, "about:blank")
    desktop.reg_set(PROFILE_KEY, "HomePage", "about:blank")
    desktop.reg_set(PROFILE_KEY + r"\Event", "EVENT_URL", f"http://127.0.0.1:{service.events.port}/event/eventdata.txt")
    desktop.reg_set(PROFILE_KEY, "QueryInterval", 0)
    desktop.reg_set(PROFILE_KEY, "Flags", 0x61)


def b_signs_up(day):
    """Step 1: B's fresh profile; NimboVandrell.exe starts the sign-up program, B goes through the
    seven pages of a new registration over the LAN and finishes; the main program then runs with
    the account the service issued, which the login service learns for the next steps."""
    service = day.service
    b = day.b
    seed_fresh_profile(b, service)
    before = len(service.signup.requests_of("http-request"))
    with day.step("1_b_signs_up"):
        # LAN only, as on a PC without a modem: the system's dial-up library stays unloaded (Wine's
        # own one may report a device it cannot dial).
        from dayharness import MOODS, write_phone_settings
        b.reg_set(PROFILE_KEY, "MyStatus", MOODS["B"])
        folder = write_phone_settings("B", service)
        env = dict(b.env)
        b.env["WINEDLLOVERRIDES"] = "rasapi32=d"
        try:
            b.start(_main_exe(), cwd=folder)
        finally:
            b.env = env
        wizard = SignupWizard.attach(b)
        wizard.start_to_sheet()
        wizard.page1_lan(UDP)
        wizard.page2_agree()
        wizard.page3_user()
        wizard.page4_confirm()
        from dayharness import NAMES
        wizard.page5_login_data(NAMES["B"])
        wizard.page6_confirm()
        wizard.page7_finish()

        # The main program takes over with the new account and shows its main window.
        day.started["B"] = start_main_after_signup(b)

        issued = service.signup.requests_of("issued")
        assert len(issued) == 1, issued
        login, password = issued[0]["login"], issued[0]["password"]
        commid = [r for r in service.signup.requests_of("commid-issued") if r["login"] == login]
        assert len(commid) == 1, commid
        comm_id, comm_password = commid[0]["comm_id"], commid[0]["comm_password"]

        net = PROFILE_KEY + r"\NetInfo"
        assert b.reg_query(net, "LoginID") == login
        assert b.reg_query(net, "LoginPasswd") == scramble(password)
        assert b.reg_query(net, "Comm_id") == comm_id
        assert b.reg_query(net, "Comm_data") == scramble(comm_password)
        assert b.reg_query(net, "ConnectType").lower() == "lan"
        assert b.reg_query(net, "Protocol").lower() == "udp"
        signup = PROFILE_KEY + r"\Signup"
        assert b.reg_query(signup, "Name") == "山田"
        assert b.reg_query(signup, "VerkID") == "dayuserb"

        kinds = signup_peer_order(service.signup)[before:]
        assert [k for k in kinds if k in ("terms", "signup", "recovery", "commid")] == \
            ["terms", "signup", "recovery", "commid"], kinds
        assert not service.signup.requests_of("violation"), service.signup.requests_of("violation")

        # The next steps log B in with the account the sign-up service issued.
        service.login.accounts[login] = password
        day.accounts["B"] = (login, password, comm_id, comm_password)
        day.signed_up.add("B")


def start_main_after_signup(desktop):
    """The main program that started the sign-up, once its main window is on the screen."""
    from dayharness import MAIN_PAGE
    instance = desktop.wait_window("the program's instance window after the sign-up", 60, cls="Qelo_NimboVandrell",
                                   visible=False)
    pid = desktop.pid(instance)
    main = desktop.wait_window("the main window after the sign-up", 60, pid=pid, cls="#32770", child=MAIN_PAGE)
    return pid, main


def _main_exe():
    from dayharness import windows_exe
    return windows_exe()
