#!/usr/bin/env bash
# Engraves a score in a folder with a blank in its name, with --png, into a folder with a
# blank in its name:
#
#   engrave_folder.sh CHOIRLY_ENGRAVE EXAMPLE_SCORE
#
# Exit status 77 when LilyPond is missing.
set -u
engrave=$1 example=$2
for tool in lilypond convert-ly; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP $tool is not installed"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/companion-engrave.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL $*"; exit 1; }

mkdir -p "$work/my scores/a b"
cp "$example" "$work/my scores/a b/Evening hymn.nwctxt"
"$engrave" -j 1 --png -o "$work/out put" "$work/my scores" >"$work/stdout" 2>&1
status=$?
cat "$work/stdout"
[ $status -eq 0 ] || fail "exit status $status"
base="$work/out put/a b/Evening hymn"
for f in "$base.pdf" "$base.midi" "$base.ly" "$base.log"; do
  [ -s "$f" ] || fail "no $f"
done
ls "$base"*.png >/dev/null 2>&1 || fail "no PNG page"
grep -q '^\\version "2\.2[4-9]' "$base.ly" || fail "the .ly was not updated by convert-ly"
[ ! -e "$base.ly.new" ] || fail "convert-ly's temporary file was left"
[ -z "$(find "$work/out put" -name '.choirly-engrave-*')" ] || fail "a work folder was left"
# LilyPond runs beside the document, so its messages name the file as it lies beside the log.
grep -q "^Processing \`Evening hymn.ly'" "$base.log" || fail "LilyPond's messages do not name the file"
grep -qE '^ok  a b/Evening hymn.nwctxt -> a b/Evening hymn.pdf( \([0-9]+ LilyPond warnings?\))?$' \
  "$work/stdout" || fail "no ok line"
[ "$(tail -n 1 "$work/stdout")" = "1 engraved, 0 failed" ] || fail "summary"
echo "PASS engraved in folders with blanks"
