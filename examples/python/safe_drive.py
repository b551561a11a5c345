#!/usr/bin/env python3
"""Drives at a wall and gets away again, safely: the with block stops the
chassis however it ends (an exception, Ctrl-C), the wait ends with
tevrak.StalledError when the wall blocks the chassis, and stop() cuts a
manoeuvre short.

Run it on the robot, or against the simulator:
    tevrak-sim --home /tmp/robot &    python3 safe_drive.py --home /tmp/robot
"""
import argparse
import time

import tevrak


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--home", help="robot folder (default: the library's)")
    options = parser.parse_args()
    if options.home:
        tevrak.set_home(options.home)

    with tevrak.Drive() as drive:
        drive.straight(5000, 300)  # 5 m at 300 mm/s: further than any wall
        try:
            drive.wait(timeout=30)
        except tevrak.StalledError:
            print(f"stalled at {drive.position}: backing off")
            drive.straight(-200, 200)
            drive.wait()
        drive.turn(720, 90)  # two full turns, cut short after a second
        time.sleep(1)
        drive.stop()
        print(f"stopped at {drive.position}")


if __name__ == "__main__":
    main()
