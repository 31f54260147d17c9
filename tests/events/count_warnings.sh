#!/usr/bin/env bash
# Counts, in LilyPond logs, the warnings that mean music was lost or misplaced on the page,
# prints a table by score and kind, and fails on any:
#
#   count_warnings.sh LILYPOND_LOG...
#
# The kinds, with LilyPond 2.24's messages:
#   bar check   "barcheck failed at: ..."
#   tie         "unterminated tie"
#   key         "discarding event: `key-change-event'"  (a second key at the same moment)
#   clef        "unknown clef type `...'", "clef `...' not found", and "discarded clef change"
#               from tests/events/log-events.ly (LilyPond itself keeps the last of two
#               clefs at one moment silently)
#   time        "mid-measure time signature without \partial",
#               "discarding event: `time-signature-event'", and "discarded time change"
#               from log-events.ly
# Exit status 0 when every count is zero, 1 otherwise or when a log cannot be read.
set -u
if [ $# -eq 0 ]; then
  echo "usage: $0 LILYPOND_LOG..." >&2
  exit 2
fi

kinds=("bar check" "tie" "key" "clef" "time")
patterns=(
  'warning: barcheck failed at:'
  'warning: unterminated tie'
  "warning: discarding event: \`key-change-event'"
  "warning: (unknown clef type \`|clef \`.*' not found|discarded clef change)"
  "warning: (mid-measure time signature without \\\\partial|discarding event: \`time-signature-event'|discarded time change)"
)
totals=(0 0 0 0 0)
fail=0

printf '%-44s' "score"
printf '%10s' "${kinds[@]}"
printf '\n'
for log in "$@"; do
  name=$(basename "$log")
  name=${name%%.*}
  if [ ! -r "$log" ]; then
    printf '%-44s  no LilyPond log: %s\n' "$name" "$log"
    fail=1
    continue
  fi
  printf '%-44s' "$name"
  for i in "${!kinds[@]}"; do
    n=$(grep -cE -- "${patterns[$i]}" "$log")
    totals[i]=$((totals[i] + n))
    printf '%10s' "$n"
  done
  printf '\n'
done
printf '%-44s' "total ($# scores)"
printf '%10s' "${totals[@]}"
printf '\n'

sum=0
for n in "${totals[@]}"; do sum=$((sum + n)); done
if [ $sum -ne 0 ]; then
  echo "FAIL LilyPond reported $sum warning(s) of lost or misplaced music"
  fail=1
elif [ $fail -eq 0 ]; then
  echo "PASS no bar-check failure, unterminated tie, or discarded key, clef or time change"
fi
exit $fail
