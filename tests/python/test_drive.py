"""tevrak.Drive against the simulated robot: manoeuvres, queries and waits,
checked against the simulator's own state and its frame log."""
import json
import re
import time

import pytest

import tevrak


def near(a, b, tolerance):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def drive_square(sim):
    """The square's corners, where it ended, its frame log (the drive's
    status polls aside: how many come depends on time) and its picture."""
    start = sim.pose
    drive = tevrak.Drive()
    corners = []
    for _ in range(4):
        drive.straight(200, 400)
        assert drive.wait(timeout=10) is True
        drive.turn(90, 360)
        drive.wait()
        corners.append(drive.position)
    assert isinstance(corners[0], tevrak.Pose)
    assert near(corners[0], (200, 0, 90), 2)
    assert near(corners[1], (200, 200, 180), 2)
    assert near(corners[2], (0, 200, -90), 2) or near(corners[2], (0, 200, 270), 2)
    end = sim.pose
    assert near(end[:2], start[:2], 3)
    assert end.heading % 360 in (0, 1, 359)
    assert drive.done is True and drive.stalled is False and drive.remaining == 0
    status = sim.status()  # degrees throughout; the board's own units under board_raw
    assert status.odometry == drive.position and status.board_raw.odometry[2] in (-1, 0, 1)
    log = [line for line in sim.frames() if not line.startswith(("VWDriveStatus", "(last line repeated"))]
    return corners, end, log


def test_square_ends_where_it_started_at_speed_1_and_20(tmp_path):
    runs = {}
    for speed in (1, 20):
        with tevrak.Simulator(speed=speed, home=tmp_path / str(speed)) as sim:
            began = time.monotonic()
            runs[speed] = drive_square(sim) + (time.monotonic() - began,)
        picture = (tmp_path / str(speed) / "run.svg").read_text()
        runs[speed] += ([float(n) for n in re.findall(r"-?\d+(?:\.\d+)?", picture)],)
    (corners_1, end_1, log_1, took_1, picture_1), (corners_20, end_20, log_20, took_20, picture_20) = runs.values()
    assert corners_20 == corners_1 and near(end_20, end_1, 1)
    assert log_20 == log_1
    assert len(picture_20) == len(picture_1) and near(picture_20, picture_1, 1)
    assert took_20 < took_1 / 3  # measured in the same test: the world ran faster


@pytest.mark.tevrak_sim(view=True)
def test_commands_answer(sim):
    assert re.fullmatch(r"http://127\.0\.0\.1:\d+/", sim.view_url)
    with pytest.raises(tevrak.SimulatorError, match="^unknown control command: wobble"):
        sim.command("wobble")
    with pytest.raises(tevrak.SimulatorError, match="^late wants milliseconds"):
        sim.command("late soon")
    drive = tevrak.Drive()
    drive.straight(300, 600)
    drive.position  # a query: the board has read the straight before it
    report = sim.command("status")  # one line of JSON under --answer
    assert report.count("\n") == 1 and json.loads(report)["drive"]["command"] == {"linear": 600, "angular": 0}
    drive.wait()
    assert sim.pose == (1300, 750, 0)  # the pose now, not that of the report before
    assert sim.pose == sim.status().pose


def test_speed_position_and_arcs(sim):
    drive = tevrak.Drive()
    drive.set_speed(100, 45)
    assert drive.speed == tevrak.Speed(100, 44)  # 45 degrees travel as 78 hundredths of a radian
    assert drive.done is True  # a continuous speed counts as done
    drive.set_speed(0, 0)

    drive.set_position(tevrak.Pose(1000, -500, 90))
    assert drive.position == (1000, -500, 90)
    drive.set_position((0, 0, 0))
    drive.curve(300, 90, 300)
    assert drive.done is False and drive.remaining > 0
    drive.wait()
    x, y, heading = drive.position
    assert heading in (89, 90) and 180 < x < 200 and 180 < y < 200  # radius 191 mm

    drive.set_position(tevrak.Pose(0, 0, 0))
    drive.drive_to(300, 0, 300)  # straight ahead: a straight run
    drive.wait()
    assert near(drive.position, (300, 0, 0), 2)
    assert drive.position.x == drive.position[0]

    drive.control(1, 2, 3, 4)
    assert drive.done  # a query: the board has read the command before it
    assert sim.status().controller == (1, 2, 3, 4)
    drive.control_off()
    assert drive.done
    assert sim.status().controller is None
    log = "\n".join(sim.frames())
    assert "VWSetSpeed linear=100 angular=78" in log
    assert "VWSetPosition x=1000 y=-500 heading=157" in log


@pytest.mark.tevrak_sim(arena=(1000, 1000), start=(700, 500, 0))
def test_stalled_at_a_wall_and_bounded_wait(sim):
    drive = tevrak.Drive()
    started = sim.status().world_ms
    drive.straight(1000, 500)
    began = time.monotonic()
    assert drive.wait(timeout=0.2) is False  # still driving when the time runs out
    assert time.monotonic() - began < 2  # without its timeout the wait never ends: the drive stalls
    # 200 mm at 500 mm/s: stalled 0.4 s into the simulator's clock (the
    # bound leaves room for a slow poll beside a busy build).
    while not drive.stalled and sim.status().world_ms < started + 5000:
        time.sleep(0.05)
    assert drive.stalled is True and drive.status == 2
    status = sim.status()  # pushing into the wall: no motion, the command stands
    assert (status.drive_status, status.linear, status.commanded_linear) == (2, 0, 500)
    assert sim.pose.x == 900  # the rim touches the wall
    for wait in (drive.wait, lambda: drive.wait(timeout=30)):
        began = time.monotonic()
        with pytest.raises(tevrak.StalledError) as stalled:
            wait()
        assert time.monotonic() - began < 1  # the first status query ends it
        assert isinstance(stalled.value, tevrak.Error) and stalled.value.code == 2


@pytest.mark.tevrak_sim(arena=(1000, 1000), start=(300, 500, 0))
def test_stop_and_with_blocks_stop_the_robot(sim):
    with tevrak.Drive() as drive:
        drive.straight(2000, 300)
        assert drive.done is False
        drive.stop()
        assert drive.done is True and drive.speed == (0, 0)
        drive.set_speed(200, 0)
    assert drive.done  # a query: the board has read the stop before it
    status = sim.status()
    assert (status.linear, status.angular, status.commanded_linear, status.commanded_angular) == (0, 0, 0, 0)
    assert "VWSetSpeed linear=0 angular=0" in sim.frames()  # the stop, logged as any frame
    with pytest.raises(RuntimeError):
        with tevrak.Motor(2) as motor:
            motor.drive_raw(70)
            tevrak.Encoder(1).count
            assert sim.status().motors[2].power == 70
            raise RuntimeError("leaves the block")
    tevrak.Encoder(1).count
    assert 2 not in sim.status().motors  # listed while it runs
    assert "MOTORDriveRaw motor=2 power=0" in sim.frames()  # its stop


def test_wait_rejects_bad_timeouts(sim):
    drive = tevrak.Drive()
    for timeout in (-1, float("nan")):
        with pytest.raises(ValueError):
            drive.wait(timeout=timeout)
    assert drive.wait(timeout=0) is True  # nothing runs
