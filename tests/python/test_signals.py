"""Ctrl-C ends a program waiting in Drive.wait() or Remote.get() at once,
with KeyboardInterrupt."""
import os
import signal
import time

from conftest import start_python, wait_for_line

# The interpreter's own way out (the traceback, its shutdown) is part of the
# time: under the emulator of make test-arm it takes several times longer.
# Either bound is far below the waits' own ends (3000 s, forever).
LIMIT = 3.0 if os.environ.get("TEVRAK_TEST_EMULATED") else 0.5

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
