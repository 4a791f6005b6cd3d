#!/usr/bin/env python3
"""Synthesises the reminder sounds shipped with the program (16-bit mono wave files).

Run by hand after changing a tone: ./generate.py
"""
import math
import os
import struct
import wave

RATE = 22050


def envelope(t, length, attack=0.01, release=0.25):
    if t < attack:
        return t / attack
    if t > length - release:
        return max(0.0, (length - t) / release)
    return 1.0


def tone(notes):
    """notes: (frequency in Hz, seconds, loudness 0..1, overtone mix) one after another."""
    samples = []
    for freq, length, loud, overtone in notes:
        for i in range(int(RATE * length)):
            t = i / RATE
            v = math.sin(2 * math.pi * freq * t) + overtone * math.sin(4 * math.pi * freq * t)
            v *= loud * envelope(t, length) * math.exp(-2.5 * t) / (1 + overtone)
            samples.append(v)
    return samples


def bell(freq, length):
    samples = []
    for i in range(int(RATE * length)):
        t = i / RATE
        v = (math.sin(2 * math.pi * freq * t) + 0.5 * math.sin(2 * math.pi * freq * 2.76 * t)
             + 0.25 * math.sin(2 * math.pi * freq * 5.4 * t)) / 1.75
        samples.append(v * 0.8 * math.exp(-3 * t) * min(1.0, t / 0.005))
    return samples


SOUNDS = {
    "chime": tone([(880, 0.35, 0.8, 0.3), (1318.5, 0.6, 0.8, 0.3)]),
    "bell": bell(660, 1.4),
    "ding": tone([(1568, 0.8, 0.7, 0.1)]),
    "alert": tone([(988, 0.15, 0.8, 0.5), (0, 0.08, 0, 0)] * 3),
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, samples in SOUNDS.items():
        with wave.open(os.path.join(here, name + ".wav"), "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(RATE)
            out.writeframes(b"".join(struct.pack("<h", int(max(-1, min(1, s)) * 32000)) for s in samples))


if __name__ == "__main__":
    main()
