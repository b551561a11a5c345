#!/usr/bin/env python3
"""Prints the keys of the infrared remote control as they come, with their
names, until the red key or Ctrl-C. lircd must run with your remote's
configuration.

Shows: tevrak.Key, and the remote in an asyncio program: the loop watches
the remote's descriptor (Remote.fileno()) beside its other work, and takes
the keys with get(timeout=0) when it is readable.

    python3 remote_keys.py [--timeout SECONDS]
"""
import argparse
import asyncio

import tevrak


def name_of(key):
    try:
        return tevrak.Key(key).name
    except ValueError:  # a button of another remote
        return "?"


async def print_keys(remote, timeout):
    """Prints keys until the red key; False when none came for timeout seconds."""
    loop = asyncio.get_running_loop()
    readable = asyncio.Event()
    loop.add_reader(remote.fileno(), readable.set)
    try:
        while True:
            try:
                await asyncio.wait_for(readable.wait(), timeout)
            except asyncio.TimeoutError:
                return False
            readable.clear()
            # The client library may hold several keys from one read.
            while (key := remote.get(timeout=0)) is not None:
                print(f"key {key} ({name_of(key)})", flush=True)
                if key == tevrak.Key.RED:
                    return True
    finally:
        loop.remove_reader(remote.fileno())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--timeout", type=float, help="stop after this long without a key")
    options = parser.parse_args()

    remote = tevrak.Remote()
    remote.set_hold_delay(5)  # a held key repeats after five of the remote's repeats
    print("press keys; the red key ends", flush=True)
    try:
        if not asyncio.run(print_keys(remote, options.timeout)):
            print("no key")
    except KeyboardInterrupt:
        print("stopped")


if __name__ == "__main__":
    main()
