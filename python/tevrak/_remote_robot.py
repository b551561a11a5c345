"""tevrak.RemoteRobot: the real robot, programmed from a laptop over SSH
(the tevrak-remote program)."""
import os
import shutil
import subprocess
from typing import Iterable, Optional

from ._child import Child, ChildError


class RemoteError(RuntimeError):
    """tevrak-remote could not reach the robot, or ended."""


def _build_tree_program(name: str) -> Optional[str]:
    """The program of the build this package comes from; None when it is installed."""
    try:
        from ._build_tree import PROGRAMS
    except ImportError:
        return None
    path = os.path.join(PROGRAMS, name)
    return path if os.access(path, os.X_OK) else None


def find_remote_program() -> str:
    """The tevrak-remote program: $TEVRAK_REMOTE when set, else the one of
    the build this package comes from (build/bin), else tevrak-remote on PATH."""
    program = (os.environ.get("TEVRAK_REMOTE") or _build_tree_program("tevrak-remote")
               or shutil.which("tevrak-remote"))
    if not program:
        raise RemoteError("tevrak-remote not found: install tevrak-tools, put it on PATH or set TEVRAK_REMOTE")
    return program


class RemoteRobot:
    """The robot at target ("pi@robot.local"), reached with the user's own
    SSH keys: starts tevrak-remote, which bridges the robot's board to a
    local terminal and forwards its infrared daemon, and points the library
    at the laptop's robot folder (tevrak.set_home, LIRC_SOCKET_PATH).

        with tevrak.RemoteRobot("pi@robot.local"):
            drive = tevrak.Drive()
            drive.straight(300, 200)
            drive.wait()

    home: the laptop's robot folder (default ~/.cache/tevrak-remote/HOST).
    port: the robot's board port (default: what the robot's discovery picks).
    options: further options of tevrak-remote, e.g. ["-F", "ssh_config"].
    program: the tevrak-remote program (default $TEVRAK_REMOTE, else the
    build's build/bin/tevrak-remote when imported from a build, else PATH).
    timeout: seconds to wait for the connection. SSH runs in batch mode: no
    password prompts, keys and agent only.

    When the connection drops, the next call raises tevrak.LinkError or
    tevrak.StartupError, as with an unplugged board.
    """

    def __init__(
        self,
        target: str,
        *,
        home: "Optional[str | os.PathLike[str]]" = None,
        port: Optional[str] = None,
        options: Iterable[str] = (),
        program: Optional[str] = None,
        timeout: float = 30.0,
    ):
        self._args = [target] + (["--home", os.fspath(home)] if home is not None else [])
        self._args += (["--port", port] if port is not None else []) + list(options)
        self._program = program
        self._timeout = timeout
        self._child: Optional[Child] = None
        self._variables: dict = {}
        self._previous: Optional[tuple] = None

    def start(self) -> "RemoteRobot":
        """Connects and waits until the bridge is up; then points the library at it."""
        if self._child is not None:
            raise RemoteError("the remote robot is connected already")
        command = [self._program or find_remote_program()] + self._args
        # In a group of its own, so that Ctrl-C leaves the link up for the
        # stop at exit; it must not outlive a killed program either.
        self._child = Child(command, stdin=subprocess.DEVNULL, stderr=subprocess.PIPE, die_with_parent=True)
        try:
            self._variables = self._read_exports()
        except RemoteError:
            self.stop()
            raise
        from . import _tevrak

        self._previous = (_tevrak.home(), os.environ.get("LIRC_SOCKET_PATH"))
        os.environ["LIRC_SOCKET_PATH"] = self._variables["LIRC_SOCKET_PATH"]
        _tevrak.set_home(self._variables["TEVRAK_HOME"])
        return self

    def stop(self) -> Optional[int]:
        """Ends the link (SIGTERM, then SIGKILL) and points the library back
        where it was. Returns tevrak-remote's exit status."""
        child, self._child = self._child, None
        if child is None:
            return None
        if self._previous is not None:
            from . import _tevrak

            home, lirc = self._previous
            self._previous = None
            if lirc is None:
                os.environ.pop("LIRC_SOCKET_PATH", None)
            else:
                os.environ["LIRC_SOCKET_PATH"] = lirc
            _tevrak.set_home(home)
        child.end(grace=10)
        return child.process.returncode

    def __enter__(self) -> "RemoteRobot":
        return self.start()

    def __exit__(self, *exc_info) -> None:
        self.stop()

    @property
    def home(self) -> str:
        """The laptop's robot folder (bin/hdt.txt, bin/usbSearch, dev/ttyBOARD)."""
        return self._variable("TEVRAK_HOME")

    @property
    def lirc_socket(self) -> str:
        """The robot's infrared daemon, forwarded to the laptop."""
        return self._variable("LIRC_SOCKET_PATH")

    @property
    def running(self) -> bool:
        """True while tevrak-remote runs (the link is up)."""
        return self._child is not None and self._child.running

    def _variable(self, name: str) -> str:
        if name not in self._variables:
            raise RemoteError("the remote robot is not connected")
        return self._variables[name]

    def _read_exports(self) -> dict:
        """Reads tevrak-remote's two lines "export NAME='value'"."""
        variables: dict = {}

        def take(line: str) -> bool:
            name, _, value = line.removeprefix("export ").partition("=")
            variables[name] = value.strip("'")
            return len(variables) == 2

        try:
            self._child.wait_ready(take, self._timeout)
        except ChildError:
            self._child.process.kill()
            errors = self._child.process.stderr.read().decode(errors="replace").strip()
            raise RemoteError("tevrak-remote did not connect" + (": " + errors if errors else "")) from None
        return variables


for _public in (RemoteError, RemoteRobot):
    _public.__module__ = "tevrak"
del _public
