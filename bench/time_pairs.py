#!/usr/bin/env python3
"""Times a whole choirly process against cat on the same score, in alternating pairs.

Each pair runs `choirly -SATB < SCORE > /dev/null` and `cat < SCORE > /dev/null` one right after
the other (which one goes first alternates), each started with posix_spawn and timed from
the spawn to the end of its wait, so start-up, reading, converting and exit all count. Pairs
share whatever else the machine is doing at that moment, which a run of one command and then
a run of the other do not.

Usage: time_pairs.py CHOIRLY SCORE PAIRS JSON_OUT
Prints: the median of the per-pair ratios, the median choirly and cat times in ms, and the
ratio of the fastest runs.
"""

import json
import os
import statistics
import sys
import time


def run_once(argv, stdin_path):
    with open(stdin_path, "rb") as stdin, open(os.devnull, "wb") as devnull:
        actions = [
            (os.POSIX_SPAWN_DUP2, stdin.fileno(), 0),
            (os.POSIX_SPAWN_DUP2, devnull.fileno(), 1),
        ]
        start = time.perf_counter()
        pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)
        _, status = os.waitpid(pid, 0)
        elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"time_pairs: {argv[0]} failed")
    return elapsed


def main():
    choirly, score, pairs, json_out = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
    commands = {"choirly": [os.path.abspath(choirly), "-SATB"], "cat": ["/bin/cat"]}
    # A few runs of each first, so that the files and programs are in the page cache.
    for _ in range(5):
        for argv in commands.values():
            run_once(argv, score)
    times = {"choirly": [], "cat": []}
    for i in range(pairs):
        order = ("choirly", "cat") if i % 2 == 0 else ("cat", "choirly")
        for name in order:
            times[name].append(run_once(commands[name], score))
    ratios = [c / k for c, k in zip(times["choirly"], times["cat"])]
    result = {
        "pairs": pairs,
        "median_ratio": statistics.median(ratios),
        "median_choirly_ms": statistics.median(times["choirly"]) * 1e3,
        "median_cat_ms": statistics.median(times["cat"]) * 1e3,
        "min_ratio": min(times["choirly"]) / min(times["cat"]),
        "times": times,
    }
    with open(json_out, "w") as out:
        json.dump(result, out, indent=1)
    print(
        f"{result['median_ratio']:.2f} {result['median_choirly_ms']:.3f} "
        f"{result['median_cat_ms']:.3f} {result['min_ratio']:.2f}"
    )


if __name__ == "__main__":
    main()
