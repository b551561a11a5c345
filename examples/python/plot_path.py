#!/usr/bin/env python3
"""Drives a figure of eight in the simulator, samples drive.position while it
drives, and plots the path with matplotlib into a PNG file.

    python3 plot_path.py [--output path.png]
"""
import argparse
import threading
import time

import matplotlib

matplotlib.use("Agg")  # files only, no window
import matplotlib.pyplot as plt  # noqa: E402

import tevrak  # noqa: E402


def sample(drive, samples, done, period=0.05):
    """Appends drive.position every period seconds until done is set."""
    while not done.is_set():
        samples.append(drive.position)
        time.sleep(period)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", default="path.png", help="PNG file to write")
    options = parser.parse_args()

    with tevrak.Simulator(arena=(2000, 2000)) as sim:
        drive = tevrak.Drive()
        drive.set_position(tevrak.Pose(0, 0, 0))
        samples, done = [], threading.Event()
        sampler = threading.Thread(target=sample, args=(drive, samples, done))
        sampler.start()
        try:
            for angle in (360, -360):
                drive.curve(1250, angle, 800)  # a circle of radius 200
                drive.wait()
        finally:
            done.set()
            sampler.join()
        samples.append(drive.position)
        end = sim.pose

    figure, axes = plt.subplots(figsize=(5, 5))
    axes.plot([p.x for p in samples], [p.y for p in samples], marker=".", linewidth=1)
    axes.set_aspect("equal")
    axes.set_xlabel("x")
    axes.set_ylabel("y")
    axes.set_title(f"{len(samples)} samples; the simulator ends at {end.x}, {end.y}")
    figure.savefig(options.output, dpi=80)
    print(f"{len(samples)} samples plotted in {options.output}")


if __name__ == "__main__":
    main()
