#!/usr/bin/env python3
"""Writes the game's two sound tracks as Standard MIDI Files:
track0.mid (Grieg, In the Hall of the Mountain King) and track1.mid
(Rossini, the galop from the William Tell overture), both our own
arrangements. Usage: compose_tracks.py [output directory, default resources/].
The output is the same on every run, so the committed files can be checked
against it."""

import os
import sys

sys.dont_write_bytecode = True  # keep the source tree free of caches

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import mountain_king  # noqa: E402
import smf  # noqa: E402
import william_tell  # noqa: E402

# file name : module that composes it
TRACKS = [
    ("track0.mid", mountain_king),
    ("track1.mid", william_tell),
]


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = argv[1] if len(argv) > 1 else os.path.join(here, "..", "..", "resources")
    for file_name, piece in TRACKS:
        division, conductor, parts, end = piece.compose()
        path = os.path.join(out_dir, file_name)
        size = smf.write_file(path, division, conductor, parts, end)
        print("%s: %d bytes, %d tracks, %d ticks per quarter"
              % (file_name, size, len(parts) + 1, division))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
