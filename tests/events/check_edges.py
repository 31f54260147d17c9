#!/usr/bin/env python3
# Looks for ink at the paper's edge: reads the pages of a PDF rendered by Ghostscript to gray
# PGM at a low resolution and reports every page with a dark pixel within 4 mm of the right or
# bottom edge, where LilyPond's margins leave the paper blank unless a system runs over.
#
#   check_edges.py PAGE.pgm...
#
# Exit status 0 when every page is clean, 1 when one is not (each such page is named), 2 when
# a file is no binary PGM.
import sys

EDGE_MM = 4.0
DARK = 128  # gray levels below this count as ink


def read_pgm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P5" or int(fields[3]) > 255:
        raise ValueError(path + " is no 8-bit binary PGM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at + 1:at + 1 + width * height]
    if len(pixels) != width * height:
        raise ValueError(path + " is cut short")
    return width, height, pixels


def ink_at_edge(width, height, pixels, dpi):
    strip = int(EDGE_MM / 25.4 * dpi + 0.5)
    for y in range(height):
        row = pixels[y * width:(y + 1) * width]
        band = row if y >= height - strip else row[width - strip:]
        if min(band) < DARK:
            return "right" if y < height - strip or min(row[width - strip:]) < DARK else "bottom"
    return None


def main(paths):
    dpi = 60
    if paths and paths[0].startswith("--dpi="):
        dpi = int(paths[0][6:])
        paths = paths[1:]
    failed = False
    for path in paths:
        try:
            width, height, pixels = read_pgm(path)
        except (OSError, ValueError) as error:
            print("cannot read page: " + str(error))
            return 2
        edge = ink_at_edge(width, height, pixels, dpi)
        if edge:
            print("ink within %g mm of the %s edge: %s" % (EDGE_MM, edge, path))
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
