#!/usr/bin/env python3
"""How long `import tevrak` takes in a fresh interpreter: the median of 20
runs (the goal is 15 ms at most), in wall time and in CPU time (which other
programs on a busy machine disturb less). Each run is a new Python that
times its own import, so the interpreter's start-up is not counted.

    PYTHONPATH=build/python python3 bench/import_time.py [--runs N]
"""
import argparse
import statistics
import subprocess
import sys

TIMED = ("import time; t, c = time.perf_counter(), time.process_time(); import tevrak; "
         "print(time.perf_counter() - t, time.process_time() - c)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=20)
    runs = parser.parse_args().runs
    wall, cpu = zip(*(map(float, subprocess.run([sys.executable, "-c", TIMED], check=True, capture_output=True,
                                                text=True).stdout.split()) for _ in range(runs)))
    for name, times in (("wall", wall), ("CPU", cpu)):
        times = [t * 1000 for t in times]
        print(f"import tevrak, {name} time: median {statistics.median(times):.1f} ms over {runs} runs "
              f"(fastest {min(times):.1f} ms, slowest {max(times):.1f} ms)")

if __name__ == "__main__":
    main()
