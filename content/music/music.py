"""Ember Cook's four looping tunes: note scores and the small synthesiser that plays them.

usage: python3 content/music/music.py content/music
  renders music1..4.wav in a temporary folder and encodes them with oggenc (vorbis-tools) to
  content/music/music1..4.ogg. Slow (about a minute), so the .ogg files are committed beside this script.
Each tune is rendered into a buffer exactly one loop long and every note's tail wraps round to the start, so
the loop point is seamless.
"""
import array
import math
import os
import random
import subprocess
import sys
import tempfile
import wave

RATE = 22050
NAMES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def freq(name):
    """'C4', 'F#3', 'Bb4' -> Hz."""
    base = NAMES[name[0]]
    rest = name[1:]
    if rest.startswith("#"):
        base, rest = base + 1, rest[1:]
    elif rest.startswith("b"):
        base, rest = base - 1, rest[1:]
    midi = 12 * (int(rest) + 1) + base
    return 440.0 * 2 ** ((midi - 69) / 12)


CHORDS = {"C": ["C3", "E3", "G3"], "Am": ["A2", "C3", "E3"], "F": ["F2", "A2", "C3"], "G": ["G2", "B2", "D3"],
          "Dm": ["D3", "F3", "A3"], "Em": ["E3", "G3", "B3"], "E": ["E3", "G#3", "B3"], "G7": ["G2", "B2", "F3"],
          "Bb": ["Bb2", "D3", "F3"], "D": ["D3", "F#3", "A3"], "A": ["A2", "C#3", "E3"], "Gm": ["G2", "Bb2", "D3"],
          "C7": ["C3", "E3", "Bb3"]}

