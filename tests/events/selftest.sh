#!/usr/bin/env bash
# Tests the events logger and the comparison on a hand-written piece whose events were
# written by hand: the right events must pass, and events that lost a triplet and a
# syllable must fail, naming exactly those differences first; a piece with one of each
# kind of lost music must give one warning of each kind, and one that loses nothing none.
#
#   selftest.sh CHECK_EVENTS LOG_EVENTS_LY SELFTEST_DIR OUT_DIR
set -u
check=$1
log_events=$2
dir=$3
out=$4
stand_in=$dir/stand_in_page_events.sh
piece=$dir/features.ly
fail=0

"$check" "$stand_in" "$log_events" "$piece" "$out/right" >"$out.right.txt" 2>&1
status=$?
cat "$out.right.txt"
[ $status -eq 77 ] && exit 77
if [ $status -ne 0 ]; then
  echo "FAIL the hand-written events of features.ly differ from LilyPond's"
  fail=1
fi

CHOIRLY_STAND_IN_MODEL=$dir/features-wrong.events \
  "$check" "$stand_in" "$log_events" "$piece" "$out/wrong" >"$out.wrong.txt" 2>&1
status=$?
cat "$out.wrong.txt"
expected="model only:    note staff1 1/3 - 0:1:0 1/8
LilyPond only: note staff1 1/3 - 0:1:0 1/12
LilyPond only: lyric staff1-verse1 11/4 De"
shown=$(grep -E '^(model|LilyPond) only:' "$out.wrong.txt")
if [ $status -ne 1 ]; then
  echo "FAIL a model without the triplet and a syllable passed (status $status)"
  fail=1
elif [ "$shown" != "$expected" ]; then
  echo "FAIL the differences shown are not the expected ones:"
  echo "$expected"
  fail=1
fi
# Through LilyPond and the logger, one warning of each kind is counted once.
"$check" --engrave-only "$stand_in" "$log_events" "$dir/conflicts.ly" "$out/conflicts" >"$out.conflicts.txt" 2>&1
"$(dirname "$0")/count_warnings.sh" "$out/conflicts/conflicts.lilypond.log" >"$out.counts.txt"
status=$?
cat "$out.counts.txt"
row=$(sed -n 2p "$out.counts.txt" | tr -s ' ' | sed 's/ $//')
if [ $status -ne 1 ] || [ "$row" != "conflicts 1 1 1 1 1" ]; then
  echo "FAIL conflicts.ly should give one warning of each kind: conflicts 1 1 1 1 1"
  cat "$out.conflicts.txt"
  fail=1
fi
"$check" --engrave-only "$stand_in" "$log_events" "$dir/own-timing.ly" "$out/own-timing" >"$out.own-timing.txt" 2>&1
if ! "$(dirname "$0")/count_warnings.sh" "$out/own-timing/own-timing.lilypond.log"; then
  echo "FAIL own-timing.ly loses nothing, yet warnings were counted"
  cat "$out.own-timing.txt"
  fail=1
fi
[ $fail -eq 0 ] && echo "PASS the logger gives the hand-written events, the comparison shows the differences, and each kind of lost music is warned"
exit $fail
