#!/usr/bin/env bash
# Times choirly-engrave, which gives several scores to each LilyPond process, against one
# lilypond process per document, both at -j 2, on the corpus and on a folder of its 20
# shortest scores; the two ways alternate in each round, so that both share what else the
# machine is doing.
#
#   engrave_groups.sh CHOIRLY_ENGRAVE CORPUS OUT_DIR ROUNDS
#
# Prints the timings, then one line: the corpus's ratio (groups / one per document, sums of
# the rounds), the short folder's ratio, the peak memory of any process of the grouped runs
# (KiB, choirly-engrave and its LilyPond processes), and the peak of one LilyPond process on
# one document (the largest score alone).
set -euo pipefail
engrave=$1 corpus=$2 out=$3 rounds=$4
rm -rf "$out" && mkdir -p "$out/corpus" "$out/short"
cp "$corpus"/*.nwctxt "$out/corpus/"
ls -S -r "$corpus"/*.nwctxt | head -n 20 | xargs -I{} cp {} "$out/short/"
now() { date +%s.%N; }

# grouped FOLDER ROUND: seconds; the peak memory goes to FOLDER-peaks.
grouped() {
  local target=$out/grouped-$1-$2 start
  start=$(now)
  /usr/bin/time -f %M -o "$out/time.txt" "$engrave" -q -j 2 -o "$target" "$out/$1" >/dev/null
  python3 -c "import sys; print(f'{float(sys.argv[2]) - float(sys.argv[1]):.2f}')" "$start" "$(now)"
  cat "$out/time.txt" >>"$out/$1-grouped-peaks"
}
# alone FOLDER ROUND: seconds for one lilypond per document (documents written beforehand).
alone() {
  local target=$out/alone-$1-$2 start
  rm -rf "$target" && mkdir -p "$target" && cp "$out/documents-$1"/*.ly "$target/"
  start=$(now)
  (cd "$target" && ls *.ly | sed 's/\.ly$//' |
    xargs -P 2 -I{} /usr/bin/time -f %M -a -o ../"$1"-alone-peaks \
      lilypond -o {} {}.ly >/dev/null 2>&1)
  python3 -c "import sys; print(f'{float(sys.argv[2]) - float(sys.argv[1]):.2f}')" "$start" "$(now)"
}
for folder in corpus short; do
  "$engrave" -q --ly-only -o "$out/documents-$folder" "$out/$folder" >/dev/null
done

declare -A total=([corpus-grouped]=0 [corpus-alone]=0 [short-grouped]=0 [short-alone]=0)
add() { total[$1]=$(python3 -c "import sys; print(float(sys.argv[1]) + float(sys.argv[2]))" "${total[$1]}" "$2"); }
for round in $(seq "$rounds"); do
  for folder in short corpus; do
    # Which way goes first alternates from round to round and from folder to folder.
    if [ $(((round + ${#folder}) % 2)) -eq 0 ]; then order="grouped alone"; else order="alone grouped"; fi
    for way in $order; do
      seconds=$($way "$folder" "$round")
      add "$folder-$way" "$seconds"
      echo "round $round, $folder ($(ls "$out/$folder" | wc -l) scores), $way: $seconds s" >&2
    done
  done
done
peak() { sort -n "$1" | tail -n 1; }
python3 -c "import sys; a = [float(x) for x in sys.argv[1:5]]; print(f'{a[0] / a[1]:.2f} {a[2] / a[3]:.2f}', end=' ')" \
  "${total[corpus-grouped]}" "${total[corpus-alone]}" "${total[short-grouped]}" "${total[short-alone]}"
echo "$(cat "$out"/*-grouped-peaks | sort -n | tail -n 1) $(peak "$out/corpus-alone-peaks")"
