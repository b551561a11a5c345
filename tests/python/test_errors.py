"""Failures: exceptions with the C call's code and the unit, never codes;
start-up failures that name the path and a hint; device numbers checked
against hdt.txt; real numbers rounded, wrong types and values beyond the C
int range refused."""
import os
import subprocess
import sys
import time
from fractions import Fraction

import pytest

import tevrak


def test_link_error_when_the_board_is_unplugged_mid_run(sim, capfd):
    drive = tevrak.Drive()
    sensor = tevrak.DistanceSensor(1)
    drive.set_speed(100, 0)
    assert sensor.raw > 0
    sim.unplug()
    with pytest.raises(tevrak.LinkError) as drive_failure:
        drive.set_speed(0, 0)
    with pytest.raises(tevrak.LinkError) as sensor_failure:
        sensor.raw
    # The drive starts afresh and finds no terminal to open.
    with pytest.raises(tevrak.StartupError) as restart_failure:
        drive.done
    assert str(restart_failure.value).startswith("cannot open /")
    assert str(restart_failure.value).endswith(": No such file or directory (is the board plugged in?)")
    failures = [(e.value.unit, e.value.function, e.value.code)
                for e in (drive_failure, sensor_failure, restart_failure)]
    assert failures == [("VW", "VWSetSpeed", 1), ("PSD", "PSDGetRaw", -1), ("VW", "VWDriveDone", -1)]
    assert isinstance(sensor_failure.value, tevrak.Error) and isinstance(sensor_failure.value, RuntimeError)
    assert str(sensor_failure.value).startswith("PSDGetRaw: ")
    # The units' messages are in the exceptions, not printed on top of them.
    assert str(drive_failure.value) == "VWSetSpeed: the board did not answer (code 1) [VW: Timeout!!!]"
    assert str(sensor_failure.value).endswith("[error opening port; PSD: Timeout!!!]")
    assert capfd.readouterr() == ("", "")

    sim.replug()
    drive.set_speed(0, 0)  # found again
    assert drive.speed == (0, 0)


@pytest.mark.parametrize(
    "origin, hint",
    [
        ("set_home", "the robot folder comes from set_home; run tevrak-setup there, or give set_home your robot folder"),
        ("TEVRAK_HOME",
         "the robot folder comes from TEVRAK_HOME; run tevrak-setup there, or point TEVRAK_HOME at your robot folder"),
    ],
)
def test_startup_error_without_hdt_file_says_where_the_folder_came_from(tmp_path, origin, hint):
    # A fresh interpreter: the library reads TEVRAK_HOME once per process.
    program = f"""
import sys, tevrak
if {origin == "set_home"}:
    tevrak.set_home(sys.argv[1])
try:
    tevrak.Drive().straight(100, 100)
except tevrak.StartupError as error:
    print(error.unit, error.code, error)
try:
    tevrak.DistanceSensor(1).raw
except tevrak.StartupError:
    print("sensor too")
"""
    environment = dict(os.environ, TEVRAK_HOME=str(tmp_path) if origin == "TEVRAK_HOME" else "/nonexistent")
    done = subprocess.run([sys.executable, "-c", program, str(tmp_path)], env=environment, capture_output=True,
                          text=True, timeout=60)
    assert done.stdout == f"VW 1 no hdt.txt at {tmp_path}/bin/hdt.txt ({hint})\nsensor too\n"
    assert done.stderr == "", "the exception says it all: no message of the unit on top"


@pytest.mark.parametrize(
    "call",
    [
        lambda: tevrak.Drive().straight("100", 100),
        lambda: tevrak.Motor(1).drive(1 + 2j),
        lambda: tevrak.Drive().set_position((1, 2)),
        lambda: tevrak.Servo("1"),
        lambda: tevrak.Motor(None),
        lambda: tevrak.ListMenu("menu").append(7, "text"),
        lambda: tevrak.Drive().wait(timeout="1"),
        lambda: tevrak.set_home(3),
    ],
)
def test_wrong_argument_types_raise_type_error(sim, call):
    with pytest.raises(TypeError):
        call()


