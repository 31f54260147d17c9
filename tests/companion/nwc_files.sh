#!/usr/bin/env bash
# NoteWorthy Composer's own files (.nwc) through choirly-engrave:
#
#   nwc_files.sh CHOIRLY_ENGRAVE NWC_DIR REAL_DIR [engrave]
#
# the corpus folder of .nwc files (and the one text file among them) with --ly-only, the same
# page from each Korean .nwc as from its text pair, --nwctxt-only and --codepage, files that
# are no score or are cut short, and a folder with no score. With "engrave", the folder is
# engraved with LilyPond instead (status 77 without it).
set -u
engrave=$1 nwc_dir=$2 real_dir=$3 mode=${4:-ly-only}
work=$(mktemp -d "${TMPDIR:-/tmp}/companion-nwc.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL $*"; exit 1; }
korean="kor_choir_ganaham_3staff kor_choir_gara_sarang_satb kor_choir_go_down_moses_a kor_choir_go_down_moses_b"

if [ "$mode" = engrave ]; then
  command -v lilypond >/dev/null || { echo "SKIP lilypond is not installed"; exit 77; }
  "$engrave" -q -o "$work/pdf" "$nwc_dir" >"$work/stdout" 2>&1 || fail "status $?: $(cat "$work/stdout")"
  [ "$(tail -n 1 "$work/stdout")" = "12 engraved, 0 failed" ] || fail "summary: $(cat "$work/stdout")"
  [ "$(find "$work/pdf" -name '*.pdf' | wc -l)" -eq 12 ] || fail "not 12 PDF files"
  echo "PASS the 12 files of the .nwc folder engraved"
  exit 0
fi

# The folder: every file converts; NAME.nwc beside NAME.nwctxt writes NAME.nwc.ly.
"$engrave" --ly-only -o "$work/ly" "$nwc_dir" >"$work/stdout" 2>&1 || fail "folder: status $?: $(cat "$work/stdout")"
[ "$(tail -n 1 "$work/stdout")" = "12 converted, 0 failed" ] || fail "folder summary: $(cat "$work/stdout")"
grep -qx 'ok  m21_cuthbert_test1.nwc -> m21_cuthbert_test1.nwc.ly' "$work/stdout" || fail "no NAME.nwc.ly line"
grep -qx 'ok  m21_cuthbert_test1.nwctxt -> m21_cuthbert_test1.ly' "$work/stdout" || fail "no text pair line"
[ "$(ls "$work/ly"/*.ly | wc -l)" -eq 12 ] || fail "not 12 .ly files"
grep -q 'NoteWorthy Composer 1.75 score in CP949' "$work/ly/kor_choir_gara_sarang_satb.log" ||
  fail "log: $(head -n 1 "$work/ly/kor_choir_gara_sarang_satb.log")"

# The page path gives the same page from each Korean .nwc as from its text pair.
mkdir "$work/pairs"
for name in $korean; do cp "$real_dir/$name.nwctxt" "$work/pairs/"; done
"$engrave" --ly-only -q "$work/pairs" >/dev/null 2>&1 || fail "pairs: status $?"
for name in $korean; do
  cmp "$work/ly/$name.ly" "$work/pairs/$name.ly" || fail "$name: the .nwc and its text pair give different pages"
done

