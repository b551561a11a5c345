"""Ctrl-C ends a program waiting in Drive.wait() or Remote.get() at once,
with KeyboardInterrupt."""
import os
import select
import signal
import subprocess
import sys
import time

from conftest import start_python, wait_for_line

# The interpreter's own way out (the traceback, its shutdown) is part of the
# time, and takes longest on a loaded machine and under the emulator of make
# test-arm. Either bound is far below the waits' own ends (the drive would
# take 50 minutes, no key ever comes).
LIMIT = 3.0 if os.environ.get("TEVRAK_TEST_EMULATED") else 2.0

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
        os.killpg(child.pid, signal.SIGINT)  # what Ctrl-C at the terminal does
        assert child.stdout.readline().strip() == "1100"
        assert select.select([ended], [], [], 0)[0] == []
        child.kill()
        assert select.select([ended], [], [], 5)[0] == [ended], "the simulator outlived its program"
        os.close(ended)
    finally:
        child.kill()
        child.communicate()
