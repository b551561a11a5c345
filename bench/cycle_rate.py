#!/usr/bin/env python3
"""Loop rate of a wall-follower's sense-act loop (three distance sensors,
two encoders, one drive speed) against one simulated robot, in C (the
cycle_loop program) and in Python, as single calls and in a cycle, in the
same run: C and Python take turns of a few loops each, so that load on the
machine falls on all four alike. Prints the median rate of each and the
Python/C time ratio.

    PYTHONPATH=build/python TEVRAK_SIM=build/sim/tevrak-sim \\
        python3 bench/cycle_rate.py build/bench/cycle_loop [--turns T] [--loops N]
"""
import argparse
import statistics
import subprocess
import time

import tevrak


def python_turn(loop, count, in_cycle):
    start = time.perf_counter()
    for _ in range(count):
        if in_cycle:
            with tevrak.cycle():
                loop()
        else:
            loop()
    return count / (time.perf_counter() - start)


def c_turn(program, way, count):
    program.stdin.write(f"{way} {count}\n")
    program.stdin.flush()
    answer = program.stdout.readline().strip()
    if not answer or answer == "failed":
        raise RuntimeError(f"cycle_loop: {answer or 'ended'}")
    return float(answer)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("c_program", help="the cycle_loop program")
    parser.add_argument("--turns", type=int, default=20, help="turns of each side and way")
    parser.add_argument("--loops", type=int, default=10, help="loops per turn")
    options = parser.parse_args()

    rates = {(side, way): [] for side in ("C", "Python") for way in ("single", "cycle")}
    with tevrak.Simulator() as sim:
        drive = tevrak.Drive()
        sensors = [tevrak.DistanceSensor(n) for n in (1, 2, 3)]
        encoders = [tevrak.Encoder(n) for n in (1, 2)]

        def loop():
            for sensor in sensors:
                sensor.distance
            for encoder in encoders:
                encoder.count
            drive.set_speed(0, 0)

        loop()
        with subprocess.Popen([options.c_program, sim.home], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              text=True) as program:
            # Its start-up must not fall into a turn of the other side.
            if program.stdout.readline().strip() != "ready":
                raise RuntimeError("cycle_loop did not start")
            for turn in range(options.turns):
                for way in ("single", "cycle"):
                    # Each side goes first every other turn.
                    order = ("C", "Python") if turn % 2 else ("Python", "C")
                    for side in order:
                        if side == "C":
                            rates[side, way].append(c_turn(program, way, options.loops))
                        else:
                            rates[side, way].append(python_turn(loop, options.loops, way == "cycle"))
            program.stdin.close()

    print(f"{'way':<8}{'C Hz':>9}{'Python Hz':>11}{'Py/C time':>11}")
    for way in ("single", "cycle"):
        c_rate = statistics.median(rates["C", way])
        python_rate = statistics.median(rates["Python", way])
        print(f"{way:<8}{c_rate:>9.1f}{python_rate:>11.1f}{c_rate / python_rate:>11.3f}")


if __name__ == "__main__":
    main()
