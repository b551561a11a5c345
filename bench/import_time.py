#!/usr/bin/env python3
"""How long `import tevrak` takes in a fresh interpreter: the median of 20
runs (the goal is 15 ms at most). Each run is a new Python that times its own
import, so the interpreter's start-up is not counted.

    PYTHONPATH=build/python python3 bench/import_time.py [--runs N]
"""
import argparse
import statistics
import subprocess
import sys

TIMED = "import time; t = time.perf_counter(); import tevrak; print(time.perf_counter() - t)"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=20)
    runs = parser.parse_args().runs
    times = [float(subprocess.run([sys.executable, "-c", TIMED], check=True, capture_output=True,
                                  text=True).stdout) * 1000 for _ in range(runs)]
    print(f"import tevrak: median {statistics.median(times):.1f} ms over {runs} runs "
          f"(fastest {min(times):.1f} ms, slowest {max(times):.1f} ms)")


if __name__ == "__main__":
    main()
