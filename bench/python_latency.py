#!/usr/bin/env python3
"""Latency of a Python call against the C call it wraps, in the same run and
against the same simulated robot: a command (Drive.set_speed / VWSetSpeed)
and a query (Drive.position / VWGetPosition), medians of several runs, the C
and Python runs taking turns.

    PYTHONPATH=build/python TEVRAK_SIM=build/sim/tevrak-sim \\
        python3 bench/python_latency.py build/bench/call_latency [--count N] [--rounds R]
"""
import argparse
import statistics
import subprocess
import time

import tevrak


def python_micros(call, count):
    start = time.perf_counter()
    for _ in range(count):
        call()
    return (time.perf_counter() - start) * 1e6 / count


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("c_program", help="the call_latency program")
    parser.add_argument("--count", type=int, default=100, help="calls per run")
    parser.add_argument("--rounds", type=int, default=7, help="runs of each side")
    options = parser.parse_args()

    results = {"set_speed": ([], []), "position": ([], [])}
    with tevrak.Simulator() as sim:
        drive = tevrak.Drive()
        calls = {"set_speed": lambda: drive.set_speed(0, 0), "position": lambda: drive.position}
        for _ in range(options.rounds):
            output = subprocess.run(
                [options.c_program, sim.home, str(options.count), "1"], capture_output=True, text=True, check=True
            ).stdout
            for line in output.splitlines():
                name, micros = line.split()
                results[name][0].append(float(micros))
            for name, call in calls.items():
                results[name][1].append(python_micros(call, options.count))

    print(f"{'call':<12}{'C (us)':>10}{'Python (us)':>13}{'ratio':>8}")
    for name, (c_side, python_side) in results.items():
        c_median, python_median = statistics.median(c_side), statistics.median(python_side)
        print(f"{name:<12}{c_median:>10.1f}{python_median:>13.1f}{python_median / c_median:>8.3f}")


if __name__ == "__main__":
    main()
