#!/usr/bin/env python3
"""A pytest run of a square drive with the `sim` fixture, end to end (the
interpreter, pytest, the simulator's start and stop included), at speed 1
and at speed 20: the median wall time of a few runs each. The goal at speed
20 is 1.5 s at most.

    PYTHONPATH=build/python TEVRAK_SIM=build/sim/tevrak-sim python3 bench/sim_square.py [--runs N]
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

SQUARE = """import pytest
import tevrak

@pytest.mark.tevrak_sim(speed={speed})
def test_square(sim):
    drive = tevrak.Drive()
    for _ in range(4):
        drive.straight(200, 400)
        drive.wait()
        drive.turn(90, 180)
        drive.wait()
    assert abs(sim.pose.x - 1000) < 10
"""


def run_once(folder, speed):
    with open(os.path.join(folder, "conftest.py"), "w") as file:
        file.write('pytest_plugins = ["tevrak.testing"]\n')
    test = os.path.join(folder, f"test_square_{speed}.py")
    with open(test, "w") as file:
        file.write(SQUARE.format(speed=speed))
    # The test runs in the folder: paths given relative to here must still hold.
    env = {name: os.path.abspath(value) if name in ("PYTHONPATH", "TEVRAK_SIM") else value
           for name, value in os.environ.items()}
    began = time.perf_counter()
    run = subprocess.run([sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", test], capture_output=True,
                         text=True, cwd=folder, env=env)
    took = time.perf_counter() - began
    if run.returncode != 0:
        sys.exit(run.stdout + run.stderr)
    return took


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    runs = parser.parse_args().runs
    with tempfile.TemporaryDirectory(prefix="tevrak-bench-") as folder:
        for speed in (1, 20):
            times = [run_once(folder, speed) for _ in range(runs)]
            print(f"pytest square, speed {speed:2}: median {statistics.median(times):.2f} s over {runs} runs "
                  f"(fastest {min(times):.2f} s)")


if __name__ == "__main__":
    main()
