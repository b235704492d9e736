#!/usr/bin/env python3
"""Min and median of each benchmark over its repetitions.

Reads Google Benchmark's JSON (--benchmark_format=json) on standard input and
prints one line per benchmark: runs, then min and median of the wall and CPU
times, in the benchmark's unit; then min and median of each of its counters.

    build/bench/device_notes_bench --benchmark_repetitions=5 \\
        --benchmark_format=json | python3 bench/min_median.py
"""
import json
import statistics
import sys


STANDARD_KEYS = {
    "name", "family_index", "per_family_instance_index", "run_name", "run_type",
    "repetitions", "repetition_index", "threads", "iterations", "real_time",
    "cpu_time", "time_unit", "error_occurred", "error_message", "aggregate_name",
    "aggregate_unit", "label",
}


def main():
    report = json.load(sys.stdin)
    runs = {}
    for run in report["benchmarks"]:
        if run.get("run_type") == "aggregate" or run.get("error_occurred"):
            continue
        name = run.get("run_name", run["name"])
        runs.setdefault(name, []).append(run)
    print(f"{'benchmark':<40} {'runs':>4}  {'wall min':>10} {'median':>10}  "
          f"{'CPU min':>10} {'median':>10}")
    for name, measured in runs.items():
        unit = measured[0]["time_unit"]
        wall = [r["real_time"] for r in measured]
        cpu = [r["cpu_time"] for r in measured]
        print(f"{name:<40} {len(measured):>4}  {min(wall):>8.3g}{unit:>2} "
              f"{statistics.median(wall):>8.3g}{unit:>2}  {min(cpu):>8.3g}{unit:>2} "
              f"{statistics.median(cpu):>8.3g}{unit:>2}")
    # The benchmarks' own counters (limits, ratios, rates), min and median too.
    for name, measured in runs.items():
        for counter in sorted(set(measured[0]) - STANDARD_KEYS):
            values = [r[counter] for r in measured
                      if isinstance(r.get(counter), (int, float))]
            if values:
                print(f"  {name:<38} {counter:<20} min {min(values):>10.4g}  "
                      f"median {statistics.median(values):>10.4g}")


if __name__ == "__main__":
    main()
