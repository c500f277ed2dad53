#!/usr/bin/python3
"""Whole-process timings taken side by side: every round runs each command once, in an order that
turns from round to round, so that a busy spell of the machine falls on all of them alike.

    interleave.py [--runs N] [--warmup N] [--export FILE] [--ratio LABEL NAME NAME ...]
                  NAME COMMAND [NAME COMMAND ...]

Prints each command's median and lowest time, then for each --ratio the first named command's
median over the second's; --export writes the times as JSON
({"results": [{"command": NAME, "median": s, "min": s, "times": [...]}]}). A command that exits
with a code other than 0 stops the run: a failing command measures nothing."""
import argparse
import json
import statistics
import subprocess
import sys
import time


def run_once(command):
    start = time.perf_counter()
    code = subprocess.run(command, shell=True, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    elapsed = time.perf_counter() - start
    if code != 0:
        sys.exit(f"interleave: exit code {code} from: {command}")
    return elapsed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=30)
    parser.add_argument("--warmup", type=int, default=3)
    parser.add_argument("--export")
    parser.add_argument("--ratio", nargs=3, action="append", default=[],
                        metavar=("LABEL", "NAME", "BASELINE"))
    parser.add_argument("pairs", nargs="+", metavar="NAME COMMAND")
    args = parser.parse_args()
    if len(args.pairs) % 2 != 0:
        parser.error("give each command a name: NAME COMMAND [NAME COMMAND ...]")
    commands = list(zip(args.pairs[0::2], args.pairs[1::2]))
    names = [name for name, _ in commands]
    for _, name, baseline in args.ratio:
        if name not in names or baseline not in names:
            parser.error(f"--ratio names a command that is not given: {name} or {baseline}")

    times = {name: [] for name, _ in commands}
    for round_number in range(args.warmup + args.runs):
        turn = round_number % len(commands)
        for name, command in commands[turn:] + commands[:turn]:
            elapsed = run_once(command)
            if round_number >= args.warmup:
                times[name].append(elapsed)

    results = []
    width = max(len(name) for name, _ in commands)
    for name, _ in commands:
        median = statistics.median(times[name])
        lowest = min(times[name])
        print(f"  {name:<{width}}  median {median * 1000:7.1f} ms   lowest {lowest * 1000:7.1f} ms"
              f"   ({len(times[name])} runs)")
        results.append({"command": name, "median": median, "min": lowest, "times": times[name]})
    medians = {result["command"]: result["median"] for result in results}
    for label, name, baseline in args.ratio:
        print(f"{label}: {medians[name] / medians[baseline]:.2f}")
    if args.export:
        with open(args.export, "w") as out:
            json.dump({"results": results}, out, indent=1)


if __name__ == "__main__":
    main()
