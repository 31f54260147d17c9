#!/usr/bin/env python3
# Plays a golden page case's document through LilyPond and reads the MIDI file it writes:
# every note's channel and pitch, and every channel's volume, expression and pan, must be the
# ones CASE/expected.midi lists (one "note CHANNEL PITCH" or "control CHANNEL NUMBER VALUE" a
# line, channels from 1), as a sorted list: LilyPond sends a channel's controls of one moment
# in an order of its own.
#
#   check_midi.py CASE_DIR
#
# Exit status 0 when they agree, 1 when not, 77 without lilypond.
import os
import shutil
import subprocess
import sys
import tempfile

CONTROLLERS = {7: "volume", 10: "pan", 11: "expression"}


def variable_length(data, at):
    value = 0
    while True:
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, at


def read_track(data, events):
    at, status = 0, 0
    while at < len(data):
        _, at = variable_length(data, at)
        if data[at] & 0x80:
            status = data[at]
            at += 1
        if status == 0xFF:  # meta event: type, length, data
            length, at = variable_length(data, at + 1)
            at += length
        elif status in (0xF0, 0xF7):
            length, at = variable_length(data, at)
            at += length
        else:
            kind, channel = status & 0xF0, (status & 0x0F) + 1
            size = 1 if kind in (0xC0, 0xD0) else 2
            first, second = data[at], data[at + 1] if size == 2 else 0
            at += size
            if kind == 0x90 and second > 0:
                events.append("note %d %d" % (channel, first))
            if kind == 0xB0 and first in CONTROLLERS:
                events.append("control %d %s %d" % (channel, CONTROLLERS[first], second))


def read_midi(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"MThd":
        raise ValueError(path + " is no MIDI file")
    at, events = 8 + int.from_bytes(data[4:8], "big"), []
    while at + 8 <= len(data):
        length = int.from_bytes(data[at + 4:at + 8], "big")
        if data[at:at + 4] == b"MTrk":
            read_track(data[at + 8:at + 8 + length], events)
        at += 8 + length
    return events


def main(case_dir):
    name = os.path.basename(os.path.normpath(case_dir))
    if not shutil.which("lilypond"):
        print("SKIP %s: lilypond is not installed" % name)
        return 77
    with open(os.path.join(case_dir, "expected.midi")) as f:
        expected = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    with tempfile.TemporaryDirectory() as work:
        shutil.copy(os.path.join(case_dir, "expected.ly"), os.path.join(work, "case.ly"))
        run = subprocess.run(["lilypond", "-s", "case.ly"], cwd=work, capture_output=True,
                             text=True)
        midi = os.path.join(work, "case.midi")
        if run.returncode != 0 or not os.path.exists(midi):
            print("FAIL %s: lilypond made no MIDI file:\n%s" % (name, run.stderr[-2000:]))
            return 1
        played = sorted(read_midi(midi))
    expected = sorted(expected)
    if played != expected:
        print("FAIL %s: the MIDI file holds (expected | played):" % name)
        for i in range(max(len(expected), len(played))):
            print("  %-28s | %s" % (expected[i] if i < len(expected) else "",
                                    played[i] if i < len(played) else ""))
        return 1
    print("ok %s: %d notes and controls as expected" % (name, len(played)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
