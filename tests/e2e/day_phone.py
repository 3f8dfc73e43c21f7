"""A call of the day: A rings B on the phone, B answers, they talk (a tone each way through the
test sound device), A presses a key (a touch tone to B), B hangs up, both phones go back to idle.

Both users work their phone windows as a user does: the main window's phone button opens the
panel, the keypad's buttons enter B's communication ID, the start button dials and answers, the
end button hangs up. The sound each side played is read back with sox from the user's speaker
file; the signalling and voice packets on loopback are captured with tshark."""
import signal
import struct
import subprocess

from dayharness import PHONE_TONES, PROFILE_KEY, WORK, user_folder, wait_for

BTN_PHONE = 1024  # the main window's phone button
PHONE_NO = 1359  # the number display
PHONE_STATUS = 1357  # the status line
PHONE_START = 1247
PHONE_END = 1251
KEYPAD = {"0": 1274, "1": 1244, "2": 1245, "3": 1248, "4": 1252, "5": 1255, "6": 1258, "7": 1263, "8": 1266,
          "9": 1270, "*": 1271, "#": 1277}
WM_KEYUP = 0x0101
VK_DELETE = 0x2E
INCOMING = "着>"  # the status line's prefix for the caller of a ringing call
OUTGOING = "発>"  # and for the callee of an outgoing one

# Signalling datagrams (type at byte 12 of the 32-byte header) and their magic.
SIGNAL_MAGIC = 0x69547058
INFO_DTMF, BYE, BYE_RSP = 10, 12, 13

RING_HZ = (1240, 1360)  # the callee's ring tone
TALK_WINDOWS = 4  # how much of the other's voice each hears before B hangs up (quarter seconds)


class Speaker:
    """What a user's test speaker played after a mark, read with sox in quarter-second windows
    (the file grows while the phone plays; its header is only right once the device closes)."""

    WINDOW = 0.25

    def __init__(self, name):
        self.path = user_folder(name) / "speaker.wav"
        self.start = max(44, self.path.stat().st_size if self.path.exists() else 0)
        self.start -= (self.start - 44) % 2
        self.raw = WORK / f"phone-{name}-heard.raw"
        self.windows = []  # (seconds from the mark, rough frequency, RMS)
        self._read = 0  # bytes of the segment already cut into windows

    def listen(self):
        """Cuts what was played since the last call into windows; returns all windows so far."""
        if not self.path.exists():
            return self.windows
        with open(self.path, "rb") as f:
            if f.seek(0, 2) < self.start + self._read:
                # The device began the file again (it opened after the mark): all of it is new.
                self.start, self._read = 44, 0
            f.seek(self.start + self._read)
            data = f.read()
        step = int(8000 * self.WINDOW) * 2
        whole = len(data) // step * step
        if whole:
            self.raw.write_bytes(data[:whole])
            for at in range(0, whole, step):
                self.windows.append(self._window((self._read + at) / 16000, at / 16000))
            self._read += whole
        return self.windows

    def _window(self, when, offset):
        stat = subprocess.run(["sox", "-t", "raw", "-r", "8000", "-e", "signed-integer", "-b", "16", "-c", "1",
                               str(self.raw), "-n", "trim", f"{offset:.3f}", f"{self.WINDOW:.3f}", "stat"],
                              capture_output=True, text=True).stderr
        fields = dict((k.strip(), v.strip()) for k, v in (line.split(":", 1) for line in stat.splitlines() if ":" in line))
        return round(when, 2), float(fields.get("Rough   frequency", 0)), float(fields.get("RMS     amplitude", 0))

    def heard(self, low, high, floor, since=0.0):
        return [w for w in self.listen() if w[0] >= since and low <= w[1] <= high and w[2] >= floor]

    def closed(self):
        """Whether the sound device was closed after the last sound: then the header counts every
        sample in the file."""
        with open(self.path, "rb") as f:
            head = f.read(44)
            size = f.seek(0, 2)
        return len(head) == 44 and struct.unpack("<I", head[40:44])[0] == size - 44


