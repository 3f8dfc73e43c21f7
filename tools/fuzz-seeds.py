#!/usr/bin/python3
"""Writes the seed corpora of the fuzz targets from real inputs: what the test peers send, what
our own tools write, and files made by independent writers (Python's wave, aifc, sunau, sqlite3
and codecs modules).

    tools/fuzz-seeds.py [--build build/native] [TARGET...]

Each target's generated seeds replace the files of the same names in its seed folder; other files
there (hand-made edge cases) stay. Seeds are kept small: the fuzzer grows them itself. Some seeds
need programs of the native build (lhapack, nv_zobtool, qelo_voice_seeds); build it first.
Nothing that a fuzz run writes belongs in the seed folders: this script is their only writer
besides hand edits.
"""
import argparse
import codecs
import importlib.util
import io
import os
import shutil
import socket
import sqlite3
import struct
import subprocess
import sys
import tempfile
import wave
import warnings

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "peers"))

from nvpeers import account_forms, chat_script, pm_codec, voip_directory  # noqa: E402

with warnings.catch_warnings():
    warnings.simplefilter("ignore", DeprecationWarning)
    import aifc  # noqa: E402
    import sunau  # noqa: E402

SEEDS = {}


def seeds(target, folder):
    """Registers a generator of {name: bytes} for target's seed folder (relative to the root)."""
    def register(fn):
        SEEDS[target] = (folder, fn)
        return fn
    return register


def load_module(path, name):
    spec = importlib.util.spec_from_file_location(name, os.path.join(ROOT, path))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


# --------------------------------------------------------------------------------------------
# Chat: the server's side of whole sessions, as the harness takes them: a first byte (bit 0: the
# connection goes through a proxy), then pieces of 1..64 bytes, each after a byte holding its
# length - 1. A piece ending in 0xFF fires the idle timer, 0xFE leaves the room, 0xFD sends a line,
# 0xFC makes the socket fail, 0xFB fires the leave timer, 0xFA ends the connection.

def chat_pieces(stream, proxy=False, size=48):
    out = bytearray([1 if proxy else 0])
    for at in range(0, len(stream), size):
        piece = stream[at:at + size]
        out.append(len(piece) - 1)
        out += piece
    return bytes(out)


def script_stream(script):
    return b"".join(step[1] for step in script if step[0] == "send")


