"""Makes the phone's sound files: ring-back (ringo.wav), incoming ring (ringi.wav), busy tone
(busy.wav) and the touch tones d0..d9, d_ (the star key) and d# as plain WAV files of 8 kHz mono
16-bit samples, the tone player's format. Usage: make_sounds.py <folder>."""
import math
import os
import struct
import sys
import wave

RATE = 8000
LEVEL = 0.35 * 32767

# Standard touch-tone pairs (low, high) in Hz.
DTMF = {
    "1": (697, 1209), "2": (697, 1336), "3": (697, 1477),
    "4": (770, 1209), "5": (770, 1336), "6": (770, 1477),
    "7": (852, 1209), "8": (852, 1336), "9": (852, 1477),
    "_": (941, 1209), "0": (941, 1336), "#": (941, 1477),
}


def tone(freqs, seconds):
    count = int(RATE * seconds)
    share = LEVEL / len(freqs)
    return [sum(share * math.sin(2 * math.pi * f * n / RATE) for f in freqs) for n in range(count)]


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def write(path, samples):
    with wave.open(path + ".tmp", "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", int(round(s))) for s in samples))
    os.replace(path + ".tmp", path)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    # Ring-back: 400 Hz, one second on, two off. Ring: 1300 Hz, one on, one off. Busy: 480 Hz,
    # half a second on, half off. Each file is one period: the player loops it.
    write(os.path.join(folder, "ringo.wav"), tone([400], 1.0) + silence(2.0))
    write(os.path.join(folder, "ringi.wav"), tone([1300], 1.0) + silence(1.0))
    write(os.path.join(folder, "busy.wav"), tone([480], 0.5) + silence(0.5))
    for key, pair in DTMF.items():
        write(os.path.join(folder, "d" + key + ".wav"), tone(list(pair), 0.12) + silence(0.04))


if __name__ == "__main__":
    main()
