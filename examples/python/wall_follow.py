#!/usr/bin/env python3
"""Follows the wall on the robot's right for a while: straight on until a
wall is near, turning left in place when a wall blocks the way ahead, and
keeping the right wall at a set distance with a proportional controller.
Sensor 1 looks ahead, sensor 3 to the right. Stops the robot on every way
out, Ctrl-C included.

    python3 wall_follow.py [--home ROBOT_FOLDER] [--steps N]
"""
import argparse
import time

import tevrak

WALL_DISTANCE = 250  # wanted distance to the right wall
BLOCKED = 300  # front distance at which the robot turns
NO_WALL = 600  # right distance beyond which no wall is near
SPEED = 150


def steer(front, right):
    """Linear speed and turn rate (degrees per second, positive left)."""
    if front < BLOCKED:
        return 0, 60
    if right > NO_WALL:
        return SPEED, 0
    return SPEED, max(-40, min(40, (WALL_DISTANCE - right) // 4))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--home", help="robot folder (default: the library's)")
    parser.add_argument("--steps", type=int, default=80, help="control steps of 100 ms")
    options = parser.parse_args()
    if options.home:
        tevrak.set_home(options.home)

    drive = tevrak.Drive()
    front, right = tevrak.DistanceSensor(1), tevrak.DistanceSensor(3)
    try:
        for step in range(options.steps):
            ahead, beside = front.distance, right.distance
            speed, turn = steer(ahead, beside)
            drive.set_speed(speed, turn)
            if step % 10 == 0:
                print(f"front={ahead:4} right={beside:4} -> speed={speed:3} turn={turn:3} at {drive.position}")
            time.sleep(0.1)
    finally:
        drive.set_speed(0, 0)


if __name__ == "__main__":
    main()
