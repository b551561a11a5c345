"""The Python examples run against the simulator (and the private lircd)."""
import os
import subprocess
import sys

import pytest

EXAMPLES = os.environ.get("TEVRAK_EXAMPLES", os.path.join(os.path.dirname(__file__), "../../examples/python"))


def run_example(name, *args, timeout=60):
    result = subprocess.run(
        [sys.executable, os.path.join(EXAMPLES, name), *args], capture_output=True, text=True, timeout=timeout
    )
    assert result.returncode == 0, result.stderr
    return result.stdout.splitlines()


def test_square(sim):
    lines = run_example("square.py", "--home", sim.home)
    assert len(lines) == 4 and lines[0] == "after side 1: Pose(x=500, y=0, heading=90)"
    x, y, _ = sim.pose
    assert abs(x - 1000) <= 3 and abs(y - 750) <= 3  # back at the centre


@pytest.mark.tevrak_sim(arena=(1200, 800), start=(300, 250, 0))
def test_wall_follow_keeps_off_the_walls(sim):
    lines = run_example("wall_follow.py", "--home", sim.home, "--steps", "30")
    # From the start: 800 mm ahead (1200 - 300 - the radius of 100), read
    # through the table as 802; 150 mm to the right.
    assert lines and lines[0].startswith("front= 802 right= 150 -> speed=150 turn= 25 at ")
    status = sim.status()
    assert status.linear == 0 and status.angular == 0  # stopped at the end
    assert not any(" stalled at " in line for line in sim.frames())
    assert status.pose.x > 400  # it went somewhere


@pytest.mark.tevrak_sim(arena=(1000, 1000), start=(500, 500, 0))
def test_safe_drive_stalls_backs_off_and_stops(sim):
    lines = run_example("safe_drive.py", "--home", sim.home)
    assert lines[0] == "stalled at Pose(x=400, y=0, heading=0): backing off"  # the rim at the wall
    assert lines[1].startswith("stopped at Pose(x=200, y=0, heading=")
    status = sim.status()
    assert (status.linear, status.angular, status.drive_status) == (0, 0, 1)


def test_plot_path(tmp_path):
    # The ARM interpreters of make test-arm see only the build machine's
    # matplotlib, which they cannot load.
    pytest.importorskip("matplotlib")
    output = tmp_path / "path.png"
    lines = run_example("plot_path.py", "--output", str(output))
    assert lines[-1].endswith(f"samples plotted in {output}")
    assert int(lines[-1].split()[0]) > 20
    assert output.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_remote_keys(lircd):
    child = subprocess.Popen(
        [sys.executable, os.path.join(EXAMPLES, "remote_keys.py"), "--timeout", "10"],
        stdout=subprocess.PIPE,
        text=True,
    )
    try:
        assert child.stdout.readline().startswith("press keys")  # connected
        lircd.press("KEY_1")
        assert child.stdout.readline().strip() == "key 1 (DIGIT_1)"
        lircd.press("KEY_RED")
        assert child.stdout.readline().strip() == "key R (RED)"
        assert child.wait(timeout=10) == 0
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
