#!/usr/bin/python3
"""Draws the base skin and packs it into baseskin.csz.

Everything here is our own: plain shapes and colours drawn pixel by pixel, the layout entries of
NVPCINFO.TXT and the region lines computed from the drawn bitmaps. The archive is reproducible:
same script, same bytes.

    make_baseskin.py --lhapack PATH --work DIR --archive OUT.csz
"""
import argparse
import os
import struct
import subprocess
import sys

KEY = (249, 244, 0)          # the skinned dialog's default key colour (transparent)
FACE = (70, 96, 140)         # window face
FACE_LIGHT = (112, 140, 188)
FACE_DARK = (40, 56, 88)
TITLE = (28, 40, 68)
PANEL = (232, 236, 244)
TEXT_FONT = "ＭＳ Ｐゴシック"


class Canvas:
    def __init__(self, w, h, colour=KEY):
        self.w, self.h = w, h
        self.px = [[colour] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x, y, w, h, c):
        for yy in range(max(0, y), min(self.h, y + h)):
            row = self.px[yy]
            for xx in range(max(0, x), min(self.w, x + w)):
                row[xx] = c

    def frame(self, x, y, w, h, light, dark):
        self.rect(x, y, w, 1, light)
        self.rect(x, y, 1, h, light)
        self.rect(x, y + h - 1, w, 1, dark)
        self.rect(x + w - 1, y, 1, h, dark)

    def rounded(self, x, y, w, h, r, c):
        for yy in range(h):
            for xx in range(w):
                dx = max(r - xx, xx - (w - 1 - r), 0)
                dy = max(r - yy, yy - (h - 1 - r), 0)
                if dx * dx + dy * dy <= r * r:
                    self.set(x + xx, y + yy, c)

    def bmp(self):
        stride = (self.w * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.h - 1, -1, -1):
            row = bytearray()
            for (r, g, b) in self.px[y]:
                row += bytes((b, g, r))
            row += bytes(stride - len(row))
            data += row
        header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        return header + info + bytes(data)

    def region(self):
        """Runs of non-key pixels per row, merged downwards while left and right stay the same."""
        kept = []
        for y in range(self.h):
            x = 0
            while x < self.w:
                if self.px[y][x] == KEY:
                    x += 1
                    continue
                start = x
                while x < self.w and self.px[y][x] != KEY:
                    x += 1
                r = [start, y, x, y + 1]
                if kept and kept[-1][0] == r[0] and kept[-1][2] == r[2] and kept[-1][3] == y:
                    kept[-1][3] = y + 1
                else:
                    kept.append(r)
        return kept


