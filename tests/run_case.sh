#!/usr/bin/env bash
# Runs one golden case through the real binary: tests/cases/NAME/ holds input.nwctxt,
# optional args (one argument per line), expected.out, expected.err and expected.status.
set -u
bin=$1
dir=$2
name=$(basename "$dir")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

args=()
if [ -f "$dir/args" ]; then mapfile -t args <"$dir/args"; fi
"$bin" "${args[@]}" <"$dir/input.nwctxt" >"$work/out" 2>"$work/err"
status=$?

fail=0
expected_status=$(tr -d ' \n' <"$dir/expected.status")
if [ "$status" != "$expected_status" ]; then
  echo "$name: exit status $status, expected $expected_status"
  fail=1
fi
for stream in out err; do
  if ! cmp -s "$work/$stream" "$dir/expected.$stream"; then
    line=$(cmp "$work/$stream" "$dir/expected.$stream" 2>&1 | grep -o 'line [0-9]*' | head -n 1)
    label=output
    [ "$stream" = err ] && label=error
    echo "$name: standard $label differs (${line:-at the end})"
    diff -u "$dir/expected.$stream" "$work/$stream" | head -n 20
    fail=1
  fi
done
exit $fail
