#!/usr/bin/env python3
"""How the time of `rkl check` grows with its input.

Generates products of two sizes, ten times apart, and times `rkl check` on
each: a product.json of SMALL and 10 x SMALL nodes, and a module text of
SMALL and 10 x SMALL declarations. The tool reads in time linear in its
input, so ten times the input should take well under eight times as long;
the script prints the figures (processor time, the best of several runs)
and exits with 1 when a ratio reaches 8.

    python3 bench/rkl_scaling.py build/default/tools/rkl/rkl
    python3 bench/rkl_scaling.py RKL --nodes 6400 --declarations 4000 --runs 3
"""

import argparse
import json
import os
import resource
import subprocess
import sys
import tempfile

LIMIT = 8.0


def module_text(module_id, declarations):
    lines = [f"module {module_id}", "interface start"]
    lines += [f"public o{i} integer = 1 to 9 default 1" for i in range(declarations)]
    lines += ["interface end", f"if {module_id}:o0 = 1 then", f"    set {module_id}:o0 to 2", "endif"]
    return "\n".join(lines) + "\n"


def structure(nodes):
    """A root with groups of ten nodes below it, one value at each node."""
    def node(name):
        return {"name": name, "module": "m", "values": [{"option": "o0", "value": 1}]}

    root = node("root")
    root["children"] = []
    made = 1
    while made < nodes:
        group = node(f"g{made}")
        group["children"] = [node(f"n{made}_{i}") for i in range(min(9, nodes - made - 1))]
        made += 1 + len(group["children"])
        root["children"].append(group)
    return root


def write_product(directory, nodes, declarations):
    os.makedirs(directory)
    with open(os.path.join(directory, "m.rkl"), "w") as out:
        out.write(module_text("m", declarations))
    with open(os.path.join(directory, "product.json"), "w") as out:
        json.dump(structure(nodes), out, indent=1)


def cpu_seconds():
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    return used.ru_utime + used.ru_stime


def seconds(rkl, directory, runs):
    """The processor time (user and system) of the fastest run: on a busy
    machine the wall-clock time mostly measures the others."""
    best = None
    for _ in range(runs):
        start = cpu_seconds()
        done = subprocess.run([rkl, "check", directory], stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True)
        took = cpu_seconds() - start
        if done.returncode != 0:
            sys.exit(f"rkl check {directory} failed ({done.returncode}): {done.stderr}")
        best = took if best is None else min(best, took)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("rkl", help="the rkl program")
    parser.add_argument("--nodes", type=int, default=6400)
    parser.add_argument("--declarations", type=int, default=4000)
    parser.add_argument("--runs", type=int, default=3, help="the best of this many runs counts")
    arguments = parser.parse_args()

    cases = [("product.json nodes", arguments.nodes, lambda n: (n, 1)),
             ("declarations", arguments.declarations, lambda n: (1, n))]
    worst = 0.0
    with tempfile.TemporaryDirectory() as scratch:
        for what, small, shape in cases:
            times = []
            for size in (small, 10 * small):
                directory = os.path.join(scratch, f"{what.split()[0]}_{size}")
                write_product(directory, *shape(size))
                times.append(seconds(arguments.rkl, directory, arguments.runs))
            ratio = times[1] / times[0]
            worst = max(worst, ratio)
            print(f"{what:20} {small:>7}: {times[0]:8.3f} s   {10 * small:>7}: "
                  f"{times[1]:8.3f} s   ratio {ratio:5.1f}")
    return 1 if worst >= LIMIT else 0


if __name__ == "__main__":
    sys.exit(main())
