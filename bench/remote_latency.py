#!/usr/bin/env python3
"""Latency of the drive's calls through tevrak-remote against the same calls
made directly, in the same run: two simulators, one reached straight and one
behind a private sshd on 127.0.0.1 (loopback SSH, the test suite's
private_sshd). A call_latency program against each takes turns of a few calls,
so that load on the machine falls on both alike. Prints the medians over the
turns of the wall time per call and their ratio (the goal: at most 1.10).
With --bridge FOLDER, tevrak-bridge of that folder is both ends of the
link (on the PATH of the laptop and of the robot's sessions); without it,
socat.

    PYTHONPATH=build/python TEVRAK_SIM=build/sim/tevrak-sim \\
        python3 bench/remote_latency.py build/bench/call_latency [--turns T] [--calls N] [--bridge FOLDER]
"""
import argparse
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile

import tevrak

SOURCE = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(SOURCE / "tests" / "python"))
from private_sshd import Sshd  # noqa: E402
from python_latency import c_turn  # noqa: E402  (this folder)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("c_program", help="the call_latency program")
    parser.add_argument("--turns", type=int, default=100, help="turns of each side and call")
    parser.add_argument("--calls", type=int, default=5, help="calls per turn")
    parser.add_argument("--bridge", metavar="FOLDER", help="the folder of tevrak-bridge (else socat)")
    options = parser.parse_args()
    if options.bridge:
        os.environ["PATH"] = os.pathsep.join([options.bridge, os.environ["PATH"]])

    results = {"set_speed": ([], []), "position": ([], [])}  # per turn: direct, remote
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        with tevrak.Simulator(use=False) as direct, tevrak.Simulator(home=folder / "robot", use=False) as far:
            sshd = Sshd(folder, far.home, path=options.bridge)
            try:
                with tevrak.RemoteRobot("robot", home=folder / "laptop", options=["-F", str(sshd.config)],
                                        program=str(SOURCE / "laptop" / "tevrak_remote.py")) as remote:
                    homes = (direct.home, remote.home)
                    programs = [subprocess.Popen([options.c_program, home], stdin=subprocess.PIPE,
                                                 stdout=subprocess.PIPE, text=True) for home in homes]
                    try:
                        for number in range(options.turns):
                            for name, (direct_side, remote_side) in results.items():
                                # Each side goes first every other turn.
                                order = (0, 1) if number % 2 else (1, 0)
                                for side in order:
                                    wall, _ = c_turn(programs[side], name, options.calls)
                                    (direct_side, remote_side)[side].append(wall)
                    finally:
                        for program in programs:
                            program.stdin.close()
                            program.wait()
            finally:
                sshd.stop()

    print(f"{'call':<10}{'direct us':>11}{'remote us':>11}{'ratio':>8}")
    for name, (direct_side, remote_side) in results.items():
        direct_time, remote_time = statistics.median(direct_side), statistics.median(remote_side)
        print(f"{name:<10}{direct_time:>11.0f}{remote_time:>11.0f}{remote_time / direct_time:>8.3f}")


if __name__ == "__main__":
    main()
