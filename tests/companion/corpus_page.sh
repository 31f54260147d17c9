#!/usr/bin/env bash
# choirly-engrave's default, the page path, over every real score of the corpus:
#
#   corpus_page.sh CHOIRLY_ENGRAVE CHOIRLY_PAGE_EVENTS CORPUS (ly-only|engrave)
#
# Every score converts (and engraves: the score without music leaves no PDF, as LilyPond
# skips it); m21_very_simple.nwctxt, without an end marker, has the warning in its log. With
# ly-only each document is the page that choirly-page-events --ly writes for the score.
# Exit status 77 in engrave mode when LilyPond is missing.
#
# choirly-engrave gives several documents to each LilyPond process; in engrave mode some
# scores are then engraved again, one LilyPond process each, and must give the same MIDI
# file and the same number of PDF pages. They are the shortest ones (under 2300 bytes: the
# scores a process holds most of, where starting LilyPond is most of the cost, so that the
# check adds seconds, not minutes) and one of four pages.
set -u
engrave=$1 page_events=$2 corpus=$3 mode=$4
if [ "$mode" = engrave ]; then
  command -v lilypond >/dev/null 2>&1 || { echo "SKIP lilypond is not installed"; exit 77; }
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/companion-page.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL $*"; exit 1; }

count=$(ls "$corpus"/*.nwctxt | wc -l)
args=(-o "$work/out")
word=engraved outputs=(ly pdf midi log)
if [ "$mode" = ly-only ]; then
  args+=(--ly-only)
  word=converted outputs=(ly log)
fi
"$engrave" "${args[@]}" "$corpus" >"$work/stdout" 2>"$work/stderr"
status=$?
cat "$work/stdout"
[ $status -eq 0 ] || fail "exit status $status, expected 0"
[ "$(tail -n 1 "$work/stdout")" = "$count $word, 0 failed" ] ||
  fail "summary line: $(tail -n 1 "$work/stdout")"
[ "$(grep -c '^ok  ' "$work/stdout")" -eq "$count" ] || fail "not $count ok lines"
[ ! -s "$work/stderr" ] || fail "standard error not empty: $(head -n 3 "$work/stderr")"
grep -q 'warning: line 5: the score has no end marker !NoteWorthyComposer-End' "$work/out/m21_very_simple.log" ||
  fail "m21_very_simple.log does not name the missing end marker"

for score in "$corpus"/*.nwctxt; do
  name=$(basename "$score" .nwctxt)
  for ext in "${outputs[@]}"; do
    if [ "$name" = musicociel_empty ] && [ "$mode" = engrave ] && [ "$ext" != ly ] && [ "$ext" != log ]; then
      [ ! -e "$work/out/$name.$ext" ] || fail "$name.$ext from a score without music"
      continue
    fi
    [ -s "$work/out/$name.$ext" ] || fail "no $name.$ext"
  done
  head -n 1 "$work/out/$name.ly" | grep -qx '\\version "2.24.0"' || fail "$name.ly is no LilyPond 2.24 page"
  [ "$mode" = ly-only ] || continue
  "$page_events" --ly "$score" >"$work/expected.ly" || fail "choirly-page-events refused $name"
  cmp -s "$work/expected.ly" "$work/out/$name.ly" || fail "$name.ly differs from choirly-page-events --ly"
done
[ "$mode" = engrave ] || { echo "PASS the corpus on the page path: $count $word, 0 failed"; exit 0; }

# pages FILE.pdf: its number of pages, as Ghostscript (which LilyPond writes PDFs with) counts.
pages() {
  gs -q -dNODISPLAY --permit-file-read="$(dirname "$1")/" \
    -c "($1) (r) file runpdfbegin pdfpagecount = quit" 2>/dev/null
}
mkdir "$work/alone"
alone=()
for score in "$corpus"/*.nwctxt; do
  name=$(basename "$score" .nwctxt)
  [ "$name" = musicociel_empty ] && continue
  if [ "$(wc -c <"$score")" -lt 2300 ] || [ "$name" = kor_choir_gara_sarang_satb ]; then
    cp "$work/out/$name.ly" "$work/alone/"
    alone+=("$name")
  fi
done
[ ${#alone[@]} -ge 10 ] || fail "only ${#alone[@]} scores to engrave alone"
(cd "$work/alone" && printf '%s\n' "${alone[@]}" |
  xargs -P "$(nproc)" -I{} sh -c 'lilypond -o "$1" "$1.ly" >"$1.lilypond" 2>&1' - {}) ||
  fail "LilyPond failed on a score alone"
for name in "${alone[@]}"; do
  cmp -s "$work/alone/$name.midi" "$work/out/$name.midi" ||
    fail "$name.midi differs from the one engraved alone"
  together=$(pages "$work/out/$name.pdf") by_itself=$(pages "$work/alone/$name.pdf")
  [ -n "$by_itself" ] && [ "$together" = "$by_itself" ] ||
    fail "$name.pdf has ${together:-no} pages, alone ${by_itself:-no}"
done
echo "PASS the corpus on the page path: $count $word, 0 failed; ${#alone[@]} scores engraved" \
  "alone gave the same MIDI files and numbers of pages"
