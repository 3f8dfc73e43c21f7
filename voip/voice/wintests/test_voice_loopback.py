"""Two voice engines in two Wine prefixes (as two library instances need: one registry key, ini
file and log per user) on 127.0.0.2 and 127.0.0.3 exchange a 1 kHz tone both ways through the
test audio device. sox checks what each side heard over the whole call, tshark's RTP dissector
the packets of a capture on the loopback interface.

Wine binds a UDP socket for a local interface address to the any-address (so that broadcasts
arrive), so only one of the two can have port 8995: A, the caller, sends from 8997; B answers on
8995 and, told the wrong port for A, must latch onto the source of A's packets. Sockets bound to
the any-address also send from 127.0.0.1, so the packets are told apart by their ports.

B starts first and stays on longer than A, so that A's whole call is a two-way call; the
capture's clock says when each side sent, and so where the call lies in each side's file (the
test device writes the output's timeline from the moment the device opened)."""
import os
import shutil
import subprocess
import threading
import time
from pathlib import Path


WINE = os.environ.get("NV_WINE", "")
PEER = os.environ.get("VOICE_PEER", "")
WORK = Path(os.environ.get("VOICE_WORK", "/tmp/voice-e2e"))
CALL_MS = 4000
# B's call runs this much longer than A's: A is started once B runs, and Wine takes its time.
B_LEAD_MS = 4000
# A side's first packet leaves when the first 90 ms block of microphone input is complete; the
# output device opened (time 0 of its file) just before the input started.
FIRST_BLOCK_S = 0.09
# Playout begins after the pre-buffer of 9 frames (270 ms), about one packet after the first
# packet arrives; nothing is expected before that.
SETTLE_S = 0.75
WINDOW_S = 0.5
# Every half second of the call must carry sound: the tone is 0.28 RMS, a window with even a
# sixth of it passes, silence (0) does not.
FLOOR_RMS = 0.1


def win(path):
    return "Z:" + str(path)


def sox_stat(wav, start, length):
    out = subprocess.run(["sox", str(wav), "-n", "trim", str(start), str(length), "stat"],
                         capture_output=True, text=True, check=True).stderr
    fields = {}
    for line in out.splitlines():
        if ":" in line:
            k, v = line.split(":", 1)
            fields[k.strip()] = v.strip()
    return float(fields["Rough   frequency"]), float(fields["RMS     amplitude"])


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


def wav_seconds(wav):
    return float(subprocess.run(["soxi", "-D", str(wav)], capture_output=True, text=True, check=True).stdout)


class Peer:
    """voice_peer under Wine; its output lines are collected as they come."""

    def __init__(self, args, env=None):
        self.process = subprocess.Popen([WINE, PEER, *args], env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.lines = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.append(line.rstrip("\n"))

    def started(self):
        return "started" in self.lines

    def finish(self, seconds):
        self.process.wait(timeout=seconds)
        self.reader.join(timeout=seconds)
        return "\n".join(self.lines)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=20)


