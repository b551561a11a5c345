#!/usr/bin/env python3
"""Latency of a Python call against the C call it wraps, in the same run and
against the same simulated robot: a command (Drive.set_speed / VWSetSpeed)
and a query (Drive.position / VWGetPosition), medians and best of several
runs, the C and Python runs taking turns.

    PYTHONPATH=build/python TEVRAK_SIM=build/sim/tevrak-sim \\
        python3 bench/python_latency.py build/bench/call_latency [--count N] [--rounds R]
"""
import argparse
import statistics
import subprocess
import time
import timeit

import tevrak


def python_micros(call, count):
    """Wall and CPU time per call, in microseconds."""
    start, cpu_start = time.perf_counter(), time.process_time()
    for _ in range(count):
        call()
    return (time.perf_counter() - start) * 1e6 / count, (time.process_time() - cpu_start) * 1e6 / count


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("c_program", help="the call_latency program")
    parser.add_argument("--count", type=int, default=50, help="calls per run")
    parser.add_argument("--rounds", type=int, default=15, help="runs of each side, taking turns")
    options = parser.parse_args()

    results = {"set_speed": ([], []), "position": ([], [])}  # (wall, cpu) pairs: C, Python
    with tevrak.Simulator() as sim:
        drive = tevrak.Drive()
        calls = {"set_speed": lambda: drive.set_speed(0, 0), "position": lambda: drive.position}
        tevrak.Servo(1)
        # The binding's own cost of a call: a started unit's Servo(n) does no
        # input or output but converts, releases the GIL and takes the lock.
        binding = min(timeit.repeat(lambda: tevrak.Servo(1), number=20000, repeat=5)) / 20000 * 1e6
        for _ in range(options.rounds):
            output = subprocess.run(
                [options.c_program, sim.home, str(options.count), "1"], capture_output=True, text=True, check=True
            ).stdout
            for line in output.splitlines():
                name, wall, cpu = line.split()
                results[name][0].append((float(wall), float(cpu)))
            for name, call in calls.items():
                results[name][1].append(python_micros(call, options.count))

    # Wall time: medians, and the best runs (on a busy machine the best run
    # of each side is the one least disturbed by other processes). CPU time
    # per call: what the binding adds, free of waiting.
    print(f"{'call':<10}{'C us':>9}{'Python us':>11}{'ratio':>7}{'best C':>9}{'best Py':>9}{'ratio':>7}"
          f"{'C cpu':>8}{'Py cpu':>8}")
    for name, (c_side, python_side) in results.items():
        c_wall, python_wall = [w for w, _ in c_side], [w for w, _ in python_side]
        c_median, python_median = statistics.median(c_wall), statistics.median(python_wall)
        c_best, python_best = min(c_wall), min(python_wall)
        c_cpu = statistics.median(c for _, c in c_side)
        python_cpu = statistics.median(c for _, c in python_side)
        print(
            f"{name:<10}{c_median:>9.0f}{python_median:>11.0f}{python_median / c_median:>7.3f}"
            f"{c_best:>9.0f}{python_best:>9.0f}{python_best / c_best:>7.3f}{c_cpu:>8.1f}{python_cpu:>8.1f}"
        )
    print(f"binding cost of a call without input or output (Servo(1)): {binding:.2f} us")


if __name__ == "__main__":
    main()
