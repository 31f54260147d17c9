#!/usr/bin/env python3
"""Writes a 10-line score: one treble staff with a pickup, a measure and the end marker.

Usage: make_small_score.py [OUTPUT]   (standard output when OUTPUT is missing or "-")

It is the small counterpart of make_largest_score.py: memory and allocation figures of the
two show whether choirly's use of memory grows with the size of its input.
"""

import sys

LINES = [
    "!NoteWorthyComposer(2.5)",
    '|SongInfo|Title:"Short Amen"|Author:"Anon."|Lyricist:""|Copyright1:"Public Domain"',
    '|AddStaff|Name:"Soprano"|Label:"Soprano"|Group:"Standard"',
    "|Clef|Type:Treble",
    "|Key|Signature:Bb|Tonic:F",
    "|TimeSig|Signature:3/4",
    "|Note|Dur:4th|Pos:-2",
    "|Bar",
    "|Chord|Dur:Half,Dotted|Pos:-4,-2,0",
    "!NoteWorthyComposer-End",
]


def main(argv):
    text = "\n".join(LINES) + "\n"
    if len(argv) > 1 and argv[1] != "-":
        with open(argv[1], "w", encoding="ascii", newline="\n") as f:
            f.write(text)
    else:
        sys.stdout.write(text)


if __name__ == "__main__":
    main(sys.argv)
