#!/usr/bin/env bash
# Runs choirly-engrave over every real score of the corpus, as the files are.
#
#   corpus.sh CHOIRLY_ENGRAVE CHOIRLY CORPUS (ly-only|engrave) choirly
#   corpus.sh CHOIRLY_ENGRAVE CHOIRLY_PAGE_EVENTS CORPUS (ly-only|engrave) page
#
# On choirly's path (--choirly) every score but m21_very_simple.nwctxt, which has no end
# marker, must convert (and engrave). With ly-only, each document must also equal choirly's
# own output for the score under a 2.5 header, except for the header and lyric lines that
# carry the score's texts. On the page path every score converts (a missing end marker is a
# warning in its log), and with ly-only each document is the page choirly-page-events --ly
# writes. Exit status 77 in engrave mode when LilyPond is missing.
set -u
engrave=$1 choirly=$2 corpus=$3 mode=$4 path=${5:-choirly}
if [ "$path" = page ]; then
  exec "$(dirname "$0")/corpus_page.sh" "$engrave" "$choirly" "$corpus" "$mode"
fi
if [ "$mode" = engrave ]; then
  for tool in lilypond convert-ly; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP $tool is not installed"; exit 77; }
  done
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/companion-corpus.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL $*"; exit 1; }

args=(-o "$work/out" --choirly)
word=engraved outputs=(ly pdf midi log)
if [ "$mode" = ly-only ]; then
  args+=(--ly-only)
  word=converted outputs=(ly log)
fi
"$engrave" "${args[@]}" "$corpus" >"$work/stdout" 2>"$work/stderr"
status=$?
cat "$work/stdout"
[ $status -eq 1 ] || fail "exit status $status, expected 1"
[ "$(tail -n 1 "$work/stdout")" = "33 $word, 1 failed: m21_very_simple.nwctxt" ] ||
  fail "summary line: $(tail -n 1 "$work/stdout")"
grep -qx 'FAILED  m21_very_simple.nwctxt: .*end marker.*' "$work/stdout" ||
  fail "no FAILED line naming the missing end marker"
[ "$(grep -c '^ok  ' "$work/stdout")" -eq 33 ] || fail "not 33 ok lines"
[ "$mode" = ly-only ] || grep -qxE 'ok  musicociel_empty.nwctxt -> musicociel_empty.ly \(no PDF: LilyPond skipped a score without music(; [0-9]+ LilyPond warnings?)?\)' "$work/stdout" ||
  fail "the ok line of the score without music claims a PDF"
[ ! -s "$work/stderr" ] || fail "standard error not empty: $(head -n 3 "$work/stderr")"

for score in "$corpus"/*.nwctxt; do
  name=$(basename "$score" .nwctxt)
  [ "$name" = m21_very_simple ] && continue
  for ext in "${outputs[@]}"; do
    # A score without notes engraves to nothing: LilyPond skips it and says so.
    if [ "$name" = musicociel_empty ] && [ "$mode" = engrave ] && [ "$ext" != ly ] && [ "$ext" != log ]; then
      [ ! -e "$work/out/$name.$ext" ] || fail "$name.$ext from a score without music"
      continue
    fi
    [ -s "$work/out/$name.$ext" ] || fail "no $name.$ext"
  done
  [ "$mode" = ly-only ] || continue
  # The lines that carry texts are left out of the comparison; all others are choirly's.
  texts='^    (title|poet|composer) = |^      % \\addlyrics \{ '
  sed '1s/!NoteWorthyComposer(2\.[0-9]*)/!NoteWorthyComposer(2.5)/' "$score" | "$choirly" -SATB 2>/dev/null |
    grep -Ev "$texts" >"$work/expected.ly"
  grep -Ev "$texts" "$work/out/$name.ly" >"$work/actual.ly"
  cmp -s "$work/expected.ly" "$work/actual.ly" || fail "$name.ly differs from choirly's document"
done
echo "PASS the corpus: 33 $word, 1 failed"
