"""The day's portal page, skins and end, as the users meet them: a portal page's link of the
client's private URL scheme followed in the browser window (and malformed ones that must do
nothing), a second skin chosen from the main window's menu and kept over a restart, and both users
leaving from the tray menu with their settings saved and their histories whole.

Every action goes through the programs' windows (nv_drive.exe); every wait has a deadline."""
import importlib.util
import os
import re
import subprocess
import time
from pathlib import Path

from dayharness import ACCOUNTS, MAIN_EXE, PROFILE_KEY, WORK, exit_from_tray, history_db, start_main, wait_for

SOURCE = Path(__file__).resolve().parents[2]

# The main window's buttons, its tray notification and the menus' commands.
BTN_BROWSER = 1014
BTN_MENU = 1184
TRAY_NOTIFY = 0x400        # the tray icon's callback message to the main window
TRAY_ICON_ID = 174
WM_RBUTTONDOWN = 0x204
WM_KEYDOWN = 0x100
VK_ESCAPE = 0x1B
MENU_CLASS = "#32768"
SKIN_BASE_COMMAND = 3584
SKIN_FIRST_COMMAND = 3586
# The browser window.
IDC_BROWSER_FAVORITES = 1214
IDC_BROWSER_SERVICE_HOME = 1216
ID_FAVORITE_FIRST = 3584
# The send window.
IDC_SEND_ID = 1033
IDC_SEND_TEXT = 1035
IDC_SEND_CLOSE = 1221
IDC_SEND_NAME = 1246

SKIN_NAME = "nvdaygreen"
# A message's attribute bit: the message is not written to histories (a read notice).
NOT_STORED = 0x2


def comm_id(name):
    return ACCOUNTS[name][2]


def service_ids(name):
    """The IDs that name the user at the message service and in a partner's history: the login
    ID and the communication ID."""
    return {ACCOUNTS[name][0].upper(), ACCOUNTS[name][2].upper()}


def field16(text):
    """An ID as the message server logs it: 16 bytes, padded with zeros, in hexadecimal."""
    return (text.encode("ascii") + bytes(16))[:16].hex()


def stamp():
    """A mark of this run in every text, so that what earlier runs left is never counted."""
    return time.strftime("%H%M%S")


# --- menus -------------------------------------------------------------------------------------
def open_and_close_menu(user, pid, opener, what):
    """Opens a popup menu as the user does (opener: the click that shows it), looks at it and
    closes it with Escape. The program builds the menu's items when it shows it; the command of
    the item the user picks is then posted as the menu posts it. A program in a modal state (its
    start-up's log-in, say) answers the click with a beep: as a user would, the click is made
    again while no menu has come."""
    def shown():
        opener()
        try:
            return user.wait_window(f"{what} on the screen", 5, pid=pid, cls=MENU_CLASS)
        except AssertionError:
            return None
    menu = wait_for(shown, 60, f"{user.name}: {what} on the screen")
    user.shot(menu, what.replace(" ", "_"))
    user.post(menu, WM_KEYDOWN, VK_ESCAPE, 0x10001)
    wait_for(lambda: not user.exists(menu) or not user.visible(menu), 20, f"{what} to close")


def open_tray_menu(day, name):
    user, main = day.user(name), day.main(name)
    open_and_close_menu(user, day.pid(name), lambda: user.post(main, TRAY_NOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN),
                        f"{name} tray menu")


# A top-level window's line in the driver's description: handle, class, text, visible or hidden;
# its controls' lines are indented. A text of several lines (a chat log's) goes on over lines of no
# such form.
WINDOW_LINE = re.compile(r"^([0-9a-f]+) (\S+) '.*' (visible|hidden)$")


def top_windows(user, pid):
    """Handles of the program's visible top-level windows (the driver's description), without the
    character's speech balloons, which come and go with the event data's texts."""
    out = []
    for line in user.describe(pid).splitlines():
        match = WINDOW_LINE.match(line)
        if match and match.group(3) == "visible" and match.group(2) != "NvPopupBalloon":
            out.append(match.group(1))
    return out


