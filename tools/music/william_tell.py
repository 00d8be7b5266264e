"""Sound track 1: an arrangement of the galop that ends the overture to
"William Tell" (Gioachino Rossini, 1792-1868), in E major, 2/4.

A trumpet call, a two-bar vamp, the galop tune light and then with the whole
band, a second tune in A major first for the woodwinds, a rising bridge on
the dominant, the tune once more at full strength and a cadence that ends
on a held E major chord at the bar line, ready to start over.
Conductor plus seventeen parts (the two drum parts share channel 10).
"""

import notes as n
import smf

PPQ = 192
SIXTEENTH = PPQ // 4
BAR = 2 * PPQ
HALF = BAR // 2


def gallop(a, b=None, c=None, d=None):
    """Two 'ta-ta-TUM' figures: a a b, c c d (b and d default to the first note)."""
    b = b or a
    c = c or a
    d = d or c
    return [(a, 1), (a, 1), (b, 2), (c, 1), (c, 1), (d, 2)]


def rise(a, b, c, d):
    """'ta-ta-TUM TUM TUM': a a b c d."""
    return [(a, 1), (a, 1), (b, 2), (c, 2), (d, 2)]


def eighths(*names):
    return [(x, 2) for x in names]


# Each section: (pitch, sixteenths) melody and one chord per half bar.
FANFARE = (
    [("B4", 1), ("B4", 1), ("E5", 2), ("E5", 1), ("E5", 1), ("G#5", 2)]
    + [("G#5", 1), ("G#5", 1), ("B5", 2), ("B5", 4)]
    + [("B5", 1), ("A5", 1), ("G#5", 2), ("A5", 1), ("G#5", 1), ("F#5", 2)]
    + eighths("F#5", "B4", "B4", None),
    ["E", "E", "E", "E", "B7", "B7", "B7", "B7"],
)
VAMP = ([(None, 16)], ["E", "E", "E", "E"])
TUNE_A = (
    gallop("B4") + rise("B4", "E5", "F#5", "G#5")
    + gallop("B4") + rise("B4", "F#5", "G#5", "A5")
    + gallop("B4") + rise("B4", "G#5", "A5", "B5")
    + rise("C#6", "B5", "A5", "F#5") + [("G#5", 2), ("F#5", 2), ("E5", 4)],
    ["E", "E", "E", "E", "B7", "B7", "B7", "B7",
     "E", "E", "E", "E", "A", "B7", "E", "E"],
)
TUNE_B = (
    rise("E5", "E5", "A5", "C#6") + eighths("B5", "A5", "G#5", "A5")
    + rise("F#5", "F#5", "B5", "D6") + eighths("C#6", "B5", "A5", "G#5")
    + rise("E5", "E5", "A5", "C#6") + [("E6", 4), ("D6", 2), ("C#6", 2)]
    + eighths("B5", "A5", "G#5", "F#5") + [("G#5", 2), ("F#5", 2), ("E5", 4)],
    ["A", "A", "E", "A", "Bm", "Bm", "A", "E",
     "A", "A", "A", "A", "B7", "B7", "E", "E"],
)
BRIDGE = (
    gallop("F#4", "B4") + rise("F#4", "B4", "D#5", "F#5")
    + gallop("A4", "D#5") + rise("A4", "D#5", "F#5", "A5")
    + gallop("B4", "F#5") + rise("B4", "F#5", "A5", "B5")
    + eighths("B5", "A5", "F#5", "D#5") + eighths("B4", "A4", "F#4", "D#4"),
    ["B7"] * 16,
)
CODA = (
    gallop("G#5", "B5") + gallop("F#5", "A5") + gallop("G#5", "B5") + gallop("F#5", "A5")
    + eighths("E5", "G#5", "B5", "G#5") + eighths("F#5", "A5", "D#5", "B4")
    + eighths("E5", None, "B4", None),
    ["E", "E", "B7", "B7", "E", "E", "B7", "B7", "E", "E", "B7", "B7", "E", "B7"],
)

# section, texture, melody velocity
FORM = [
    (FANFARE, "fanfare", 100),
    (VAMP, "vamp", 70),
    (TUNE_A, "light", 78),
    (TUNE_A, "tutti", 100),
    (TUNE_B, "woodwinds", 80),
    (TUNE_B, "tutti", 100),
    (TUNE_A, "light", 82),
    (TUNE_A, "tutti", 104),
    (BRIDGE, "bridge", 96),
    (TUNE_A, "grand", 112),
    (TUNE_B, "grand", 110),
    (CODA, "grand", 112),
]
TEMPO = 152