@seeds("fuzz_chat_block", "chat_web/engine/fuzz/corpus_block")
def chat_blocks(args):
    out = {}
    session = script_stream(chat_script.SCRIPTS["enter-and-chat"]())
    out["session"] = chat_pieces(session)
    out["session_lf_only"] = chat_pieces(session.replace(b"\r\n", b"\n"), size=7)
    out["proxy_session"] = chat_pieces(b"HTTP/1.0 200 Connection established\r\nProxy-agent: tinyproxy\r\n\r\n"
                                       + session, proxy=True)
    out["proxy_refused"] = chat_pieces(b"HTTP/1.0 407 Proxy Authentication Required\r\n"
                                       b"Proxy-Authenticate: Basic realm=\"proxy\"\r\n\r\n", proxy=True)
    out["proxy_not_http"] = chat_pieces(b"SSH-2.0-OpenSSH\r\n", proxy=True)
    for numeric in (401, 403, 422, 431, 432, 433, 471, 475):
        script = chat_script.SCRIPTS["welcome-then-refuse"](numeric)
        out["refused_%d" % numeric] = chat_pieces(script_stream(script))
    enter = script_stream(chat_script.enter_room())
    motd = (b":irc.test 375 taro :- irc.test Message of the day -\r\n"
            b":irc.test 372 taro :- \x1b$B$h$&$3$=\x1b(B\r\n:irc.test 376 taro :End of MOTD\r\n")
    out["motd"] = chat_pieces(script_stream([("send", chat_script.WELCOME)]) + motd + enter)
    # In the room: others come and go, one is kicked, then we are; the server pings.
    room = (b":irc.test 353 taro = #lobby :@hanako taro jiro\r\n:irc.test 366 taro #lobby :End\r\n"
            b":jiro!~j@localhost JOIN :#lobby\r\n:jiro!~j@localhost PART #lobby\r\n"
            b"PING :irc.test\r\n:hanako!~h@localhost KICK #lobby jiro :bye\r\n"
            b":saburo!~s@localhost QUIT :Quit: gone\r\n:irc.test 482 taro #lobby :not op\r\n"
            b":hanako!~h@localhost KICK #lobby taro :\x1b$B$5$h$&$J$i\x1b(B\r\n"
            b"ERROR :Closing connection\r\n")
    out["room_kick"] = chat_pieces(enter + room, size=29)
    # Leaving on our own (0xFE ends a piece: Part), then the server's goodbye.
    leave = bytearray(chat_pieces(enter))
    leave += bytes([0]) + b"\xfe" + bytes([len(b"ERROR :Closing link\r\n") - 1]) + b"ERROR :Closing link\r\n"
    out["leave"] = bytes(leave)
    # In the room the user sends a line with a CR LF in it (0xFD), then the server falls quiet and
    # the idle timer fires (0xFF).
    quiet = bytearray(chat_pieces(enter))
    quiet += bytes([0]) + b"\xfd" + bytes([0]) + b"\xff"
    out["send_then_idle"] = bytes(quiet)
    # The socket fails (0xFC) and the server pings: the answer can't be sent.
    broken = bytearray(chat_pieces(enter))
    broken += bytes([0]) + b"\xfc" + bytes([len(b"PING :irc.test\r\n") - 1]) + b"PING :irc.test\r\n"
    out["ping_on_broken_socket"] = bytes(broken)
    # Leaving, with no goodbye from the server before the leave timer (0xFB).
    late = bytearray(chat_pieces(enter))
    late += bytes([0]) + b"\xfe" + bytes([0]) + b"\xfb"
    out["leave_timer"] = bytes(late)
    out["error_before_welcome"] = chat_pieces(b"ERROR :Closing link: (taro@127.0.0.1) [Access denied]\r\n")
    return out


@seeds("fuzz_chat_jis", "chat_web/engine/fuzz/corpus_jis")
def chat_jis(args):
    texts = {
        "greeting": "こんにちは、世界。",
        "mixed": "abc カタカナ 漢字 123 ｘｙｚ",
        "symbols": "①■◆〒※→「」『』",
        "line": ":hanako!~h@localhost PRIVMSG #lobby :今日はいい天気ですね\r\n",
    }
    out = {name: text.encode("iso2022_jp_2004" if name == "symbols" else "iso2022_jp", "replace")
           for name, text in texts.items()}
    out["jis78"] = "旧い漢字".encode("iso2022_jp").replace(b"\x1b$B", b"\x1b$@").replace(b"\x1b(B", b"\x1b(J")
    out["euc"] = "日本語テキスト".encode("euc_jp")
    out["unterminated"] = "途中で".encode("iso2022_jp")[:-3]
    return out


# --------------------------------------------------------------------------------------------
# Messaging wire: records, frames and attachment packages of the Python codec.

