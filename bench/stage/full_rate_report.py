#!/usr/bin/env python3
"""Figures of one whole-program run made by full_rate_run.sh.

  full_rate_report.py PASS_TRACE PRESENT_LOG [RUN_RECORD]

PASS_TRACE: the trial loop's pass trace (TAVELIN2_PASS_TRACE, CSV).
PRESENT_LOG: CLOCK_MONOTONIC ns of every presented frame (present_probe).
RUN_RECORD: the run record (*_run.json) when the program writes one.
Only what happened while the trial loop ran counts.
"""
import csv
import json
import sys


def percentile(values, p):
    """Nearest-rank percentile, as the pass timing figures use it."""
    if not values:
        return 0.0
    ordered = sorted(values)
    rank = max(1, -(-len(ordered) * p // 100))
    return ordered[int(rank) - 1]


def main(argv):
    if len(argv) not in (3, 4):
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], newline="") as f:
        rows = list(csv.DictReader(f))
    passes = [(int(r["start_ns"]), int(r["drawn"])) for r in rows]
    if len(passes) < 2:
        print("the pass trace holds fewer than two passes")
        return 1
    begin, end = passes[0][0], passes[-1][0]
    seconds = (end - begin) / 1e9
    with open(argv[2]) as f:
        presents = sorted(int(line) for line in f if line.strip())
    shown = [t for t in presents if begin <= t <= end]
    edges = [begin] + shown + [end]
    gaps_ms = [(b - a) / 1e6 for a, b in zip(edges, edges[1:])]
    intervals_ms = [(b[0] - a[0]) / 1e6 for a, b in zip(passes, passes[1:])]
    drawn = sum(d for _, d in passes)

    print(f"run                 {seconds:.1f} s, {len(passes)} passes")
    print(f"presented frames    {len(shown)}, {len(shown) / seconds:.1f} per second")
    print(f"presentation gap    longest {max(gaps_ms):.0f} ms, p99 {percentile(gaps_ms, 99):.0f} ms")
    print(f"drawn passes        {drawn}, {drawn / seconds:.1f} per second (new body frames taken)")
    print(f"pass interval       p50 {percentile(intervals_ms, 50):.2f} ms, "
          f"p99 {percentile(intervals_ms, 99):.2f} ms, max {max(intervals_ms):.1f} ms")
    # Where a long interval comes from: the drawn pass's own work, or a sleep
    # that ended late because no core was free (traces with a pump column).
    work_ms = [(int(r["end_ns"]) - int(r["start_ns"])) / 1e6 for r in rows if r["drawn"] == "1"]
    if work_ms:
        print(f"drawn pass work     p50 {percentile(work_ms, 50):.2f} ms, "
              f"p99 {percentile(work_ms, 99):.2f} ms")
    if "pumped_ns" in rows[0]:
        late_ms = [(int(b["start_ns"]) - int(a["pumped_ns"])) / 1e6 - 1.0
                   for a, b in zip(rows, rows[1:]) if int(a["pumped_ns"]) > 0]
        if late_ms:
            print(f"sleep overrun       p50 {percentile(late_ms, 50):.2f} ms, "
                  f"p99 {percentile(late_ms, 99):.2f} ms (beyond the 1 ms asked for)")
    if len(argv) == 4:
        with open(argv[3]) as f:
            frames = json.load(f).get("frames", {})
        captured = frames.get("pictures_captured")
        shown_pictures = frames.get("pictures_shown")
        if captured and shown_pictures is not None:
            print(f"pictures shown      {shown_pictures} of {captured} captured "
                  f"({shown_pictures / captured:.3f})")
        for key in ("frames_presented", "body_frames"):
            if key in frames:
                print(f"{key:<19} {frames[key]} ({frames[key] / seconds:.1f} per second)")
        if "frame_interval_ms" in frames:
            print(f"frame interval      {json.dumps(frames['frame_interval_ms'])} ms")
    else:
        print("run record          none (this build writes no *_run.json)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