class Capture:
    """tshark on loopback for the two phones' signalling and voice ports."""

    def __init__(self, ports):
        self.file = WORK / "phone-call.pcapng"
        self.log_path = WORK / "phone-tshark.log"
        self.file.unlink(missing_ok=True)
        self.ports = ports
        expression = " or ".join(f"udp port {p}" for p in sorted(ports.values()))
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen(["tshark", "-i", "lo", "-f", expression, "-w", str(self.file)],
                                        stdout=self.log, stderr=subprocess.STDOUT)
        wait_for(lambda: "Capturing on" in self.log_path.read_text() or self.process.poll() is not None, 30,
                 "tshark to capture")
        assert self.process.poll() is None, self.log_path.read_text()

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGINT)  # tshark writes out what it holds
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=20)
        self.log.close()

    def holds(self, predicate):
        """Whether the packets written so far satisfy the predicate (the file may end mid-packet)."""
        try:
            return predicate(self)
        except (subprocess.CalledProcessError, ValueError):
            return False

    def packets(self):
        """(source port, destination port, payload bytes) of every captured datagram."""
        out = subprocess.run(["tshark", "-r", str(self.file), "-T", "fields", "-e", "udp.srcport", "-e",
                              "udp.dstport", "-e", "udp.payload", "-E", "separator=,"],
                             capture_output=True, text=True, check=True).stdout
        rows = []
        for line in out.splitlines():
            src, dst, payload = line.split(",")
            rows.append((int(src), int(dst), bytes.fromhex(payload.replace(":", ""))))
        return rows

    def signals(self, src, dst):
        """The signalling datagrams from one port to another: (type, datagram)."""
        return [(struct.unpack(">H", p[12:14])[0], p) for s, d, p in self.packets()
                if s == src and d == dst and len(p) >= 32 and struct.unpack(">I", p[:4])[0] == SIGNAL_MAGIC]


def directory_datagrams(service, kind):
    return [r for r in service.directory.records if r["kind"] == "datagram" and r["type"] == kind]


def comm_id(user):
    return user.reg_query(PROFILE_KEY + r"\NetInfo", "Comm_id")


def open_phone(user, pid, main):
    """The phone panel on the screen: the main window's phone button slides it out when hidden."""
    phone = user.wait_window("the phone window", pid=pid, cls="#32770", child=PHONE_NO, visible=False)
    if not user.visible(phone):
        user.click(main, BTN_PHONE)
        wait_for(lambda: user.visible(phone), 20, f"{user.name}: the phone window on the screen")
    return phone


def enter_number(user, phone, number):
    """Clears the display with the Delete key and enters the number on the keypad; a phone that
    has not signed in yet takes no digits, so the user tries again until the display shows it."""
    edit = user.child(phone, PHONE_NO)

    def entered():
        user.post(edit, WM_KEYUP, VK_DELETE, 1)
        if not wait_for_text(user, phone, PHONE_NO, ""):
            return False
        for digit in number:
            user.click(phone, KEYPAD[digit])
        # The clicks are posted: the display shows the number once the phone has taken them all.
        return wait_for_text(user, phone, PHONE_NO, number, 10)

    wait_for(entered, 30, f"{user.name}: {number} on the phone's display")


def wait_for_text(user, window, control, text, seconds=5):
    try:
        return wait_for(lambda: user.text(window, control) == text or None, seconds, "text") is not None
    except AssertionError:
        return False


