#!/bin/sh
# One golden page case, through choirly-engrave's default path: the page written for
# CASE/input.nwctxt must equal CASE/expected.ly, and its log CASE/expected.log where the case
# has one. CASE/options, where the case has one, holds more options for choirly-engrave.
#   run_page_case.sh CHOIRLY_ENGRAVE CASE_DIR
# Prints the case's name and the first lines that differ when it fails.
engrave="$1"
case_dir="$2"
name="$(basename "$case_dir")"
work="$(mktemp -d "${TMPDIR:-/tmp}/page-case.XXXXXX")"
trap 'rm -rf "$work"' EXIT
options=
[ -f "$case_dir/options" ] && options=$(cat "$case_dir/options")
# shellcheck disable=SC2086 # the options are words of their own
if ! "$engrave" --ly-only $options -q -o "$work" "$case_dir/input.nwctxt" >"$work/stdout" 2>&1; then
  echo "FAIL $name: the page was not written: $(cat "$work/stdout")"
  exit 1
fi
if ! cmp -s "$case_dir/expected.ly" "$work/input.ly"; then
  echo "FAIL $name: the page differs from expected.ly (- expected, + written):"
  diff -u "$case_dir/expected.ly" "$work/input.ly" | sed -n '3,20p'
  exit 1
fi
if [ -f "$case_dir/expected.log" ] && ! cmp -s "$case_dir/expected.log" "$work/input.log"; then
  echo "FAIL $name: the log differs from expected.log (- expected, + written):"
  diff -u "$case_dir/expected.log" "$work/input.log" | sed -n '3,20p'
  exit 1
fi
echo "ok $name"
