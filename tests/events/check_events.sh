#!/usr/bin/env bash
# Engraves one score through the page path with the events logger and compares the notes and
# syllables LilyPond engraved with the ones the score model holds:
#
#   check_events.sh [--engrave-only] [--engrave CHOIRLY_ENGRAVE [--parts]] PAGE_EVENTS LOG_EVENTS_LY SCORE OUT_DIR
#
# PAGE_EVENTS is the choirly-page-events program: "PAGE_EVENTS SCORE" prints the model's
# events, "PAGE_EVENTS --ly SCORE" the page document. With --engrave the document is the one
# "CHOIRLY_ENGRAVE --ly-only" writes instead, as users get it. LOG_EVENTS_LY is the include
# file that makes LilyPond log its events. OUT_DIR keeps NAME.ly, NAME.model, NAME.engraved
# and NAME.lilypond.log for the warnings summary and for a look by hand.
#
# Exit status 0 when LilyPond engraved the document without error and both sides hold the
# same events, 1 otherwise (the first differing events are printed), 77 without lilypond.
# With --engrave-only the comparison is left out (the warnings summary uses it to make a
# missing log). With --parts the document is the one "CHOIRLY_ENGRAVE --parts" writes, engraved
# once: the full score is compared as above, then check_parts.py checks each part's page
# (its notes and syllables those of its staff in the full score) and rehearsal MIDI file.
set -u
readonly skip_status=77

engrave_only=0
engrave=
parts=
while [ $# -gt 0 ]; do
  case $1 in
    --engrave-only) engrave_only=1 ;;
    --parts) parts=--parts ;;
    --engrave)
      engrave=${2:-}
      shift
      ;;
    *) break ;;
  esac
  shift
