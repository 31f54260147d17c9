#!/usr/bin/env bash
# Batch behaviour of choirly-engrave with stand-in convert-ly and lilypond scripts on PATH, so
# that every failure, time limit and interrupt runs quickly and the same way each time:
#
#   batch.sh GROUP CHOIRLY_ENGRAVE EXAMPLE_SCORE
#
# GROUP is one of: failures, interrupts, names, options, groups. Messages are checked by
# their exact text.
set -u
group=$1 engrave=$2 example=$3
standin=$(cd "$(dirname "$0")/standin" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/companion-batch.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PATH="$standin:$PATH" STANDIN_PIDS="$work/pids"
unset STANDIN_LILYPOND STANDIN_CONVERT_LY STANDIN_DELAY STANDIN_ONLY STANDIN_RUNS
fail() { echo "FAIL [$group] $*"; exit 1; }
cd "$work" || exit 1

# run NAME EXPECTED_STATUS ARGS...: runs choirly-engrave, output in NAME.out and NAME.err.
run() {
  local name=$1 expected=$2
  shift 2
  "$engrave" "$@" >"$name.out" 2>"$name.err"
  local status=$?
  [ $status -eq "$expected" ] ||
    fail "$name: exit status $status, expected $expected; stdout: $(cat "$name.out"); stderr: $(cat "$name.err")"
}
# same NAME FILE: FILE holds exactly what is on stdin.
same() {
  local expected
  expected=$(cat)
  [ "$expected" = "$(cat "$2")" ] || fail "$1: got
$(cat "$2")
expected
$expected"
}
no_work_folders() {
  [ -z "$(find "$work" -name '.choirly-engrave-*')" ] || fail "$1: a work folder was left: $(find "$work" -name '.choirly-engrave-*')"
}
# All processes a stand-in recorded, and their process groups, have ended.
children_ended() {
  [ -s "$STANDIN_PIDS" ] || fail "$1: no stand-in recorded its process"
  local pid
  for pid in $(cat "$STANDIN_PIDS"); do
    # The group's last processes, killed, may take a moment to be gone.
    for _ in $(seq 30); do
      kill -0 -- "-$pid" 2>/dev/null || break
      sleep 0.1
    done
    ! kill -0 -- "-$pid" 2>/dev/null || fail "$1: process group $pid still runs"
  done
  rm -f "$STANDIN_PIDS"
}
score() { mkdir -p "$(dirname "$1")" && cp "$example" "$1"; }

case $group in
failures)
  score s/a.nwctxt
  # convert-ly fails on choirly's path: the document and the log are written, no PDF.
  STANDIN_CONVERT_LY=fail run convert 1 --choirly -o out s
  same convert convert.out <<'EOF'
FAILED  a.nwctxt: convert-ly exited with status 1 (see a.log)
0 engraved, 1 failed: a.nwctxt
EOF
  [ -s out/a.ly ] && grep -q 'convert-ly: stand-in failure' out/a.log || fail "convert: no a.ly, or a log without convert-ly's message"
  [ ! -e out/a.pdf ] || fail "convert: a PDF"
  no_work_folders convert

  # The page path runs lilypond alone: a failing convert-ly, or none on PATH, changes nothing.
  STANDIN_CONVERT_LY=fail run page 0 -o page s
  same page page.out <<'EOF'
ok  a.nwctxt -> a.pdf (1 LilyPond warning)
1 engraved, 0 failed
EOF
  head -n 1 page/a.ly | grep -qx '\\version "2.24.0"' || fail "page: a.ly is not the page path's document"
  ! grep -q 'convert-ly' page/a.log || fail "page: convert-ly ran"
  mkdir -p only-lilypond
  ln -s "$standin/lilypond" only-lilypond/lilypond
  PATH="$work/only-lilypond" run page-alone 0 -q -o page-alone s
  [ -s page-alone/a.pdf ] || fail "page-alone: no PDF without convert-ly on PATH"
  PATH="$work/only-lilypond" run choirly-alone 1 -q --choirly -o page-alone s
  same choirly-alone choirly-alone.err <<'EOF'
choirly-engrave: convert-ly is not on PATH; install LilyPond, or use --ly-only to write the .ly files alone
EOF

  # A good run, then runs that fail or write no PDF: the earlier PDF stays as it was.
  run good 0 -o out s
  same good good.out <<'EOF'
