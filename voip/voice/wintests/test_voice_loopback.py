"""Two voice engines in two Wine prefixes (as two library instances need: one registry key, ini
file and log per user) on 127.0.0.2 and 127.0.0.3 exchange a 1 kHz tone both ways through the
test audio device. sox checks what each side heard, tshark's RTP dissector the packets of a
capture on the loopback interface.

Wine binds a UDP socket for a local interface address to the any-address (so that broadcasts
arrive), so only one of the two can have port 8995: A, the caller, sends from 8997; B answers on
8995 and, told the wrong port for A, must latch onto the source of A's packets. Sockets bound to
the any-address also send from 127.0.0.1, so the packets are told apart by their ports."""
import os
import shutil
import subprocess
import time
from pathlib import Path


WINE = os.environ.get("NV_WINE", "")
PEER = os.environ.get("VOICE_PEER", "")
WORK = Path(os.environ.get("VOICE_WORK", "/tmp/voice-e2e"))
CALL_MS = 4000


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


def test_tone_travels_both_ways():
    # tools/setup.sh installs both; a missing tool is a failure, not a skip.
    assert WINE and PEER, "run through CTest of the win32 build"
    assert shutil.which("tshark") and shutil.which("sox")
    shutil.rmtree(WORK, ignore_errors=True)
    WORK.mkdir(parents=True)
    tone = WORK / "tone1k.wav"
    subprocess.run(["sox", "-n", "-r", "8000", "-c", "1", "-b", "16", str(tone),
                    "synth", "6", "sine", "1000", "vol", "0.4"], check=True)
    prefix_b = Path(WINE).parent / "wineprefix-voice-b"
    env_b = dict(os.environ, NV_WINEPREFIX=str(prefix_b))
    # Make the second prefix before the clock matters (the first time takes a while).
    subprocess.run([WINE, "cmd", "/c", "exit"], env=env_b, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=150)

    capture = WORK / "rtp.pcapng"
    tshark_log = open(WORK / "tshark.log", "w")
    tshark = subprocess.Popen(["tshark", "-i", "lo", "-f", "udp port 8995", "-w", str(capture)],
                              stdout=tshark_log, stderr=subprocess.STDOUT)
    try:
        wait_for(lambda: "Capturing on" in (WORK / "tshark.log").read_text(), 30, "tshark")
        b = subprocess.Popen([WINE, PEER, "--local", "127.0.0.3", "--remote", "127.0.0.2", "--incall",
                              "--remote-port", "8999",
                              "--mic", win(tone), "--out", win(WORK / "heard-by-b.wav"),
                              "--ms", str(CALL_MS)], env=env_b,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        a = subprocess.Popen([WINE, PEER, "--local", "127.0.0.2", "--port", "8997", "--remote", "127.0.0.3",
                              "--mic", win(tone), "--out", win(WORK / "heard-by-a.wav"),
                              "--ms", str(CALL_MS)],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        out_a, _ = a.communicate(timeout=60)
        out_b, _ = b.communicate(timeout=60)
    finally:
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
    assert a.returncode == 0 and b.returncode == 0
    assert "started" in out_a and "started" in out_b

    # What each side heard: the 1 kHz tone at about its level (0.4 peak = 0.28 RMS), in the
    # steady part of the call.
    # The loudest half second after the start: on a loaded machine the playout may start late or
    # pause, so a fixed window can fall on silence although the voice came through.
    for name in ("heard-by-a.wav", "heard-by-b.wav"):
        windows = [sox_stat(WORK / name, start / 4, 0.5) for start in range(2, CALL_MS * 4 // 1000 - 2)]
        freq, rms = max(windows, key=lambda w: w[1])
        print(name, freq, rms)
        # sox's frequency is a zero-crossing count, which the coder's noise moves by a few
        # percent; silence, a wrong tone or garbage lands far outside this band.
        assert 900 <= freq <= 1100, name
        assert 0.15 <= rms <= 0.35, name

    # The packets as an RTP dissector sees them.
    fields = subprocess.run(
        ["tshark", "-r", str(capture), "-d", "udp.port==8995,rtp", "-T", "fields",
         "-e", "udp.srcport", "-e", "udp.dstport", "-e", "rtp.version", "-e", "rtp.p_type", "-e", "rtp.seq",
         "-e", "rtp.timestamp", "-e", "rtp.ssrc", "-e", "udp.length", "-E", "separator=,"],
        capture_output=True, text=True, check=True).stdout
    by_source = {}
    for line in fields.splitlines():
        src, dst, version, ptype, seq, ts, ssrc, udplen = line.split(",")
        by_source.setdefault(src, []).append((dst, int(version), int(ptype), int(seq), int(ts),
                                              int(ssrc, 16), int(udplen)))
    assert set(by_source) == {"8997", "8995"}
    for src, packets in by_source.items():
        packets.sort(key=lambda p: p[3])
        assert len(packets) >= (CALL_MS // 90) - 8, src
        for i, (dst, version, ptype, seq, ts, ssrc, udplen) in enumerate(packets):
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