def sample_records():
    h = pm_codec.header
    t = 1700000000
    return {
        "result": dict(h(pm_codec.RESULT, 1, b"10001", 7), first=0, second=3),
        "message": dict(h(pm_codec.MESSAGE, 2, b"10001", 7), partner_id=pm_codec.field16(b"20002"),
                        partner_name=pm_codec.field16("花子".encode("cp932")), time=t, number=5, attributes=1,
                        file_flag=0, file_length=0, text="こんにちは\r\nまた明日".encode("cp932")),
        "message_file": dict(h(pm_codec.MESSAGE, 3, b"10001", 7), partner_id=pm_codec.field16(b"20002"),
                             partner_name=pm_codec.field16(b"jiro"), time=t, number=6, attributes=5,
                             file_flag=1, file_length=1234, text=b"see the file"),
        "list": dict(h(pm_codec.MESSAGE_LIST, 4, b"10001", 7), entries=[
            dict(sender_id=pm_codec.field16(b"2000%d" % i), sender_name=pm_codec.field16(b"user%d" % i),
                 number=i, time=t + i, attributes=i & 3) for i in range(3)]),
        "list_request": h(pm_codec.LIST_REQUEST, 5, b"10001", 7),
        "fetch": dict(h(pm_codec.FETCH, 6, b"10001", 7), value=5),
        "list_query": dict(h(pm_codec.LIST_QUERY, 7, b"10001", 7), kind=1, page=2),
        "page": dict(h(pm_codec.LIST_PAGE, 8, b"10001", 7), total=40, entries=[
            dict(data=("利用者%d" % i).encode("cp932").ljust(32, b"\0"), value=i) for i in range(2)]),
        "url": dict(h(pm_codec.URL_TEXT, 9, b"10001", 7), text=b"http://127.0.0.1/pm/get?n=5"),
        "session_start": h(pm_codec.SESSION_START, 10, b"10001", 0),
        "presence": dict(h(pm_codec.PRESENCE, 11, b"10001", 7), value=1),
    }


@seeds("fuzz_pm_records", "messaging/wire/fuzz/corpus_records")
def pm_records(args):
    return {"rec_" + name: pm_codec.encode(rec) for name, rec in sample_records().items()}


@seeds("fuzz_pm_frame", "messaging/wire/fuzz/corpus_frame")
def pm_frames(args):
    out = {}
    for name, rec in sample_records().items():
        payload = pm_codec.encode(rec)
        out["frame_" + name] = pm_codec.build_frame(payload, seed=0x12345678 + len(name), scrambled=True)
    out["frame_plain_message"] = pm_codec.build_frame(pm_codec.encode(sample_records()["message"]), scrambled=False)
    return out


# The server's stream as the stream target takes it: a mode byte (bit 0 framed, bit 1 the 4 KB
# limit), a byte for the chunk size - 1, then the records or frames one after another.
@seeds("fuzz_pm_stream", "messaging/client/fuzz/corpus_stream")
def pm_stream(args):
    records = sample_records()
    bare = b"".join(pm_codec.encode(records[name]) for name in (
        "result", "message", "message_file", "list", "list_request", "fetch", "page", "session_start", "presence"))
    frames = b"".join(pm_codec.build_frame(pm_codec.encode(rec), seed=0x2468ACE0 + i, scrambled=True)
                      for i, rec in enumerate(records.values()))
    return {
        "bare_replies": b"\x00\x06" + bare,
        "bare_whole_4k": b"\x02\x3f" + bare,
        "bare_then_unknown": b"\x00\x00" + pm_codec.encode(records["result"]) + pm_codec.encode(records["url"]),
        "framed_replies": b"\x01\x0c" + frames,
        "framed_whole_4k": b"\x03\x3f" + frames,
    }


@seeds("fuzz_attach_pack", "messaging/wire/fuzz/corpus_attach")
def attach_packages(args):
    return {
        "pack_two": pm_codec.build_package([(b"a.txt", b"hello\r\n"), ("写真.jpg".encode("cp932"), bytes(range(40)))]),
        "pack_folder_names": pm_codec.build_package([(b"C:\\temp\\note.txt", b"x"), (b"dir/sub/b.bin", b"\0\1")]),
        "pack_dbcs_backslash": pm_codec.build_package([("表\\示.txt".encode("cp932"), b"dbcs")]),
        "pack_empty_entry": pm_codec.build_package([(b"zero.dat", b""), (b"one.dat", b"1")]),
    }


# --------------------------------------------------------------------------------------------
# VoIP signalling: the directory server's and the proxy's datagrams. The harness picks which
# request waits for an answer from the last byte (mod 5), so each reply comes with the byte that
# makes the client wait for it.

