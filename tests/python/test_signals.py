"""Ctrl-C ends a program waiting in Drive.wait() or Remote.get() at once,
with KeyboardInterrupt."""
import signal
import time

from conftest import start_python, wait_for_line

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
    assert interrupt(code) < 2  # the drive would take 50 minutes


def test_ctrl_c_ends_remote_get(lircd):
    assert interrupt(WAITERS["remote"]) < 2  # no key ever comes
