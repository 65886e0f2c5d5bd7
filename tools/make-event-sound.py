#!/usr/bin/env python3
"""Writes resources/sounds/event.wav, the default event sound: a short two-tone chime, 16-bit
mono at 22050 Hz, made here so that no third-party recording is shipped."""
import math
import struct
import wave
from pathlib import Path

RATE = 22050
TONES = ((880.0, 0.0, 0.18), (1318.5, 0.16, 0.32))  # frequency, start, length in seconds
TOTAL = int(0.5 * RATE)

mix = [0.0] * TOTAL
for tone, start, length in TONES:
    for i in range(int(length * RATE)):
        t = i / RATE
        envelope = math.exp(-6.0 * t) * min(1.0, t * 200)
        index = int(start * RATE) + i
        if index < TOTAL:
            mix[index] += 0.45 * envelope * math.sin(2 * math.pi * tone * t)

out = Path(__file__).resolve().parent.parent / "resources" / "sounds" / "event.wav"
with wave.open(str(out), "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(RATE)
    w.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(v * 32767)))) for v in mix))