def glyph(c, x, y, w, h, kind, colour):
    cx, cy = x + w // 2, y + h // 2
    s = min(w, h) // 4
    if kind == 0:      # cross
        for i in range(-s, s + 1):
            c.set(cx + i, cy + i, colour)
            c.set(cx + i, cy - i, colour)
    elif kind == 1:    # triangle pointing right
        for dy in range(-s, s + 1):
            c.rect(cx - s // 2, cy + dy, s - abs(dy) + 1, 1, colour)
    elif kind == 2:    # square
        c.rect(cx - s, cy - s, 2 * s + 1, 2 * s + 1, colour)
    elif kind == 3:    # bars
        for i in range(3):
            c.rect(cx - s + i * (s // 2 + 1), cy - s, max(1, s // 3), 2 * s + 1, colour)
    elif kind == 4:    # plus
        c.rect(cx - s, cy, 2 * s + 1, 1, colour)
        c.rect(cx, cy - s, 1, 2 * s + 1, colour)
    else:              # ring
        for yy in range(-s, s + 1):
            for xx in range(-s, s + 1):
                d = xx * xx + yy * yy
                if (s - 1) * (s - 1) <= d <= s * s:
                    c.set(cx + xx, cy + yy, colour)


def button_strip(w, h, kind):
    """Four frames: normal, pressed, hover, disabled."""
    looks = [((150, 176, 220), (232, 240, 255), (52, 68, 104), (255, 255, 255)),
             ((96, 120, 168), (52, 68, 104), (232, 240, 255), (230, 230, 230)),
             ((176, 204, 240), (255, 255, 255), (70, 90, 130), (255, 255, 255)),
             ((150, 150, 150), (200, 200, 200), (100, 100, 100), (190, 190, 190))]
    c = Canvas(w * 4, h)
    for i, (face, light, dark, ink) in enumerate(looks):
        c.rect(i * w, 0, w, h, face)
        c.frame(i * w, 0, w, h, light, dark)
        shift = 1 if i == 1 else 0
        glyph(c, i * w + shift, shift, w, h, kind, ink)
    return c


def window(w, h, title_height=20, round_radius=8):
    c = Canvas(w, h)
    c.rounded(0, 0, w, h, round_radius, FACE_DARK)
    c.rounded(1, 1, w - 2, h - 2, round_radius - 1, FACE)
    c.rect(round_radius, 2, w - 2 * round_radius, title_height - 2, TITLE)
    return c


def resizable(w, h):
    c = Canvas(w, h, FACE)
    c.frame(0, 0, w, h, FACE_LIGHT, FACE_DARK)
    c.rect(1, 1, w - 2, 18, TITLE)
    return c


def xywh(r):
    return "%d,%d,%d,%d" % tuple(r)


PHONE_KEYPAD = ["PHONE_1", "PHONE_2", "PHONE_3", "PHONE_4", "PHONE_5", "PHONE_6", "PHONE_7", "PHONE_8",
                "PHONE_9", "PHONE_*", "PHONE_0", "PHONE_#"]
PHONE_BUTTON_FILES = dict([("PHONE_CLS", "phone_cls.bmp"), ("PHONE_START", "phone_start.bmp"),
                           ("PHONE_END", "phone_end.bmp"), ("PHONE_*", "phone_asta.bmp"),
                           ("PHONE_#", "phone_#.bmp"), ("PHONE_SOUND", "phone_sound.bmp"),
                           ("PHONE_FORWARD", "phone_forward.bmp"), ("PHONE_SHORT", "phone_short.bmp"),
                           ("PHONE_REC", "phone_rec.bmp"), ("PHONE_REDIAL_UP", "phone_up.bmp"),
                           ("PHONE_REDIAL_DOWN", "phone_down.bmp"), ("PHONE_CREDIT", "phone_credit.bmp"),
                           ("PHONE_PREPAID", "phone_prepaid.bmp")] +
                          [("PHONE_%d" % i, "phone_%d.bmp" % i) for i in range(10)])
PHONE_INDICATORS = {"PHONE_SND_INDICATE": "phone_snd_indicate.bmp", "PHONE_RCV_INDICATE": "phone_rcv_indicate.bmp"}


def phone_layout():
    ctl = [("PHONE_CLS", (350, 3, 16, 16), None), ("PHONE_STATUS", (8, 24, 192, 16), None),
           ("PHONE_NO", (8, 44, 192, 20), None), ("PHONE_SND_INDICATE", (8, 68, 92, 8), None),
           ("PHONE_RCV_INDICATE", (108, 68, 92, 8), None)]
    for i, key in enumerate(PHONE_KEYPAD):
        row, col = divmod(i, 3)
        ctl.append((key, (8 + col * 64, 82 + row * 28, 60, 24), None))
    ctl.append(("PHONE_START", (8, 196, 94, 24), None))
    ctl.append(("PHONE_END", (106, 196, 94, 24), None))
    for i, key in enumerate(["PHONE_SOUND", "PHONE_FORWARD", "PHONE_SHORT", "PHONE_REC"]):
        ctl.append((key, (8 + i * 48, 226, 44, 20), None))
    for i, key in enumerate(["PHONE_REDIAL_UP", "PHONE_REDIAL_DOWN", "PHONE_CREDIT", "PHONE_PREPAID"]):
        ctl.append((key, (8 + i * 48, 252, 44, 20), None))
    ctl.append(("PHONE_BANNER", (204, 24, 164, 154), None))
    return ctl


# A 3 x 5 pixel font for the keypad's faces.
KEYPAD_FONT = {"0": "111101101101111", "1": "010110010010111", "2": "111001111100111", "3": "111001111001111",
               "4": "101101111001001", "5": "111100111001111", "6": "111100111101111", "7": "111001010010010",
               "8": "111101111101111", "9": "111101111001111", "*": "000101010101000", "#": "101111101111101"}


def keypad_strip(w, h, char):
    """button_strip's frames with the key's character drawn three times its size."""
    c = button_strip(w, h, 2)
    looks = [(150, 176, 220), (96, 120, 168), (176, 204, 240), (150, 150, 150)]
    inks = [(255, 255, 255), (230, 230, 230), (255, 255, 255), (190, 190, 190)]
    for i in range(4):
        c.rect(i * w + 2, 2, w - 4, h - 4, looks[i])
        shift = 1 if i == 1 else 0
        x0, y0 = i * w + (w - 9) // 2 + shift, (h - 15) // 2 + shift
        for n, bit in enumerate(KEYPAD_FONT[char]):
            if bit == "1":
                c.rect(x0 + (n % 3) * 3, y0 + (n // 3) * 3, 3, 3, inks[i])
    return c


def level_strip(w, h):
    """Four frames of a level bar: green to red steps across the frame."""
    c = Canvas(w * 4, h)
    for i in range(4):
        for x in range(w):
            t = x * 255 // max(1, w - 1)
            c.rect(i * w + x, 0, 1, h, (t, 200 - t // 2, 40))
        c.frame(i * w, 0, w, h, FACE_LIGHT, FACE_DARK)
    return c


# Windows: bitmap, size, resizable, controls (key, rectangle, anchor or None, extra fields).
def layouts():
    out = {}
    # The launcher: buttons of 32 x 24 frames, the portal page (164 x 154) in the middle.
    main = [("MAIN_CLS", (168, 3, 16, 16), None)]
    for i, key in enumerate(["MAIN_LOGIN", "MAIN_LOGOUT", "MAIN_SET", "MAIN_HELP", "MAIN_MENU"]):
        main.append((key, (10 + i * 35, 28, 32, 24), None))
    main.append(("MAIN_CMIMAGE", (14, 60, 164, 154), None))
    for i, key in enumerate(["MAIN_BROWSER", "MAIN_CHAT", "MAIN_VYRNTALK", "MAIN_MAIL", "MAIN_ADDRESS"]):
        main.append((key, (10 + i * 35, 222, 32, 24), None))
    for i, key in enumerate(["MAIN_CAST", "MAIN_PHONE", "MAIN_CD"]):
        main.append((key, (45 + i * 35, 252, 32, 24), None))
    out["main.bmp"] = ((192, 288), False, main)

    def generic(size, resize, close, big, buttons, button_size=(40, 20)):
        w, h = size
        ctl = []
        if close:
            ctl.append((close, (w - 22, 3, 16, 16), 1 if resize else None))
        bottom = h - button_size[1] - 8
        top = 24
        if big:
            area = (bottom - 6 - top) // len(big)
            for i, key in enumerate(big):
                ctl.append((key, (8, top + i * area, w - 16, area - 4), 12 if resize else None))
        per_row = max(1, (w - 8) // (button_size[0] + 4))
        rows = (len(buttons) + per_row - 1) // per_row
        for i, key in enumerate(buttons):
            row, col = divmod(i, per_row)
            y = bottom - (rows - 1 - row) * (button_size[1] + 4)
            ctl.append((key, (8 + col * (button_size[0] + 4), y, button_size[0], button_size[1]),
                        2 if resize else None))
        return ctl

    out["url.bmp"] = ((360, 28), False, [("URL_COMBOX", (8, 4, 344, 200), None)])
    out["user.bmp"] = ((192, 200), False, generic((192, 200), False, None, ["USER_LIST"], []))
    out["friend.bmp"] = ((192, 200), False, generic((192, 200), False, None, ["FRIEND_LIST"], []))
    out["cdplay.bmp"] = ((240, 96), False, generic(
        (240, 96), False, "CD_CLS", [],
        ["CD_SHUFFLE", "CD_BACK", "CD_PLAY", "CD_PAUSE", "CD_NEXT", "CD_STOP", "CD_EJECT",
         "CD_REPEAT", "CD_ALLREPEAT", "CD_COUNTER", "CD_TIMER", "CD_VOLUMEBAR"], (36, 18)))
    out["cast.bmp"] = ((240, 48), False, generic(
        (240, 48), False, "CAST_CLS", [], ["CAST_PLAY", "CAST_REC", "CAST_STOP", "CAST_BACK", "CAST_INDICATE"]))
    # The phone: status line, number display and level indicators over the keypad on the left,
    # the 164 x 154 banner on the right, clear of every control (the window checks it).
    out["phone.bmp"] = ((372, 288), False, phone_layout())
    out["prepaid.bmp"] = ((240, 120), False, [
        ("PREPAID_ID", (60, 30, 160, 20), None), ("PREPAID_PASSWD", (60, 58, 160, 20), None),
        ("PREPAID_OK", (56, 90, 40, 20), None), ("PREPAID_CANCEL", (144, 90, 40, 20), None)])
    # The received-message window holds the fixed 468 x 60 banner at its top, clear of the list,
    # the text and the buttons (the window checks that and refuses a skin that crosses it).
    rcv = [("VYRNTALK_RCV_CLS", (462, 3, 16, 16), None),
           ("VYRNTALK_RCV_BANNER", (8, 24, 468, 60), None),
           ("VYRNTALK_RCV_LIST", (8, 90, 468, 110), None),
           ("VYRNTALK_RCV_VIEW", (8, 206, 468, 118), None),
           ("VYRNTALK_RCV_STATE", (8, 330, 468, 16), None)]
    for i, key in enumerate(RCV_BUTTON_FILES):
        if key != "VYRNTALK_RCV_CLS":
            rcv.append((key, (8 + (i - 1) * 44, 354, 40, 20), None))
    out["vyrntalk_rcv.bmp"] = ((484, 382), False, rcv)
    # The send window: ID and name on one line, the text, the attachment's name, the status line
    # and one row of buttons.
    snd = [("VYRNTALK_SND_CLS", (378, 3, 16, 16), None),
           ("VYRNTALK_SND_COMMID", (8, 26, 180, 20), None),
           ("VYRNTALK_SND_COMMNAME", (196, 26, 196, 20), None),
           ("VYRNTALK_SND_EDIT", (8, 52, 384, 160), None),
           ("VYRNTALK_SND_FILENAME", (8, 218, 384, 20), None),
           ("VYRNTALK_SND_STATE", (8, 244, 384, 18), None)]
    for i, key in enumerate(SND_BUTTON_FILES):
        if key != "VYRNTALK_SND_CLS":
            snd.append((key, (8 + (i - 1) * 48, 272, 40, 20), None))
    out["vyrntalk_snd.bmp"] = ((400, 300), False, snd)
    # The browser: its toolbar under the title, the page, and a one-line status bar at the bottom.
    browser = [("BROWSER_CLS", (458, 3, 16, 16), 1)]
    for i, key in enumerate(BROWSER_TOOLBAR):
        browser.append((key, (8 + i * 36, 24, 32, 20), None))
    browser.append(("BROWSER_KEY", (400, 24, 20, 20), 1))
    browser.append(("BROWSER_INDICATE", (452, 24, 20, 20), 1))
    browser.append(("BROWSER_HTML", (8, 48, 464, 284), 12))
    browser.append(("BROWSER_STATUSBAR", (8, 336, 464, 16), 6))
    out["browser.bmp"] = ((480, 360), True, browser)
    # The chat window: log on the left, members on the right, the input line, the 468 x 60 banner
    # clear of every control, and one row of buttons (colours, phrases, enter, leave).
    chat = [("CHAT_CLS", (458, 3, 16, 16), 1), ("CHAT_VIEW", (8, 24, 344, 200), 12),
            ("CHAT_USERLIST", (356, 24, 116, 200), 9), ("CHAT_INPUT", (8, 230, 464, 200), 6),
            ("CHAT_BANNER", (6, 258, 468, 60), 2)]
    chat_buttons = ["CHAT_COLOR1", "CHAT_COLOR2", "CHAT_COLOR3", "CHAT_COLOR4", "CHAT_COLOR5", "CHAT_COLOR6",
                    "CHAT_FACE1", "CHAT_FACE2", "CHAT_FACE3", "CHAT_FACE4", "CHAT_FACE5", "CHAT_FACE6",
                    "CHAT_FACE7", "CHAT_FACE8", "CHAT_ROOMIN", "CHAT_ROOMOUT"]
    for i, key in enumerate(chat_buttons):
        chat.append((key, (8 + i * 28, 372, 24, 20), 2))
    out["chat.bmp"] = ((480, 400), True, chat)
    out["chat_login.bmp"] = ((280, 140), False, [
        ("CHAT_LOGIN_NICKNAME", (96, 36, 160, 20), None), ("CHAT_LOGIN_ROOMNAME", (96, 66, 160, 20), None),
        ("CHAT_LOGIN_OK", (56, 108, 40, 20), None), ("CHAT_LOGIN_CANCEL", (184, 108, 40, 20), None)])
    out["set.bmp"] = ((420, 320), True, [("SET_CLS", (398, 3, 16, 16), 1)])
    out["vyrntalk_log.bmp"] = ((400, 300), False, generic(
        (400, 300), False, "VYRNTALK_LOG_CLS",
        ["VYRNTALK_LOG_COMMNAME", "VYRNTALK_LOG_LIST", "VYRNTALK_LOG_VIEW"],
        ["VYRNTALK_LOG_PLAY", "VYRNTALK_LOG_REPLY", "VYRNTALK_LOG_DEL", "VYRNTALK_LOG_RELOAD",
         "VYRNTALK_LOG_FILE"]))
    # general.bmp serves the partner list, the error log, the memo and the mood window.
    general = []
    general += generic((320, 240), True, "VYRNTALK_LOG_USER_CLS", ["VYRNTALK_LOG_USER_LIST"],
                       ["VYRNTALK_LOG_USER_DEL", "VYRNTALK_LOG_USER_REPLY", "VYRNTALK_LOG_USER_LOG",
                        "VYRNTALK_LOG_USER_PHONE", "VYRNTALK_LOG_USER_MEMO", "VYRNTALK_LOG_USER_RELOAD"])
    general += generic((320, 240), True, "ERROR_LOG_CLS", ["ERROR_LOG_LIST"], ["ERROR_LOG_DEL"])
    general += [("MEMO_CLS", (298, 3, 16, 16), 1), ("MEMO_NAME", (8, 24, 304, 16), 4),
                ("MEMO_EDIT", (8, 44, 304, 160), 12), ("MEMO_OK", (8, 212, 40, 20), 2),
                ("MEMO_CANCEL", (52, 212, 40, 20), 2)]
    general += generic((320, 240), True, "USER_STAT_CLOSE", ["USER_STAT_SUBTITLE", "USER_STAT_ITEMS"],
                       ["USER_STAT_OK", "USER_STAT_CANCEL"])
    out["general.bmp"] = ((320, 240), True, general)
    cd_and_clip_layouts(out)
    return out


# The CD player and the voice-clip panel: their own rows of buttons, the readouts in whole
# glyphs (2 and 5 cells of CD_DIGIT_SIZE) and the volume bar, the progress strip beside the
# clip buttons.
CD_DIGIT_SIZE = (10, 16)
CD_BUTTON_FILES = {"CD_BACK": "cdplay_back.bmp", "CD_PLAY": "cdplay_play.bmp", "CD_PAUSE": "cdplay_pause.bmp",
                   "CD_NEXT": "cdplay_forward.bmp", "CD_STOP": "cdplay_stop.bmp", "CD_EJECT": "cdplay_eject.bmp",
                   "CD_REPEAT": "cdplay_repeat.bmp", "CD_ALLREPEAT": "cdplay_allrepeat.bmp",
                   "CD_SHUFFLE": "cdplay_shuffle.bmp", "CD_CLS": "cdplay_cls.bmp"}
CAST_BUTTON_FILES = {"CAST_PLAY": "cast_play.bmp", "CAST_STOP": "cast_stop.bmp", "CAST_REC": "cast_rec.bmp",
                     "CAST_BACK": "cast_back.bmp", "CAST_CLS": "cast_cls.bmp"}
CD_VOLUME_SIZE = (150, 14)


def cd_and_clip_layouts(out):
    dw, dh = CD_DIGIT_SIZE
    cd = [("CD_CLS", (218, 3, 16, 16), None)]
    for i, key in enumerate(["CD_BACK", "CD_PLAY", "CD_PAUSE", "CD_NEXT", "CD_STOP", "CD_EJECT"]):
        cd.append((key, (8 + i * 38, 26, 34, 20), None))
    for i, key in enumerate(["CD_REPEAT", "CD_ALLREPEAT", "CD_SHUFFLE"]):
        cd.append((key, (8 + i * 38, 50, 34, 20), None))
    cd.append(("CD_COUNTER", (130, 52, 2 * dw, dh), None))
    cd.append(("CD_TIMER", (160, 52, 5 * dw, dh), None))
    cd.append(("CD_VOLUMEBAR", (8, 76, CD_VOLUME_SIZE[0], CD_VOLUME_SIZE[1]), None))
    out["cdplay.bmp"] = ((240, 96), False, cd)
    cast = [("CAST_CLS", (218, 3, 16, 16), None)]
    for i, key in enumerate(["CAST_PLAY", "CAST_STOP", "CAST_REC", "CAST_BACK"]):
        cast.append((key, (8 + i * 34, 24, 30, 18), None))
    cast.append(("CAST_INDICATE", (146, 28, 88, 10), None))
    out["cast.bmp"] = ((240, 48), False, cast)


# Seven segments per digit: a, b, c, d, e, f, g.
SEGMENTS = {0: "abcdef", 1: "bc", 2: "abged", 3: "abgcd", 4: "fgbc", 5: "afgcd", 6: "afgedc", 7: "abc",
            8: "abcdefg", 9: "abcdfg", 10: "", 11: "g"}


def digit_strip(w, h):
    """Glyphs 0-9, a blank and a minus, light segments on a dark cell."""
    c = Canvas(w * 12, h, (16, 24, 16))
    on = (120, 255, 120)
    for glyph_index, segs in SEGMENTS.items():
        x0 = glyph_index * w
        top, mid, bot = 1, h // 2 - 1, h - 3
        if "a" in segs: c.rect(x0 + 2, top, w - 4, 2, on)
        if "g" in segs: c.rect(x0 + 2, mid, w - 4, 2, on)
        if "d" in segs: c.rect(x0 + 2, bot, w - 4, 2, on)
        if "f" in segs: c.rect(x0 + 1, top, 2, mid - top + 1, on)
        if "b" in segs: c.rect(x0 + w - 3, top, 2, mid - top + 1, on)
        if "e" in segs: c.rect(x0 + 1, mid, 2, bot - mid + 2, on)
        if "c" in segs: c.rect(x0 + w - 3, mid, 2, bot - mid + 2, on)
    return c


def add_cd_and_clip_strips(files):
    kinds = {"CD_BACK": 3, "CD_PLAY": 1, "CD_PAUSE": 3, "CD_NEXT": 1, "CD_STOP": 2, "CD_EJECT": 4,
             "CD_REPEAT": 5, "CD_ALLREPEAT": 5, "CD_SHUFFLE": 4, "CD_CLS": 0,
             "CAST_PLAY": 1, "CAST_STOP": 2, "CAST_REC": 5, "CAST_BACK": 3, "CAST_CLS": 0}
    for key, name in list(CD_BUTTON_FILES.items()) + list(CAST_BUTTON_FILES.items()):
        size = (16, 16) if key.endswith("CLS") else (34, 20) if key.startswith("CD_") else (30, 18)
        files[name] = button_strip(size[0], size[1], kinds[key])
    files["cdplay_digit.bmp"] = digit_strip(*CD_DIGIT_SIZE)
    bar = Canvas(CD_VOLUME_SIZE[0], CD_VOLUME_SIZE[1], FACE_DARK)
    bar.rect(4, CD_VOLUME_SIZE[1] // 2 - 1, CD_VOLUME_SIZE[0] - 8, 3, PANEL)
    files["cdplay_volumebar.bmp"] = bar
    thumb = Canvas(8, CD_VOLUME_SIZE[1], (176, 204, 240))
    thumb.frame(0, 0, 8, CD_VOLUME_SIZE[1], (255, 255, 255), (52, 68, 104))
    files["cdplay_volume.bmp"] = thumb
    strip = Canvas(88, 10, (220, 60, 60))
    strip.frame(0, 0, 88, 10, (255, 160, 160), (120, 20, 20))
    files["cast_indicate.bmp"] = strip


# Phrases of the chat window's phrase buttons and their tool tips.
CHAT_PHRASES = {"CHAT_FACE1": ("(^_^)", "にっこり"), "CHAT_FACE2": ("(^o^)/", "やったー"),
                "CHAT_FACE3": ("(T_T)", "しくしく"), "CHAT_FACE4": ("(-_-;)", "あせあせ"),
                "CHAT_FACE5": ("m(_ _)m", "ごめんなさい"), "CHAT_FACE6": ("(*^_^*)", "てれてれ"),
                "CHAT_FACE7": ("こんにちは!", "あいさつ"), "CHAT_FACE8": ("またね~", "さようなら")}
CHAT_BUTTON_FILES = dict([("CHAT_CLS", "chat_cls.bmp"), ("CHAT_ROOMIN", "chat_roomin.bmp"),
                          ("CHAT_ROOMOUT", "chat_roomout.bmp"), ("CHAT_LOGIN_OK", "chat_login_ok.bmp"),
                          ("CHAT_LOGIN_CANCEL", "chat_login_cancel.bmp")] +
                         [("CHAT_COLOR%d" % i, "chat_color%d.bmp" % i) for i in range(1, 7)] +
                         [("CHAT_FACE%d" % i, "chat_face%d.bmp" % i) for i in range(1, 9)])

CHAT_COLOURS = {"CHAT_COLOR1": "0,0,0", "CHAT_COLOR2": "200,0,0", "CHAT_COLOR3": "0,140,0",
                "CHAT_COLOR4": "0,0,200", "CHAT_COLOR5": "160,0,160", "CHAT_COLOR6": "200,120,0"}

DOCKS = [("CTRLD_MAIN", "0,0,192,288"), ("CTRLD_URL", "-360,0,360,28:N"),
         ("CTRLD_CHAT", "200,0,480,400:N"), ("CTRLD_BROWSER", "200,0,480,360:N"),
         ("CTRLD_USER", "0,290,192,200:N"), ("CTRLD_FRIEND", "0,490,192,200:N"),
         ("CTRLD_CD", "0,192:D:96"), ("CTRLD_CAST", "0,240:D:48"), ("CTRLD_PHONE", "192,0:R:200"),
         ("CTRLD_VYRNTALK_LOG_USER_LIST", "200,40,320,240:N"), ("CTRLD_ERROR_LOG", "200,60,320,240:N"),
         ("CTRLD_MEMO", "220,80,320,240:N"), ("CTRLD_USER_STAT", "240,100,320,240:N")]

TITLES = [("VYRNTALK_LOG_USER_TITLE", "ﾊﾟｰﾄﾅｰﾘｽﾄ"), ("ERROR_LOG_TITLE", "ｴﾗｰﾛｸﾞ"),
          ("MEMO_TITLE", "ﾒﾓ"), ("USER_STAT_TITLE", "ｽﾃｰﾀｽ")]

RESIZE_KEYS = {"chat.bmp": "RESIZE_CHAT_INFO", "browser.bmp": "RESIZE_BROWSER_INFO",
               "set.bmp": "RESIZE_SETTING_INFO", "general.bmp": "RESIZE_GENERAL_INFO"}

REGION_KEYS = {"vyrntalk_rcv.bmp": "RGN_VYRNTALK_RCV", "chat.bmp": "RGN_CHAT", "browser.bmp": "RGN_BROWSER",
               "url.bmp": "RGN_URL", "vyrntalk_snd.bmp": "RGN_VYRNTALK_SND", "cast.bmp": "RGN_CAST",
               "cdplay.bmp": "RGN_CD", "phone.bmp": "RGN_PHONE", "main.bmp": "RGN_MAIN",
               "friend.bmp": "RGN_FRIEND", "user.bmp": "RGN_USER", "chat_login.bmp": "RGN_CHAT_LOGIN",
               "set.bmp": "RGN_SET", "vyrntalk_log.bmp": "RGN_VYRNTALK_LOG", "prepaid.bmp": "RGN_PREPAID",
               "general.bmp": "RGN_GENRAL", "vyrn_msg.bmp": "RGN_VYRN_CHAR",
               "vyrn_msg_err.bmp": "RGN_VYRN_ERR_CHAR"}

MAIN_BUTTON_FILES = {"MAIN_CLS": "main_cls.bmp", "MAIN_BROWSER": "main_browser.bmp",
                     "MAIN_CHAT": "main_chat.bmp", "MAIN_VYRNTALK": "main_vyrntalk.bmp",
                     "MAIN_MAIL": "main_mail.bmp", "MAIN_ADDRESS": "main_address.bmp",
                     "MAIN_CAST": "main_cast.bmp", "MAIN_PHONE": "main_phone.bmp",
                     "MAIN_CD": "main_cdplay.bmp", "MAIN_LOGIN": "main_login.bmp",
                     "MAIN_HELP": "main_help.bmp", "MAIN_SET": "main_set.bmp",
                     "MAIN_MENU": "main_menu.bmp", "MAIN_LOGOUT": "main_logout.bmp"}

# The received-message window's button strips, in the order of its controls.
RCV_BUTTON_FILES = {"VYRNTALK_RCV_CLS": "vyrntalk_rcv_cls.bmp", "VYRNTALK_RCV_PLAY": "vyrntalk_rcv_play.bmp",
                    "VYRNTALK_RCV_NEW": "vyrntalk_rcv_new.bmp", "VYRNTALK_RCV_REPLY": "vyrntalk_rcv_reply.bmp",
                    "VYRNTALK_RCV_RELOAD": "vyrntalk_rcv_reload.bmp", "VYRNTALK_RCV_LOG": "vyrntalk_rcv_log.bmp",
                    "VYRNTALK_RCV_EXCANCEL": "vyrntalk_rcv_cancel.bmp", "VYRNTALK_RCV_FILE": "vyrntalk_rcv_save.bmp"}

# The send window's button strips, in the order of its controls.
SND_BUTTON_FILES = {"VYRNTALK_SND_CLS": "vyrntalk_snd_cls.bmp", "VYRNTALK_SND_SEND": "vyrntalk_snd_snd.bmp",
                    "VYRNTALK_SND_REC": "vyrntalk_snd_rec.bmp", "VYRNTALK_SND_LOG": "vyrntalk_snd_log.bmp",
                    "VYRNTALK_SND_INDICATE": "vyrntalk_snd_indicate.bmp",
                    "VYRNTALK_SND_RESET": "vyrntalk_snd_reset.bmp", "VYRNTALK_SND_EXCANCEL": "vyrntalk_snd_cancel.bmp",
                    "VYRNTALK_SND_CHK": "vyrntalk_snd_check.bmp", "VYRNTALK_SND_FILE": "vyrntalk_snd_attach.bmp"}
# The memo window's strips (its close strip is the error log's).
MEMO_BUTTON_FILES = {"MEMO_OK": "prepaid_ok.bmp", "MEMO_CANCEL": "prepaid_cancel.bmp"}

BROWSER_TOOLBAR = ["BROWSER_BACK", "BROWSER_FOWARD", "BROWSER_STOP", "BROWSER_RELOAD", "BROWSER_HOME",
                   "BROWSER_SEARCH", "BROWSER_FAVORITE", "BROWSER_QELO", "BROWSER_MYROOM", "BROWSER_OEM"]
BROWSER_BUTTON_FILES = {"BROWSER_BACK": "browser_back.bmp", "BROWSER_FOWARD": "browser_forward.bmp",
                        "BROWSER_STOP": "browser_stop.bmp", "BROWSER_RELOAD": "browser_reload.bmp",
                        "BROWSER_HOME": "browser_home.bmp", "BROWSER_SEARCH": "browser_search.bmp",
                        "BROWSER_FAVORITE": "browser_favorite.bmp", "BROWSER_QELO": "browser_qelo.bmp",
                        "BROWSER_MYROOM": "browser_myroom.bmp", "BROWSER_OEM": "browser_oem.bmp",
                        "BROWSER_KEY": "browser_key.bmp", "BROWSER_CLS": "browser_cls.bmp"}


def busy_strip(w, h, frames):
    """The browser's busy indicator: a dot that goes round a ring, one position per frame."""
    import math
    c = Canvas(w * frames, h)
    for i in range(frames):
        c.rect(i * w, 0, w, h, FACE)
        c.frame(i * w, 0, w, h, FACE_LIGHT, FACE_DARK)
        angle = 2 * math.pi * i / frames
        x = i * w + w // 2 + int(round((w // 2 - 5) * math.cos(angle)))
        y = h // 2 + int(round((h // 2 - 5) * math.sin(angle)))
        c.rect(x - 2, y - 2, 4, 4, (52, 68, 104))
    return c


def balloon(w, h, error):
    c = Canvas(w, h)
    edge = (180, 40, 40) if error else FACE_DARK
    inside = (255, 236, 236) if error else (255, 255, 240)
    c.rounded(0, 0, w, h - 16, 14, edge)
    c.rounded(1, 1, w - 2, h - 18, 13, inside)
    for i in range(17):   # the tail
        c.rect(24, h - 17 + i, max(1, 14 - i), 1, edge)
        c.rect(25, h - 17 + i, max(0, 12 - i), 1, inside)
    return c


# The settings dialog's button strips: (width, height, glyph kind or None for a captioned button).
SET_BUTTON_STRIPS = {"set_cls.bmp": (16, 16, 0), "set_ok.bmp": (60, 20, None), "set_cancel.bmp": (60, 20, None),
                     "set_tab.bmp": (56, 20, None), "set_tab2.bmp": (76, 20, None),
                     "set_detail.bmp": (56, 20, None), "set_connect.bmp": (72, 20, None),
                     "set_pay.bmp": (80, 22, None), "set_network.bmp": (80, 22, None),
                     "set_select.bmp": (40, 18, None), "set_sound.bmp": (40, 18, None),
                     "set_profile.bmp": (90, 22, None), "set_communicate.bmp": (90, 22, None),
                     "set_color.bmp": (56, 20, None), "set_reset.bmp": (56, 20, None)}


def caption_strip(w, h):
    """Four frames without a glyph: the button's caption is drawn over them."""
    c = button_strip(w, h, 0)
    looks = [(150, 176, 220), (96, 120, 168), (176, 204, 240), (150, 150, 150)]
    for i, face in enumerate(looks):
        c.rect(i * w + 2, 2, w - 4, h - 4, face)
    return c


def build(work):
    files = {}
    lines = ["; Base skin of NimboVandrell: drawn by make_baseskin.py. Never rewritten by the program.",
             "FILE_VERSION=3.2"]
    for bitmap, ((w, h), resize, controls) in layouts().items():
        c = resizable(w, h) if resize else window(w, h)
        for key, (x, y, cw, ch), anchor in controls:
            if key.endswith(("LIST", "VIEW", "HTML", "EDIT", "INPUT", "USERLIST", "ITEMS", "CMIMAGE")):
                c.rect(x, y, cw, ch, PANEL)
                c.frame(x, y, cw, ch, FACE_DARK, FACE_LIGHT)
            value = xywh((x, y, cw, ch))
            if anchor is not None or key in CHAT_COLOURS or key in CHAT_PHRASES:
                value += ":%d" % (anchor or 0)
            if key in CHAT_COLOURS:
                value += ":" + CHAT_COLOURS[key]
            if key in CHAT_PHRASES:
                value += ":%s:%s" % CHAT_PHRASES[key]
            lines.append("%s=%s" % (key, value))
        files[bitmap] = c
        if resize:
            lines.append("%s=0,0,16,16:%d,0,16,16:16,0,%d,16:0,%d,16,16:%d,%d,16,16:16,%d,%d,16:"
                         "0,16,16,%d:%d,16,16,%d::%d,%d,%d" % (
                             RESIZE_KEYS[bitmap], w - 16, w - 32, h - 16, w - 16, h - 16, h - 16, w - 32,
                             h - 32, w - 16, h - 32, FACE[0], FACE[1], FACE[2]))
    files["vyrn_msg.bmp"] = balloon(200, 100, False)
    files["vyrn_msg_err.bmp"] = balloon(200, 100, True)
    for key, value in DOCKS:
        lines.append("%s=%s" % (key, value))
    for key, text in TITLES:
        lines.append("%s=%s:12:1:255,255,255:10,3:%s" % (key, TEXT_FONT, text))
    # Shapes of the plain (not resizable) windows, so no start-up has to scan them.
    for bitmap, c in sorted(files.items()):
        if bitmap in RESIZE_KEYS or bitmap not in REGION_KEYS:
            continue
        rects = c.region()
        lines.append("%s=%d:%s" % (REGION_KEYS[bitmap], len(rects),
                                   "".join("%d,%d,%d,%d:" % tuple(r) for r in rects)))
    for i, (key, name) in enumerate(sorted(MAIN_BUTTON_FILES.items())):
        size = (16, 16) if key == "MAIN_CLS" else (32, 24)
        files[name] = button_strip(size[0], size[1], i % 6)
    for i, (key, name) in enumerate(sorted(BROWSER_BUTTON_FILES.items())):
        size = {"BROWSER_CLS": (16, 16), "BROWSER_KEY": (20, 20)}.get(key, (32, 20))
        files[name] = button_strip(size[0], size[1], i % 6)
    files["browser_indicate.bmp"] = busy_strip(20, 20, 15)
    for i, (key, name) in enumerate(RCV_BUTTON_FILES.items()):
        size = (16, 16) if key == "VYRNTALK_RCV_CLS" else (40, 20)
        files[name] = button_strip(size[0], size[1], i % 6)
    for i, (key, name) in enumerate(SND_BUTTON_FILES.items()):
        size = (16, 16) if key == "VYRNTALK_SND_CLS" else (40, 20)
        files[name] = button_strip(size[0], size[1], (i + 2) % 6)
    for i, (key, name) in enumerate(MEMO_BUTTON_FILES.items()):
        files.setdefault(name, button_strip(40, 20, (i + 3) % 6))
    # The error log's close and delete-all strips.
    files["vyrntalk_log_cls.bmp"] = button_strip(16, 16, 0)
    files["vyrntalk_log_delete.bmp"] = button_strip(40, 20, 1)
    # The message log's and the partner list's other strips.
    for i, name in enumerate(["vyrntalk_log_reply.bmp", "vyrntalk_log_reload.bmp", "vyrntalk_log_play.bmp",
                              "vyrntalk_log_save.bmp", "vyrntalk_log_memo.bmp"]):
        files[name] = button_strip(40, 20, (2 + i) % 6)

    for i, (key, name) in enumerate(sorted(CHAT_BUTTON_FILES.items())):
        size = (16, 16) if key == "CHAT_CLS" else (40, 20) if key.startswith("CHAT_LOGIN") else (24, 20)
        strip = button_strip(size[0], size[1], i % 6)
        if key in CHAT_COLOURS:
            rgb = tuple(int(v) for v in CHAT_COLOURS[key].split(","))
            for frame in range(4):
                strip.rect(frame * size[0] + 6, 5, size[0] - 12, size[1] - 10, rgb)
        files[name] = strip

    for i, (key, name) in enumerate(sorted(PHONE_BUTTON_FILES.items())):
        size = {"PHONE_CLS": (16, 16), "PHONE_START": (94, 24), "PHONE_END": (94, 24)}.get(
            key, (60, 24) if key in PHONE_KEYPAD else (44, 20))
        files[name] = button_strip(size[0], size[1], i % 6)
        if key in PHONE_KEYPAD:
            files[name] = keypad_strip(size[0], size[1], key[len("PHONE_"):])
    for name in PHONE_INDICATORS.values():
        files[name] = level_strip(92, 8)
    files["prepaid_ok.bmp"] = button_strip(40, 20, 2)
    files["prepaid_cancel.bmp"] = button_strip(40, 20, 0)
    add_cd_and_clip_strips(files)
    for name, (w, h, kind) in SET_BUTTON_STRIPS.items():
        files[name] = caption_strip(w, h) if kind is None else button_strip(w, h, kind)

    os.makedirs(work, exist_ok=True)
    for old in os.listdir(work):
        os.remove(os.path.join(work, old))
    paths = []
    for name, c in sorted(files.items()):
        path = os.path.join(work, name)
        with open(path, "wb") as f:
            f.write(c.bmp())
        paths.append(path)
    info = os.path.join(work, "NVPCINFO.TXT")
    with open(info, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))
    return [info] + paths


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lhapack", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--archive", required=True)
    args = parser.parse_args()
    paths = build(args.work)
    os.makedirs(os.path.dirname(os.path.abspath(args.archive)), exist_ok=True)
    subprocess.run([args.lhapack, "c", args.archive] + paths, check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
