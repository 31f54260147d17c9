#!/usr/bin/env bash
# Checks the list of scores that are known not to engrave:
#
#   check_known_failures.sh KNOWN_FAILURES SCORE_FOLDER...
#
# Every line that is neither empty nor a comment must name a score that exists in one of the
# folders, once only, followed by a reason. Exit status 0 when the list is sound, else 1.
set -u
list=$1
shift
if [ ! -r "$list" ]; then
  echo "FAIL cannot read $list"
  exit 1
fi
for folder in "$@"; do
  if [ ! -d "$folder" ]; then
    echo "FAIL score folder $folder does not exist"
    exit 1
  fi
done

fail=0
declare -A seen=()
line_number=0
while IFS= read -r line || [ -n "$line" ]; do
  line_number=$((line_number + 1))
  [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
  read -r name reason <<<"$line"
  if [ -z "$reason" ]; then
    echo "FAIL line $line_number: $name has no reason"
    fail=1
  fi
  if [ -n "${seen[$name]:-}" ]; then
    echo "FAIL line $line_number: $name is listed twice"
    fail=1
  fi
  seen[$name]=1
  found=0
  for folder in "$@"; do
    [ -f "$folder/$name" ] && found=1
  done
  if [ $found -eq 0 ]; then
    echo "FAIL line $line_number: no score $name in $*"
    fail=1
  fi
done <"$list"
[ $fail -eq 0 ] && echo "PASS ${#seen[@]} known failure(s), each naming an existing score with a reason"
exit $fail
