#!/usr/bin/env bash
# A hand-written score of NoteWorthy Composer 2.751 (UTF-8), with an accented title and a
# Korean composer, through choirly-engrave --ly-only on the page path and on choirly's:
#
#   utf8_score.sh CHOIRLY_ENGRAVE CHOIRLY SCORE
#
# The header holds both texts in UTF-8; every other byte is choirly's output for the score
# prepared by hand: header 2.5, characters in Windows-1252 with ? for the Korean ones.
set -u
engrave=$1 choirly=$2 score=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/companion-utf8.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL $*"; exit 1; }

cp "$score" "$work/score.nwctxt"
# The page path keeps the score's own characters in its header.
"$engrave" --ly-only -o "$work/page" "$work/score.nwctxt" >"$work/stdout" 2>&1 || fail "page path: status $?: $(cat "$work/stdout")"
grep -qxF "$(printf '  title = "Caf\303\251 No\303\253l"')" "$work/page/score.ly" || fail "page path: no UTF-8 title line"
grep -qxF "$(printf '  composer = "\352\271\200\353\257\274\354\210\230"')" "$work/page/score.ly" || fail "page path: no UTF-8 composer line"

"$engrave" --ly-only --choirly "$work/score.nwctxt" >"$work/stdout" 2>&1 || fail "status $?: $(cat "$work/stdout")"

# The header lines as they must read, in UTF-8: "Café Noël" and "김민수".
title=$(printf '    title = "Caf\303\251 No\303\253l"')
composer=$(printf '    composer = "\352\271\200\353\257\274\354\210\230"')
grep -qxF "$title" "$work/score.ly" || fail "no UTF-8 title line"
grep -qxF "$composer" "$work/score.ly" || fail "no UTF-8 composer line"

sed '1s/!NoteWorthyComposer(2\.751)/!NoteWorthyComposer(2.5)/' "$score" |
  iconv -f UTF-8 -t CP1252//TRANSLIT >"$work/prepared.nwctxt" || fail "iconv"
LC_ALL=C grep -q '^|SongInfo|Title:"Caf.*|Author:"???"' "$work/prepared.nwctxt" || fail "prepared score: no ??? author"
"$choirly" -SATB <"$work/prepared.nwctxt" >"$work/choirly.ly" 2>/dev/null || fail "choirly refused the prepared score"
awk -v t="$title" -v c="$composer" '/^    title = /{$0=t} /^    composer = /{$0=c} {print}' \
  "$work/choirly.ly" >"$work/expected.ly"
cmp "$work/expected.ly" "$work/score.ly" || { diff "$work/expected.ly" "$work/score.ly"; fail "documents differ"; }
echo "PASS UTF-8 title and composer on both paths, the rest byte for byte choirly's"