# Text copies: UTF-8, the 2.75 header, Hangul where the score has it.
"$engrave" --nwctxt-only -o "$work/text" "$nwc_dir" >"$work/stdout" 2>&1 || fail "--nwctxt-only: status $?: $(cat "$work/stdout")"
[ "$(tail -n 1 "$work/stdout")" = "12 converted, 0 failed" ] || fail "--nwctxt-only summary: $(cat "$work/stdout")"
for copy in "$work/text"/*.nwctxt; do
  [ "$(head -n 1 "$copy" | tr -d '\r')" = '!NoteWorthyComposer(2.75)' ] || fail "$copy: header $(head -n 1 "$copy")"
  iconv -f UTF-8 -t UTF-8 "$copy" >/dev/null 2>&1 || fail "$copy is not UTF-8"
done
title='|SongInfo|Title:"가라사랑안에-4부"|Author:"<Name>"|Lyricist:""|Copyright1:"Copyright ?<Year> by <Name>"|Copyright2:"All Rights Reserved"'
grep -qxF "$title" "$work/text/kor_choir_gara_sarang_satb.nwctxt" || fail "no Hangul title in the text copy"
# Beside itself a text score is not copied over.
cp "$real_dir/kor_choir_gara_sarang_satb.nwctxt" "$work/self.nwctxt"
"$engrave" --nwctxt-only "$work/self.nwctxt" >"$work/stdout" 2>&1 && fail "a text score copied over itself"
grep -qxF 'skipped  self.nwctxt: a text score already; its copy would replace it (use -o DIR)' "$work/stdout" ||
  fail "self copy: $(cat "$work/stdout")"
cmp -s "$work/self.nwctxt" "$real_dir/kor_choir_gara_sarang_satb.nwctxt" || fail "the text score was changed"

# --codepage 1252 reads the Korean strings as Western letters; the default, as Hangul.
mkdir "$work/cp"
cp "$nwc_dir/kor_choir_gara_sarang_satb.nwc" "$work/cp/"
"$engrave" --nwctxt-only --codepage 1252 -o "$work/cp/1252" "$work/cp" >/dev/null 2>&1 || fail "--codepage 1252: status $?"
grep -qF 'Title:"°¡¶ó»ç¶û¾È¿¡-4ºÎ"' "$work/cp/1252/kor_choir_gara_sarang_satb.nwctxt" ||
  fail "--codepage 1252: $(sed -n 2p "$work/cp/1252/kor_choir_gara_sarang_satb.nwctxt")"
"$engrave" --nwctxt-only --codepage=949 -o "$work/cp/949" "$work/cp/kor_choir_gara_sarang_satb.nwc" >/dev/null 2>&1 ||
  fail "--codepage=949: status $?"
grep -qxF "$title" "$work/cp/949/kor_choir_gara_sarang_satb.nwctxt" || fail "--codepage=949: no Hangul title"

# Files that are no score, or cut short, fail alone; an earlier page is kept; a text score
# named .nwc is read by its first bytes.
mkdir "$work/mixed"
printf 'MZ\220\000\003\000junk' >"$work/mixed/other program.nwc"
head -c 200 "$nwc_dir/m21_jingle_v175.nwc" >"$work/mixed/cut.NWC"
cp "$nwc_dir/m21_cuthbert_test1_uncompressed.nwc" "$work/mixed/whole.Nwc"
# Cut inside the label of the fourth staff, "Violoncello.", which begins at byte 995.
head -c 1000 "$nwc_dir/m21_cuthbert_test1_uncompressed.nwc" >"$work/mixed/short body.nwc"
cp "$nwc_dir/m21_cuthbert_test1.nwctxt" "$work/mixed/text inside.nwc"
echo "earlier page" >"$work/mixed/cut.ly"
"$engrave" --ly-only "$work/mixed" >"$work/stdout" 2>&1 && fail "mixed folder: status 0"
cat >"$work/expected" <<'OUT'
FAILED  cut.NWC: damaged NoteWorthy Composer file (at byte 200: the compressed stream ends early)
FAILED  other program.nwc: not a NoteWorthy Composer file
FAILED  short body.nwc: damaged NoteWorthy Composer file (at byte 995: a staff label has no end before the end of the file)
ok  text inside.nwc -> text inside.ly
ok  whole.Nwc -> whole.ly
2 converted, 3 failed: cut.NWC, other program.nwc, short body.nwc
OUT
diff "$work/expected" "$work/stdout" || fail "mixed folder output differs"
[ "$(cat "$work/mixed/cut.ly")" = "earlier page" ] || fail "the earlier page of a damaged file was replaced"
[ ! -e "$work/mixed/other program.ly" ] || fail "a page for a file that is no score"

# A folder with no score in it: its own line and status 1, the other PATHs still run.
mkdir "$work/none"
echo "not a score" >"$work/none/readme.txt"
"$engrave" --ly-only "$work/none" "$work/cp/kor_choir_gara_sarang_satb.nwc" >"$work/stdout" 2>"$work/stderr" && fail "empty folder: status 0"
[ "$(cat "$work/stderr")" = "choirly-engrave: no NoteWorthy Composer scores in $work/none" ] ||
  fail "empty folder: $(cat "$work/stderr")"
[ "$(tail -n 1 "$work/stdout")" = "1 converted, 0 failed" ] || fail "empty folder summary: $(cat "$work/stdout")"
echo "PASS .nwc folder, Korean pairs, text copies, code pages, bad files and empty folders"
