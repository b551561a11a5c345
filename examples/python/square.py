#!/usr/bin/env python3
"""Drives a square of 500 x 500 and prints the position after each side.

Run it on the robot, or against the simulator:
    tevrak-sim --home /tmp/robot &    python3 square.py --home /tmp/robot
"""
import sys

import tevrak

if "--home" in sys.argv:
    tevrak.set_home(sys.argv[sys.argv.index("--home") + 1])

drive = tevrak.Drive()
drive.set_position(tevrak.Pose(0, 0, 0))
for side in range(1, 5):
    drive.straight(500, 400)
    drive.wait()
    drive.turn(90, 180)
    drive.wait()
    print(f"after side {side}: {drive.position}")
