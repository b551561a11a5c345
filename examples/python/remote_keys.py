#!/usr/bin/env python3
"""Prints the keys of the infrared remote control as they come, until the
red key (R) or Ctrl-C. lircd must run with your remote's configuration.

    python3 remote_keys.py [--timeout SECONDS]
"""
import argparse

import tevrak


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--timeout", type=float, help="stop after this long without a key")
    options = parser.parse_args()

    remote = tevrak.Remote()
    remote.set_hold_delay(5)  # a held key repeats after five of the remote's repeats
    print("press keys; the red key ends", flush=True)
    try:
        while True:
            key = remote.get(timeout=options.timeout)
            if key is None:
                print("no key")
                break
            print(f"key {key}", flush=True)
            if key == "R":
                break
    except KeyboardInterrupt:
        print("stopped")


if __name__ == "__main__":
    main()