@seeds("fuzz_qelo_signal", "voip/core/fuzz/corpus_signal")
def signal(args):
    vd = voip_directory
    mid = bytes(range(16))
    replies = {
        # 0: sign-in as a new unit (first-time registration), 1: sign-in of a known unit,
        # 2: sign-out, 3: call request.
        "first_ack": (vd.first_time_ack("1001", 0, message_id=mid), 0),
        "first_ack_account": (vd.first_time_ack("1002", vd.WITH_ACCOUNT, "gw1002", "pw1002", mid), 0),
        "first_ack_refused": (vd.first_time_ack("", 1, message_id=mid), 0),
        "reg_ack": (vd.registration_ack(0, mid), 1),
        "reg_ack_refused": (vd.registration_ack(1, mid), 1),
        "logoff_ack": (vd.logoff_ack(mid), 2),
        "call_ack_pc": (vd.call_request_ack(600, "127.0.0.1", "127.0.0.1", mid), 3),
        "call_ack_phone": (vd.call_request_ack(100, "127.0.0.2", "127.0.0.3", mid), 3),
        "call_ack_absent": (vd.call_request_ack(-1, "0.0.0.0", "0.0.0.0", mid), 3),
        "invite_1xx": (vd.header(2, mid), 4),
        "invite_2xx": (vd.invite_2xx("127.0.0.1", mid), 4),
        "invite_2xx_credit": (vd.invite_2xx("127.0.0.1", mid, "500,180"), 4),
        "bye_rsp": (vd.message(13, struct.pack(">HHii", 12, 2, -1, -1) + bytes(8), mid), 4),
    }
    out = {}
    for name, (datagram, wait) in replies.items():
        # The byte is appended unless the datagram already ends in one that picks the same; the
        # readers take what they need and never the total length field's word for it.
        out["dir_" + name] = datagram if datagram[-1] % 5 == wait else datagram + bytes([wait])
    # Call datagrams the other side sends, laid out as the body readers read them.
    out["call_invite"] = vd.message(1, struct.pack(">H", 8) + socket.inet_aton("127.0.0.1") + struct.pack(">H", 8995)
                                    + struct.pack(">H", 12) + vd.field("1001", 48) + b"\1" + bytes(51)
                                    + vd.field("2002", 32))
    reason = "話し中".encode("cp932")
    out["call_invite_4xx"] = vd.message(4, struct.pack(">HH", 0, len(reason)) + reason + struct.pack(">i", 186))
    out["call_bye_credit"] = vd.message(12, struct.pack(">HHii", 12, 3, 120, 60) + bytes(4) + vd.field("timeout", 32))
    out["call_dtmf"] = vd.message(10, struct.pack(">HHHHi", 0, 1, 2, 0, 5))
    return out


# --------------------------------------------------------------------------------------------
# Service replies and files of the account forms peer.

@seeds("fuzz_service_fields", "net/forms/fuzz/corpus_service_fields")
def service_fields(args):
    af = account_forms
    return {
        "peer_ok_reply": af.OK_REPLY,
        "peer_ng_reply": af.NG_REPLY,
        "peer_long_reply": b"00:1.0\r\n01:OK\r\n15:" + b"x" * 300 + b"\r\n17:LONGID\r\n",
        "all_fields": b"".join(b"%s %s\r\n" % (key.encode(), value) for key, value in (
            ("00:", b"1.0"), ("01:", b"OK"), ("02:", b"PC-Client"), ("03:", b"login"), ("04:", b"pw"),
            ("05:", b"127.0.0.1"), ("06:", b"127.0.0.2"), ("07:", b"0120-000-000"), ("08:", b"2"), ("09:", b"3"),
            ("10:", b"a@example.com"), ("11:", b"pop"), ("12:", b"pop.host"), ("13:", b"popw"),
            ("14:", b"smtp.host"), ("15:", b""), ("16:", b""), ("17:", b"ID"), ("18:", b"PW"),
            ("19:", "名前".encode("cp932")), ("32:", b"5"))),
        "cni_call_client": b"00:1.0\r\n01:OK\r\n02:Nimbocall-Client\r\n30:ap\r\n31:0120\r\n",
        "br_lines": b"00:1.0<br>01:NG<br>98:\n<b>refused</b> (98765)<br>\n99:<br>",
    }