# Scores: tempo (beats per minute), beats per bar, the chord of each bar, a bass pattern (beat offsets that play the
# chord root), a chord pattern, and the melody as "note:beats" ("r" rests); each tune plays its A part twice, the
# second time an octave-doubled lead, then its B part. Each melody must fill its part exactly.
TUNES = {
    # music3: title, map and menus. An easy-going waltz, accordion over a guitar-like pluck.
    "music3": dict(tempo=132, beats=3, lead="accordion",
                   chords="C C G G G7 G7 C C F F C C G G7 C C",
                   bass=[0], comp=[1, 2],
                   melody="E5:1 G5:1 C6:1 B5:2 G5:1 D5:1 F5:1 B5:1 A5:2 G5:1 F5:1 E5:1 D5:1 E5:3 "
                          "C5:1 E5:1 G5:1 A5:2 F5:1 C6:1 A5:1 F5:1 G5:3 E5:1 D5:1 C5:1 D5:1 F5:1 B5:1 "
                          "A5:1 G5:1 F5:1 E5:2 D5:1 C5:3 G4:3",
                   chords_b="Am Am F F C C G G Am Am F F C G7 C C",
                   melody_b="A5:2 G5:1 F5:2 E5:1 A5:1 C6:1 A5:1 F5:3 E5:1 G5:1 C6:1 B5:3 D5:1 G5:1 B5:1 D6:3 C6:1 B5:1 A5:1 E5:1 A5:1 C6:1 B5:2 A5:1 F5:1 A5:1 C6:1 A5:2 F5:1 E5:1 G5:1 C6:1 D5:1 F5:1 B5:1 C6:3"),
    # music2: a bright, bouncing kitchen groove in 4.
    "music2": dict(tempo=118, beats=4, lead="pluck",
                   chords="C Am F G C Am Dm G",
                   bass=[0, 1.5, 2, 3.5], comp=[1, 3],
                   melody="G5:0.5 E5:0.5 G5:0.5 A5:0.5 G5:1 E5:1 C5:0.5 E5:0.5 A5:1 G5:0.5 E5:0.5 C5:1 "
                          "F5:0.5 A5:0.5 C6:1 A5:0.5 F5:0.5 D5:1 B4:0.5 D5:0.5 G5:1 F5:1 D5:1 "
                          "E5:0.5 G5:0.5 C6:1 B5:0.5 A5:0.5 G5:1 E5:0.5 C5:0.5 E5:1 A5:1 r:1 "
                          "D5:0.5 F5:0.5 A5:1 G5:0.5 F5:0.5 E5:0.5 D5:0.5 B4:1 D5:0.5 G5:0.5 C5:2",
                   chords_b="F G Em Am F G C C",
                   melody_b="A5:0.5 G5:0.5 F5:0.5 A5:0.5 C6:2 B5:0.5 A5:0.5 G5:0.5 B5:0.5 D6:2 B5:1 G5:1 E5:1 G5:1 A5:1 C6:1 E5:1 A5:1 F5:0.5 G5:0.5 A5:0.5 C6:0.5 F5:2 G5:0.5 A5:0.5 B5:0.5 D6:0.5 G5:2 C6:1 G5:1 E5:1 G5:1 C6:4"),
    # music1: a minor tarantella-flavoured rush in 6/8 felt as two beats of three.
    "music1": dict(tempo=150, beats=3, lead="accordion",
                   chords="Am Am E E Am Am Dm E Am Am Dm Dm Am E Am Am",
                   bass=[0, 2], comp=[1],
                   melody="A4:1 C5:1 E5:1 A5:2 G#5:1 B5:2 E5:1 G#5:2 B5:1 A5:1 G5:1 F5:1 E5:2 C5:1 "
                          "D5:1 F5:1 A5:1 G#5:1 E5:1 B4:1 C5:1 E5:1 A5:1 A5:2 E5:1 D5:1 F5:1 D5:1 "
                          "F5:1 A5:1 D6:1 C6:1 B5:1 A5:1 G#5:1 B5:1 E5:1 A5:3 A4:3",
                   chords_b="Dm Dm Am Am E E Am Am Dm Dm Am Am E E Am Am",
                   melody_b="D5:1 F5:1 A5:1 D6:2 C6:1 A5:2 E5:1 C5:3 B4:1 D5:1 E5:1 G#5:2 B5:1 A5:3 E5:3 F5:1 A5:1 D6:1 C6:1 A5:1 F5:1 E5:1 A5:1 C6:1 E6:3 E6:1 D6:1 B5:1 G#5:1 B5:1 E5:1 A5:3 A4:3"),
    # music4: a slower, swinging stroll for the busy later days.
    "music4": dict(tempo=104, beats=4, lead="pluck",
                   chords="F F C7 C7 F Bb C7 F",
                   bass=[0, 2, 3], comp=[1, 3],
                   melody="C5:1 F5:1 A5:1.5 G5:0.5 F5:1 A5:1 C6:2 Bb5:1 G5:1 E5:1.5 F5:0.5 G5:2 C5:1 E5:1 "
                          "G5:1.5 Bb5:0.5 A5:1 F5:1 C5:2 D5:1 E5:1 "
                          "F5:1 A5:1 G5:1 E5:1 F5:4",
                   chords_b="Bb Bb F F C7 C7 F F",
                   melody_b="D5:1 F5:1 Bb5:2 A5:1 G5:1 F5:2 C5:1 F5:1 A5:1.5 G5:0.5 F5:4 E5:1 G5:1 Bb5:1.5 A5:0.5 G5:2 E5:1 C5:1 A5:1 C6:1 A5:1 F5:1 F5:4"),
}