ok  a.nwctxt -> a.pdf (1 LilyPond warning)
1 engraved, 0 failed
EOF
  grep -qx '%PDF stand-in for a.ly' out/a.pdf || fail "good: the PDF is not the new one"
  grep -qx 'a.ly:2:1: warning: stand-in warning' out/a.log || fail "good: LilyPond's output is not in the log"
  echo "earlier" >out/a.pdf
  STANDIN_LILYPOND=error run error 1 -o out s
  same error error.out <<'EOF'
FAILED  a.nwctxt: a.ly:3:1: error: stand-in error (a.pdf of an earlier run left as it was)
0 engraved, 1 failed: a.nwctxt
EOF
  STANDIN_LILYPOND=no-pdf run no-pdf 0 -o out s
  same no-pdf no-pdf.out <<'EOF'
ok  a.nwctxt -> a.ly (no PDF: LilyPond wrote none; the a.pdf there is from an earlier run)
1 engraved, 0 failed
EOF
  [ "$(cat out/a.pdf)" = earlier ] || fail "the earlier PDF was changed"
  no_work_folders no-pdf

  # A LilyPond that hangs is ended with its process group after --timeout seconds.
  start=$SECONDS
  STANDIN_LILYPOND='sleep' run timeout 1 --timeout 1 -o out s
  same timeout timeout.out <<'EOF'
FAILED  a.nwctxt: LilyPond took longer than 1 s (a.pdf of an earlier run left as it was)
0 engraved, 1 failed: a.nwctxt
EOF
  [ $((SECONDS - start)) -le 10 ] || fail "timeout: the run took $((SECONDS - start)) s"
  children_ended timeout
  no_work_folders timeout

  # Started with SIGCHLD ignored (children are then reaped unseen), every score still ends
  # as what it is.
  score s/b.nwctxt
  perl -e '$SIG{CHLD} = "IGNORE"; exec @ARGV or die' "$engrave" -j 1 -o sigchld s \
    >sigchld.out 2>sigchld.err || fail "sigchld: exit status $?: $(cat sigchld.out sigchld.err)"
  same sigchld sigchld.out <<'EOF'
ok  a.nwctxt -> a.pdf (1 LilyPond warning)
ok  b.nwctxt -> b.pdf (1 LilyPond warning)
2 engraved, 0 failed
EOF
  [ -s sigchld/a.pdf ] && [ -s sigchld/b.pdf ] || fail "sigchld: no PDFs"
  ;;

interrupts)
  for n in 1 2 3; do score "s/$n.nwctxt"; done
  set -m  # background runs get SIGINT as a foreground one would
  # Each signal ends every child, removes every work folder, leaves the earlier outputs.
  for case in "INT 130" "TERM 143" "HUP 129"; do
    read -r signal expected <<<"$case"
    mkdir -p out && echo earlier >out/1.pdf && echo earlier >out/1.ly
    STANDIN_LILYPOND='sleep' "$engrave" -j 2 -o out s >"$signal.out" 2>"$signal.err" &
    pid=$!
    for _ in $(seq 100); do
      [ -f "$STANDIN_PIDS" ] && [ "$(wc -l <"$STANDIN_PIDS")" = 2 ] && break
      sleep 0.1
    done
    kill "-$signal" "$pid"
    wait "$pid"
    status=$?
    [ $status -eq "$expected" ] || fail "SIG$signal: exit status $status, expected $expected"
    same "SIG$signal" "$signal.out" <<'EOF'
interrupted: 0 engraved, 0 failed, 3 not run
EOF
    children_ended "SIG$signal"
    no_work_folders "SIG$signal"
    [ "$(cat out/1.pdf out/1.ly)" = "$(printf 'earlier\nearlier')" ] || fail "SIG$signal: earlier outputs changed"
    [ "$(ls out)" = "$(printf '1.ly\n1.pdf')" ] || fail "SIG$signal: new files in out: $(ls out)"
  done
  set +m

  # A closed standard output: the batch goes on, and the exit status and standard error say so.
  STANDIN_DELAY=0.3 "$engrave" -j 1 -o piped s 2>pipe.err | head -n 1 >pipe.out
  status=${PIPESTATUS[0]}
  [ "$status" -eq 1 ] || fail "| head: exit status $status, expected 1"
  same "| head" pipe.out <<'EOF'
ok  1.nwctxt -> 1.pdf (1 LilyPond warning)
EOF
  same "| head" pipe.err <<'EOF'
choirly-engrave: cannot write to standard output: Broken pipe; the run went on: 3 engraved, 0 failed
EOF
  [ -s piped/3.pdf ] || fail "| head: the batch stopped"
  ;;