@seeds("fuzz_call_reply", "net/forms/fuzz/corpus_call_reply")
def call_reply(args):
    af = account_forms
    return {
        "peer_signup": af.CALL_HEAD % (b"0x0202", b"me") + b"nc_id:81012345\r\n",
        "peer_unsignup": af.CALL_HEAD % (b"0x0204", b"me") + b"oth_id:81012345\r\n",
        "error_code": (af.CALL_HEAD % (b"0x0202", b"me")).replace(b"errno:0", b"errno:1F"),
    }


# --------------------------------------------------------------------------------------------
# Skins: the base skin's NVPCINFO.TXT and its values.

def base_skin_lines():
    baseskin = load_module("resources/skin/make_baseskin.py", "make_baseskin")
    with tempfile.TemporaryDirectory() as work:
        paths = baseskin.build(work)
        with open(paths[0], "rb") as f:
            return f.read()


@seeds("fuzz_skin_info", "shell/common/skin/fuzz/corpus_info")
def skin_info(args):
    text = base_skin_lines()
    lines = text.split(b"\r\n")
    out = {"baseskin_head": b"\r\n".join(lines[:40]) + b"\r\n",
           "baseskin_tail": b"\r\n".join(lines[-40:])}
    # A hand-made skin: LF line ends, comments, a prefix-only key, a learned line of another case.
    out["handmade"] = (b"FILE_VERSION=130\n; made by hand\nMAIN_CLS=1,2,3,4\nMAIN_LOGIN10,10,40,20:1\n"
                       b"rgn_main=1:0,0,5,5:\nRGN_MAIN=1:0,0,8,8:\nCTRLD_MAIN=5,5:N\n"
                       b"WBG_TRANSEPARENT=255,0,255\n")
    return out


def skin_values(prefixes):
    values = []
    for line in base_skin_lines().split(b"\r\n"):
        key, _, value = line.partition(b"=")
        if any(key.startswith(p) for p in prefixes) and value:
            values.append(value)
    return values


@seeds("fuzz_skin_region_value", "toolkit/core/fuzz/corpus_region_value")
def skin_regions(args):
    values = sorted(skin_values([b"RGN_"]), key=len)
    return {"baseskin_%d" % i: v for i, v in enumerate(values[:3] + values[-1:]) if len(v) < 3000}


@seeds("fuzz_skin_resize_parts", "toolkit/core/fuzz/corpus_resize_parts")
def skin_resize(args):
    return {"baseskin_%d" % i: v for i, v in enumerate(skin_values([b"RESIZE_"]))}


@seeds("fuzz_skin_title", "toolkit/core/fuzz/corpus_title")
def skin_title(args):
    return {"baseskin_%d" % i: v for i, v in enumerate(skin_values([b"VYRNTALK_LOG_USER_TITLE", b"MEMO_TITLE"]))}


@seeds("fuzz_skin_placement", "toolkit/core/fuzz/corpus_placement")
def skin_placement(args):
    values = skin_values([b"CTRLD_"])
    return {"baseskin_%d" % i: v for i, v in enumerate(values[:4])}


# --------------------------------------------------------------------------------------------
# Sound files: Python's writers, and ZOB files of our encoder.

def tone(frames, channels, width, rate=8000):
    import math
    data = bytearray()
    for i in range(frames):
        v = int(12000 * math.sin(2 * math.pi * 440 * i / rate))
        for c in range(channels):
            s = v if c == 0 else -v
            if width == 1:
                data.append((s >> 8) + 128)
            else:
                data += struct.pack("<h", s)
    return bytes(data)


