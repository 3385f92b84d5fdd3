#!/usr/bin/env python3
"""Prints one line per comparison from Google Benchmark JSON files.

Convention (see docs/performance.md):
- A comparison is a pair of benchmarks named <comparison>/ours and <comparison>/anchor,
  run by the same program invocation. Suffixes that Google Benchmark appends to a name
  (/manual_time, /real_time, /iterations:N, /repeats:N, /min_time:X, /threads:N, ...)
  are ignored.
- The figure of each side is the median over the repetitions (the single run when
  there was only one repetition) of:
  - the user counter named "figure:<unit>", if the benchmark sets one (lower must be
    better), in <unit>;
  - otherwise the time per iteration in ns (manual time when the benchmark uses it),
    divided by the user counter "bytes" when set, giving ns/byte.
- Output, tab-separated: comparison, ratio (ours / anchor; lower is better), our
  figure, the anchor's figure, unit.
"""
import json
import re
import sys

NS_PER_UNIT = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
APPENDED = re.compile(
    r"(/(manual_time|real_time|process_time|iterations:\d+|repeats:\d+|threads:\d+"
    r"|min_time:[0-9.]+s?|min_warmup_time:[0-9.]+s?))+$"
)


def figure(run):
    for key, value in run.items():
        if key.startswith("figure:"):
            return float(value), key[len("figure:"):]
    nanoseconds = float(run["real_time"]) * NS_PER_UNIT[run.get("time_unit", "ns")]
    size = run.get("bytes")
    if size:
        return nanoseconds / float(size), "ns/byte"
    return nanoseconds, "ns"


def comparisons(path):
    with open(path) as file:
        runs = json.load(file).get("benchmarks", [])
    medians, singles, order = {}, {}, set()
    for run in runs:
        if run.get("error_occurred"):
            print(f"ratios.py: {run['name']}: {run.get('error_message', 'failed')}",
                  file=sys.stderr)
            continue
        name = APPENDED.sub("", run.get("run_name", run["name"]))
        comparison, _, side = name.rpartition("/")
        if side not in ("ours", "anchor") or not comparison:
            continue
        order.add(comparison)
        if run.get("run_type") == "aggregate":
            if run.get("aggregate_name") == "median":
                medians[(comparison, side)] = figure(run)
        else:
            singles[(comparison, side)] = figure(run)
    for comparison in sorted(order):
        sides = {}
        for side in ("ours", "anchor"):
            key = (comparison, side)
            sides[side] = medians.get(key, singles.get(key))
        if not sides["ours"] or not sides["anchor"]:
            print(f"ratios.py: {comparison}: one side is missing", file=sys.stderr)
            continue
        (ours, unit), (anchor, anchor_unit) = sides["ours"], sides["anchor"]
        if unit != anchor_unit:
            print(f"ratios.py: {comparison}: units differ ({unit}, {anchor_unit})",
                  file=sys.stderr)
            continue
        ratio = ours / anchor if anchor else float("inf")
        yield comparison, ratio, ours, anchor, unit


def main(paths):
    status = 0
    for path in paths:
        try:
            for comparison, ratio, ours, anchor, unit in comparisons(path):
                print(f"{comparison}\t{ratio:.3f}\t{ours:.4g}\t{anchor:.4g}\t{unit}")
        except (OSError, ValueError, KeyError) as error:
            print(f"ratios.py: {path}: {error}", file=sys.stderr)
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
