"""Synthesises Ember Cook's sound effects: small recipes of tones, sweeps and noise, written as 16-bit WAV.

usage: sfx.py OUTDIR   (writes OUTDIR/sounds/<name>.wav, 22050 Hz mono)
Every sound is made here from numbers; nothing is sampled.
"""
import array
import math
import os
import random
import sys
import wave

RATE = 22050


def note(freq, dur, wave_kind="sine", vol=0.5, attack=0.005, release=None, sweep=1.0, vibrato=0.0):
    """One voice: frequency glides by `sweep` (end/start ratio) over the note; exponential-ish decay."""
    n = int(dur * RATE)
    release = dur * 0.8 if release is None else release
    out = [0.0] * n
    phase = 0.0
    rnd = random.Random(int(freq * 1000) + n)
    for i in range(n):
        t = i / RATE
        f = freq * (sweep ** (t / dur)) * (1 + vibrato * math.sin(2 * math.pi * 6 * t))
        phase += f / RATE
        p = phase % 1.0
        if wave_kind == "sine":
            v = math.sin(2 * math.pi * p)
        elif wave_kind == "square":
            v = 0.6 if p < 0.5 else -0.6
        elif wave_kind == "tri":
            v = 4 * abs(p - 0.5) - 1
        elif wave_kind == "saw":
            v = 2 * p - 1
        else:
            v = rnd.uniform(-1, 1)
        env = min(1.0, t / attack) if attack > 0 else 1.0
        if t > dur - release:
            env *= max(0.0, (dur - t) / release) ** 2
        out[i] = v * env * vol
    return out


def mix(*parts):
    """parts: (start seconds, samples)."""
    length = max(int(s * RATE) + len(p) for s, p in parts)
    out = [0.0] * length
    for s, p in parts:
        o = int(s * RATE)
        for i, v in enumerate(p):
            out[o + i] += v
    return out


def lowpass(samples, k=0.2):
    out, y = [], 0.0
    for v in samples:
        y += k * (v - y)
        out.append(y)
    return out


def arp(freqs, step, dur, kind="tri", vol=0.4):
    return mix(*[(i * step, note(f, dur, kind, vol)) for i, f in enumerate(freqs)])


def N(semitones_from_a4):
    return 440.0 * 2 ** (semitones_from_a4 / 12)


C5, D5, E5, F5, G5, A5, B5, C6, E6, G6 = (N(3), N(5), N(7), N(8), N(10), N(12), N(14), N(15), N(19), N(22))
C4, E4, G4, A4 = N(-9), N(-5), N(-2), N(0)