def wav_bytes(frames, channels, width, rate=8000):
    buffer = io.BytesIO()
    with wave.open(buffer, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(width)
        w.setframerate(rate)
        w.writeframes(tone(frames, channels, width, rate))
    return buffer.getvalue()


def aiff_file(frames, channels, width, rate=8000):
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "t.aif")
        pcm = tone(frames, channels, width, rate)
        if width == 2:
            pcm = b"".join(struct.pack(">h", s) for (s,) in struct.iter_unpack("<h", pcm))
        else:
            pcm = bytes((b - 128) & 0xFF for b in pcm)
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)
            w = aifc.open(path, "wb")
            w.aiff()
            w.setnchannels(channels)
            w.setsampwidth(width)
            w.setframerate(rate)
            w.writeframes(pcm)
            w.close()
        with open(path, "rb") as f:
            return f.read()


def snd_file(frames, channels, width, rate=8000):
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "t.au")
        pcm = tone(frames, channels, width, rate)
        if width == 2:
            pcm = b"".join(struct.pack(">h", s) for (s,) in struct.iter_unpack("<h", pcm))
        else:
            pcm = bytes((b - 128) & 0xFF for b in pcm)
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)
            w = sunau.open(path, "wb")
            w.setnchannels(channels)
            w.setsampwidth(width)
            w.setframerate(rate)
            w.setcomptype("NONE", "not compressed")
            w.writeframes(pcm)
            w.close()
        with open(path, "rb") as f:
            return f.read()


def with_list_chunk(wav):
    """A WAV whose fmt and data chunks are separated by an odd-sized LIST chunk (padded)."""
    fmt_end = 12 + 8 + struct.unpack_from("<I", wav, 16)[0]
    extra = b"LIST" + struct.pack("<I", 5) + b"INFOx" + b"\0"
    body = wav[12:fmt_end] + extra + wav[fmt_end:]
    return b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body


@seeds("fuzz_wave_header", "phone_media/audiofile/fuzz/corpus_wave_header")
def wave_headers(args):
    return {
        "py_s16_mono.wav": wav_bytes(40, 1, 2),
        "py_u8_stereo.wav": wav_bytes(40, 2, 1, 11025),
        "py_s16_stereo_list.wav": with_list_chunk(wav_bytes(20, 2, 2, 22050)),
        "py_s16_mono.aif": aiff_file(40, 1, 2),
        "py_s8_stereo.aif": aiff_file(40, 2, 1, 44100),
    }


@seeds("fuzz_voice_tone_file", "voip/voice/fuzz/corpus_tone")
def tone_files(args):
    return {"py_tone.wav": wav_bytes(30, 1, 2), "py_tone_list.wav": with_list_chunk(wav_bytes(10, 1, 2))}


@seeds("fuzz_zob_decoder", "phone_media/zob/fuzz/corpus_decoder")
def zob_streams(args):
    out = {"py_s16_stereo.wav": wav_bytes(60, 2, 2), "py_s16.aif": aiff_file(60, 1, 2),
           "py_s16.au": snd_file(60, 1, 2), "py_s8_stereo.au": snd_file(60, 2, 1)}
    tool = os.path.join(args.build, "phone_media", "zob", "nv_zobtool")
    if os.path.exists(tool):
        with tempfile.TemporaryDirectory() as d:
            for name, data in (("ours_mono", wav_bytes(300, 1, 2)), ("ours_stereo_8bit", wav_bytes(300, 2, 1))):
                src, dst = os.path.join(d, name + ".wav"), os.path.join(d, name + ".zob")
                with open(src, "wb") as f:
                    f.write(data)
                subprocess.run([tool, "encode", src, dst], check=True, env=dict(os.environ, ASAN_OPTIONS="detect_leaks=0"))
                with open(dst, "rb") as f:
                    out[name + ".zob"] = f.read()
    else:
        print("fuzz_zob_decoder: no %s, ZOB seeds kept as they are" % tool)
    return out