def voice(kind, f, dur, vol):
    n = int(dur * RATE)
    out = [0.0] * n
    ph = 0.0
    if kind == "kick":
        for i in range(n):
            t = i / RATE
            ph += (55 + 90 * math.exp(-t * 30)) / RATE
            out[i] = math.sin(2 * math.pi * ph) * math.exp(-t * 12) * vol
        return out
    if kind == "hat":
        rnd = random.Random(n)
        prev = 0.0
        for i in range(n):
            v = rnd.uniform(-1, 1)
            out[i] = (v - prev) * math.exp(-i / RATE * 60) * vol
            prev = v
        return out
    for i in range(n):
        t = i / RATE
        if kind == "accordion":
            vib = 1 + 0.004 * math.sin(2 * math.pi * 5.5 * t)
            ph += f * vib / RATE
            p = ph % 1.0
            v = 0.55 * (2 * p - 1) + 0.45 * (2 * ((p * 1.003) % 1.0) - 1)
            env = min(1.0, t / 0.03) * (1 - 0.3 * t / dur)
            rel = 0.06
        elif kind == "pluck":
            ph += f / RATE
            p = ph % 1.0
            v = math.sin(2 * math.pi * p) + 0.35 * math.sin(4 * math.pi * p) + 0.15 * math.sin(6 * math.pi * p)
            env = min(1.0, t / 0.004) * math.exp(-t * 3.5)
            rel = 0.05
        elif kind == "bass":
            ph += f / RATE
            p = ph % 1.0
            v = 4 * abs(p - 0.5) - 1
            env = min(1.0, t / 0.01) * math.exp(-t * 2.0)
            rel = 0.05
        else:  # pad chord tone
            ph += f / RATE
            p = ph % 1.0
            v = math.sin(2 * math.pi * p) + 0.2 * math.sin(6 * math.pi * p)
            env = min(1.0, t / 0.01) * math.exp(-t * 6)
            rel = 0.04
        if t > dur - rel:
            env *= (dur - t) / rel
        out[i] = v * env * vol
    return out


def render(tune):
    spb = 60.0 / tune["tempo"]
    bars = (tune["chords"] + " " + tune["chords"] + " " + tune["chords_b"]).split()
    a_beats = len(tune["chords"].split()) * tune["beats"]
    loop_beats = len(bars) * tune["beats"]
    length = int(round(loop_beats * spb * RATE))
    buf = [0.0] * length

    def put(beat, samples):
        start = int(round(beat * spb * RATE))
        for i, v in enumerate(samples):
            buf[(start + i) % length] += v  # wraps round: the loop is seamless

    for b, chord in enumerate(bars):
        base = b * tune["beats"]
        tones = CHORDS[chord]
        for off in tune["bass"]:
            put(base + off, voice("bass", freq(tones[0]) / 2, spb * 0.9, 0.35))
        for off in tune["comp"]:
            for t in tones:
                put(base + off, voice("pad", freq(t), spb * 0.6, 0.09))
        for beat in range(tune["beats"]):
            put(base + beat, voice("kick" if beat == 0 else "hat", 0, spb * (0.4 if beat == 0 else 0.1),
                                   0.35 if beat == 0 else 0.12))
    beat = 0.0
    parts = [(tune["melody"], False), (tune["melody"], True), (tune["melody_b"], False)]
    for melody, doubled in parts:
        start = beat
        for item in melody.split():
            name, dur = item.split(":")
            dur = float(dur)
            if name != "r":
                put(beat, voice(tune["lead"], freq(name), dur * spb * 0.95, 0.22))
                if doubled:
                    put(beat, voice("pad", freq(name) / 2, dur * spb * 0.95, 0.12))
            beat += dur
        if melody is tune["melody"] and abs(beat - start - a_beats) > 1e-6:
            sys.exit("A melody fills %.2f beats, its part has %d" % (beat - start, a_beats))
    if abs(beat - loop_beats) > 1e-6:
        sys.exit("melody fills %.2f beats, the loop has %d" % (beat, loop_beats))
    return buf


def write_wav(path, samples):
    peak = max(1e-6, max(abs(v) for v in samples))
    k = 0.85 / peak
    data = array.array("h", (int(v * k * 32767) for v in samples))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(data.tobytes())


def main(outdir):
    with tempfile.TemporaryDirectory() as tmp:
        for name, tune in TUNES.items():
            wav = os.path.join(tmp, name + ".wav")
            write_wav(wav, render(tune))
            subprocess.run(["oggenc", "-Q", "-q", "3", "-o", os.path.join(outdir, name + ".ogg"), wav], check=True)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: music.py OUTDIR")
    main(sys.argv[1])
