#!/usr/bin/env python3
"""Start-up of the window program on a real X server (Xvfb) with a window manager (openbox).

  bench/window_start.py [--build build] [--runs 10]

Prints two figures:
  ready   median time from starting the program until its window has painted and its three
          station boxes are enabled (build/bench/window_ready_probe: the program itself, which
          writes the monotonic clock at that moment);
  memory  the proportional set size (Pss, /proc/<pid>/smaps_rollup) summed over the program
          (build/src/lanzhou) and all its child processes, 3 s after start.
Without a DISPLAY it runs itself under xvfb-run and starts openbox first.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time


def children(pid):
    """Every descendant of pid, from the parent field of /proc/*/stat."""
    parent_of = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                stat = f.read()
        except OSError:
            continue
        # The command name may hold spaces; the fields after its closing parenthesis do not.
        fields = stat[stat.rindex(")") + 2:].split()
        parent_of[int(entry)] = int(fields[1])
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        for c, pp in parent_of.items():
            if pp == p:
                found.append(c)
                todo.append(c)
    return found


def pss_kb(pid):
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def measure_ready(probe, runs):
    times = []
    for i in range(runs + 1):
        start = time.monotonic_ns()
        out = subprocess.run([probe], capture_output=True, text=True, timeout=60).stdout
        ready = [int(l.split()[1]) for l in out.splitlines() if l.startswith("ready_ns ")]
        if not ready:
            sys.exit(f"{probe} did not report its window ready:\n{out}")
        if i > 0:  # the first run warms the file cache
            times.append((ready[0] - start) / 1e6)
    return times


def measure_memory(program, wait_s):
    proc = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(wait_s)
        tree = [proc.pid] + children(proc.pid)
        per = {p: pss_kb(p) for p in tree}
        return per
    finally:
        for p in reversed([proc.pid] + children(proc.pid)):
            try:
                os.kill(p, 15)
            except OSError:
                pass
        proc.wait(timeout=30)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--runs", type=int, default=10)
    ap.add_argument("--wait", type=float, default=3.0, help="seconds before the memory reading")
    ap.add_argument("--under-x", action="store_true", help=argparse.SUPPRESS)
    args = ap.parse_args()

    if not os.environ.get("DISPLAY") and not args.under_x:
        cmd = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", sys.executable,
               os.path.abspath(__file__), "--under-x", "--build", args.build,
               "--runs", str(args.runs), "--wait", str(args.wait)]
        sys.exit(subprocess.call(cmd))

    wm = None
    if args.under_x and shutil.which("openbox"):
        wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1.0)
    try:
        env_platform = os.environ.pop("QT_QPA_PLATFORM", None)  # a real X server, not offscreen
        probe = os.path.join(args.build, "bench", "window_ready_probe")
        program = os.path.join(args.build, "src", "lanzhou")
        times = measure_ready(probe, args.runs)
        print(f"ready: median {statistics.median(times):.0f} ms, min {min(times):.0f}, "
              f"max {max(times):.0f} ({len(times)} runs)")
        per = measure_memory(program, args.wait)
        total = sum(per.values())
        print(f"memory after {args.wait:g} s: {total / 1024:.0f} MB Pss over {len(per)} "
              f"process(es): " + ", ".join(f"{kb / 1024:.0f}" for kb in per.values()))
        if env_platform is not None:
            os.environ["QT_QPA_PLATFORM"] = env_platform
    finally:
        if wm:
            wm.terminate()
            wm.wait()


if __name__ == "__main__":
    main()
