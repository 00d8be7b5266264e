"""Pitch names, chords and the few ways a part puts notes on a grid."""

LETTERS = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}

# chord name : pitch classes, root first
CHORDS = {
    "Bm": (11, 2, 6),
    "C#": (1, 5, 8),
    "C": (0, 4, 7),
    "D": (2, 6, 9),
    "D+": (2, 6, 10),
    "F#": (6, 10, 1),
    "F#7": (6, 10, 1, 4),
    "E": (4, 8, 11),
    "A": (9, 1, 4),
    "B": (11, 3, 6),
    "B7": (11, 3, 6, 9),
    "F#m": (6, 9, 1),
    "C#m": (1, 4, 8),
    "D#7": (3, 7, 10, 1),
    "G#m": (8, 11, 3),
}

# General MIDI percussion keys on channel 10
BASS_DRUM = 36
SNARE = 38
CLOSED_HAT = 42
CRASH = 49
TRIANGLE = 81


def key(name):
    """'C4' is 60; accidentals '#' and 'b' follow the letter: 'F#3', 'Bb2', 'E#4'."""
    pc = LETTERS[name[0]]
    i = 1
    while i < len(name) and name[i] in "#b":
        pc += 1 if name[i] == "#" else -1
        i += 1
    return 12 * (int(name[i:]) + 1) + pc


def tones(chord, lo, hi):
    """Every key of the chord from lo to hi inclusive, low to high."""
    pcs = CHORDS[chord]
    return [k for k in range(lo, hi + 1) if k % 12 in pcs]


def root(chord, lo):
    """The chord's root at or above lo, within an octave."""
    pc = CHORDS[chord][0]
    return lo + (pc - lo) % 12


def fifth(chord, lo):
    return root(chord, lo) + 7


def below(chord, melody, gap=3):
    """The highest chord tone at least gap semitones under the melody note."""
    candidates = tones(chord, melody - 12 - gap, melody - gap)
    return candidates[-1]


def new_part(name, channel, program, volume=100, pan=64, reverb=40):
    return {"name": name, "channel": channel, "program": program, "volume": volume,
            "pan": pan, "reverb": reverb, "notes": []}


def add(part, tick, length, k, velocity):
    part["notes"].append((tick, length, k, max(1, min(127, velocity))))


def play_line(part, start, line, unit, fraction, velocity, transpose=0, bar=None, accent=8):
    """Plays a line of (pitch name or None for a rest, length in units).
    Notes sound for `fraction` of their length; bar starts get an accent.
    Returns the tick after the line."""
    tick = start
    for name, units in line:
        length = units * unit
        if name is not None:
            v = velocity + (accent if bar and (tick - start) % bar == 0 else 0)
            add(part, tick, max(1, int(length * fraction)), key(name) + transpose, v)
        tick += length
    return tick


def harmony_at(harmony, tick):
    """harmony: list of (start tick, chord) sorted by tick; the chord in force."""
    current = harmony[0][1]
    for start, chord in harmony:
        if start > tick:
            break
        current = chord
    return current


def harmonise_below(part, melody_part_notes, harmony, gap, velocity_drop=6):
    """A second voice: for each melody note the chord tone under it, same rhythm."""
    for tick, length, k, velocity in melody_part_notes:
        add(part, tick, length, below(harmony_at(harmony, tick), k, gap), velocity - velocity_drop)