done
if [ $# -ne 4 ]; then
  echo "usage: $0 [--engrave-only] [--engrave CHOIRLY_ENGRAVE] PAGE_EVENTS LOG_EVENTS_LY SCORE OUT_DIR" >&2
  exit 2
fi
page_events=$1
log_events=$2
score=$3
out=$4
name=$(basename "$score")
name=${name%.*}

if ! command -v lilypond >/dev/null 2>&1; then
  echo "SKIP $name: lilypond is not installed (scripts/install-deps installs it as root)"
  exit $skip_status
fi
for file in "$page_events" "$log_events" "$score" ${engrave:+"$engrave"}; do
  if [ ! -r "$file" ]; then
    echo "FAIL $name: cannot read $file"
    exit 1
  fi
done
mkdir -p "$out" || exit 1
# LilyPond runs in a folder of its own, so every path handed to it must be absolute.
log_events=$(realpath "$log_events")
document=$out/$name.ly
model=$out/$name.model
engraved=$out/$name.engraved
log=$out/$name.lilypond.log
rm -f "$document" "$model" "$engraved" "$log"

work=$(mktemp -d "${TMPDIR:-/tmp}/choirly-events.XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ -n "$engrave" ]; then
  "$engrave" --ly-only $parts -q -o "$work/page" "$score" >"$out/$name.page.err" 2>&1 &&
    cp "$work/page/$name.ly" "$document" 2>>"$out/$name.page.err"
else
  "$page_events" --ly "$score" >"$document" 2>"$out/$name.page.err"
fi
status=$?
if [ $status -ne 0 ]; then
  echo "FAIL $name: the page path could not write the document:"
  cat "$out/$name.page.err"
  exit 1
fi
cp "$document" "$work/$name.ly"
(cd "$work" && CHOIRLY_EVENTS_LOG=$work/engraved lilypond -dinclude-settings="$log_events" \
  -o "$name" "$name.ly" >"$work/lilypond.log" 2>&1)
status=$?
cp "$work/lilypond.log" "$log"
touch "$work/engraved"
# The full score is the first score engraved; the parts' pages follow it.
awk '/^score$/ { n++; next } n <= 1' "$work/engraved" | LC_ALL=C sort >"$engraved"
# Every error line counts, but for one harmless message: LilyPond probing a table that the
# Korean fallback fonts (Nanum) do not have; the text still prints.
errors=$(grep 'error:' "$log" | grep -cv '^programming error: FT_Load_Sfnt_Table (): error\.$')
if [ $status -ne 0 ] || [ "$errors" -ne 0 ]; then
  echo "FAIL $name: lilypond exited with status $status and printed $errors error line(s):"
  grep -A 3 'error:' "$log" | head -n 40
  exit 1
fi
[ $engrave_only -eq 1 ] && exit 0

# No system may run past the paper's edge: the pages at 60 dpi, no ink in the 4 mm strip at
# the right and bottom edges.
edge_check=$(dirname "$0")/check_edges.py
if ! command -v gs >/dev/null 2>&1; then
  echo "FAIL $name: Ghostscript (gs) is missing, so no page can be checked for ink at the edge"
  exit 1
fi
# A score without music makes no PDF; then no page can overflow.
[ -s "$work/$name.pdf" ] &&
  gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pgmraw -r60 -sOutputFile="$work/page-%03d.pgm" \
  "$work/$name.pdf" >"$work/gs.log" 2>&1
if [ -s "$work/$name.pdf" ] && ! python3 "$edge_check" --dpi=60 "$work"/page-*.pgm >"$work/edges"; then
  echo "FAIL $name: music past the paper's edge:"
  sed "s|$work/||" "$work/edges"
  exit 1
fi
echo "     pages: $(find "$work" -name 'page-*.pgm' | wc -l), none with ink at the right or bottom edge"

# The systems are LilyPond's to break; what each shows at its start is the model's to say.
if ! "$page_events" --systems "$engraved" "$score" >"$work/model" 2>"$out/$name.model.err" ||
  [ -s "$out/$name.model.err" ]; then
  echo "FAIL $name: the model's events could not be listed:"
  cat "$out/$name.model.err"
  exit 1
fi
LC_ALL=C sort "$work/model" >"$model"

# The totals, for the closing note: notes and syllables on each side.
count() { grep -c "^$1 " "$2"; }
model_notes=$(count note "$model")
model_syllables=$(count lyric "$model")
notes=$(count note "$engraved")
syllables=$(count lyric "$engraved")
echo "$name: LilyPond engraved $notes notes and $syllables syllables;" \
  "the model holds $model_notes notes and $model_syllables syllables"
echo "     lilypond warnings: $(grep -c 'warning:' "$log")"

if cmp -s "$model" "$engraved"; then
  if [ "$model_notes" -eq 0 ] && [ "$model_syllables" -eq 0 ]; then
    echo "PASS $name: no notes and no syllables on either side"
  else
    echo "PASS $name: the same events on both sides"
  fi
  [ -z "$parts" ] && exit 0
  cp "$work/engraved" "$out/$name.engraved-all"
  python3 "$(dirname "$0")/check_parts.py" "$document" "$work/engraved" "$model" "$work" "$name"
  exit $?
fi

# The events found on one side only, by onset, the model's before LilyPond's, then as text.
LC_ALL=C comm -23 "$model" "$engraved" | sed 's/^/model only:    /' >"$work/differences"
LC_ALL=C comm -13 "$model" "$engraved" | sed 's/^/LilyPond only: /' >>"$work/differences"
differing=$(wc -l <"$work/differences")
echo "FAIL $name: $differing event(s) differ (a sorted multiset of lines on each side); the first ones by onset:"
awk '{ onset = $5; split(onset, part, "/"); value = (2 in part) ? part[1] / part[2] : part[1];
       event = $0; sub(/^[^:]*: */, "", event); side = /^model/ ? 0 : 1;
       printf "%.9f\t%s\t%d\t%s\n", value, event, side, $0 }' "$work/differences" |
  LC_ALL=C sort -t "$(printf '\t')" -k1,1g -k3,3n -k2,2 | cut -f4- | head -n 24
exit 1
