#!/usr/bin/env bash
# Engraves one score: converts it with choirly, updates the result with convert-ly and
# engraves it with lilypond, all in a temporary folder.
#
#   engrave_score.sh CHOIRLY SCORE KNOWN_FAILURES
#
# The score engraves when choirly exits with status 0, convert-ly exits with status 0,
# lilypond exits with status 0 and lilypond prints no "error:" line. A score named in
# KNOWN_FAILURES (first field of a line: the file name; the rest: why) is expected not to
# engrave. Exit status: 0 when the outcome is the expected one, 1 when it is not (an
# unexpected failure, or a listed score that engraves now), 77 when convert-ly or lilypond
# is missing, so that CTest reports the test as skipped.
set -u
readonly skip_status=77

if [ $# -ne 3 ]; then
  echo "usage: $0 CHOIRLY SCORE KNOWN_FAILURES" >&2
  exit 2
fi
choirly=$1
score=$2
known_failures=$3
name=$(basename "$score")

for tool in convert-ly lilypond; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP $name: $tool is not installed (scripts/install-deps installs it as root)"
    exit $skip_status
  fi
done
if [ ! -r "$score" ]; then
  echo "FAIL $name: cannot read $score"
  exit 1
fi
if [ ! -r "$known_failures" ]; then
  echo "FAIL $name: cannot read the list of known failures $known_failures"
  exit 1
fi

# The reason given for this score in the list of known failures, empty when it is not listed.
reason=$(awk -v n="$name" '!/^[[:space:]]*(#|$)/ && $1 == n { $1 = ""; sub(/^[[:space:]]+/, ""); print; exit }' \
  "$known_failures")

work=$(mktemp -d "${TMPDIR:-/tmp}/choirly-engrave.XXXXXX")
trap 'rm -rf "$work"' EXIT

# choirly reads only the 2.5 header; scores saved by other 2.x versions differ from it in
# nothing that choirly reads, so their header line is replaced.
sed '1s/^.*!NoteWorthyComposer(2\.[0-9]*).*$/!NoteWorthyComposer(2.5)/' "$score" >"$work/input.nwctxt"

failure=""
"$choirly" <"$work/input.nwctxt" >"$work/converted.ly" 2>"$work/choirly.err"
status=$?
if [ $status -ne 0 ]; then
  failure="choirly exited with status $status"
else
  convert-ly - <"$work/converted.ly" >"$work/engraved.ly" 2>"$work/convert-ly.log"
  status=$?
  if [ $status -ne 0 ]; then
    failure="convert-ly exited with status $status"
  else
    (cd "$work" && lilypond -o engraved engraved.ly >lilypond.log 2>&1)
    status=$?
    error_count=$(grep -c 'error:' "$work/lilypond.log")
    if [ $status -ne 0 ] || [ "$error_count" -ne 0 ]; then
      failure="lilypond exited with status $status and printed $error_count error line(s)"
    fi
  fi
fi

# Prints what went wrong: choirly's messages, the lilypond errors with the lines of the
# engraved document they point at.
report() {
  echo "--- choirly standard error:"
  cat "$work/choirly.err"
  if [[ $failure == convert-ly* ]]; then
    echo "--- convert-ly:"
    cat "$work/convert-ly.log"
  fi
  if [ -f "$work/lilypond.log" ]; then
    echo "--- lilypond errors:"
    grep -A 3 'error:' "$work/lilypond.log" | head -n 60
    grep -o '^engraved\.ly:[0-9]*:[0-9]*: error:' "$work/lilypond.log" | cut -d: -f2 | sort -nu | head -n 10 |
      while read -r line; do
        first=$((line > 3 ? line - 3 : 1))
        echo "--- engraved.ly, lines $first to $line:"
        awk -v a="$first" -v b="$line" 'NR >= a && NR <= b { printf "%6d  %s\n", NR, $0 }' "$work/engraved.ly"
      done
  fi
}

if [ -z "$failure" ]; then
  if [ -n "$reason" ]; then
    echo "FAIL $name engraves now, but tests/engrave-known-failures.txt lists it ($reason);"
    echo "     remove its line from the list."
    exit 1
  fi
  echo "PASS $name engraves"
  grep -c 'warning:' "$work/lilypond.log" | sed 's/^/     lilypond warnings: /'
  exit 0
fi

if [ -n "$reason" ]; then
  echo "KNOWN FAILURE $name: $failure"
  echo "     listed because: $reason"
  report
  exit 0
fi
echo "FAIL $name: $failure"
report
exit 1