# --------------------------------------------------------------------------------------------
# LHA: archives of our packer; raw -lh5- streams out of them for the stream target.

def lha_members():
    text = b" ".join([b"skin", b"region", b"bitmap", b"\x82\xa0\x82\xa2", b"\r\n"] * 60)
    return {"NVPCINFO.TXT": base_skin_lines()[:1500], "text.txt": text, "zeros.bin": bytes(3000),
            "tiny.txt": b"a"}


def lhapack(args, members):
    tool = os.path.join(args.build, "platform", "unlha32", "lhapack")
    if not os.path.exists(tool):
        print("no %s: build the native preset first" % tool)
        return None
    with tempfile.TemporaryDirectory() as d:
        paths = []
        for name, data in members.items():
            paths.append(os.path.join(d, name))
            with open(paths[-1], "wb") as f:
                f.write(data)
        archive = os.path.join(d, "out.lzh")
        subprocess.run([tool, "c", archive] + paths, check=True, env=dict(os.environ, ASAN_OPTIONS="detect_leaks=0"))
        with open(archive, "rb") as f:
            return f.read()


def level2_members(archive):
    """(method, original size, packed bytes) of each member of a level-2 archive."""
    at, out = 0, []
    while at + 24 <= len(archive) and archive[at] | archive[at + 1]:
        header_size = struct.unpack_from("<H", archive, at)[0]
        method = archive[at + 2:at + 7]
        packed, original = struct.unpack_from("<II", archive, at + 7)
        out.append((method, original, archive[at + header_size:at + header_size + packed]))
        at += header_size + packed
    return out


@seeds("fuzz_lha_reader", "platform/unlha32/fuzz/corpus_reader")
def lha_archives(args):
    archive = lhapack(args, lha_members())
    return {"ours_l2_mixed.lzh": archive} if archive else {}


@seeds("fuzz_lha_stream", "platform/unlha32/fuzz/corpus_stream")
def lha_streams(args):
    archive = lhapack(args, lha_members())
    if not archive:
        return {}
    out = {}
    for i, (method, original, packed) in enumerate(level2_members(archive)):
        if method != b"-lh5-" or original >= 1 << 14:
            continue
        # First byte: dictionary choice (0 = 13 bits) and the size's low 6 bits; second: the rest.
        out["ours_lh5_%d" % i] = bytes([(original & 63) << 2, original >> 6]) + packed
    return out


# --------------------------------------------------------------------------------------------
# Voice: frames and RTP packets of our own encoder (qelo_voice_seeds writes them).

def voice_tool(args, kind):
    tool = os.path.join(args.build, "voip", "voice", "qelo_voice_seeds")
    if not os.path.exists(tool):
        print("no %s: build the native preset first" % tool)
        return {}
    with tempfile.TemporaryDirectory() as d:
        subprocess.run([tool, kind, d], check=True, env=dict(os.environ, ASAN_OPTIONS="detect_leaks=0"))
        out = {}
        for name in sorted(os.listdir(d)):
            with open(os.path.join(d, name), "rb") as f:
                out[name] = f.read()
        return out


@seeds("fuzz_sx5363_decode", "platform/sx5363s/tests/corpus")
def sx5363_frames(args):
    return voice_tool(args, "frames")


@seeds("fuzz_voice_decode_frames", "voip/voice/fuzz/corpus_frames")
def voice_frames(args):
    return voice_tool(args, "split")


@seeds("fuzz_voice_receive", "voip/voice/fuzz/corpus_receive")
def voice_receive(args):
    return voice_tool(args, "receive")


# --------------------------------------------------------------------------------------------
# The message database: files written by Python's own SQLite with the store's layout, and what
# may lie under the database's name instead.

STORE_TABLES = None