names)
  # One score named twice, and through a link, runs once.
  score s/x.nwctxt
  ln -s x.nwctxt s/y.nwctxt
  run twice 0 --ly-only s/x.nwctxt ./s/x.nwctxt s/y.nwctxt s
  same twice twice.out <<'EOF'
ok  x.nwctxt -> x.ly
1 converted, 0 failed
EOF
  # Two scores with one output name are refused before any work.
  score d1/a.nwctxt
  score d2/a.nwctxt
  run collide 1 --ly-only -o out d1 d2
  same collide collide.err <<'EOF'
choirly-engrave: d1/a.nwctxt and d2/a.nwctxt would both write out/a.*; rename one of them, or engrave them in separate runs
EOF
  [ ! -e out/a.ly ] || fail "collide: work was done"
  score case/b.nwctxt
  score case/b.NWCTXT
  run case 1 --ly-only case
  same case case.err <<'EOF'
choirly-engrave: case/b.NWCTXT and case/b.nwctxt would both write case/b.*; rename one of them, or engrave them in separate runs
EOF

  # A FIFO and a device named like scores are skipped with a reason; nothing hangs.
  mkfifo s/fifo.nwctxt
  ln -s /dev/zero s/zero.nwctxt
  timeout 20 "$engrave" --ly-only s s/fifo.nwctxt >fifo.out 2>fifo.err
  status=$?
  [ $status -eq 1 ] || fail "fifo: exit status $status, expected 1"
  same fifo fifo.out <<'EOF'
skipped  fifo.nwctxt: a FIFO, not a score file
skipped  zero.nwctxt: a character device, not a score file
skipped  fifo.nwctxt: a FIFO, not a score file
ok  x.nwctxt -> x.ly
1 converted, 0 failed; 3 skipped: fifo.nwctxt, zero.nwctxt, fifo.nwctxt
EOF
  rm s/fifo.nwctxt s/zero.nwctxt

  # A file too large for choirly (line_slots lines of input_line_max characters, four bytes
  # each in UTF-8, with CR LF: 4000 * (4 * 1997 + 2) + 64 bytes) is refused unread; so is one
  # past the page path's 32 MiB and 64 bytes (for a byte-order mark and a longer header).
  truncate -s 40000000 big.nwctxt
  run big-page 1 --ly-only big.nwctxt
  same big-page big-page.out <<'EOF'
FAILED  big.nwctxt: it is 40000000 bytes, more than the 33554496 bytes that the page path can take
0 converted, 1 failed: big.nwctxt
EOF
  run big 1 --ly-only --choirly big.nwctxt
  same big big.out <<'EOF'
FAILED  big.nwctxt: it is 40000000 bytes, more than the 31960064 bytes that choirly can take
0 converted, 1 failed: big.nwctxt
EOF
  rm big.nwctxt

  # Control characters in names are shown escaped: one line per score.
  score "n/evil"$'\n'"ok  z.nwctxt"
  score "n/esc"$'\e'"[31m.nwctxt"
  run newline 0 --ly-only n
  same newline newline.out <<'EOF'
