#!/usr/bin/env bash
# Counts LilyPond's warnings of lost or misplaced music over every corpus score engraved
# through the page path, and fails on any:
#
#   warnings_summary.sh CHECK_EVENTS CHOIRLY_ENGRAVE PAGE_EVENTS LOG_EVENTS_LY OUT_DIR SCORE...
#
# The per-score events tests leave NAME.lilypond.log in OUT_DIR; a log that is missing or
# older than the score, choirly-engrave or the logger is made again here, so this test
# also runs on its own. The table and the verdict come from count_warnings.sh; a last line
# gives the notes and syllables LilyPond engraved over these scores.
set -u
if [ $# -lt 6 ]; then
  echo "usage: $0 CHECK_EVENTS CHOIRLY_ENGRAVE PAGE_EVENTS LOG_EVENTS_LY OUT_DIR SCORE..." >&2
  exit 2
fi
check=$1
engrave=$2
page_events=$3
log_events=$4
out=$5
shift 5
if ! command -v lilypond >/dev/null 2>&1; then
  echo "SKIP lilypond is not installed (scripts/install-deps installs it as root)"
  exit 77
fi

logs=()
for score in "$@"; do
  name=$(basename "$score" .nwctxt)
  log=$out/$name.lilypond.log
  if [ ! -f "$log" ] || [ "$score" -nt "$log" ] || [ "$engrave" -nt "$log" ] ||
    [ "$log_events" -nt "$log" ]; then
    "$check" --engrave-only --engrave "$engrave" "$page_events" "$log_events" "$score" "$out" >/dev/null
  fi
  logs+=("$log")
done
"$(dirname "$0")/count_warnings.sh" "${logs[@]}"
status=$?

# The events LilyPond engraved over the corpus, for the record (the per-score tests compare them).
notes=0
syllables=0
for score in "$@"; do
  engraved=$out/$(basename "$score" .nwctxt).engraved
  [ -f "$engraved" ] || continue
  notes=$((notes + $(grep -c '^note ' "$engraved")))
  syllables=$((syllables + $(grep -c '^lyric ' "$engraved")))
done
echo "events engraved over the $# scores: $notes notes, $syllables syllables"
exit $status
