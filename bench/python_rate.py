#!/usr/bin/env python3
"""Configurations per second of the bike example from Python, beside `rkl batch`.

Uses the choices files of batch_rate.py (same generator, same seed) and times
Product.evaluate one configuration after the other, evaluate_many in local
worker processes, evaluate_many on a Dask LocalCluster of worker processes,
and `rkl batch` with the same worker counts. Needs the package zamcore
installed (python/run-tests shows how) and, for the cluster, distributed.

    python3 bench/python_rate.py --rkl build/default/tools/rkl/rkl --count 1000
"""

import argparse
import os
import tempfile
import time

import zamcore
from batch_rate import BIKE, generate, run_batch


def timed(label, count, run):
    start = time.perf_counter()
    run()
    seconds = time.perf_counter() - start
    print(f"{label}: {count} configurations in {seconds:.2f} s, {count / seconds:.0f} per second")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rkl", required=True, help="the rkl program")
    parser.add_argument("--count", type=int, default=1000, help="choices files to generate")
    parser.add_argument("--workers", type=int, default=2, help="worker processes")
    parser.add_argument("--seed", type=int, default=26)
    arguments = parser.parse_args()
    product = os.path.abspath(BIKE)

    with tempfile.TemporaryDirectory(prefix="python_rate_") as directory:
        files = generate(directory, arguments.count, arguments.seed)
        count, workers = len(files), arguments.workers
        loaded = zamcore.Product.load(product)
        timed("Product.evaluate, serially", count,
              lambda: [loaded.evaluate(path) for path in files])
        timed(f"evaluate_many, {workers} local processes", count,
              lambda: zamcore.evaluate_many(product, files, jobs=workers))
        from distributed import Client, LocalCluster
        with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                          dashboard_address=None) as cluster, Client(cluster) as client:
            zamcore.evaluate_many(product, files[:workers * 4], client=client)  # warm up
            timed(f"evaluate_many, Dask with {workers} worker processes", count,
                  lambda: zamcore.evaluate_many(product, files, client=client))
        for jobs in (1, workers):
            seconds, _ = run_batch(arguments.rkl, product, files, jobs)
            print(f"rkl batch --jobs {jobs}: {count} configurations in {seconds:.2f} s, "
                  f"{count / seconds:.0f} per second")
        print(f"load average (1 min) {os.getloadavg()[0]:.1f} on {os.cpu_count()} processors")


if __name__ == "__main__":
    main()