def store_schema():
    """The CREATE statements of a database written by our store (the seed store-v1.db)."""
    path = os.path.join(ROOT, "messaging", "store", "fuzz", "corpus", "store-v1.db")
    db = sqlite3.connect("file:%s?mode=ro" % path, uri=True)
    try:
        return [sql for (sql,) in db.execute("SELECT sql FROM sqlite_schema WHERE sql IS NOT NULL AND name NOT LIKE 'sqlite_%' ORDER BY rowid")]
    finally:
        db.close()


def database(statements, page_size=512, journal=None):
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "x.db")
        db = sqlite3.connect(path)
        db.execute("PRAGMA page_size = %d" % page_size)
        if journal:
            db.execute("PRAGMA journal_mode = %s" % journal)
        for sql in statements:
            db.execute(sql)
        db.commit()
        if journal:
            db.execute("PRAGMA journal_mode = DELETE")
        db.close()
        with open(path, "rb") as f:
            return f.read()


@seeds("fuzz_msgstore_open", "messaging/store/fuzz/corpus")
def store_files(args):
    schema = store_schema()
    out = {
        "py_store_rows.db": database(schema + [
            "PRAGMA user_version = 1",
            "INSERT INTO vyrnmsg (CommID, Date) VALUES ('10001', 1700000000)"]),
        "py_newer_version.db": database(schema + ["PRAGMA user_version = 99"]),
        "py_trigger.db": database(schema + ["CREATE TRIGGER t AFTER INSERT ON vyrnmsg BEGIN SELECT 1; END"]),
        "py_view.db": database(schema + ["CREATE VIEW v AS SELECT 1"]),
        "py_foreign.db": database(["CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT)"]),
        "py_missing_column.db": database([s.replace("CommID", "Other", 1) if s.startswith("CREATE TABLE vyrnmsg")
                                          else s for s in schema if not s.startswith("CREATE INDEX")]),
        "py_wal_store.db": database(schema, journal="WAL"),
    }
    # Messages with attachments, two of whose names lead out of the attachment folder.
    out["py_attachments.db"] = database(schema + [
        "PRAGMA user_version = 1",
        "INSERT INTO vyrnuser VALUES ('fuzz', 'name', 'memo', '2020-01-01 00:00:00')",
        "INSERT INTO vyrnmsg VALUES (1, 1, 'fuzz', '2020-01-01 10:00:00', 'old', 1)",
        "INSERT INTO vyrnmsg VALUES (2, 0, 'fuzz', '2027-03-01 10:00:00', 'new', 2)",
        "INSERT INTO vyrnmsg VALUES (3, 0, 'other', '2019-05-05 10:00:00', x'82a0', 4)",
        "INSERT INTO vyrnattach VALUES (1, 'SOU1.TMP')",
        "INSERT INTO vyrnattach VALUES (2, '../../sentinel.txt')",
        "INSERT INTO vyrnattach VALUES (3, '..\\..\\sentinel.txt')"])
    page = out["py_store_rows.db"]
    # A page of the table's tree overwritten: the integrity check has to find it.
    damaged = bytearray(page)
    if len(damaged) > 1100:
        damaged[1024 + 8:1024 + 40] = b"\xff" * 32
    out["py_damaged_page.db"] = bytes(damaged)
    out["py_truncated.db"] = page[:700]
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "native"))
    parser.add_argument("targets", nargs="*")
    args = parser.parse_args()
    unknown = [t for t in args.targets if t not in SEEDS]
    if unknown:
        parser.error("no seed generator for %s (known: %s)" % (", ".join(unknown), ", ".join(sorted(SEEDS))))
    for target in args.targets or sorted(SEEDS):
        folder, fn = SEEDS[target]
        written = fn(args)
        path = os.path.join(ROOT, folder)
        os.makedirs(path, exist_ok=True)
        for name, data in sorted(written.items()):
            with open(os.path.join(path, name), "wb") as f:
                f.write(data)
        print("%-26s %2d seed(s) in %s (%d bytes)" % (target, len(written), folder, sum(map(len, written.values()))))


if __name__ == "__main__":
    main()