def a_calls_b(day):
    """Step 5: the call from A to B over the stand-in directory server."""
    day.ensure_online("A", "B")
    a, b, service = day.a, day.b, day.service
    ports = service.phone_ports
    comm = {"A": comm_id(a), "B": comm_id(b)}
    assert comm["B"] and comm["B"][0] == "0" and comm["B"][2:4] == "00" and len(comm["B"]) == 16, (
        f"B's communication ID {comm['B']!r} is not one the phone dials")
    capture = Capture({f"{n}_{k}": v for n, p in ports.items() for k, v in p.items()})
    try:
        ears = {"A": Speaker("A"), "B": Speaker("B")}
        phones = {n: open_phone(day.user(n), day.pid(n), day.main(n)) for n in ("A", "B")}
        # Both phones signed in with the directory server under their call IDs at log-in.
        call_ids = {n: service.login.call_ids.by_comm.get(comm[n]) for n in ("A", "B")}
        wait_for(lambda: all(service.directory.units.get(call_ids[n], (0, 0, False))[2] for n in ("A", "B")), 60,
                 "both phones signed in with the directory server")

        # A enters B's communication ID on the keypad and presses start.
        enter_number(a, phones["A"], comm["B"])
        a.shot(phones["A"], "phone_number_entered")
        a.click(phones["A"], PHONE_START)
        # B's phone rings with A's ID; A's shows whom it calls.
        wait_for(lambda: b.text(phones["B"], PHONE_STATUS) == INCOMING + comm["A"], 30,
                 f"B: the incoming call from {comm['A']}")
        # A's phone asked the call service for B's call ID and the directory server for B.
        lookups = [r for r in service.login.requests_of("http-request") if r["path"] == "/menu/NCsrchNCID.cgi"]
        assert any(f"oth_id={comm['B']}" in r["body_latin1"] for r in lookups), lookups
        requests = directory_datagrams(service, "TCALLREQUEST")
        assert [r["digits"] for r in requests][-1:] == [call_ids["B"]], requests
        statuses = {"ringing": {n: day.user(n).text(phones[n], PHONE_STATUS) for n in ("A", "B")}}
        b.shot(phones["B"], "phone_ringing")
        wait_for(lambda: ears["B"].heard(*RING_HZ, 0.05), 20, "B: the ring tone")

        # B answers; each hears the other's microphone tone.
        answered = len(ears["A"].listen()) * Speaker.WINDOW
        b.click(phones["B"], PHONE_START)
        for listener, talker in (("B", "A"), ("A", "B")):
            tone = PHONE_TONES[talker]
            wait_for(lambda: len(ears[listener].heard(tone * 0.94, tone * 1.06, 0.1)) >= TALK_WINDOWS, 30,
                     f"{listener}: a second of {talker}'s {tone} Hz tone over the call")
        low, high = PHONE_TONES["B"] * 0.94, PHONE_TONES["B"] * 1.06
        early = [w for w in ears["A"].heard(low, high, 0.1) if w[0] < answered - Speaker.WINDOW]
        assert not early, f"A heard B's microphone before B answered: {early}"
        a.shot(phones["A"], "phone_in_call")
        statuses["talking"] = {n: day.user(n).text(phones[n], PHONE_STATUS) for n in ("A", "B")}

        # A presses 5 during the call: a touch tone goes to B and the digit joins the display.
        a.click(phones["A"], KEYPAD["5"])
        wait_for(lambda: a.text(phones["A"], PHONE_NO) == comm["B"] + "5", 10, "A: the 5 on the display")

        # B hangs up; both phones go back to idle: the call's lines leave the status lines and
        # both sound devices close.
        b.click(phones["B"], PHONE_END)
        wait_for(lambda: ears["A"].closed() and ears["B"].closed(), 20, "both phones to close their sound devices")
        for user, line in ((a, OUTGOING + comm["B"]), (b, INCOMING + comm["A"])):
            wait_for(lambda: user.text(phones[user.name], PHONE_STATUS) != line, 10,
                     f"{user.name}: the call's line to leave the status line")
            user.shot(phones[user.name], "phone_idle")
        statuses["idle"] = {n: day.user(n).text(phones[n], PHONE_STATUS) for n in ("A", "B")}
        (WORK / "phone-status-lines.txt").write_text(repr(statuses), encoding="utf-8")
        # Still signed in: nobody signed off.
        assert not directory_datagrams(service, "TLOGOFF"), "a phone signed off"
        wait_for(lambda: capture.holds(lambda c: BYE_RSP in [t for t, _ in c.signals(ports["A"]["signal"],
                                                                                 ports["B"]["signal"])]),
                 15, "the end of the call in the capture")
    finally:
        capture.stop()

    # On the wire: voice both ways, A's touch tone 5 to B, B's BYE answered by A.
    voice = {}
    for src, dst, _ in capture.packets():
        voice[(src, dst)] = voice.get((src, dst), 0) + 1
    for talker, listener in (("A", "B"), ("B", "A")):
        count = voice.get((ports[talker]["voice"], ports[listener]["voice"]), 0)
        assert count >= 10, f"{count} voice packets from {talker} to {listener}: {voice}"
    to_b = capture.signals(ports["A"]["signal"], ports["B"]["signal"])
    digits = [chr(struct.unpack(">i", d[40:44])[0] & 0xFF) for t, d in to_b if t == INFO_DTMF and len(d) >= 44]
    assert digits == ["5"], digits
    from_b = [t for t, _ in capture.signals(ports["B"]["signal"], ports["A"]["signal"])]
    assert BYE in from_b, f"B's BYE: B sent {from_b}"
    assert BYE_RSP in [t for t, _ in to_b], f"A's answer to the BYE: A sent {[t for t, _ in to_b]}"
