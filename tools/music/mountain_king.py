"""Sound track 0: an arrangement of "In the Hall of the Mountain King"
(Edvard Grieg, 1843-1907, Peer Gynt), in B minor, 4/4.

The theme goes round three times, each time louder, fuller and faster, and
a two-bar cadence closes on B minor so the loop starts again from the quiet
bassoon. Conductor plus four parts: bassoon, strings, pizzicato basses and
drums.
"""

import notes as n
import smf

PPQ = 480
EIGHTH = PPQ // 2
BAR = 4 * PPQ

# (pitch, eighths); the first strain in B minor, then the strain on F#
STRAIN_A = [
    ("B3", 1), ("C#4", 1), ("D4", 1), ("E4", 1), ("F#4", 1), ("D4", 1), ("F#4", 2),
    ("E#4", 1), ("C#4", 1), ("E#4", 2), ("E4", 1), ("C4", 1), ("E4", 2),
    ("B3", 1), ("C#4", 1), ("D4", 1), ("E4", 1), ("F#4", 1), ("D4", 1), ("F#4", 1), ("B4", 1),
    ("A4", 1), ("F#4", 1), ("D4", 1), ("F#4", 1), ("A4", 4),
]
STRAIN_B = [
    ("F#4", 1), ("G#4", 1), ("A#4", 1), ("B4", 1), ("C#5", 1), ("A#4", 1), ("C#5", 2),
    ("D5", 1), ("A#4", 1), ("D5", 2), ("C#5", 1), ("A#4", 1), ("C#5", 2),
    ("F#4", 1), ("G#4", 1), ("A#4", 1), ("B4", 1), ("C#5", 1), ("A#4", 1), ("C#5", 2),
    ("D5", 1), ("A#4", 1), ("D5", 2), ("C#5", 4),
]
# chord of each half bar of a strain
HARMONY_A = ["Bm", "Bm", "C#", "C", "Bm", "Bm", "D", "D"]
HARMONY_B = ["F#", "F#", "D+", "F#", "F#", "F#", "D+", "F#"]
# the drone under each strain: (low, high) pitch names
PEDAL = {"A": ("B1", "F#2"), "B": ("F#1", "C#2")}
FORM = ["A", "A", "B", "A"]

# statement: tempo, bassoon transpose and velocity, strings role, bass notes a bar, drums
STATEMENTS = [
    (116, -12, 80, "drone", 4, "none"),
    (132, 0, 92, "offbeats", 4, "march"),
    (150, 0, 110, "theme", 4, "full"),
]


def strain_harmony(strain, start):
    chords = HARMONY_A if strain == "A" else HARMONY_B
    return [(start + i * BAR // 2, c) for i, c in enumerate(chords)]


def strings_for(part, strain, start, role, velocity):
    if role == "drone":
        for bar in range(4):
            n.add(part, start + bar * BAR, BAR - 60, n.key(PEDAL[strain][0]) + 12, velocity - 30)
    elif role == "offbeats":
        for i, (tick, chord) in enumerate(strain_harmony(strain, start)):
            for k in n.tones(chord, n.key("B3") - 1, n.key("A#4"))[-2:]:
                n.add(part, tick + PPQ, 200, k, velocity - 18)
    else:
        n.play_line(part, start, STRAIN_A if strain == "A" else STRAIN_B,
                    EIGHTH, 0.72, velocity - 4, transpose=12, bar=BAR)


def bass_for(part, strain, start, per_bar, velocity):
    low, high = PEDAL[strain]
    step = BAR // per_bar
    for i in range(4 * per_bar):
        name = low if i % 2 == 0 else high
        n.add(part, start + i * step, step // 2, n.key(name), velocity + (8 if i % per_bar == 0 else 0))


def drums_for(part, strain, start, style, velocity, phrase_start):
    if style == "none":
        return
    for bar in range(4):
        t = start + bar * BAR
        if style == "march":
            for beat in (0, 2):
                n.add(part, t + beat * PPQ, 120, n.BASS_DRUM, velocity - 10)
        else:
            for beat in range(4):
                n.add(part, t + beat * PPQ, 120, n.BASS_DRUM, velocity)
    if style == "full" and phrase_start:
        n.add(part, start, PPQ, n.CRASH, velocity)


def coda(bassoon, strings, bass, drums, start):
    """F#7 for a bar with a snare roll, then B minor struck and held to the bar line."""
    n.add(bassoon, start, BAR - 120, n.key("F#3"), 100)
    for k in n.tones("F#7", n.key("F#3"), n.key("E4")):
        n.add(strings, start, BAR // 2 - 60, k, 96)
        n.add(strings, start + BAR // 2, BAR // 2 - 60, k, 104)
    for i in range(8):
        n.add(bass, start + i * EIGHTH, EIGHTH // 2, n.key("F#1"), 96 + i)
    for i in range(8):
        n.add(drums, start + i * EIGHTH, EIGHTH // 2, n.SNARE, 60 + 6 * i)
    end = start + BAR
    chord = n.tones("Bm", n.key("B3"), n.key("B4"))
    for k in chord:
        n.add(strings, end, EIGHTH, k, 112)
        n.add(strings, end + BAR // 2, BAR // 2, k, 112)
    n.add(bassoon, end, EIGHTH, n.key("B2"), 110)
    n.add(bassoon, end + BAR // 2, BAR // 2, n.key("B2"), 110)
    for half in (0, BAR // 2):
        n.add(bass, end + half, EIGHTH, n.key("B1"), 112)
        n.add(drums, end + half, PPQ, n.CRASH, 110)
        n.add(drums, end + half, 120, n.BASS_DRUM, 110)
    return end + BAR


def compose():
    """Returns (division, conductor events, parts, end tick)."""
    bassoon = n.new_part("Bassoon", 0, 70, volume=124, pan=54)
    strings = n.new_part("Strings", 1, 48, volume=108, pan=76)
    bass = n.new_part("Pizzicato basses", 2, 45, volume=124, pan=60)
    drums = n.new_part("Drums", 9, None, volume=100, pan=64, reverb=30)
    tempos = []
    tick = 0
    for tempo, transpose, velocity, role, per_bar, style in STATEMENTS:
        tempos.append((tick, tempo))
        for i, strain in enumerate(FORM):
            line = STRAIN_A if strain == "A" else STRAIN_B
            n.play_line(bassoon, tick, line, EIGHTH, 0.72, velocity, transpose, bar=BAR)
            strings_for(strings, strain, tick, role, velocity)
            bass_for(bass, strain, tick, per_bar, velocity - 6)
            drums_for(drums, strain, tick, style, velocity - 10, i % 2 == 0)
            tick += 4 * BAR
    tempos.append((tick, 138))
    end = coda(bassoon, strings, bass, drums, tick)
    conductor = smf.conductor_events(
        "Mountain King", "Arrangement after Edvard Grieg (1843-1907)",
        4, 2, 2, True, tempos)
    return PPQ, conductor, [bassoon, strings, bass, drums], end
