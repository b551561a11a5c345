"""Servos, motors, encoders, distance sensors and list menus against the
simulated robot, checked against the state the simulator reports."""
import pytest

import tevrak


def test_servos_and_motors_as_the_board_keeps_them(sim):
    camera, gripper = tevrak.Servo(1), tevrak.Servo(2)
    camera.set_raw(200)
    gripper.range(10, 240)
    camera.set(128)  # through the servo table
    left, right = tevrak.Motor(1), tevrak.Motor(2)
    left.drive_raw(-100)
    right.pid(3, 2, 1)
    right.speed(40)
    tevrak.Encoder(1).count  # a query: the board has read every command before it
    status = sim.status()
    assert status.servos[2] == tevrak.ServoState(None, 10, 240)
    assert status.servos[1].position == 136  # entry 128 * 16 / 256 = 8 of the servo table: 8 * 255 / 15
    assert status.motors[1] == tevrak.MotorState(-100, False, 0, 0, 0, 0)
    assert status.motors[2] == tevrak.MotorState(0, True, 3, 2, 1, 40)

    right.pid_off()
    left.drive(50)  # through the motor table
    tevrak.Encoder(1).count
    status = sim.status()
    assert status.motors[2].pid is False
    assert status.motors[1].power == 63  # entry 50 * 11 / 101 = 5 of the motor table: 5 * 127 / 10
    assert camera.number == 1 and repr(camera) == "tevrak.Servo(1)"


def test_encoders_count_the_wheels_and_reset_to_zero(sim):
    drive = tevrak.Drive()
    left, right = tevrak.Encoder(1), tevrak.Encoder(2)
    left.reset()
    right.reset()
    drive.straight(100, 400)
    drive.wait()
    # 100 mm of wheel travel: 100 * 540 / (pi * 60) = 286 ticks
    assert abs(left.count - 286) <= 2 and abs(right.count - 286) <= 2
    assert sim.status().encoders[0] == left.count
    left.reset()
    assert left.count == 0


@pytest.mark.tevrak_sim(arena=(3000, 1500), obstacles=[(1600, 0, 200, 1500)], start=(400, 750, 0))
def test_front_sensor_reads_closer_as_the_robot_approaches(sim):
    front = tevrak.DistanceSensor(1)
    drive = tevrak.Drive()
    readings = []
    for _ in range(3):
        readings.append((front.distance, front.raw, sim.status().sensors[0]))
        drive.straight(300, 600)
        drive.wait()
    distances = [r[0] for r in readings]
    raws = [r[1] for r in readings]
    assert distances[0] > distances[1] > distances[2]
    assert raws[0] < raws[1] < raws[2]
    for distance, raw, truth in readings:
        assert raw == truth.raw
        assert abs(distance - truth.distance) <= 10
    assert abs(readings[0][2].distance - 1100) <= 1  # 1600 - 400 - radius 100


def test_list_menu():
    menu = tevrak.ListMenu("Programs")
    assert len(menu) == 0 and menu.title == "Programs"
    menu.append("square", 1)
    assert menu.scroll is False
    menu.append("a text much longer than thirty-one characters", 2)
    assert len(menu) == 2
    assert menu[0] == tevrak.MenuItem("square", 1)
    assert menu[1].text == "a text much longer than thirty-" and menu[-1].value == 2
    assert [item.value for item in menu] == [1, 2]
    with pytest.raises(IndexError):
        menu[2]
    menu.set_text(0, "circle")
    assert menu[0].text == "circle"
    assert menu.scroll is True  # without a screen one item fits
    menu.toggle_scroll()
    assert menu.scroll is False
    assert menu.index == 0 and menu.current_text == "circle"
