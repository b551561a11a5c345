#!/usr/bin/python3
"""The page's drive route, without a browser: tevrak-view offers it only with
--control and only to requests that carry its token, name it in Host and come
from its own origin; the simulator's and tevrak-view's routes clamp the speeds
and stop the drive themselves when the page goes quiet (the lease).

    control_route_test.py --sim P --view P --home DIR"""

import argparse
import http.client
import os
import re
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser_test import Child, check, commanded, wait_until  # noqa: E402

BOUND = 2.0  # seconds for a 0.3 s lease, beside a busy build


def post(port, path, headers):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    try:
        connection.request("POST", path, body=b"", headers=headers)
        return connection.getresponse().status
    finally:
        connection.close()


def port_of(url):
    return int(re.search(r":(\d+)/", url).group(1))


# What tevrak-view --control refuses, and what it takes. {token} is its token.
REFUSALS = [
    # name, headers, status
    ("no token", {"X-Tevrak-View": "1"}, 403),
    ("wrong token", {"X-Tevrak-View": "1", "X-Tevrak-Token": "0" * 32}, 403),
    ("the token cut short", {"X-Tevrak-View": "1", "X-Tevrak-Token": "{short}"}, 403),
    ("not from the page", {"X-Tevrak-Token": "{token}"}, 403),
    ("another site's name", {"X-Tevrak-View": "1", "X-Tevrak-Token": "{token}", "Host": "evil.example:{port}"}, 421),
    ("another site's origin", {"X-Tevrak-View": "1", "X-Tevrak-Token": "{token}", "Origin": "http://evil.example"}, 403),
]

# Speeds asked for and what the world is commanded: mm/s, degrees/s on the
# way in, mm/s and hundredths of a radian per second (314/180) in the world.
CLAMPING = [
    ((100, 45), (100, 78)),
    ((1000, 900), (150, 157)),
    ((-5000, -300), (-150, -157)),
]


def check_refusals(port, token):
    for name, headers, status in REFUSALS:
        filled = {key: value.format(token=token, short=token[:-1], port=port) for key, value in headers.items()}
        got = post(port, "/drive?linear=100&angular=0", filled)
        check(got == status, f"tevrak-view --control, {name}: {got}, not {status}")


def check_clamping_and_lease(port, headers, sim, home, who):
    for asked, world in CLAMPING:
        got = post(port, f"/drive?linear={asked[0]}&angular={asked[1]}", headers)
        check(got == 204, f"{who}: drive {asked} answered {got}")
        wait_until(lambda: commanded(sim, home) == world, f"{who}: {asked} commanded as {world}", timeout=BOUND)
        # Nothing more: the lease stops the drive.
        started = time.monotonic()
        wait_until(lambda: commanded(sim, home) == (0, 0), f"{who}: the lease to stop {asked}", timeout=BOUND)
        print(f"{who}: {asked} -> {world}, stopped by the lease after {time.monotonic() - started:.2f} s")


def run(args, work):
    home = args.home
    sim = Child([args.sim, "--home", home, "--view", "127.0.0.1:0", "--answer"])
    children = [sim]
    try:
        url = sim.wait_for(r"tevrak-sim: view at (http://127\.0\.0\.1:\d+/)\n")
        check(url and sim.wait_for(r"board ready"), "the simulator did not start:\n" + sim.text)
        sim_port = port_of(url.group(1))
        check_clamping_and_lease(sim_port, {"X-Tevrak-View": "1"}, sim, home, "tevrak-sim")
        # The page's zero while the joystick is idle (its question on load,
        # its stop on leaving) leaves a program's speed alone.
        sent = sim.text.count("(joystick)")
        check(post(sim_port, "/drive?linear=0&angular=0", {"X-Tevrak-View": "1"}) == 204, "the zero was refused")
        time.sleep(0.5)
        sim._read(0.1)
        check(sim.text.count("(joystick)") == sent, "an idle joystick's zero reached the world:\n" + sim.text[-500:])

        # Without --control: no route at all, whatever the request carries.
        view = Child([args.view, "--home", home, "--view", "127.0.0.1:0"])
        children.append(view)
        plain = view.wait_for(r"tevrak-view: view at (http://127\.0\.0\.1:\d+/)\n")
        check(plain, "tevrak-view did not start:\n" + view.text)
        got = post(port_of(plain.group(1)), "/drive?linear=100&angular=0", {"X-Tevrak-View": "1"})
        check(got == 404, f"tevrak-view without --control answered /drive with {got}")
        view.stop()
        children.remove(view)

        view = Child([args.view, "--home", home, "--view", "127.0.0.1:0", "--control"])
        children.append(view)
        found = view.wait_for(r"tevrak-view: view at (http://127\.0\.0\.1:\d+/)#control=([0-9a-f]{32})\n")
        check(found, "tevrak-view --control printed no address with a token:\n" + view.text)
        port, token = port_of(found.group(1)), found.group(2)
        check_refusals(port, token)
        check(commanded(sim, home) == (0, 0), "a refused request moved the robot")
        check_clamping_and_lease(port, {"X-Tevrak-View": "1", "X-Tevrak-Token": token}, sim, home, "tevrak-view")

        # Another start, another token.
        view.stop()
        children.remove(view)
        again = Child([args.view, "--home", home, "--view", "127.0.0.1:0", "--control"])
        children.append(again)
        other = again.wait_for(r"#control=([0-9a-f]{32})\n")
        check(other and other.group(1) != token, "tevrak-view made the same token twice")
        # Killed while it drives: the library's stop on death stops the robot.
        again_port = port_of(again.wait_for(r"view at (http://[^#]+)#").group(1))

        def drives():
            # Asked again and again: its first drive waits for the library's
            # start-up, and a busy machine may let a 0.3 s lease run out.
            got = post(again_port, "/drive?linear=100&angular=0", {"X-Tevrak-View": "1", "X-Tevrak-Token": other.group(1)})
            check(got == 204, f"the second tevrak-view answered {got}")
            return commanded(sim, home) == (100, 0)
        wait_until(drives, "the second tevrak-view to drive", timeout=BOUND)
        again.process.kill()
        wait_until(lambda: commanded(sim, home) == (0, 0), "a killed tevrak-view's robot to stop", timeout=BOUND)
        print("control route test passed")
    finally:
        for child in children:
            child.stop()


def main():
    parser = argparse.ArgumentParser()
    for name in ("--sim", "--view", "--home"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="tevrak-control-") as work:
        run(args, work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
