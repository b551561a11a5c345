"""Failures: exceptions with the C call's code and the unit, never codes;
wrong argument types and values beyond the C int range are refused."""
import pytest

import tevrak


def test_link_error_when_the_board_is_unplugged_mid_run(sim):
    drive = tevrak.Drive()
    sensor = tevrak.DistanceSensor(1)
    drive.set_speed(100, 0)
    assert sensor.raw() > 0
    sim.unplug()
    with pytest.raises(tevrak.LinkError) as drive_failure:
        drive.set_speed(0, 0)
    with pytest.raises(tevrak.LinkError) as sensor_failure:
        sensor.raw()
    # The drive starts afresh and finds no terminal to open.
    with pytest.raises(tevrak.StartupError) as restart_failure:
        drive.done
    failures = [(e.value.unit, e.value.function, e.value.code)
                for e in (drive_failure, sensor_failure, restart_failure)]
    assert failures == [("VW", "VWSetSpeed", 1), ("PSD", "PSDGetRaw", -1), ("VW", "VWDriveDone", -1)]
    assert isinstance(sensor_failure.value, tevrak.Error) and isinstance(sensor_failure.value, RuntimeError)
    assert str(sensor_failure.value).startswith("PSDGetRaw: ")

    sim.replug()
    drive.set_speed(0, 0)  # found again
    assert drive.speed == (0, 0)


def test_startup_error_without_hdt_file(tmp_path):
    tevrak.set_home(tmp_path)
    try:
        with pytest.raises(tevrak.StartupError) as caught:
            tevrak.Drive().straight(100, 100)
        assert caught.value.unit == "VW" and caught.value.code == 1
        with pytest.raises(tevrak.StartupError):
            tevrak.DistanceSensor(1).raw()
    finally:
        tevrak.set_home(tevrak.default_home())


@pytest.mark.parametrize(
    "call",
    [
        lambda: tevrak.Drive().straight("100", 100),
        lambda: tevrak.Drive().set_speed(1.5, 0),
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
