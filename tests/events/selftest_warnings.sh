#!/usr/bin/env bash
# Tests the warnings counter on two hand-made LilyPond logs: one holding every kind of
# warning of lost music (and some harmless ones), which must fail with the right counts,
# and one holding only harmless warnings, which must pass.
#
#   selftest_warnings.sh COUNT_WARNINGS SELFTEST_DIR
set -u
count=$1
dir=$2
fail=0

table=$("$count" "$dir/lost-music.log" "$dir/clean.log")
status=$?
echo "$table"
# bar check 2, tie 2, key 1 (the conflict line is the kept event), clef 2, time 3.
expected_rows="lost-music 2 2 1 2 3
clean 0 0 0 0 0
total (2 scores) 2 2 1 2 3"
rows=$(echo "$table" | sed -n '2,4p' | tr -s ' ' | sed 's/ $//')
if [ $status -ne 1 ]; then
  echo "FAIL a log with lost music passed (status $status)"
  fail=1
fi
if [ "$rows" != "$expected_rows" ]; then
  echo "FAIL the counts are not the expected ones:"
  echo "$expected_rows"
  fail=1
fi

"$count" "$dir/clean.log" >/dev/null
status=$?
if [ $status -ne 0 ]; then
  echo "FAIL a log with only harmless warnings failed (status $status)"
  fail=1
fi
"$count" "$dir/no-such.log" >/dev/null
status=$?
if [ $status -ne 1 ]; then
  echo "FAIL a missing log passed (status $status)"
  fail=1
fi
[ $fail -eq 0 ] && echo "PASS every kind is counted, harmless warnings are not, a missing log fails"
exit $fail