def check_heard(name, wav, zero, begin, end):
    """The tone in every half second of wav from begin (plus the pre-buffer) to end, both on the
    capture's clock; zero is the capture time of the file's start."""
    first = begin - zero + SETTLE_S
    last = min(end - zero, wav_seconds(wav))
    windows = []
    at = first
    while at + WINDOW_S <= last:
        freq, rms = sox_stat(wav, at, WINDOW_S)
        windows.append((round(at, 2), freq, rms))
        at += WINDOW_S
    print(name, windows)
    assert len(windows) >= 4, f"{name}: only {len(windows)} half seconds of two-way call ({first:.2f}..{last:.2f} s)"
    silent = [w for w in windows if w[2] < FLOOR_RMS]
    assert not silent, f"{name}: no sound in the half seconds starting at {[w[0] for w in silent]} s"
    # The tone itself, at about its level (0.4 peak = 0.28 RMS), in the middle half second of
    # the sorted windows. sox's frequency is a zero-crossing count, which the coder's noise
    # moves by a few percent; a wrong tone or garbage lands far outside this band.
    freq = sorted(w[1] for w in windows)[len(windows) // 2]
    rms = sorted(w[2] for w in windows)[len(windows) // 2]
    assert 900 <= freq <= 1100, (name, freq)
    assert 0.15 <= rms <= 0.35, (name, rms)


def test_tone_travels_both_ways():
    # tools/setup.sh installs both; a missing tool is a failure, not a skip.
    assert WINE and PEER, "run through CTest of the win32 build"
    assert shutil.which("tshark") and shutil.which("sox")
    shutil.rmtree(WORK, ignore_errors=True)
    WORK.mkdir(parents=True)
    tone = WORK / "tone1k.wav"
    seconds = (CALL_MS + B_LEAD_MS) // 1000 + 2
    subprocess.run(["sox", "-n", "-r", "8000", "-c", "1", "-b", "16", str(tone),
                    "synth", str(seconds), "sine", "1000", "vol", "0.4"], check=True)
    prefix_b = Path(WINE).parent / "wineprefix-voice-b"
    env_b = dict(os.environ, NV_WINEPREFIX=str(prefix_b))
    # Make the second prefix before the clock matters (the first time takes a while).
    subprocess.run([WINE, "cmd", "/c", "exit"], env=env_b, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=150)

    capture = WORK / "rtp.pcapng"
    tshark_log = open(WORK / "tshark.log", "w")
    tshark = subprocess.Popen(["tshark", "-i", "lo", "-f", "udp port 8995", "-w", str(capture)],
                              stdout=tshark_log, stderr=subprocess.STDOUT)
    a = b = None
    try:
        wait_for(lambda: "Capturing on" in (WORK / "tshark.log").read_text(), 30, "tshark")
        b = Peer(["--local", "127.0.0.3", "--remote", "127.0.0.2", "--incall", "--remote-port", "8999",
                  "--mic", win(tone), "--out", win(WORK / "heard-by-b.wav"),
                  "--ms", str(CALL_MS + B_LEAD_MS)], env=env_b)
        wait_for(lambda: b.started() or b.process.poll() is not None, 60, "B to start")
        assert b.started(), b.lines
        a = Peer(["--local", "127.0.0.2", "--port", "8997", "--remote", "127.0.0.3",
                  "--mic", win(tone), "--out", win(WORK / "heard-by-a.wav"),
                  "--ms", str(CALL_MS)])
        out_a = a.finish(60)
        out_b = b.finish(60)
    finally:
        for peer in (a, b):
            if peer:
                peer.kill()
        # The last datagrams reach the capture: wait until the file stops growing.
        sizes = []

        def capture_settled():
            sizes.append(capture.stat().st_size if capture.exists() else -1)
            return len(sizes) >= 3 and sizes[-1] == sizes[-2] == sizes[-3]

        try:
            wait_for(capture_settled, 5, "the capture to settle")
        except AssertionError:
            pass  # what was captured is checked below
        tshark.terminate()
        tshark.wait(timeout=20)
        tshark_log.close()
    print(out_a, out_b)
    assert a.process.returncode == 0 and b.process.returncode == 0
    assert "started" in out_a and "started" in out_b

    # The packets as an RTP dissector sees them.
    fields = subprocess.run(
        ["tshark", "-r", str(capture), "-d", "udp.port==8995,rtp", "-T", "fields",
         "-e", "udp.srcport", "-e", "udp.dstport", "-e", "rtp.version", "-e", "rtp.p_type", "-e", "rtp.seq",
         "-e", "rtp.timestamp", "-e", "rtp.ssrc", "-e", "udp.length", "-e", "frame.time_epoch",
         "-E", "separator=,"],
        capture_output=True, text=True, check=True).stdout
    by_source = {}
    for line in fields.splitlines():
        src, dst, version, ptype, seq, ts, ssrc, udplen, when = line.split(",")
        by_source.setdefault(src, []).append((dst, int(version), int(ptype), int(seq), int(ts),
                                              int(ssrc, 16), int(udplen), float(when)))
    assert set(by_source) == {"8997", "8995"}
    for src, packets in by_source.items():
        packets.sort(key=lambda p: p[3])
        assert len(packets) >= (CALL_MS // 90) - 8, src
        for i, (dst, version, ptype, seq, ts, ssrc, udplen, _) in enumerate(packets):
            assert (version, ptype, ssrc) == (2, 4, 204)
            assert seq == i, "sequence numbers from 0 without gaps"
            assert ts == 720 * seq, "timestamps in steps of 720"
            assert udplen == 8 + 12 + 72, "three 24-byte frames per packet"
        destinations = [p[0] for p in packets]
        if src == "8997":
            assert set(destinations) == {"8995"}
        else:
            # B sends to the signalled port until A's first packet arrives, then follows A.
            latched = destinations.index("8997")
            assert set(destinations[:latched]) <= {"8999"}
            assert set(destinations[latched:]) == {"8997"}
            assert len(destinations) - latched >= (CALL_MS // 90) - 12

    # What each side heard, over the whole of the two-way call: from A's first packet (B already
    # runs) to A's last (B still runs), placed in each file by that side's own first packet.
    sent = {src: (min(p[7] for p in packets), max(p[7] for p in packets)) for src, packets in by_source.items()}
    (a_first, a_last), (b_first, b_last) = sent["8997"], sent["8995"]
    assert b_first < a_first and a_last < b_last, "B's call spans A's"
    check_heard("heard-by-a.wav", WORK / "heard-by-a.wav", a_first - FIRST_BLOCK_S, a_first, a_last)
    check_heard("heard-by-b.wav", WORK / "heard-by-b.wav", b_first - FIRST_BLOCK_S, a_first, a_last)
