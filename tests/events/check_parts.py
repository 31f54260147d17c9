#!/usr/bin/env python3
# Checks the parts of a score engraved from the document "choirly-engrave --parts" writes,
# after check_events.sh has engraved it once with the events logger:
#
#   check_parts.py DOCUMENT EVENTS_LOG MODEL_EVENTS WORK_DIR NAME
#
# For each part the document makes (a \book with \bookOutputSuffix "PART", then one with
# "PART-rehearsal"): WORK_DIR/NAME-PART.pdf and NAME-PART-rehearsal.midi exist; the notes and
# syllables LilyPond engraved on the part's page (the events log's score after the full
# score's, one "score" line before each) are those the model holds for the part's staff and
# verses; and in the rehearsal MIDI file the rehearsed staves' channels are in the middle and
# louder than every other channel, with as many notes as NAME.midi, the full score's.
# Exit status 0 when all hold, 1 otherwise.
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "page"))
from check_midi import read_midi  # noqa: E402


def books(document):
    """The part books in order: (suffix, staff ids, lyrics ids, staves rehearsed)."""
    found, current = [], None
    with open(document, encoding="utf-8") as f:
        for line in f:
            suffix = re.search(r'\\bookOutputSuffix "(.*)"', line)
            if suffix:
                name = suffix.group(1)
                if current and name == current["suffix"] + "-rehearsal":
                    current["rehearsal"] = True
                    continue
                current = {"suffix": name, "staves": [], "lyrics": [], "rehearsed": 0,
                           "rehearsal": False}
                found.append(current)
                continue
            if not current:
                continue
            if current["rehearsal"]:
                current["rehearsed"] += line.count("midiPanPosition = #0.0000")
                continue
            current["staves"] += re.findall(r'\\new Staff = "([^"]*)"', line)
            current["lyrics"] += re.findall(r'\\new Lyrics = "([^"]*)"', line)
    return found


def channel_levels(events):
    """Each channel's notes, pan and loudness (volume times expression, MIDI's defaults)."""
    channels = {}
    for event in events:
        fields = event.split()
        channel = channels.setdefault(int(fields[1]), {"notes": 0, "pan": 64, "volume": 100,
                                                        "expression": 127})
        if fields[0] == "note":
            channel["notes"] += 1
        else:
            channel[fields[2]] = int(fields[3])
    for channel in channels.values():
        channel["level"] = channel["volume"] * channel["expression"]
    return channels


def main(document, log, model_file, work, name):
    parts = books(document)
    if not parts:
        print("FAIL %s: the document makes no part" % name)
        return 1
    with open(log, encoding="utf-8") as f:
        scores, segment = [], None
        for line in f:
            line = line.rstrip("\n")
            if line == "score":
                segment = []
                scores.append(segment)
            elif segment is not None:
                segment.append(line)
    with open(model_file, encoding="utf-8") as f:
        model = [line.rstrip("\n") for line in f]
    full_notes = sum(1 for e in read_midi(os.path.join(work, name + ".midi"))
                     if e.startswith("note "))
    pages = scores[1:]
    failed = 0
    if len(pages) != len(parts):
        print("FAIL %s: %d part pages engraved for %d parts" % (name, len(pages), len(parts)))
        return 1
    for part, engraved in zip(parts, pages):
        label = "%s-%s" % (name, part["suffix"])
        problems = []
        for extension in (".pdf", "-rehearsal.midi"):
            if not os.path.isfile(os.path.join(work, label + extension)):
                problems.append("no %s%s" % (label, extension))

        def own(line):
            fields = line.split(" ")
            return ((fields[0] == "note" and fields[1] in part["staves"]) or
                    (fields[0] == "lyric" and fields[1] in part["lyrics"]))
        expected = sorted(line for line in model if own(line))
        got = sorted(line for line in engraved if line.split(" ")[0] in ("note", "lyric"))
        if not expected:
            problems.append("the model holds no notes for staves %s" % part["staves"])
        if got != expected:
            only_model = [line for line in expected if line not in got][:5]
            only_page = [line for line in got if line not in expected][:5]
            problems.append("the page's notes and syllables differ from the staff's: model only "
                            "%s, page only %s" % (only_model, only_page))
        midi = os.path.join(work, label + "-rehearsal.midi")
        if os.path.isfile(midi):
            channels = channel_levels(read_midi(midi))
            notes = sum(c["notes"] for c in channels.values())
            middle = [c for c in channels.values() if c["pan"] == 64 and c["notes"] > 0]
            others = [c for c in channels.values() if c["pan"] != 64 and c["notes"] > 0]
            if notes != full_notes:
                problems.append("the rehearsal plays %d notes, the full score %d" %
                                (notes, full_notes))
            if not middle or len(middle) > part["rehearsed"]:
                problems.append("%d channels with notes in the middle for %d rehearsed staves" %
                                (len(middle), part["rehearsed"]))
            elif others and min(c["level"] for c in middle) <= max(c["level"] for c in others):
                problems.append("a rehearsed channel is no louder than another: %s" % channels)
        if problems:
            print("FAIL %s: %s" % (label, "; ".join(problems)))
            failed += 1
        else:
            print("PASS %s: %d notes and syllables as in the full score; rehearsal of %d notes, "
                  "%d staves in the middle and louder" % (label, len(got), full_notes,
                                                          len(middle)))
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) != 6:
        print("usage: check_parts.py DOCUMENT EVENTS_LOG MODEL_EVENTS WORK_DIR NAME",
              file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
