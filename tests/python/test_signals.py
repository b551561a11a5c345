"""Ctrl-C ends every call at once with KeyboardInterrupt, a link check on a
silent board included, and the link works again afterwards; a program that
ends while the robot moves (exception, SIGTERM, normal exit) stops it."""
import os
import select
import signal
import subprocess
import sys
import time

import pytest

from conftest import start_python, wait_for_line, wait_until_asleep

# The interpreter's own way out (the traceback, its shutdown) is part of the
# time, and takes longest on a loaded machine and under the emulator of make
# test-arm. Either bound is far below the waits' own ends (the drive would
# take 50 minutes, no key ever comes).
LIMIT = 3.0 if os.environ.get("TEVRAK_TEST_EMULATED") else 2.0
# The moment the interrupt reaches the call, taken inside the child.
INTERRUPTED_WITHIN = 3.0 if os.environ.get("TEVRAK_TEST_EMULATED") else 0.5

WAITERS = {
    "drive": "d = tevrak.Drive(); d.straight(30000, 10); print('waiting'); d.wait()",
    "remote": "r = tevrak.Remote(); r.poll(); print('waiting'); r.get()",
}


def interrupt(code, **env):
    child = start_python("import tevrak, sys\n" + code, **env)
    try:
        wait_for_line(child, "waiting")
        time.sleep(0.3)  # well inside the wait
        assert child.poll() is None
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        child.wait(timeout=5)
        elapsed = time.monotonic() - sent
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
    errors = child.stderr.read()
    assert "KeyboardInterrupt" in errors, errors
    assert child.returncode != 0
    return elapsed


def test_ctrl_c_ends_drive_wait(sim):
    code = f"tevrak.set_home({sim.home!r})\n" + WAITERS["drive"]
    assert interrupt(code) < LIMIT


def test_ctrl_c_ends_remote_get(lircd):
    assert interrupt(WAITERS["remote"]) < LIMIT


SIMULATED = """import os, sys, time, tevrak
with tevrak.Simulator() as sim:
    drive = tevrak.Drive()
    print(sim.pid, flush=True)
    try:
        time.sleep(60)
    except KeyboardInterrupt:
        drive.straight(100, 500)  # the simulator did not see the Ctrl-C: it still answers
        drive.wait()
        print(sim.pose.x, flush=True)
    time.sleep(60)
"""


def test_ctrl_c_reaches_the_program_only_and_its_simulator_dies_with_it():
    # In a process group of its own, as a terminal's foreground job is.
    child = subprocess.Popen([sys.executable, "-c", SIMULATED], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             text=True, start_new_session=True)
    try:
        simulator = int(child.stdout.readline() or child.stderr.read())
        ended = os.pidfd_open(simulator)
        assert os.getpgid(simulator) != os.getpgid(child.pid)
        wait_until_asleep(child)
        os.killpg(child.pid, signal.SIGINT)  # what Ctrl-C at the terminal does
        assert child.stdout.readline().strip() == "1100"
        assert select.select([ended], [], [], 0)[0] == []
        child.kill()
        assert select.select([ended], [], [], 5)[0] == [ended], "the simulator outlived its program"
        os.close(ended)
    finally:
        child.kill()
        child.communicate()


# The child prints the monotonic clock (one clock for every process) when the
# interrupt reaches it; the parent compares it with the moment it sent the
# signal, so reading the pipe afterwards does not count.
SILENT_CALL = """
import signal, sys, time, tevrak
tevrak.set_home({home!r})
{handler}
drive = tevrak.Drive()
print("ready")
sys.stdin.readline()  # the board falls silent
print("waiting")
try:
    drive.position
    print("returned")
except KeyboardInterrupt:
    print("interrupted", time.monotonic())
except tevrak.Error as error:
    print("failed", error)
sys.stdin.readline()  # the board answers again
print("position", tuple(drive.position))
"""


# A program's own SIGINT handler runs instead of KeyboardInterrupt, once the
# call has given the link up (so it may use the robot); the call then fails.
@pytest.mark.parametrize(
    "handler, lines",
    [("", ["interrupted"]),
     ("signal.signal(signal.SIGINT, lambda *a: print('interrupted', time.monotonic()))", ["interrupted", "failed"])],
    ids=["default", "own-handler"],
)
def test_ctrl_c_ends_a_link_check_on_a_silent_board_and_the_link_works_again(sim, handler, lines):
    child = start_python(SILENT_CALL.format(home=sim.home, handler=handler))
    try:
        wait_for_line(child, "ready")
        sim.command("silent on")
        child.stdin.write("silent\n")
        child.stdin.flush()
        wait_for_line(child, "waiting")
        time.sleep(1.2)  # inside the link check's probes (each waits 0.5 s)
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        words = child.stdout.readline().split()
        assert words[:1] == ["interrupted"], (words, child.stderr.read())  # not the check's own LinkError
        assert float(words[1]) - sent < INTERRUPTED_WITHIN
        if "failed" in lines:
            assert child.stdout.readline().startswith("failed VWGetPosition: the board did not answer")
        sim.command("silent off")
        child.stdin.write("go\n")
        child.stdin.flush()
        assert child.stdout.readline().split()[:1] == ["position"]
        assert child.wait(timeout=10) == 0
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()


MOVING = """
import os, signal, sys, time, tevrak
tevrak.set_home({home!r})
drive, motor = tevrak.Drive(), tevrak.Motor(1)
{before}
drive.set_speed(200, 30)
motor.drive_raw(60)
drive.speed  # a query: the board has read the commands before it
print("moving")
{then}
"""


@pytest.mark.parametrize(
    "before, then, signal_to_send, stops",
    [
        ("", "raise RuntimeError('a bug while driving')", None, True),
        ("", "time.sleep(30)", signal.SIGTERM, True),
        ("signal.signal(signal.SIGTERM, lambda *a: (print('own handler'), sys.exit(3)))", "time.sleep(30)",
         signal.SIGTERM, True),
        ("", "pass", None, True),
        ("tevrak.stop_on_exit(False)", "pass", None, False),
    ],
    ids=["exception", "sigterm", "own-sigterm-handler", "normal-exit", "turned-off"],
)
def test_a_program_that_ends_while_moving_stops_the_robot(sim, before, then, signal_to_send, stops):
    child = start_python(MOVING.format(home=sim.home, before=before, then=then))
    try:
        wait_for_line(child, "moving")
        if signal_to_send is not None:
            wait_until_asleep(child)
            child.send_signal(signal_to_send)
        child.wait(timeout=10)
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
    def moving():
        status = sim.status()
        return status.linear, status.angular, getattr(status.motors.get(1), "power", 0)  # listed while it runs

    # The child's last bytes may still wait on the link for the simulator.
    deadline = time.monotonic() + 3
    while stops and moving() != (0, 0, 0) and time.monotonic() < deadline:
        time.sleep(0.02)
    assert (moving() == (0, 0, 0)) == stops, moving()
    output = child.stdout.read() + child.stderr.read()
    if "own" in before:
        assert "own handler" in output and child.returncode == 3
    if "RuntimeError" in then:
        assert "a bug while driving" in output and child.returncode == 1