# part: name, channel, GM program, volume, pan
PART_TABLE = [
    ("Trumpet 1", 0, 56, 96, 70),
    ("Trumpet 2", 1, 56, 88, 74),
    ("Horn 1", 2, 60, 90, 44),
    ("Horn 2", 3, 60, 86, 40),
    ("Trombone", 4, 57, 88, 84),
    ("Piccolo", 5, 72, 80, 70),
    ("Oboe", 6, 68, 92, 58),
    ("Clarinet", 7, 71, 92, 50),
    ("Bassoon", 8, 70, 92, 62),
    ("Snare drum", 9, None, 84, 64),
    ("Bass drum and cymbals", 9, None, 96, 64),
    ("Violins I", 10, 48, 108, 36),
    ("Violins II", 11, 48, 96, 48),
    ("Violas", 12, 41, 100, 80),
    ("Cellos", 13, 42, 104, 88),
    ("Contrabasses", 14, 43, 108, 96),
    ("Timpani", 15, 47, 100, 64),
]

# texture: melody parts with their transposition, then the parts that accompany
MELODY = {
    "fanfare": [("Trumpet 1", 0)],
    "light": [("Violins I", 0), ("Clarinet", -12)],
    "woodwinds": [("Oboe", 0), ("Clarinet", -12), ("Piccolo", 0)],
    "tutti": [("Violins I", 0), ("Piccolo", 12), ("Trumpet 1", 0), ("Oboe", 0)],
    "bridge": [("Violins I", 0), ("Trumpet 1", 0), ("Clarinet", 0)],
    "grand": [("Violins I", 0), ("Piccolo", 12), ("Trumpet 1", 0), ("Oboe", 0), ("Clarinet", 0)],
}
SECOND_VOICE = {"fanfare", "tutti", "bridge", "grand"}
OFFBEATS = {
    # texture: parts playing chords on the off-beats, with their ranges
    "vamp": [("Violins II", "G#4", "E5"), ("Violas", "B3", "F#4")],
    "light": [("Violins II", "G#4", "E5"), ("Violas", "B3", "F#4")],
    "woodwinds": [("Violins II", "G#4", "E5"), ("Violas", "B3", "F#4")],
    "tutti": [("Horn 1", "E4", "B4"), ("Horn 2", "G#3", "D#4")],
    "bridge": [("Horn 1", "E4", "B4"), ("Horn 2", "G#3", "D#4")],
    "grand": [("Horn 1", "E4", "B4"), ("Horn 2", "G#3", "D#4")],
}
# texture: parts playing chords in the galloping rhythm, with their ranges
GALLOP_CHORDS = {
    "tutti": [("Violins II", "G#4", "E5"), ("Violas", "B3", "G#4")],
    "bridge": [("Violins II", "G#4", "E5"), ("Violas", "B3", "G#4")],
    "grand": [("Violins II", "G#4", "E5"), ("Violas", "B3", "G#4")],
}
BASS = {
    # texture: parts on the beats (root, then fifth) with the lowest root
    "vamp": [("Cellos", "E2"), ("Contrabasses", "E1")],
    "light": [("Cellos", "E2"), ("Contrabasses", "E1")],
    "woodwinds": [("Bassoon", "E2"), ("Cellos", "E2")],
    "tutti": [("Cellos", "E2"), ("Contrabasses", "E1"), ("Bassoon", "E2"), ("Trombone", "E2")],
    "bridge": [("Cellos", "E2"), ("Contrabasses", "E1"), ("Trombone", "E2")],
    "grand": [("Cellos", "E2"), ("Contrabasses", "E1"), ("Bassoon", "E2"), ("Trombone", "E2")],
}
SNARE = {"vamp": 44, "tutti": 70, "bridge": 60, "grand": 84}  # velocity of the gallop
TIMPANI_KEYS = ("E2", "B2")


def chords_of(harmony, start):
    return [(start + i * HALF, c) for i, c in enumerate(harmony)]


