#!/bin/sh
# One golden page case: the page written for CASE/input.nwctxt must equal CASE/expected.ly.
#   run_page_case.sh CHOIRLY_PAGE_EVENTS CASE_DIR
# Prints the case's name and the first lines that differ when it fails.
tool="$1"
case_dir="$2"
name="$(basename "$case_dir")"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
if ! "$tool" --ly "$case_dir/input.nwctxt" >"$out"; then
  echo "FAIL $name: the page was not written"
  exit 1
fi
if ! cmp -s "$case_dir/expected.ly" "$out"; then
  echo "FAIL $name: the page differs from expected.ly (- expected, + written):"
  diff -u "$case_dir/expected.ly" "$out" | sed -n '3,20p'
  exit 1
fi
echo "ok $name"
