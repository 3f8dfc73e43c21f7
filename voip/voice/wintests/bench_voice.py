#!/usr/bin/python3
"""Benchmarks of the voice path (run by hand, after a win32 build):
  - added delay: A's microphone carries a 1 kHz burst at 2.000 s; B reflects A's packets (echo
    mode), so A plays its own burst after one pass through capture, encoding, the network, the
    jitter buffer at its default size and the output. The test device writes A's speaker as a
    timeline from the moment the devices opened, so the burst's place in it is its playout time.
  - CPU of each voice_peer process over a call of SECONDS (all its threads, including the test
    device's pacing thread).
usage: bench_voice.py <build/win32> [seconds] [jitz,misz,fffz]"""
import array
import os
import subprocess
import sys
import wave
from pathlib import Path

build = Path(sys.argv[1]).resolve()
seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 20
jitter = ["--jitter", sys.argv[3]] if len(sys.argv) > 3 else []
work = build / "voice-bench"
work.mkdir(exist_ok=True)
wine, peer = str(build / "nv-wine"), str(build / "bin" / "voice_peer.exe")
mic = work / "burst.wav"
subprocess.run(["sox", "-n", "-r", "8000", "-c", "1", "-b", "16", str(mic), "synth", "0.1", "sine", "1000",
                "vol", "0.6", "pad", "2", str(seconds)], check=True)


def onset(path, threshold=3000):
    with wave.open(str(path)) as w:
        samples = array.array("h", w.readframes(w.getnframes()))
    for i, s in enumerate(samples):
        if abs(s) >= threshold:
            return i / 8.0
    return None


env_b = dict(os.environ, NV_WINEPREFIX=str(build / "wineprefix-voice-b"))
b = subprocess.Popen([wine, peer, "--local", "127.0.0.3", "--remote", "127.0.0.2", "--remote-port", "8997",
                      "--incall", "--echo", "--ms", str(seconds * 1000 + 1500)], env=env_b,
                     stdout=subprocess.PIPE, text=True)
a = subprocess.run([wine, peer, "--local", "127.0.0.2", "--port", "8997", "--remote", "127.0.0.3",
                    "--mic", "Z:" + str(mic), "--out", "Z:" + str(work / "a-heard.wav"),
                    "--ms", str(seconds * 1000)] + jitter, stdout=subprocess.PIPE, text=True)
out_b, _ = b.communicate()
sent_at, heard_at = onset(mic), onset(work / "a-heard.wav")
print(a.stdout.strip().splitlines()[-1])
print(out_b.strip().splitlines()[-1])
print(f"burst captured at {sent_at:.1f} ms, played at {heard_at:.1f} ms: added delay {heard_at - sent_at:.1f} ms"
      " (ITU-T G.114 one-way budget: 150 ms)")
for name, text in (("A (talking)", a.stdout), ("B (echo)", out_b)):
    last = text.strip().splitlines()[-1]
    fields = dict(kv.split("=") for kv in last.split() if "=" in kv)
    wall = int(fields["wall_ms"])
    print(f"{name}: process {int(fields['cpu_ms']) / wall * 100:.2f} %, voice server thread "
          f"{int(fields['server_cpu_ms']) / wall * 100:.2f} %, wave thread {int(fields['wave_cpu_ms']) / wall * 100:.2f} %"
          " of one core")