# --- the portal page and its links -------------------------------------------------------------
def favorites_folder(user):
    """The user's Favorites folder (Explorer's shell folder) as a path on this machine."""
    value = user.reg_query(r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders", "Favorites")
    assert value and value[1:3] == ":\\", value
    prefix = Path(user.env.get("NV_WINEPREFIX") or Path(os.environ["NV_BUILD_DIR"]) / "wineprefix")
    drive = prefix / "dosdevices" / (value[0].lower() + ":")
    return drive.resolve() / Path(*value[3:].split("\\"))


def keep_links(user, links):
    """The user keeps the page's links among the favourites: one shortcut file each in the
    Favorites folder. Returns the files and, for each link, its command in the favourites menu
    (the menu numbers the folder's own shortcuts first, in name order without regard to case)."""
    folder = favorites_folder(user)
    folder.mkdir(parents=True, exist_ok=True)
    files = []
    mark = stamp()
    for i, (text, href) in enumerate(links):
        path = folder / f"nvday-{mark}-{i:02d} {text}.url"
        path.write_bytes(b"[InternetShortcut]\r\nURL=" + href.encode("cp932") + b"\r\n")
        files.append(path)
    shortcuts = sorted((p.name for p in folder.iterdir() if p.is_file() and p.name.endswith(".url")), key=str.lower)
    return files, [ID_FAVORITE_FIRST + shortcuts.index(p.name) for p in files]


def wait_send_window(user, pid, partner_id, name):
    window = user.wait_window("A: the send window", pid=pid, cls="#32770", child=IDC_SEND_TEXT)
    wait_for(lambda: user.text(window, IDC_SEND_ID) == partner_id, 20, "A: the send window addressed")
    assert user.text(window, IDC_SEND_NAME) == name, user.text(window, IDC_SEND_NAME)
    return window


def portal_link_opens_a_window(day):
    """A opens the portal in the browser window; the page's private-scheme link to B opens A's
    send window addressed to B. Malformed page commands before it do nothing: no window, no
    request, the program goes on."""
    a, pid, main = day.a, day.pid("A"), day.main("A")
    portal = day.service.portal
    b_id, b_name = comm_id("B"), "鈴木ぼく"
    good = ("鈴木さんにメッセージ", f"x-vyrntalk:pri_msg?id={b_id}&name={b_name}")
    # Where the fault is not in the partner's ID, the malformed links name someone other than B,
    # so that a window they wrongly opened could not be the one the good link opens.
    other = "1111222233334444"
    broken = [
        ("IDが短い", f"x-vyrntalk:pri_msg?id={other[:15]}&name={b_name}"),
        ("名前が長い", f"x-vyrntalk:pri_msg?id={other}&name={'長' * 17}"),
        ("IDに記号", f"x-vyrntalk:pri_msg?id={other[:8]}/{other[9:]}&name=x"),
        ("知らないコマンド", "x-vyrntalk:nv_explode"),
        ("電話番号なし", "x-vyrntalk:nimbocall?type=2&id="),
        ("電話IDが短い", f"x-vyrntalk:nimbocall?type=1&id={other[:15]}"),
        ("部屋が長すぎる", "x-vyrntalk:url_chat?url=" + "r" * 513),
    ]
    portal.put_page("/", "ポータル", [good] + broken)

    # Send windows left open by earlier steps are closed first, so the one the link opens is new.
    for window in top_windows(a, pid):
        if a.child(window, IDC_SEND_TEXT):
            a.click(window, IDC_SEND_CLOSE)
            wait_for(lambda: not a.exists(window) or not a.visible(window), 20, "A: an earlier send window to close")

    # The browser window from the main window's button, then the portal from its service-home
    # button: the window asks the portal for the page (no engine renders it here).
    a.click(main, BTN_BROWSER)
    browser = a.wait_window("A: the browser window", pid=pid, cls="#32770", child=IDC_BROWSER_FAVORITES)
    pages = len(portal.gets("/"))
    a.click(browser, IDC_BROWSER_SERVICE_HOME)
    wait_for(lambda: len(portal.gets("/")) > pages, 30, "A: the portal page asked for by the browser window")
    a.shot(browser, "browser_portal")

    # The page's links, kept as favourites and taken from the favourites menu: the browser window
    # navigates to each as to a link of its page.
    files, commands = keep_links(a, [good] + broken)
    try:
        open_and_close_menu(a, pid, lambda: a.click(browser, IDC_BROWSER_FAVORITES), "A favourites menu")
        before = set(top_windows(a, pid))
        requests = len(portal.requests_of("http-request"))
        # The malformed ones first, then the good one: the window takes them in order, so once the
        # send window is there every malformed one has been handled.
        for command in commands[1:] + commands[:1]:
            a.command(browser, command)
        send = wait_send_window(a, pid, b_id, b_name)
    finally:
        for f in files:
            f.unlink(missing_ok=True)
    a.shot(send, "send_from_portal")
    after = set(top_windows(a, pid))
    assert after - before == {send}, (sorted(before), sorted(after))
    assert len(portal.requests_of("http-request")) == requests, "a private-scheme link reached the network"
    assert a.exists(main) and a.visible(browser)

    # The user closes it unsent: the day's messages are the messaging steps' own.
    a.click(send, IDC_SEND_CLOSE)
    wait_for(lambda: not a.exists(send) or not a.visible(send), 20, "A: the send window to close")


# --- skins -------------------------------------------------------------------------------------
def skin_folder():
    return Path(MAIN_EXE).parent / "Skin"


def make_second_skin(archive):
    """A second skin drawn with the base skin's own drawing code: the same layout in green, every
    window cut with chamfered corners instead of rounded ones, so that each window's shape
    differs from the base skin's."""
    spec = importlib.util.spec_from_file_location("nv_skin_drawing", SOURCE / "resources" / "skin" / "make_baseskin.py")
    draw = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(draw)
    draw.FACE, draw.FACE_LIGHT, draw.FACE_DARK, draw.TITLE = (52, 120, 80), (120, 180, 136), (24, 64, 40), (16, 48, 28)

    def chamfered(w, h, cut, colour, inset=0):
        c = draw.Canvas(w, h)
        for y in range(inset, h - inset):
            d = max(cut - (y - inset), (y + inset) - (h - 1 - cut), 0) + inset
            c.rect(d, y, w - 2 * d, 1, colour)
        return c

    def window(w, h, title_height=20, round_radius=8):
        cut = max(3, min(14, w // 6, h // 3))
        c = chamfered(w, h, cut, draw.FACE_DARK)
        inner = chamfered(w, h, cut, draw.FACE, inset=1)
        for y in range(h):
            for x in range(w):
                if inner.px[y][x] != draw.KEY:
                    c.px[y][x] = inner.px[y][x]
        c.rect(cut, 2, w - 2 * cut, title_height - 2, draw.TITLE)
        return c

    def resizable(w, h):
        c = chamfered(w, h, 6, draw.FACE)
        c.rect(6, 1, w - 12, 18, draw.TITLE)
        return c

    plain_balloon = draw.balloon

    def balloon(w, h, error):
        c = plain_balloon(w, h, error)
        for y in range(10):
            for x in range(10 - y):
                for cx, cy in ((x, y), (w - 1 - x, y), (x, h - 1 - y), (w - 1 - x, h - 1 - y)):
                    c.set(cx, cy, draw.KEY)
        return c

    draw.window, draw.resizable, draw.balloon = window, resizable, balloon
    work = WORK / "skin-work"
    paths = draw.build(str(work))
    info = Path(paths[0])
    lines = info.read_bytes().split(b"\r\n")
    # A skin names its key colour: its windows' shapes are then its own, never the base skin's.
    lines[0:1] = [b"; A second skin of the day test: green, with chamfered corners.",
                  b"WBG_TRANSEPARENT=%d,%d,%d" % draw.KEY]
    # The resizable windows are cut to a rectangle unless the skin gives their shape: it does.
    layouts = draw.layouts()
    for bitmap in sorted(draw.RESIZE_KEYS):
        rects = resizable(*layouts[bitmap][0]).region()
        lines.insert(-1, ("%s=%d:%s" % (draw.REGION_KEYS[bitmap], len(rects),
                                        "".join("%d,%d,%d,%d:" % tuple(r) for r in rects))).encode("ascii"))
    info.write_bytes(b"\r\n".join(lines))
    archive.unlink(missing_ok=True)
    subprocess.run([os.environ["NV_LHAPACK"], "c", str(archive)] + paths, check=True, timeout=120,
                   capture_output=True)


def skin_command(name):
    """The skin's command in the skin menu: the menu lists the skin folder's archives other than
    the base skin in name order without regard to case."""
    names = sorted((p.stem for p in skin_folder().glob("*.csz") if p.stem.lower() != "baseskin"), key=str.lower)
    return SKIN_FIRST_COMMAND + names.index(name)


def character_windows(user, pid):
    """The character's windows (the normal and the error one): dialogs without a control, shaped by
    the picture they were made with; a skin change does not reshape them."""
    lines = user.describe(pid).splitlines()
    out = set()
    for i, line in enumerate(lines):
        match = WINDOW_LINE.match(line)
        if match and match.group(2) == "#32770":
            following = lines[i + 1] if i + 1 < len(lines) else ""
            if not following.startswith(" "):
                out.add(match.group(1))
    return out


def shapes(user, pid):
    """The shape of each of the program's visible skinned windows (the character's windows, which
    come and go with the event data and keep their own picture, are left out)."""
    out = {}
    characters = character_windows(user, pid)
    for window in top_windows(user, pid):
        if window in characters:
            continue
        region = user.region(window)
        if region[0] != 0:
            out[window] = region
    return out


def choose_skin(day, command, what):
    a, pid, main = day.a, day.pid("A"), day.main("A")
    open_and_close_menu(a, pid, lambda: a.click(main, BTN_MENU), f"A main menu for {what}")
    a.command(main, command)


def wait_reshaped(day, before, what):
    """Waits until every window of before that is still on the screen shows a shape other than it
    had (a window the program closed or hid meanwhile, such as a balloon, is let go; the main
    window must stay); returns the shapes."""
    a, main = day.a, day.main("A")

    def now():
        return {w: a.region(w) for w in before if a.exists(w) and a.visible(w)}

    def changed():
        shapes_now = now()
        return shapes_now if main in shapes_now and all(
            shape != before[w] and shape[0] != 0 for w, shape in shapes_now.items()) else None
    try:
        return wait_for(changed, 30, f"A: every open window reshaped ({what})")
    except AssertionError as failure:
        raise AssertionError(f"{failure}: before {before}, now {now()}") from failure


def skins_from_the_menu(day):
    """A chooses the second skin from the main window's menu: every open window takes its shape;
    the choice is in the profile and is worn again after a restart; A goes back to the base skin
    the same way."""
    a = day.a
    archive = skin_folder() / f"{SKIN_NAME}.csz"
    make_second_skin(archive)
    try:
        base = shapes(a, day.pid("A"))
        assert day.main("A") in base, base
        base_main = base[day.main("A")]
        a.shot(day.main("A"), "skin_base")
        choose_skin(day, skin_command(SKIN_NAME), "the second skin")
        green = wait_reshaped(day, base, "to the second skin")
        a.shot(day.main("A"), "skin_second")
        assert a.reg_query(PROFILE_KEY, "Skin") == SKIN_NAME

        # The choice is kept: the program ends and comes back in the second skin.
        main_shape = green[day.main("A")]
        restart(day, "A")
        assert a.reg_query(PROFILE_KEY, "Skin") == SKIN_NAME
        wait_for(lambda: a.region(day.main("A")) == main_shape, 30, "A: the main window in the second skin after the restart")
        a.shot(day.main("A"), "skin_second_after_restart")

        # And back to the base skin from the menu: every window takes the base skin's shape again.
        day.ensure_online("A")
        now = shapes(a, day.pid("A"))
        choose_skin(day, SKIN_BASE_COMMAND, "the base skin")
        wait_reshaped(day, now, "back to the base skin")
        assert a.region(day.main("A")) == base_main
        wait_for(lambda: a.reg_query(PROFILE_KEY, "Skin") == "baseskin", 10, "A: the base skin in the profile")
        a.shot(day.main("A"), "skin_base_again")
    finally:
        if a.reg_query(PROFILE_KEY, "Skin") != SKIN_NAME:
            archive.unlink(missing_ok=True)


def restart(day, name):
    """The user leaves from the tray menu and starts the program again on the same profile."""
    user = day.user(name)
    open_tray_menu(day, name)
    exit_from_tray(user, day.main(name))
    day.started.pop(name, None)
    day.online.discard(name)
    day.started[name] = start_main(user)


# --- the end of the day ------------------------------------------------------------------------
def history_rows(path):
    """(sent 0 / received 1, partner, text) of every message row, read by the sqlite3 tool."""
    done = subprocess.run(["sqlite3", "-readonly", "-separator", "|", str(path),
                           "SELECT SndRcv, CommID, hex(Msg) FROM vyrnmsg ORDER BY SeqNo"],
                          capture_output=True, timeout=30)
    assert done.returncode == 0, done.stderr
    rows = []
    for line in done.stdout.decode("ascii").splitlines():
        way, partner, text = line.split("|")
        raw = bytes.fromhex(text)
        try:
            decoded = raw.decode("utf-8")
        except UnicodeDecodeError:
            decoded = raw.decode("cp932", errors="replace")
        rows.append((int(way), partner.upper(), decoded))
    return rows


def delivered_and_accepted(service):
    """What the message service did today: every message it accepted (sender, recipient, text),
    whether its recipient took it (stored in the recipient's history, then deleted from the
    server) and whether it is one that histories keep (a read notice is not)."""
    ids = {field16(i): n for n in ACCOUNTS for i in ACCOUNTS[n][0:3:2]}
    taken = {r["number"] for r in service.messages.records if r.get("kind") == "deleted"}
    out = []
    for r in service.messages.records:
        if r.get("kind") != "stored" or r.get("to") not in ids:
            continue
        recipient = ids[r["to"]]
        sender = next(n for n in ACCOUNTS if n != recipient)  # the day has two users
        kept = not r.get("attributes", 0) & NOT_STORED
        out.append((sender, recipient, bytes.fromhex(r["text"]).decode("cp932"), r["number"] in taken, kept))
    return out


def check_histories(service, databases):
    """Every message the service accepted today is in its sender's history once; every one its
    recipient took is in the recipient's history once; read notices are in neither; no row is
    there twice."""
    messages = delivered_and_accepted(service)
    rows = {name: [r for r in history_rows(path) if r[1] in service_ids(next(n for n in ACCOUNTS if n != name))]
            for name, path in databases.items()}
    for sender, recipient, text, taken, kept in messages:
        sent = [r for r in rows[sender] if r[0] == 0 and r[2] == text]
        received = [r for r in rows[recipient] if r[0] == 1 and r[2] == text]
        if not kept:
            assert not sent and not received, f"a read notice in a history: {text!r}"
            continue
        assert len(sent) == 1, f"{sender}'s history holds {len(sent)} copies of the sent message {text!r}"
        # A message is stored before the server is told to delete it: one not taken may be there.
        assert len(received) == 1 if taken else len(received) <= 1, \
            f"{recipient}'s history holds {len(received)} copies of the received message {text!r} (taken: {taken})"
    # Nor any row twice, whatever day it came from (every text of the day test carries its time).
    for name, own in rows.items():
        twice = sorted({r for r in own if own.count(r) > 1})
        assert not twice, f"{name}: message rows twice {twice}"
    return messages


def both_exit_from_the_tray(day):
    """Both leave from the tray menu: the programs end, the exit writes the settings, the
    single-instance mutex is gone (a fresh start comes up and leaves again), and each history
    database holds every message of the day exactly once."""
    names = [n for n in ("A", "B") if n in day.started]
    # Values the exit writes: the window's place, the fonts, the preferences; the arrival flag
    # is cleared.
    for name in names:
        user = day.user(name)
        user.reg("delete", PROFILE_KEY + r"\Fonts", "/f")
        user.reg("delete", PROFILE_KEY + r"\Location", "/v", "VyrnX", "/f")
        user.reg("delete", PROFILE_KEY, "/v", "QueryInterval", "/f")
        user.reg_set(PROFILE_KEY, "MessageArrive", 3)
    for name in names:
        open_tray_menu(day, name)
        exit_from_tray(day.user(name), day.main(name))
        day.started.pop(name, None)
        day.online.discard(name)
    for name in names:
        user = day.user(name)
        assert all(p.poll() is not None for p in user.programs), f"{name}: a program still runs"
        assert user.reg_query(PROFILE_KEY + r"\Location", "VyrnX") is not None, f"{name}: the window's place"
        fonts = user.reg("query", PROFILE_KEY + r"\Fonts")
        assert fonts.returncode == 0 and b"FontFace" in fonts.stdout, f"{name}: the fonts"
        assert user.reg_query(PROFILE_KEY, "QueryInterval") is not None, f"{name}: the preferences"
        assert user.reg_query(PROFILE_KEY, "MessageArrive") == "0x0", f"{name}: the arrival flag"

    databases = {name: history_db(day.user(name)) for name in ("A", "B")}
    checked = check_histories(day.service, databases)
    (WORK / "histories_checked.txt").write_text("\n".join(repr(m) for m in checked), encoding="utf-8")

    # The mutex went with the programs: a fresh start of each comes up as the first instance.
    for name in names:
        day.started[name] = start_main(day.user(name))
    for name in names:
        day.user(name).shot(day.main(name), "fresh_start")
        open_tray_menu(day, name)
        exit_from_tray(day.user(name), day.main(name))
        day.started.pop(name, None)
