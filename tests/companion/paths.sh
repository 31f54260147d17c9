#!/usr/bin/env bash
# Paths, outputs and usage of choirly-engrave, with --ly-only:
#
#   paths.sh CHOIRLY_ENGRAVE EXAMPLE_SCORE
#
# a folder with a blank in its name searched in its subfolders, files beside the scores or
# under -o with the folder structure kept, usage errors, and a PATH without LilyPond.
set -u
engrave=$1 example=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/companion-paths.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL $*"; exit 1; }

mkdir -p "$work/my scores/sub dir" "$work/my scores/other"
cp "$example" "$work/my scores/Hymn 1.nwctxt"
cp "$example" "$work/my scores/sub dir/Hymn 2.NWCTXT"
cp "$example" "$work/my scores/other/-odd; name.nwctxt"
echo "not a score" >"$work/my scores/other/readme.txt"

"$engrave" --ly-only -o "$work/out put" "$work/my scores" >"$work/stdout" 2>&1
status=$?
[ $status -eq 0 ] || fail "-o run: exit status $status: $(cat "$work/stdout")"
for f in "Hymn 1" "sub dir/Hymn 2" "other/-odd; name"; do
  [ -s "$work/out put/$f.ly" ] && [ -f "$work/out put/$f.log" ] || fail "no $f.ly and .log under -o"
done
[ ! -e "$work/my scores/Hymn 1.ly" ] || fail "a .ly was written beside the score with -o"
[ "$(ls "$work/out put/other")" = "$(printf '%s\n' '-odd; name.log' '-odd; name.ly')" ] ||
  fail "other files under -o/other: $(ls "$work/out put/other")"
grep -qx 'ok  sub dir/Hymn 2.NWCTXT -> sub dir/Hymn 2.ly' "$work/stdout" || fail "ok line: $(cat "$work/stdout")"
[ "$(tail -n 1 "$work/stdout")" = "3 converted, 0 failed" ] || fail "summary: $(tail -n 1 "$work/stdout")"

# Without -o the files go beside the score; -q leaves only the summary.
out=$("$engrave" --ly-only -q "$work/my scores/sub dir/Hymn 2.NWCTXT") || fail "beside: status $?"
[ "$out" = "1 converted, 0 failed" ] || fail "-q printed: $out"
cmp -s "$work/my scores/sub dir/Hymn 2.ly" "$work/out put/sub dir/Hymn 2.ly" || fail "no .ly beside the score"

# Usage errors: one line on standard error each, exit status 2.
for args in "" "--bogus $work" "-j 0 $work" "-j" "$work/missing"; do
  # shellcheck disable=SC2086
  "$engrave" --ly-only $args >"$work/usage.out" 2>"$work/usage.err"
  [ $? -eq 2 ] && [ "$(wc -l <"$work/usage.err")" -eq 1 ] && [ ! -s "$work/usage.out" ] ||
    fail "'$args': not exit status 2 with one line on standard error"
done

# No LilyPond on PATH: one line that suggests --ly-only, exit status 1, nothing written.
mkdir "$work/empty"
PATH="$work/empty" "$engrave" -o "$work/none" "$work/my scores" >"$work/tools.out" 2>"$work/tools.err"
status=$?
[ $status -eq 1 ] || fail "without LilyPond: exit status $status, expected 1"
[ "$(wc -l <"$work/tools.err")" -eq 1 ] && grep -q -- '--ly-only' "$work/tools.err" &&
  grep -q lilypond "$work/tools.err" || fail "without LilyPond: $(cat "$work/tools.err")"
[ ! -e "$work/none" ] && [ ! -s "$work/tools.out" ] || fail "without LilyPond, work was done"
echo "PASS paths, outputs, usage errors and a missing LilyPond"
