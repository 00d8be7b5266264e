#!/usr/bin/env python3
"""The two sound tracks as files: their layout, their notes and their loop
point, and that they are what the composer script writes."""

import os
import struct
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree free of caches
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, HERE)

import midi_file  # noqa: E402

# file, format, tracks, ticks per quarter, smallest and largest size in bytes,
# shortest and longest loop in seconds
TRACKS = [
    ("track0.mid", 1, 5, 480, 5600, 6900, 50, 120),
    ("track1.mid", 1, 18, 192, 29000, 35000, 50, 120),
]


def read(name):
    with open(os.path.join(ROOT, "resources", name), "rb") as f:
        return f.read()


def fixture(tracks, division=96):
    """A format 1 file from raw track bodies (End of Track appended)."""
    out = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), division)
    for body in tracks:
        body += b"\xff\x2f\x00"
        out += b"MTrk" + struct.pack(">I", len(body)) + body
    return out


FOUR_FOUR = b"\x00\xff\x58\x04\x04\x02\x18\x08"
BAR = b"\x83\x00"  # 384 ticks: one 4/4 bar at 96 ticks per quarter
TWO_BARS = b"\x86\x00"

# fixture, what the checks must say about it (a word of the problem, or None)
FIXTURES = [
    ("clean", [FOUR_FOUR + BAR, b"\x00\x90\x3c\x40" + BAR + b"\x3c\x00\x00"], None, None),
    ("hanging note", [FOUR_FOUR + BAR, b"\x00\x90\x3c\x40\x60\x40\x40\x82\x20\x40\x00\x00"],
     "never stops", None),
    ("note started twice", [FOUR_FOUR + BAR, b"\x00\x90\x3c\x40\x60\x3c\x40\x60\x3c\x00\x81\x40\x3c\x00\x00"],
     "starts again", None),
    ("stray note-off", [FOUR_FOUR + BAR, b"\x00\x80\x3c\x00\x00\x90\x3c\x40" + BAR + b"\x3c\x00\x00"],
     "without sounding", None),
    ("end off the bar line", [FOUR_FOUR + b"\x83\x30", b"\x00\x90\x3c\x40\x83\x30\x3c\x00\x00"],
     None, "bar line"),
    ("tracks end apart", [FOUR_FOUR + TWO_BARS, b"\x00\x90\x3c\x40" + BAR + b"\x3c\x00\x00"],
     None, "different ticks"),
    ("last bar empty", [FOUR_FOUR + TWO_BARS, b"\x00\x90\x3c\x40" + BAR + b"\x3c\x00" + BAR],
     None, "no note sounds"),
]


class Checks(unittest.TestCase):
    def test_checks_find_the_faults_of_each_fixture(self):
        for name, bodies, note_word, loop_word in FIXTURES:
            with self.subTest(name):
                song = midi_file.parse(fixture(bodies))
                notes = " ".join(midi_file.note_problems(song))
                loop = " ".join(midi_file.loop_problems(song))
                if note_word:
                    self.assertIn(note_word, notes)
                else:
                    self.assertEqual(notes, "")
                if loop_word:
                    self.assertIn(loop_word, loop)
                else:
                    self.assertEqual(loop, "")

    def test_parser_rejects_broken_files(self):
        good = fixture([FOUR_FOUR])
        for name, data in [("not midi", b"RIFF" + good[4:]),
                           ("track count", good[:10] + b"\x00\x02" + good[12:]),
                           ("truncated chunk", good[:-2])]:
            with self.subTest(name), self.assertRaises(ValueError):
                midi_file.parse(data)


class SoundTracks(unittest.TestCase):
    def test_layout(self):
        for name, fmt, count, division, low, high, _, _ in TRACKS:
            with self.subTest(name):
                data = read(name)
                song = midi_file.parse(data)
                self.assertEqual((song["format"], len(song["tracks"]), song["division"]),
                                 (fmt, count, division))
                self.assertTrue(low <= len(data) <= high, "%d bytes" % len(data))
                conductor = song["tracks"][0]
                self.assertFalse([e for e in conductor if e[1] in ("on", "off", "channel")],
                                 "the conductor track holds only meta events")
                self.assertTrue(midi_file.meta_events(song, 0x51), "no tempo")
                for number, track in enumerate(song["tracks"][1:], 1):
                    self.assertTrue([e for e in track if e[1] == "on"], "track %d is empty" % number)

    def test_every_note_stops_and_the_loop_closes_on_a_bar_line(self):
        for name, _, _, _, _, _, shortest, longest in TRACKS:
            with self.subTest(name):
                song = midi_file.parse(read(name))
                self.assertEqual(midi_file.note_problems(song), [])
                self.assertEqual(midi_file.loop_problems(song), [])
                seconds = midi_file.seconds_at(song, midi_file.end_ticks(song)[0])
                self.assertTrue(shortest <= seconds <= longest, "%.1f s" % seconds)

    def test_committed_files_are_what_the_composer_writes(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, os.path.join(ROOT, "tools", "music", "compose_tracks.py"), out],
                           check=True, stdout=subprocess.DEVNULL)
            for name, *_ in TRACKS:
                with self.subTest(name), open(os.path.join(out, name), "rb") as f:
                    self.assertEqual(f.read(), read(name), "run tools/music/compose_tracks.py")


if __name__ == "__main__":
    unittest.main()