SOUNDS = {
    "click": lambda: note(1400, 0.04, "tri", 0.5, release=0.03),
    "continue": lambda: arp([C5, G5], 0.07, 0.18),
    "select": lambda: note(880, 0.07, "sine", 0.45, sweep=1.3),
    "move": lambda: lowpass(note(300, 0.14, "noise", 0.5, attack=0.02), 0.15),
    "match": lambda: arp([E5, G5, C6], 0.05, 0.14, "sine", 0.4),
    "match4": lambda: arp([C5, E5, G5, C6], 0.045, 0.16, "tri", 0.38),
    "match5": lambda: mix((0, arp([C5, E5, G5, C6, E6, G6], 0.04, 0.18, "tri", 0.34)),
                          (0.25, note(C6, 0.35, "sine", 0.3, vibrato=0.01))),
    "lighting": lambda: mix((0, lowpass(note(0, 0.35, "noise", 0.7), 0.5)), (0, note(1800, 0.3, "saw", 0.2, sweep=0.2))),
    "bomb": lambda: mix((0, lowpass(note(0, 0.6, "noise", 0.9, release=0.55), 0.08)),
                        (0, note(90, 0.5, "sine", 0.7, sweep=0.4))),
    "appear_bomb": lambda: note(220, 0.25, "square", 0.3, sweep=2.0),
    "appear_icecream": lambda: arp([G5, C6, E6], 0.06, 0.2, "sine", 0.35),
    "take_icecreem": lambda: note(700, 0.15, "sine", 0.45, sweep=1.8),
    "take_lm": lambda: mix((0, note(500, 0.2, "square", 0.25, sweep=3.0)), (0.05, note(1500, 0.1, "sine", 0.2))),
    "lm_working": lambda: note(120, 0.8, "saw", 0.3, vibrato=0.05, release=0.3),
    "coffee_ready": lambda: mix((0, lowpass(note(0, 0.5, "noise", 0.4, attack=0.1), 0.1)),
                                (0.45, arp([E5, C5], 0.12, 0.3, "sine", 0.35))),
    "give_coffee": lambda: mix((0, note(600, 0.08, "tri", 0.4)), (0.08, note(900, 0.12, "tri", 0.35))),
    "take_pizza": lambda: lowpass(note(0, 0.1, "noise", 0.5, attack=0.01), 0.3),
    "put_pizza": lambda: mix((0, lowpass(note(0, 0.12, "noise", 0.5), 0.1)), (0, note(160, 0.12, "sine", 0.5, sweep=0.7))),
    "pizza_ready": lambda: mix((0, note(C6, 0.5, "sine", 0.4, release=0.45)), (0, note(E6, 0.5, "sine", 0.2, release=0.45))),
    "new_person": lambda: mix((0, note(E5, 0.25, "sine", 0.35)), (0.16, note(C5, 0.4, "sine", 0.35))),
    "person_angry": lambda: mix((0, note(180, 0.18, "saw", 0.3, sweep=0.8)), (0.2, note(150, 0.25, "saw", 0.3, sweep=0.7))),
    "person_got_food": lambda: arp([C5, E5, G5], 0.07, 0.2, "sine", 0.4),
    "person_leave": lambda: note(400, 0.45, "tri", 0.35, sweep=0.5),
    "person_want_food": lambda: mix((0, note(G5, 0.12, "sine", 0.35)), (0.1, note(A5, 0.18, "sine", 0.35))),
    "get_money": lambda: mix((0, note(B5, 0.08, "square", 0.25)), (0.07, note(E6, 0.3, "square", 0.25))),
    "buy": lambda: mix((0, note(B5, 0.08, "square", 0.25)), (0.07, note(E6, 0.2, "square", 0.25)),
                       (0.2, arp([C5, E5, G5, C6], 0.05, 0.15, "tri", 0.3))),
    "main_goal": lambda: arp([C5, E5, G5, C6, G5, C6], 0.09, 0.25, "tri", 0.35),
    "expert_goal": lambda: mix((0, arp([C5, E5, G5, C6, E6, G6], 0.07, 0.3, "tri", 0.3)),
                               (0.45, note(C6, 0.6, "sine", 0.3, vibrato=0.012))),
    "time_is_up": lambda: mix(*[(i * 0.15, note(1000, 0.1, "square", 0.3)) for i in range(3)]),
    "level_complete": lambda: mix((0, arp([C4, E4, G4, C5, E5, G5, C6], 0.1, 0.4, "tri", 0.3)),
                                  (0.7, note(C5, 0.9, "sine", 0.25)), (0.7, note(E5, 0.9, "sine", 0.2)),
                                  (0.7, note(G5, 0.9, "sine", 0.2))),
    "level_failed": lambda: arp([G4, N(-3), N(-4), N(-5)], 0.22, 0.5, "tri", 0.35),
}


def write_wav(path, samples):
    peak = max(1e-6, max(abs(v) for v in samples))
    scale = min(1.0, 0.9 / peak) * 32767
    data = array.array("h", (int(max(-1.0, min(1.0, v * scale / 32767)) * 32767) for v in samples))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(data.tobytes())


def main(outdir):
    os.makedirs(os.path.join(outdir, "sounds"), exist_ok=True)
    for name, make in SOUNDS.items():
        write_wav(os.path.join(outdir, "sounds", name + ".wav"), make())


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: sfx.py OUTDIR")
    main(sys.argv[1])
