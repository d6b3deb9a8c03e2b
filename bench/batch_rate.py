#!/usr/bin/env python3
"""Configurations per second of `rkl batch` on a product.

Generates COUNT choices files for the bike example (every choice within the
option's allowed values, drawn from a fixed seed so that runs compare), then
times `rkl batch PRODUCT FILES... --jobs J` for each J, and `rkl eval` run
once per file on a sample of them (a process and a load per configuration),
for comparison. Prints the machine's load average beside the figures: the
machine may be shared, and the figures are worth only as much as it was idle.

    bench/batch_rate.py --rkl build/default/tools/rkl/rkl
    bench/batch_rate.py --rkl ... --count 1000 --jobs 1 2 --repeat 3

With --check it only verifies that every generated file is accepted (no
line of `rkl batch` with exit status 2) and that batch printed one line per
file, in order; the tests run it that way.
"""

import argparse
import json
import os
import random
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BIKE = os.path.join(HERE, "..", "examples", "bike")

# The options of the bike example that choices may set, with their allowed
# values (taken from the module texts) or a range to draw from.
CHOICES = [
    ("set", "bike:usage", ["city", "road", "gravel", "mountain", "cargo"]),
    ("set", "bike:rider_height", range(140, 211)),
    ("set", "bike:budget", range(300, 6001, 50)),
    ("set", "bike:electric", ["true", "false"]),
    ("set", "bike:lights", ["true", "false"]),
    ("fix", "frame:material", ["steel", "aluminium", "carbon", "titanium"]),
    ("set", "drivetrain:kind", ["derailleur", "hub", "single"]),
    ("set", "drivetrain:gears", ["1", "3", "5", "7", "8", "11", "12"]),
    ("fix", "bike:front_tyre", range(23, 71)),
    ("set", "wheel:diameter[bike.rear_wheel]", ["26.0", "27.5", "28.0", "29.0"]),
    ("set", "brakes:kind", ["rim", "mechanical_disc", "hydraulic_disc", "coaster"]),
]


def generate(directory, count, seed):
    """Writes `count` choices files, each setting a random half of CHOICES."""
    draw = random.Random(seed)
    files = []
    for index in range(count):
        lines = []
        for how, option, values in draw.sample(CHOICES, len(CHOICES) // 2):
            lines.append(f"{how} {option}={draw.choice(list(values))}")
        path = os.path.join(directory, f"order_{index:05d}.txt")
        with open(path, "w", encoding="utf-8") as out:
            out.write("\n".join(lines) + "\n")
        files.append(path)
    return files


def run_batch(rkl, product, files, jobs):
    """Runs rkl batch; returns the seconds taken and the parsed lines."""
    start = time.perf_counter()
    done = subprocess.run([rkl, "batch", product, *files, "--jobs", str(jobs)],
                          capture_output=True, text=True, check=False)
    seconds = time.perf_counter() - start
    if done.returncode not in (0, 1):
        sys.exit(f"rkl batch exited with {done.returncode}: {done.stderr}")
    return seconds, [json.loads(line) for line in done.stdout.splitlines()]


def run_evals(rkl, product, files):
    """Runs rkl eval --json once per file; returns the seconds taken."""
    start = time.perf_counter()
    for path in files:
        subprocess.run([rkl, "eval", product, "--json", "--choices", path],
                       capture_output=True, check=False)
    return time.perf_counter() - start


def check(lines, files):
    """Every file once, in order, and none refused as a usage error."""
    problems = []
    if [line["choices"] for line in lines] != files:
        problems.append("the lines do not follow the files")
    problems += [f"{line['choices']}: {line.get('error')}" for line in lines if line["exit"] == 2]
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rkl", required=True, help="the rkl program")
    parser.add_argument("--product", default=BIKE, help="the product (the bike example)")
    parser.add_argument("--count", type=int, default=1000, help="choices files to generate")
    parser.add_argument("--jobs", type=int, nargs="+", default=[1, 2], help="worker counts")
    parser.add_argument("--repeat", type=int, default=1, help="runs per worker count (best kept)")
    parser.add_argument("--eval-sample", type=int, default=50,
                        help="files to run through one rkl eval each")
    parser.add_argument("--seed", type=int, default=26)
    parser.add_argument("--check", action="store_true", help="verify only, print no figures")
    arguments = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="batch_rate_") as directory:
        files = generate(directory, arguments.count, arguments.seed)
        load_before = os.getloadavg()
        for jobs in arguments.jobs:
            best = None
            for _ in range(arguments.repeat):
                seconds, lines = run_batch(arguments.rkl, arguments.product, files, jobs)
                problems = check(lines, files)
                if problems:
                    sys.exit("\n".join(problems[:10]))
                best = seconds if best is None else min(best, seconds)
            if not arguments.check:
                print(f"batch --jobs {jobs}: {len(files)} configurations in {best:.2f} s, "
                      f"{len(files) / best:.0f} per second")
        if not arguments.check and arguments.eval_sample > 0:
            sample = files[:arguments.eval_sample]
            seconds = run_evals(arguments.rkl, arguments.product, sample)
            print(f"eval once per file: {len(sample)} configurations in {seconds:.2f} s, "
                  f"{len(sample) / seconds:.0f} per second")
        if not arguments.check:
            load_after = os.getloadavg()
            print(f"load average (1 min) before {load_before[0]:.1f}, after {load_after[0]:.1f}, "
                  f"on {os.cpu_count()} processors")


if __name__ == "__main__":
    main()
