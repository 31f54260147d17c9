#!/usr/bin/env python3
"""Writes the largest score choirly accepts, for timing and memory measurements.

The score is a four-part choir piece (soprano, alto, tenor, bass) in the NoteWorthy Composer
2.5 text format. It fills the line table: every input line but an over-long one takes one slot
number, dropped layout lines and captured song, tempo and lyric lines included, and the table
has 4000 slots. The score has 3999 lines ending with a line feed, so the end marker takes slot
3998 and the empty final line slot 3999, the last one. Each staff stays just under the 1000
entries that a staff holds, so choirly converts the score without a message.

Usage: make_largest_score.py [OUTPUT]   (standard output when OUTPUT is missing or "-")

The score is the same on every run: the music comes from a fixed-seed generator.
"""

import random
import sys

LINE_SLOTS = 4000  # slots of choirly's line table
STORED_LINE_MAX = 200  # longest line choirly stores
STAFF_SLOTS = 1000  # entries of one staff
TARGET_LINES = LINE_SLOTS - 1  # physical lines; the empty final line takes the last slot

HEADER = "!NoteWorthyComposer(2.5)"
END_MARKER = "!NoteWorthyComposer-End"
MEASURE = 96  # a 3/4 measure, in 128ths of a whole note

# Duration names and their lengths in 128ths.
DURATIONS = {"Whole": 128, "Half": 64, "4th": 32, "8th": 16, "16th": 8}

# One line per part: name, clef record, lowest and highest staff position of its range.
PARTS = [
    ("Soprano", "|Clef|Type:Treble", -5, 5),
    ("Alto", "|Clef|Type:Treble", -7, 2),
    ("Tenor", "|Clef|Type:Tenor", -3, 6),
    ("Bass", "|Clef|Type:Bass", -6, 4),
]

# Lines that begin the file: song information and the layout that choirly drops.
FILE_HEAD = [
    HEADER,
    '|Editor|ActiveStaff:1|CaretIndex:1|CaretPos:0',
    '|SongInfo|Title:"Psalm of the Long Evening"|Author:"M. Harrow"|Lyricist:"J. Pell"'
    '|Copyright1:"Public Domain"|Copyright2:"Free to copy and perform"',
    '|PgSetup|StaffSize:16|Zoom:4|TitlePage:Y|JustifyVertically:Y|PrintSystemSepMark:N'
    '|ExtendLastSystem:N|DurationPadding:Y|PageNumbers:0|StaffLabels:None|BarNumbers:Plain'
    '|StartingBar:1',
    '|Font|Style:StaffItalic|Typeface:"Times New Roman"|Size:10|Bold:Y|Italic:Y|CharSet:0',
    '|Font|Style:StaffBold|Typeface:"Times New Roman"|Size:8|Bold:Y|Italic:N|CharSet:0',
    '|Font|Style:StaffLyric|Typeface:"Times New Roman"|Size:7.2|Bold:N|Italic:N|CharSet:0',
    '|Font|Style:PageTitleText|Typeface:"Times New Roman"|Size:24|Bold:Y|Italic:N|CharSet:0',
    '|Font|Style:PageText|Typeface:"Times New Roman"|Size:12|Bold:N|Italic:N|CharSet:0',
    '|Font|Style:PageSmallText|Typeface:"Times New Roman"|Size:8|Bold:N|Italic:N|CharSet:0',
    '|PgMargins|Left:1.27|Top:1.27|Right:1.27|Bottom:1.27|Mirror:N',
]

LYRIC_TEXTS = [
    "Now the long eve-ning falls a-cross the hills, and the lamps are lit in ev-'ry win-dow",
    "Rest, O wea-ry tra-vel-ler, the road is done and the night is kind",
    "Sing we now the qui-et song that the ri-vers keep in their deep bed",
]


def staff_head(index, name, clef):
    """The records that open a staff; the layout records among them are dropped."""
    lines = [
        f'|AddStaff|Name:"{name}"|Label:"{name}"|Group:"Standard"',
        '|StaffProperties|EndingBar:Section Close|Visible:Y|BoundaryTop:12|BoundaryBottom:12'
        f'|Lines:5|WithNextStaff:{"Bracket,ConnectBars" if index < 3 else ""}|Color:Default',
        f'|StaffInstrument|Name:"Choir Aahs"|Patch:52|Trans:0|DynVel:10,30,45,60,75,92,108,127',
    ]
    if index == 0:
        lines.append("|Lyrics|Placement:Bottom|Align:Standard Rules|Offset:0")
        lines += [f'|Lyric{n + 1}|Text:"{t}"' for n, t in enumerate(LYRIC_TEXTS)]
    lines += [clef, "|Key|Signature:Bb|Tonic:F", "|TimeSig|Signature:3/4"]
    if index == 0:
        lines.append("|Tempo|Tempo:84|Pos:12")
    return lines


