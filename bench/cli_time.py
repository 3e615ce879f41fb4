#!/usr/bin/env python3
"""Whole-process time of lanzhou-query, on one core: medians of 20 runs per command.

The wall-clock median is the figure; the processor time (user + system) beside it is less
disturbed when other work shares the machine.

  bench/cli_time.py [--build build] [--runs 20] [--core 0] [--timetable FILE --date YYYY-MM-DD]

With --timetable (e.g. build/bench/national/national-period.lzt) every command reads that file
and answers for --date.
"""
import argparse
import os
import resource
import statistics
import subprocess
import time

COMMANDS = [
    ["between", "北京", "上海"],
    ["complete", "bj"],
    ["train", "D1"],
    ["station", "兰州"],
    ["transfer", "北京", "兰州"],
    ["info"],
]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--runs", type=int, default=20)
    ap.add_argument("--core", type=int, default=0)
    ap.add_argument("--timetable")
    ap.add_argument("--date")
    args = ap.parse_args()
    prefix = (["--timetable", args.timetable] if args.timetable else []) + \
             (["--date", args.date] if args.date else [])
    program = os.path.join(args.build, "src", "cli", "lanzhou-query")
    # The children inherit the core.
    os.sched_setaffinity(0, {args.core})
    for words in COMMANDS:
        times, cpu = [], []
        for i in range(args.runs + 1):
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.perf_counter()
            done = subprocess.run([program] + prefix + words, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
            elapsed = (time.perf_counter() - start) * 1000
            if done.returncode not in (0, 2):
                raise SystemExit(f"{' '.join(words)}: exit {done.returncode}")
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            if i > 0:  # the first run warms the file cache
                times.append(elapsed)
                cpu.append((after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime)
                           * 1000)
        print(f"{' '.join(words):24} median {statistics.median(times):6.1f} ms  "
              f"min {min(times):6.1f}  max {max(times):6.1f}  "
              f"cpu (user+sys) median {statistics.median(cpu):6.1f} ms")


if __name__ == "__main__":
    main()
