"""Shared pieces of the Python tests: the package's own pytest plugin (the
`sim` fixture), a private lirc daemon, child Python processes, and a guard
that keeps sudo out of every test."""
import os
import subprocess
import sys
import time

import pytest

pytest_plugins = ["tevrak.testing"]


@pytest.fixture(autouse=True, scope="session")
def no_sudo(tmp_path_factory):
    """The remote unit runs "sudo /etc/init.d/lirc ..." in some cases: a
    stand-in sudo first on PATH records the command instead of running it."""
    folder = tmp_path_factory.mktemp("fakebin")
    record = folder / "sudo.log"
    sudo = folder / "sudo"
    sudo.write_text(f'#!/bin/sh\necho "$*" >> "{record}"\n')
    sudo.chmod(0o755)
    os.environ["PATH"] = f"{folder}:{os.environ['PATH']}"
    yield record


class Lircd:
    """A private lircd (the C++ tests' daemon, through tevrak-test-lircd)."""

    def __init__(self, folder):
        program = os.environ.get("TEVRAK_TEST_LIRCD")
        if not program:
            pytest.skip("TEVRAK_TEST_LIRCD is not set (run the tests through ctest)")
        self.process = subprocess.Popen(
            [program, str(folder)], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1
        )
        ready = self.process.stdout.readline().split()
        if ready[:1] != ["ready"]:
            self.process.kill()
            raise RuntimeError("the private lircd did not start")
        self.socket = ready[1]

    def press(self, button, repeat=0):
        self.process.stdin.write(f"{button} {repeat}\n")
        assert self.process.stdout.readline().strip() == "ok", f"irsend failed for {button}"

    def stop(self):
        self.process.stdin.close()
        self.process.wait(timeout=10)


@pytest.fixture(scope="session")
def session_home():
    """The robot folder the session began with (the build's)."""
    import tevrak

    return tevrak.home()


@pytest.fixture(autouse=True)
def fresh_units(session_home):
    """Each test starts from units as a new program finds them: moving the
    library back to the session's robot folder closes the port, drops the
    remote's daemon connection with its hold delay, and makes every unit
    start afresh on its next call."""
    import tevrak

    tevrak.set_home(session_home)
    yield


@pytest.fixture(scope="session")
def lircd(tmp_path_factory):
    """A private lircd that the library's remote unit connects to; one for
    the session, as a robot has one daemon that outlives its programs."""
    daemon = Lircd(tmp_path_factory.mktemp("lirc"))
    os.environ["LIRC_SOCKET_PATH"] = daemon.socket
    yield daemon
    del os.environ["LIRC_SOCKET_PATH"]
    daemon.stop()


def start_python(code, **env):
    """Starts a child Python that runs code with this package on its path;
    its input and output are text."""
    environment = dict(os.environ, PYTHONUNBUFFERED="1", **env)
    return subprocess.Popen(
        [sys.executable, "-c", code],
        stdin=subprocess.PIPE,
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
        text=True,
        env=environment,
    )


def wait_for_line(process, wanted, timeout=10.0):
    """Reads the child's output until a line equal to wanted comes."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        line = process.stdout.readline()
        if not line:
            break
        if line.strip() == wanted:
            return
    raise AssertionError(f"no line {wanted!r} from the child; stderr:\n{process.stderr.read()}")


def wait_until_asleep(process, timeout=5.0):
    """Waits until the child blocks in a system call (its sleep, after its
    last line). A signal sent earlier can run the C handler just before the
    sleep begins, and the sleep then runs its whole length: a window of
    microseconds natively, but wide under the emulator of make test-arm."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        with open(f"/proc/{process.pid}/stat") as stat:
            if stat.read().rpartition(")")[2].split()[0] == "S":
                return
        time.sleep(0.005)
    raise AssertionError("the child never went to sleep")