class Part:
    """Writes the music of one part, one measure at a time."""

    def __init__(self, rng, low, high):
        self.rng = rng
        self.low = low
        self.high = high
        self.pos = (low + high) // 2
        self.slur_open = False

    def step(self):
        """The next pitch: mostly steps, sometimes a leap, always inside the range."""
        move = self.rng.choice([-2, -1, -1, 0, 1, 1, 2, 3, -3])
        self.pos = min(self.high, max(self.low, self.pos + move))
        return self.pos

    def accidental(self):
        return self.rng.choices(["", "#", "b", "n", "x", "v"], [80, 7, 7, 4, 1, 1])[0]

    def note(self, dur, opts="", tie=False):
        pos = self.step()
        slur = ""
        if self.slur_open:
            self.slur_open = False  # this note ends the slur
        elif dur in ("4th", "8th") and self.rng.random() < 0.12:
            slur, self.slur_open = ",Slur", True
        line = f"|Note|Dur:{dur}{slur}|Pos:{self.accidental()}{pos}{'^' if tie else ''}"
        return line + (f"|Opts:{opts}" if opts else "")

    def chord(self, dur):
        root = self.step()
        notes = sorted({root, min(self.high + 2, root + 2), min(self.high + 4, root + 4)})
        return f"|Chord|Dur:{dur}|Pos:{','.join(str(p) for p in notes)}|Opts:Stem=Up"

    def measure(self):
        """The events of one full 3/4 measure."""
        kind = self.rng.randrange(11)
        if kind == 0:
            return [self.note("4th"), self.note("4th"), self.note("4th")]
        if kind == 1:
            return [self.note("Half"), self.note("4th")]
        if kind == 2:
            return [self.note("Half,Dotted", tie=self.rng.random() < 0.3)]
        if kind == 3:
            return [self.note("4th,Dotted"), self.note("8th"), self.note("4th")]
        if kind == 4:
            return [self.note("8th", "Stem=Up,Beam=First"), self.note("8th", "Stem=Up,Beam=End"),
                    self.note("4th"), self.note("4th")]
        if kind == 5:
            return [self.chord("4th"), self.chord("Half")]
        if kind == 6:
            upper = self.step()
            return [f"|Chord|Dur:Half|Pos:{upper}|Opts:Stem=Up|Dur2:4th|Pos2:{upper - 4}",
                    f"|Chord|Dur:4th|Pos:{self.step()}|Opts:Stem=Up|Dur2:4th|Pos2:{upper - 3}"]
        if kind == 7:
            return [self.note("4th"), "|Rest|Dur:4th", self.note("4th")]
        if kind == 8:
            return ["|RestChord|Dur:4th|Opts:VertOffset=0|Dur2:4th|Pos2:-5",
                    self.note("Half")]
        if kind == 9:
            return [self.note("16th"), self.note("16th"), self.note("8th"),
                    self.note("4th,Dotted"), self.note("8th")]
        return [self.note("4th"), self.note("Half", tie=self.rng.random() < 0.5)]


def makes_entry(line):
    """Whether choirly stores the line as an entry of the staff table."""
    return line.startswith(("|Clef|", "|Key|", "|TimeSig|", "|Dynamic||", "|Rest|",
                            "|RestChord|", "|Chord|", "|Note|", "|TempoVariance|")) \
        or line in ("|Bar", "|Bar|Style:Double")


def staff_body(rng, low, high, line_budget):
    """Pickup, measures and the closing of one staff, in at most `line_budget` lines."""
    part = Part(rng, low, high)
    ending = ["|TempoVariance|Style:Fermata|Pause:0|Pos:9|Justify:Center|Placement:AtNextNote",
              "|Note|Dur:Half,Dotted|Pos:0", "|Bar|Style:Double"]
    lines = ["|Dynamic||Style:mp|Pos:-8", part.note("4th"), "|Bar"]  # a quarter-note pickup
    dynamics = ["p", "mp", "mf", "f", "mf", "ff", "mp"]
    measures = 0
    while True:
        measure = part.measure() + ["|Bar"]
        if measures % 8 == 7:
            measure.insert(0, f"|Dynamic||Style:{dynamics[measures // 8 % len(dynamics)]}|Pos:-8")
        if measures == 160:
            measure.insert(0, "|Key|Signature:Bb,Eb|Tonic:B")
        if measures == 200:
            measure.insert(0, "|Flow|Style:Segno|Pos:8")  # a record choirly skips
        if len(lines) + len(measure) + len(ending) > line_budget:
            break
        lines += measure
        measures += 1
    return lines + ending


def make_score():
    rng = random.Random(20240508)
    heads = [staff_head(i, name, clef) for i, (name, clef, _, _) in enumerate(PARTS)]
    fixed = len(FILE_HEAD) + sum(len(h) for h in heads) + 1  # the end marker
    spare = TARGET_LINES - fixed
    lines = list(FILE_HEAD)
    for i, (_, _, low, high) in enumerate(PARTS):
        budget = spare // (len(PARTS) - i)
        body = staff_body(rng, low, high, budget)
        spare -= len(body)
        lines += heads[i] + body
    lines.append(END_MARKER)
    return lines


def check(lines):
    """Fails loudly if the score would not be accepted whole and silently by choirly."""
    assert lines[0] == HEADER and lines[-1] == END_MARKER
    assert len(lines) <= TARGET_LINES, len(lines)
    for n, line in enumerate(lines):
        assert len(line) <= STORED_LINE_MAX, (n, len(line))
    entries = []
    for line in lines:
        if line.startswith("|AddStaff"):
            entries.append(0)
        elif entries and makes_entry(line):
            entries[-1] += 1
    assert len(entries) == len(PARTS), entries
    assert all(e < STAFF_SLOTS for e in entries), entries
    return entries


def main(argv):
    lines = make_score()
    entries = check(lines)
    text = "\n".join(lines) + "\n"
    if len(argv) > 1 and argv[1] != "-":
        with open(argv[1], "w", encoding="ascii", newline="\n") as f:
            f.write(text)
    else:
        sys.stdout.write(text)
    print(f"make_largest_score: {len(lines)} lines, staff entries {entries}", file=sys.stderr)


if __name__ == "__main__":
    main(sys.argv)
