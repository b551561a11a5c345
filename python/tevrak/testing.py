"""pytest plugin for robot programs: a fresh simulated robot per test.

Load it in a conftest.py with

    pytest_plugins = ["tevrak.testing"]

(or run pytest -p tevrak.testing). A test that takes the argument `sim` gets
a running tevrak.Simulator in a folder of its own under pytest's tmp_path,
with the library pointed at it and at its remote; nothing needs root. The
simulator is stopped after the test and every unit, the remote included,
forgets the simulated robot (the library is pointed back at the folder and
remote it used before), so the next test starts from scratch.

    def test_square(sim):
        drive = tevrak.Drive()
        for _ in range(4):
            drive.straight(200, 400); drive.wait()
            drive.turn(90, 180); drive.wait()
        assert abs(sim.pose.x - 1000) < 10

    def test_menu_key(sim):
        remote = tevrak.Remote()
        sim.press("KEY_UP")
        assert remote.get(timeout=1) == "U"

Options for the simulator come from the marker tevrak_sim; speed=20 runs the
world twenty times faster than life:

    @pytest.mark.tevrak_sim(arena=(1000, 1000), obstacles=[(600, 400, 100, 200)], speed=20)
    def test_sensor(sim): ...

A recording made on the robot (tevrak-record run.jsonl) becomes a test: the
simulator plays it back, and the test fails at the first request of the
program that differs from the recorded run (a relative path is taken from
the test's folder):

    @pytest.mark.tevrak_sim(replay="wall_follow.jsonl")
    def test_wall_follow_as_on_the_robot(sim):
        wall_follow()
"""
import os

import pytest

from ._simulator import Simulator


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "tevrak_sim(**options): options of the test's tevrak.Simulator (arena, obstacles, start, ...)"
    )


@pytest.fixture
def sim(request, tmp_path):
    """A running tevrak.Simulator in tmp_path/robot, used by the library."""
    marker = request.node.get_closest_marker("tevrak_sim")
    options = dict(marker.kwargs) if marker else {}
    replay = options.get("replay")
    if replay is not None:
        options["replay"] = os.path.join(request.path.parent, os.fspath(replay))
    simulator = Simulator(home=tmp_path / "robot", **options).start()
    try:
        yield simulator
    finally:
        status = simulator.stop()
    if replay is not None and status != 0:
        pytest.fail(f"the program left the recorded run: {simulator.replay_report}", pytrace=False)
