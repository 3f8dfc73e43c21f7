"""Wine's own MCI "waveaudio" device over ALSA's file device (no sound card here): a recording
made through CMciDevice is saved as an 8 kHz, 8-bit, mono WAV (capture gives silence, faster
than real time), and a 440 Hz tone played through it reaches the playback file."""
import os
import re
import subprocess

import pytest

TOOL = os.environ["NV_MCI_SMOKE"]
WINE = os.environ["NV_WINE"]


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


@pytest.fixture
def alsa(tmp_path):
    played = tmp_path / "played.wav"
    conf = tmp_path / "asound.conf"
    conf.write_text(
        'pcm.fileout { type file; slave.pcm "null"; file "%s"; format "wav" }\n'
        'pcm.!default { type asym; playback.pcm "fileout"; capture.pcm "null" }\n' % played)
    env = dict(os.environ)
    env["ALSA_CONFIG_PATH"] = "/usr/share/alsa/alsa.conf:%s" % conf
    return env, played


def run(env, *args):
    result = subprocess.run([WINE, TOOL, *args], env=env, capture_output=True, text=True, timeout=90,
                            stdin=subprocess.DEVNULL)
    assert result.returncode == 0, result.stderr[-2000:]


def soxi(option, path):
    return subprocess.run(["soxi", option, str(path)], capture_output=True, text=True, check=True).stdout.strip()


def test_recording_is_saved_as_the_panels_format(alsa, tmp_path):
    env, _ = alsa
    out = tmp_path / "recorded.wav"
    run(env, "record", windows_path(out), "1500")
    assert [soxi(o, out) for o in ("-r", "-c", "-b")] == ["8000", "1", "8"]
    assert abs(float(soxi("-D", out)) - 1.5) < 0.2


def test_played_tone_reaches_the_playback_device(alsa, tmp_path):
    env, played = alsa
    tone = tmp_path / "tone.wav"
    subprocess.run(["sox", "-n", "-r", "8000", "-c", "1", "-b", "16", str(tone), "synth", "1", "sine", "440",
                    "vol", "0.4"], check=True, timeout=60)
    run(env, "play", windows_path(tone))
    assert played.exists()
    stat = subprocess.run(["sox", str(played), "-n", "stat"], capture_output=True, text=True, timeout=60).stderr
    frequency = float(re.search(r"Rough\s+frequency:\s+(\d+)", stat).group(1))
    assert 400 < frequency < 480, stat
    assert float(soxi("-D", played)) > 0.9
