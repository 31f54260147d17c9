#!/usr/bin/env bash
# Read and write failures through the real binary: a directory as standard input, and a
# full device as standard output. Each must end with status 1 and its one ERROR line.
set -u
bin=$1
score=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

check() {  # name, status, expected status, stderr file, expected stderr
  if [ "$2" != "$3" ]; then echo "$1: exit status $2, expected $3"; fail=1; fi
  if [ "$(cat "$4")" != "$5" ]; then
    echo "$1: standard error differs:"; cat "$4"; fail=1
  fi
}

"$bin" -SATB </ >"$work/out" 2>"$work/err"
check "directory on stdin" $? 1 "$work/err" "ERROR: Cannot read standard input: Is a directory"
if [ -s "$work/out" ]; then echo "directory on stdin: standard output is not empty"; fail=1; fi

"$bin" -SATB <"$score" >/dev/full 2>"$work/err"
check "full stdout" $? 1 "$work/err" \
  "ERROR: Cannot write the document to standard output: No space left on device"

# The same score to a working stdout converts, so the failure above is the device's.
"$bin" -SATB <"$score" >"$work/out" 2>"$work/err"
check "working stdout" $? 0 "$work/err" ""
exit $fail