def offbeats(part, harmony, lo, hi, velocity):
    for tick, chord in harmony:
        for k in n.tones(chord, n.key(lo), n.key(hi)):
            n.add(part, tick + HALF // 2, 60, k, velocity)


def gallop_chords(part, harmony, lo, hi, velocity):
    for tick, chord in harmony:
        for offset, length, accent in ((0, 36, 0), (48, 36, 0), (96, 80, 10)):
            for k in n.tones(chord, n.key(lo), n.key(hi))[-2:]:
                n.add(part, tick + offset, length, k, velocity + accent)


def bass_beats(part, harmony, lowest, velocity):
    for i, (tick, chord) in enumerate(harmony):
        r = n.root(chord, n.key(lowest))
        k = r if i % 2 == 0 else (r + 7 if r + 7 < n.key(lowest) + 12 else r - 5)
        n.add(part, tick, 80, k, velocity + (6 if i % 2 == 0 else 0))


def timpani(part, harmony, velocity):
    for tick, chord in harmony:
        for name in TIMPANI_KEYS:
            if n.key(name) % 12 in n.CHORDS[chord]:
                n.add(part, tick, 90, n.key(name), velocity)
                break


def snare_gallop(part, harmony, velocity):
    for tick, _ in harmony:
        for offset, accent in ((0, 0), (48, -8), (96, 12)):
            n.add(part, tick + offset, 30, n.SNARE, velocity + accent)


def rolls(part, start, bars, k, velocity_from, velocity_to):
    count = bars * BAR // SIXTEENTH
    for i in range(count):
        v = velocity_from + (velocity_to - velocity_from) * i // count
        n.add(part, start + i * SIXTEENTH, SIXTEENTH - 8, k, v)


def section(parts, start, melody, harmony, texture, velocity):
    bars = len(harmony) // 2
    if sum(units for _, units in melody) != bars * 8:
        raise ValueError("melody and harmony lengths differ")
    chords = chords_of(harmony, start)
    for name, transpose in MELODY.get(texture, []):
        n.play_line(parts[name], start, melody, SIXTEENTH, 0.8, velocity - (8 if transpose else 0),
                    transpose, bar=BAR)
    if texture in SECOND_VOICE:
        lead = [note for note in parts["Trumpet 1"]["notes"] if start <= note[0] < start + bars * BAR]
        n.harmonise_below(parts["Trumpet 2"], lead, chords, 3)
    for name, lo, hi in OFFBEATS.get(texture, []):
        offbeats(parts[name], chords, lo, hi, velocity - 22)
    for name, lo, hi in GALLOP_CHORDS.get(texture, []):
        gallop_chords(parts[name], chords, lo, hi, velocity - 24)
    for name, lowest in BASS.get(texture, []):
        bass_beats(parts[name], chords, lowest, velocity - 12)
    if texture in SNARE:
        snare_gallop(parts["Snare drum"], chords, SNARE[texture])
    drums = parts["Bass drum and cymbals"]
    if texture in ("tutti", "bridge", "grand", "vamp"):
        timpani(parts["Timpani"], chords, velocity - 16)
        for bar in range(bars):
            n.add(drums, start + bar * BAR, 90, n.BASS_DRUM, velocity - 10)
            if texture == "grand":
                n.add(drums, start + bar * BAR + HALF, 90, n.BASS_DRUM, velocity - 20)
            if texture != "vamp" and bar % 4 == 0:
                n.add(drums, start + bar * BAR, PPQ, n.CRASH, velocity - 10)
    if texture == "fanfare":
        for tick, chord in chords:
            for k in n.tones(chord, n.key("G#3"), n.key("E4")):
                n.add(parts["Horn 1"], tick, HALF - 12, k, velocity - 30)
        for bar in range(bars):
            low = n.root(harmony[2 * bar], n.key("E2"))
            n.add(parts["Cellos"], start + bar * BAR, BAR - 12, low, velocity - 28)
            n.add(parts["Contrabasses"], start + bar * BAR, BAR - 12, low - 12, velocity - 28)
        rolls(parts["Timpani"], start, 2, n.key("E2"), 50, 80)
        rolls(parts["Timpani"], start + 2 * BAR, 2, n.key("B2"), 60, 96)
    if texture == "woodwinds":
        for bar in range(bars):
            n.add(drums, start + bar * BAR, 120, n.TRIANGLE, 60)
    return start + bars * BAR


def final_chord(parts, start, velocity):
    """E major struck on the beat, then struck again and held to the bar line."""
    voicing = {
        "Trumpet 1": ["E5"], "Trumpet 2": ["B4"], "Horn 1": ["G#4", "E4"], "Horn 2": ["B3"],
        "Trombone": ["E3"], "Piccolo": ["E6"], "Oboe": ["G#5"], "Clarinet": ["B4"],
        "Bassoon": ["E2"], "Violins I": ["E5", "G#5"], "Violins II": ["B4", "E5"],
        "Violas": ["G#4", "B3"], "Cellos": ["E3", "E2"], "Contrabasses": ["E1"],
        "Timpani": ["E2"],
    }
    for name, keys in voicing.items():
        for k in keys:
            n.add(parts[name], start, 80, n.key(k), velocity)
            n.add(parts[name], start + HALF, HALF, n.key(k), velocity)
    for offset in (0, HALF):
        n.add(parts["Bass drum and cymbals"], start + offset, HALF if offset else 90, n.CRASH, velocity)
        n.add(parts["Bass drum and cymbals"], start + offset, 90, n.BASS_DRUM, velocity)
        n.add(parts["Snare drum"], start + offset, 40, n.SNARE, velocity - 10)
    return start + BAR


def compose():
    """Returns (division, conductor events, parts, end tick)."""
    parts = {}
    ordered = []
    for name, channel, program, volume, pan in PART_TABLE:
        part = n.new_part(name, channel, program, volume, pan)
        parts[name] = part
        ordered.append(part)
    tick = 0
    for (melody, harmony), texture, velocity in FORM:
        tick = section(parts, tick, melody, harmony, texture, velocity)
    end = final_chord(parts, tick, 112)
    conductor = smf.conductor_events(
        "William Tell galop", "Arrangement after Gioachino Rossini (1792-1868)",
        2, 2, 4, False, [(0, TEMPO)])
    return PPQ, conductor, ordered, end