ok  esc\x1b[31m.nwctxt -> esc\x1b[31m.ly
ok  evil\nok  z.nwctxt -> evil\nok  z.ly
2 converted, 0 failed
EOF

  # A name that begins with '-': a PATH after --, and an argument to the children that
  # cannot pass for an option.
  score ./-dash.nwctxt
  run dash 0 -o dashed -- -dash.nwctxt
  same dash dash.out <<'EOF'
ok  -dash.nwctxt -> -dash.pdf (1 LilyPond warning)
1 engraved, 0 failed
EOF
  grep -qx "%PDF stand-in for ./-dash.ly" dashed/-dash.pdf || fail "dash: the stand-in was not given ./-dash.ly"
  run dash-option 2 --ly-only -dash.nwctxt
  same dash-option dash-option.err <<'EOF'
choirly-engrave: unknown option -dash.nwctxt; a PATH that begins with '-' goes after -- (see choirly-engrave --help)
EOF
  ;;

options)
  score s/a.nwctxt
  # Usage errors: arguments, then the one line on standard error.
  while IFS='|' read -r args expected; do
    eval "set -- $args"
    run usage 2 "$@"
    [ ! -s usage.out ] || fail "'$args': printed on standard output"
    [ "$(cat usage.err)" = "choirly-engrave: $expected (see choirly-engrave --help)" ] ||
      fail "'$args': $(cat usage.err)"
  done <<'EOF'
-j 0 s|-j needs a whole number from 1 to 9999, not '0'
-j 10000 s|-j needs a whole number from 1 to 9999, not '10000'
-j -1 s|-j needs a whole number from 1 to 9999, not '-1'
-j '' s|-j needs a whole number from 1 to 9999, not ''
-jx s|-j needs a whole number from 1 to 9999, not 'x'
s -j|-j needs a value
--timeout -5 s|--timeout needs a whole number of seconds from 0 to 999999, not '-5'
--timeout=1.5 s|--timeout needs a whole number of seconds from 0 to 999999, not '1.5'
s --timeout|--timeout needs a value
-- --help|no such file or folder: --help
--|no PATH given
--parts --choirly s|--parts needs the page path; choirly's fixed format (--choirly) has no parts
EOF
  # Accepted forms.
  while IFS='|' read -r args expected_out; do
    eval "set -- $args"
    run accepted 0 "$@"
    [ "$(cat accepted.out)" = "$expected_out" ] || fail "'$args': $(cat accepted.out accepted.err)"
  done <<'EOF'
-j1 -q s|1 engraved, 0 failed
-j 9999 -q --timeout 0 s|1 engraved, 0 failed
--timeout=5 -q -- s|1 engraved, 0 failed
-q -oly-out --ly-only s|1 converted, 0 failed
EOF
  [ -s ly-out/a.ly ] || fail "-oDIR written together: no ly-out/a.ly"
  # --parts: every file of the score moved into place, the parts' too; a later run that
  # fails leaves them all as they were.
  score p/hymn.nwctxt
  run parts 0 -q --parts p
  for file in hymn.pdf hymn.midi hymn-Women.pdf hymn-Women-rehearsal.midi; do
    [ -s "p/$file" ] || fail "--parts: no p/$file: $(ls p)"
  done
  grep -q 'bookOutputSuffix "Women"' p/hymn.ly || fail "--parts: the document makes no part"
  no_work_folders "--parts"
  cp p/hymn-Women.pdf parts-before.pdf
  STANDIN_LILYPOND=error run parts-failed 1 -q --parts p
  cmp -s p/hymn-Women.pdf parts-before.pdf && [ -s p/hymn-Women-rehearsal.midi ] ||
    fail "--parts: a failed run changed the earlier part files"
  no_work_folders "--parts failed"
  run parts-ly 0 -q --parts --ly-only -o parts-ly p
  [ "$(ls parts-ly)" = "hymn.log
hymn.ly" ] || fail "--parts --ly-only: wrote $(ls parts-ly)"
  ;;

groups)
  # Four scores of four sizes (blank lines after the end make a file longer, not its
  # document): one LilyPond process takes them longest first, and each gets its own log.
  for n in a b c d; do score "g/$n.nwctxt"; done
  printf '\n' >>g/b.nwctxt
  printf '\n\n' >>g/c.nwctxt
  printf '\n\n\n' >>g/d.nwctxt
  export STANDIN_RUNS="$work/runs"
  # lilypond_runs NAME EXPECTED: the files of each LilyPond process, one line each.
  lilypond_runs() {
    [ "$(cat "$STANDIN_RUNS" 2>/dev/null)" = "$2" ] ||
      fail "$1: LilyPond ran on
$(cat "$STANDIN_RUNS" 2>/dev/null)
expected
$2"
    rm -f "$STANDIN_RUNS"
  }
  run order 0 -j 1 -o order g
  same order order.out <<'EOF'
ok  d.nwctxt -> d.pdf (1 LilyPond warning)
ok  c.nwctxt -> c.pdf (1 LilyPond warning)
ok  b.nwctxt -> b.pdf (1 LilyPond warning)
ok  a.nwctxt -> a.pdf (1 LilyPond warning)
4 engraved, 0 failed
EOF
  lilypond_runs order "d.ly c.ly b.ly a.ly"
  for n in a b c d; do
    [ "$(grep -c '^Processing' "order/$n.log")" = 1 ] && grep -qx "Processing \`$n.ly'" "order/$n.log" ||
      fail "order: $n.log is not $n's own: $(cat "order/$n.log")"
    grep -qx "Success: compilation successfully completed" "order/$n.log" ||
      fail "order: $n.log has no closing line"
    grep -qx "%PDF stand-in for $n.ly" "order/$n.pdf" || fail "order: $n.pdf is not $n's"
  done
  no_work_folders order
  # With two workers, each takes an even share.
  run shared 0 -j 2 -q -o shared g
  sort "$STANDIN_RUNS" >runs.sorted && mv runs.sorted "$STANDIN_RUNS"
  lilypond_runs shared "$(printf 'b.ly a.ly\nd.ly c.ly')"

  # A score that fails in the middle costs the others nothing: one process, three PDFs.
  STANDIN_LILYPOND=error STANDIN_ONLY=c.ly run middle 1 -j 1 -o middle g
  same middle middle.out <<'EOF'
ok  d.nwctxt -> d.pdf (1 LilyPond warning)
FAILED  c.nwctxt: c.ly:3:1: error: stand-in error
ok  b.nwctxt -> b.pdf (1 LilyPond warning)
ok  a.nwctxt -> a.pdf (1 LilyPond warning)
3 engraved, 1 failed: c.nwctxt
EOF
  lilypond_runs middle "d.ly c.ly b.ly a.ly"
  grep -qx 'fatal error: failed files: "c.ly"' middle/c.log || fail "middle: c.log: $(cat middle/c.log)"
  ! grep -q 'error' middle/b.log || fail "middle: b.log has c's error"

  # A crash ends the process: the score it was on fails alone, the ones after it are
  # engraved again by a new one.
  STANDIN_LILYPOND=crash STANDIN_ONLY=c.ly run crash 1 -j 1 -o crash g
  same crash crash.out <<'EOF'
ok  d.nwctxt -> d.pdf (1 LilyPond warning)
FAILED  c.nwctxt: LilyPond was ended by signal 11 (see c.log)
ok  b.nwctxt -> b.pdf (1 LilyPond warning)
ok  a.nwctxt -> a.pdf (1 LilyPond warning)
3 engraved, 1 failed: c.nwctxt
EOF
  lilypond_runs crash "$(printf 'd.ly c.ly b.ly a.ly\nb.ly a.ly')"

  # A score that hangs is ended after --timeout seconds; the time limit is each score's, not
  # the process's (four scores of 0.6 s each pass a limit of 1 s).
  start=$SECONDS
  STANDIN_LILYPOND=sleep STANDIN_ONLY=c.ly run hang 1 -j 1 --timeout 1 -o hang g
  same hang hang.out <<'EOF'
ok  d.nwctxt -> d.pdf (1 LilyPond warning)
FAILED  c.nwctxt: LilyPond took longer than 1 s
ok  b.nwctxt -> b.pdf (1 LilyPond warning)
ok  a.nwctxt -> a.pdf (1 LilyPond warning)
3 engraved, 1 failed: c.nwctxt
EOF
  [ $((SECONDS - start)) -le 10 ] || fail "hang: the run took $((SECONDS - start)) s"
  lilypond_runs hang "$(printf 'd.ly c.ly b.ly a.ly\nb.ly a.ly')"
  children_ended hang
  no_work_folders hang
  STANDIN_DELAY=0.6 run slow 0 -j 1 -q --timeout 1 -o slow g
  lilypond_runs slow "d.ly c.ly b.ly a.ly"

  # Ctrl-C in the middle of a group: the scores finished keep their outputs, the rest are
  # not run, and nothing of theirs is left.
  set -m
  STANDIN_LILYPOND=sleep STANDIN_ONLY=b.ly "$engrave" -j 1 -o int g >int.out 2>int.err &
  pid=$!
  for _ in $(seq 100); do
    [ -s "$STANDIN_PIDS" ] && grep -q '^ok  c' int.out && break
    sleep 0.1
  done
  kill -INT "$pid"
  wait "$pid"
  status=$?
  set +m
  [ $status -eq 130 ] || fail "SIGINT in a group: exit status $status, expected 130"
  same "SIGINT in a group" int.out <<'EOF'
ok  d.nwctxt -> d.pdf (1 LilyPond warning)
ok  c.nwctxt -> c.pdf (1 LilyPond warning)
interrupted: 2 engraved, 0 failed, 2 not run
EOF
  [ "$(ls int | tr '\n' ' ')" = "c.log c.ly c.midi c.pdf d.log d.ly d.midi d.pdf " ] ||
    fail "SIGINT in a group: int holds $(ls int)"
  children_ended "SIGINT in a group"
  no_work_folders "SIGINT in a group"
  rm -f "$STANDIN_RUNS"

  # choirly's documents go through convert-ly one at a time, then to LilyPond together; PNG
  # pages are asked for the whole group.
  run choirly 0 -j 1 -q --choirly --png -o choirly g
  lilypond_runs choirly "d.ly c.ly b.ly a.ly"
  for n in a b c d; do
    [ "$(grep -c 'convert-ly (stand-in)' "choirly/$n.log")" = 1 ] || fail "choirly: $n.log: $(cat "choirly/$n.log")"
  done
  ;;

*)
  fail "unknown group $group"
  ;;
esac
echo "PASS [$group]"
