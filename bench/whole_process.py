#!/usr/bin/env python3
"""Whole-process timings of tonvela-cli against portSMF on the generated songs.

What a user waits for is the whole command: start, page faults, reading, work, writing, exit.
Each row runs its commands in turn (A B A B ...) after one warm-up each, so a busy moment of the
machine hits both alike, and prints the medians, the median of the ratios taken pair by pair,
and their range, of the wall times and of the CPU times.

    bench/whole_process.py BUILD_DIR [--runs N] [--cli PATH]

BUILD_DIR holds cli/tonvela-cli, bench/bench_song_files and bench/bench_portsmf (built when
portSMF, Debian libportsmf-dev, is installed). --cli times another tonvela-cli (an older build)
on the same inputs. The start-up row needs midicsv (Debian midicsv) and is left out without it.
"""

import argparse
import os
import shutil
import statistics
import sys
import tempfile
import time


def run(argv):
    """Runs one command with its output thrown away; returns (wall s, cpu s, peak KB)."""
    devnull = os.open(os.devnull, os.O_WRONLY)
    try:
        start = time.perf_counter()
        pid = os.posix_spawn(argv[0], argv, os.environ,
                             file_actions=[(os.POSIX_SPAWN_DUP2, devnull, 1)])
        _, status, usage = os.wait4(pid, 0)
        wall = time.perf_counter() - start
    finally:
        os.close(devnull)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("failed (exit %d): %s" % (os.waitstatus_to_exitcode(status), " ".join(argv)))
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def rounds(commands, runs):
    """Runs the commands in turn, `runs` rounds after a warm-up; returns each one's wall times,
    CPU times and the peak memory of its last run."""
    for c in commands:
        run(c)
    walls = [[] for _ in commands]
    cpus = [[] for _ in commands]
    peaks = [0] * len(commands)
    for _ in range(runs):
        for i, c in enumerate(commands):
            wall, cpu, peak = run(c)
            walls[i].append(wall)
            cpus[i].append(cpu)
            peaks[i] = peak
    return walls, cpus, peaks


def spread(values):
    return "%.2f-%.2f" % (min(values), max(values))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("build")
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--cli")
    args = ap.parse_args()

    cli = os.path.abspath(args.cli or os.path.join(args.build, "cli", "tonvela-cli"))
    files = os.path.join(args.build, "bench", "bench_song_files")
    portsmf = os.path.join(args.build, "bench", "bench_portsmf")
    for path in (cli, files, portsmf):
        if not os.access(path, os.X_OK):
            sys.exit("%s: not built (portSMF's driver needs libportsmf-dev)" % path)

    work = tempfile.mkdtemp(prefix="tonvela-whole-process-")
    try:
        run([files, work])
        events = {}
        with open(os.path.join(work, "songs.txt")) as f:
            for line in f:
                name, count = line.split()
                events[name] = int(count)
        song = {name: os.path.join(work, name) for name in events}
        out = os.path.join(work, "out.mid")
        out_p = os.path.join(work, "out-portsmf.mid")

        print("whole processes, %d runs each after a warm-up, in turn; ratios pair by pair" % args.runs)
        # On a busy machine the wall times stretch with the load; the CPU times much less so.
        print("%-46s %9s %9s %7s %11s %7s %11s %s" % ("", "A s", "B s", "A/B", "range", "cpu A/B",
                                                      "range", "target"))

        def line(label, walls, ratios, cpu_ratios, target):
            print("%-46s %9.3f %9.3f %7.2f %11s %7.2f %11s %s" % (
                label, statistics.median(walls[0]), statistics.median(walls[1]),
                statistics.median(ratios), spread(ratios), statistics.median(cpu_ratios),
                spread(cpu_ratios), target))

        def row(label, a, b, target):
            walls, cpus, peaks = rounds([a, b], args.runs)
            line(label, walls, [x / y for x, y in zip(*walls)], [x / y for x, y in zip(*cpus)], target)
            return peaks

        peaks = row("info format 1 / portSMF load", [cli, "info", song["format1.mid"]],
                    [portsmf, "load", song["format1.mid"]], "<= 0.3")
        row("convert format 1 / portSMF load+save", [cli, "convert", song["format1.mid"], out],
            [portsmf, "convert", song["format1.mid"], out_p], "<= 0.35")
        row("convert format 0 / portSMF load+save", [cli, "convert", song["format0.mid"], out],
            [portsmf, "convert", song["format0.mid"], out_p], "<= 0.45")
        row("apply Modify Velocity / convert (format 1)",
            [cli, "apply", song["format1.mid"], out, "--effect", os.path.join(work, "velocity.fxl")],
            [cli, "convert", song["format1.mid"], out], "<= 1.2")

        # Per event, net of what a process costs without a song (the tiny song).
        walls, cpus, _ = rounds([[cli, "info", song["tiny.mid"]], [cli, "info", song["noteons.mid"]],
                                 [cli, "info", song["format1.mid"]]], args.runs)

        def per_event(times):
            return [((n - t) / events["noteons.mid"]) / ((f - t) / events["format1.mid"])
                    for t, n, f in zip(*times)]

        line("info note ons only / format 1, per event net", walls[1:], per_event(walls),
             per_event(cpus), "<= 1.5")

        midicsv = shutil.which("midicsv")
        if midicsv:
            row("info tiny song / midicsv tiny song", [cli, "info", song["tiny.mid"]],
                [midicsv, song["tiny.mid"]], "<= 2.5")
        else:
            print("(midicsv not installed: no start-up row)")
        print("peak memory of info format 1: %.1f MB; of portSMF load: %.1f MB" %
              (peaks[0] / 1024, peaks[1] / 1024))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
