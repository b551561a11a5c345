#!/usr/bin/env python3
"""Latency of a Python call against the C call it wraps, in the same run and
against the same simulated robot: a command (Drive.set_speed / VWSetSpeed)
and a query (Drive.position / VWGetPosition). The C calls run in the
call_latency program; C and Python take turns of a few calls each, so that
load on the machine falls on both alike. Prints medians over the turns of
the wall and CPU time per call, and the binding's own cost of a call.

    PYTHONPATH=build/python TEVRAK_SIM=build/sim/tevrak-sim \\
        python3 bench/python_latency.py build/bench/call_latency [--turns T] [--calls N]
"""
import argparse
import statistics
import subprocess
import time
import timeit

import tevrak


def python_turn(call, count):
    """Wall and CPU time per call, in microseconds."""
    start, cpu_start = time.perf_counter(), time.process_time()
    for _ in range(count):
        call()
    return (time.perf_counter() - start) * 1e6 / count, (time.process_time() - cpu_start) * 1e6 / count


def c_turn(program, name, count):
    program.stdin.write(f"{name} {count}\n")
    program.stdin.flush()
    answer = program.stdout.readline().split()
    if len(answer) != 2:
        raise RuntimeError(f"call_latency: {' '.join(answer) or 'ended'}")
    return float(answer[0]), float(answer[1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("c_program", help="the call_latency program")
    parser.add_argument("--turns", type=int, default=200, help="turns of each side and call")
    parser.add_argument("--calls", type=int, default=5, help="calls per turn")
    options = parser.parse_args()

    results = {"set_speed": ([], []), "position": ([], [])}  # (wall, cpu) per turn: C, Python
    with tevrak.Simulator() as sim:
        drive = tevrak.Drive()
        calls = {"set_speed": lambda: drive.set_speed(0, 0), "position": lambda: drive.position}
        tevrak.Servo(1)
        # The binding's own cost of a call: a started unit's Servo(n) does no
        # input or output but converts, releases the GIL and takes the lock.
        binding = min(timeit.repeat(lambda: tevrak.Servo(1), number=20000, repeat=5)) / 20000 * 1e6
        with subprocess.Popen(
            [options.c_program, sim.home], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True
        ) as program:
            for turn in range(options.turns):
                for name, call in calls.items():
                    # Each side goes first every other turn.
                    if turn % 2:
                        results[name][1].append(python_turn(call, options.calls))
                    results[name][0].append(c_turn(program, name, options.calls))
                    if not turn % 2:
                        results[name][1].append(python_turn(call, options.calls))
            program.stdin.close()

    print(f"{'call':<10}{'C us':>9}{'Python us':>11}{'ratio':>8}{'C cpu':>8}{'Py cpu':>8}")
    for name, (c_side, python_side) in results.items():
        c_wall = statistics.median(w for w, _ in c_side)
        python_wall = statistics.median(w for w, _ in python_side)
        c_cpu = statistics.median(c for _, c in c_side)
        python_cpu = statistics.median(c for _, c in python_side)
        print(f"{name:<10}{c_wall:>9.0f}{python_wall:>11.0f}{python_wall / c_wall:>8.3f}{c_cpu:>8.1f}{python_cpu:>8.1f}")
    print(f"binding cost of a call without input or output (Servo(1)): {binding:.2f} us")


if __name__ == "__main__":
    main()