@pytest.mark.parametrize("value", [2**31, -(2**31) - 1, 2**64])
def test_values_beyond_int_raise(sim, value):
    drive = tevrak.Drive()
    with pytest.raises((OverflowError, TypeError)):
        drive.straight(value, 100)
    with pytest.raises((OverflowError, TypeError)):
        tevrak.Servo(1).set_raw(value)
    with pytest.raises((OverflowError, TypeError)):
        tevrak.ListMenu("menu").append("item", value)
    assert not any(line.startswith("VWStraight") for line in sim.frames())


def test_simulator_left_unused_refuses_quit_as_a_command(tmp_path):
    before = tevrak.home()
    with tevrak.Simulator(home=tmp_path / "robot", use=False) as sim:
        assert tevrak.home() == before  # use=False: the library stays where it was
        with pytest.raises(ValueError):
            sim.command("quit")  # stop() ends it
        assert sim.running
    assert not sim.running and tevrak.home() == before


@pytest.mark.parametrize("planted", ["sim.err", "frames.log"])
def test_the_simulator_writes_no_file_through_a_link_planted_in_its_folder(tmp_path, planted):
    victim = tmp_path / "victim"
    victim.write_text("precious")
    (tmp_path / "robot").mkdir()
    (tmp_path / "robot" / planted).symlink_to(victim)
    try:
        with tevrak.Simulator(home=tmp_path / "robot", use=False) as sim:
            sim.command("status")
    except tevrak.SimulatorError:
        pass  # refusing to start is sound too
    assert victim.read_text() == "precious"


def test_real_numbers_are_rounded_half_away_from_zero(sim):
    motor, servo = tevrak.Motor(1), tevrak.Servo(1)
    for given, power in [(12.5, 13), (-12.5, -13), (12.49, 12), (Fraction(5, 2), 3), (True, 1), (-7, -7)]:
        motor.drive_raw(given)
        servo.set_raw(200.5)
        tevrak.Encoder(1).count  # a query: the board has read every command before it
        status = sim.status()
        assert (status.motors[1].power, status.servos[1].position) == (power, 201), given
    for bad in [float("nan"), float("inf"), -float("inf")]:
        with pytest.raises(ValueError, match="is not a finite number"):
            motor.drive_raw(bad)
    with pytest.raises(OverflowError, match="beyond the C int range"):
        motor.drive_raw(2.0**31)


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: tevrak.DistanceSensor(0), "distance sensor 0: this robot has sensors 1 to 3 (hdt.txt)"),
        (lambda: tevrak.DistanceSensor(4), "distance sensor 4: this robot has sensors 1 to 3 (hdt.txt)"),
        (lambda: tevrak.Servo(0), "servo 0: this robot has servos 1 to 2 (hdt.txt)"),
        (lambda: tevrak.Motor(3), "motor 3: this robot has motors 1 to 2 (hdt.txt)"),
        (lambda: tevrak.Encoder(5), "encoder 5: this robot has encoders 1 to 4"),
    ],
)
def test_device_numbers_are_checked_against_hdt(sim, make, message):
    with pytest.raises(ValueError) as caught:
        make()
    assert str(caught.value) == message


def test_link_timeout_bounds_a_link_check_on_a_silent_board(sim):
    drive = tevrak.Drive()
    for bad in (0, -1, float("nan"), float("inf")):
        with pytest.raises(ValueError):
            tevrak.set_link_timeout(bad)
    sim.command("silent on")
    tevrak.set_link_timeout(0.6)
    try:
        began = time.monotonic()
        with pytest.raises(tevrak.LinkError):
            drive.position
        assert time.monotonic() - began < 5  # two probes of 0.5 s, not a hundred
    finally:
        tevrak.set_link_timeout(None)
    sim.command("silent off")
    assert drive.position == (0, 0, 0)  # started afresh
