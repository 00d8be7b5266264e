#!/usr/bin/env python3
"""Renders each sound track with FluidSynth and a General MIDI sound font and
listens to the result: its length, its loudness, no gap longer than a bar
(the loop's seam included) and nothing left sounding after the end.
Needs the Debian packages fluidsynth and fluid-soundfont-gm (scripts/setup)."""

import array
import math
import os
import shutil
import struct
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree free of caches
import tempfile
import time
import unittest
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, HERE)

import midi_file  # noqa: E402

SOUND_FONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2"
RATE = 22050
WINDOW = 0.05            # seconds of audio a level is measured over
LOUDNESS_FLOOR = -35.0   # dBFS, RMS over the whole loop
SILENCE = -55.0          # dBFS, a window quieter than this counts as silent
TAIL_DROP = 40.0         # dB the sound must fall below the loop's level after the end
TAIL_START = 3.0         # seconds after the end where the tail is measured
RING_OUT = 15.0          # longest time voices may ring on after the end

TRACKS = ["track0.mid", "track1.mid"]


def render(midi_path, wav_path, longest_seconds):
    """Renders with FluidSynth; returns 1 if it finished, 0 if it ran past
    longest_seconds of audio (it renders for as long as any voice sounds)."""
    limit = int(longest_seconds * RATE) * 4 + 4096
    if os.path.exists(wav_path):
        os.remove(wav_path)  # a longer file left from before would look like a run-on
    process = subprocess.Popen(
        ["fluidsynth", "-n", "-i", "-q", "-F", wav_path, "-r", str(RATE), SOUND_FONT, midi_path],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 120
    while process.poll() is None:
        too_long = os.path.exists(wav_path) and os.path.getsize(wav_path) > limit
        if too_long or time.monotonic() > deadline:
            process.kill()
            process.wait()
            return 0
        time.sleep(0.02)
    return 1 if process.returncode == 0 else 0


def window_levels(wav_path):
    """dBFS of each WINDOW of the render, both channels together."""
    with wave.open(wav_path, "rb") as w:
        if (w.getsampwidth(), w.getnchannels(), w.getframerate()) != (2, 2, RATE):
            raise ValueError("unexpected render format")
        samples = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder == "big":
        samples.byteswap()
    step = int(WINDOW * RATE) * 2
    levels = []
    for start in range(0, len(samples) - step + 1, step):
        chunk = samples[start:start + step]
        power = sum(x * x for x in chunk) / len(chunk)
        levels.append(10 * math.log10(power / (32768.0 * 32768.0)) if power > 0 else -150.0)
    return levels


def mean_level(levels):
    power = sum(10 ** (x / 10) for x in levels) / max(1, len(levels))
    return 10 * math.log10(power) if power > 0 else -150.0


def longest_silence(levels):
    """Longest run of silent windows in seconds, counting the run that wraps
    from the end of the loop round to its start."""
    silent = [x < SILENCE for x in levels]
    if all(silent):
        return len(silent) * WINDOW
    runs, run = [], 0
    for s in silent:
        run = run + 1 if s else 0
        runs.append(run)
    head = silent.index(False)
    tail = runs[-1]
    return max(max(runs), head + tail) * WINDOW


def shortest_bar(song, end):
    lines = midi_file.bar_lines(song, end)
    return min(midi_file.seconds_at(song, b) - midi_file.seconds_at(song, a)
               for a, b in zip(lines, lines[1:]))


def hanging_note_file():
    """One bar of a sustained organ note that is never released."""
    body = b"\x00\xc0\x13\x00\x90\x3c\x60\x83\x00\xff\x2f\x00"
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96)
            + b"MTrk" + struct.pack(">I", len(body)) + body)


class Measures(unittest.TestCase):
    def test_gaps_are_measured_round_the_loop_seam(self):
        s, q = SILENCE - 10, SILENCE + 10
        # levels, longest gap in windows
        cases = [
            ([q, q, q], 0),
            ([q, s, s, q, s, q], 2),
            ([s, q, q, s, s], 3),
            ([s, s, s], 3),
        ]
        for levels, windows in cases:
            with self.subTest(levels=levels):
                self.assertAlmostEqual(longest_silence(levels), windows * WINDOW)


class Rendering(unittest.TestCase):
    def setUp(self):
        self.assertTrue(shutil.which("fluidsynth") and os.path.exists(SOUND_FONT),
                        "fluidsynth or the FluidR3 GM sound font is missing: run scripts/setup")
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def test_a_hanging_note_makes_the_render_run_on(self):
        path = os.path.join(self.dir.name, "hanging.mid")
        with open(path, "wb") as f:
            f.write(hanging_note_file())
        self.assertEqual(render(path, os.path.join(self.dir.name, "hanging.wav"), 2.0 + RING_OUT), 0)

    def test_tracks_sound_through_the_loop_and_stop_at_its_end(self):
        for name in TRACKS:
            with self.subTest(name):
                path = os.path.join(ROOT, "resources", name)
                with open(path, "rb") as f:
                    song = midi_file.parse(f.read())
                end = midi_file.end_ticks(song)[0]
                seconds = midi_file.seconds_at(song, end)
                wav_path = os.path.join(self.dir.name, name + ".wav")
                self.assertEqual(render(path, wav_path, seconds + RING_OUT), 1,
                                 "still sounding %.0f s after the end" % RING_OUT)
                levels = window_levels(wav_path)
                rendered = len(levels) * WINDOW
                loop = levels[:int(seconds / WINDOW)]
                tail = levels[int((seconds + TAIL_START) / WINDOW):]
                level = mean_level(loop)
                gap = longest_silence(loop)
                bar = shortest_bar(song, end)
                print("%s: loop %.2f s, render %.2f s, level %.1f dBFS, longest gap %.2f s"
                      " (bar %.2f s), tail %.1f dBFS"
                      % (name, seconds, rendered, level, gap, bar, mean_level(tail) if tail else -150.0))
                self.assertGreaterEqual(rendered, seconds - WINDOW)
                self.assertGreater(level, LOUDNESS_FLOOR)
                self.assertLess(gap, bar)
                if tail:
                    self.assertLess(mean_level(tail), level - TAIL_DROP)


if __name__ == "__main__":
    unittest.main(verbosity=2)
