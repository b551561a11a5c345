"""tevrak.Simulator: the simulated robot (the tevrak-sim program) for
programs, lessons and tests that have no robot at hand."""
import math
import os
import re
import selectors
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass, field
from typing import Dict, Iterable, List, NamedTuple, Optional, Sequence, Tuple, Union

from ._types import Pose

_READY = "tevrak-sim: board ready at "
_VIEW = "tevrak-sim: view at "
_REMOTE = re.compile(r"export LIRC_SOCKET_PATH='(.*)'$")
_ERROR = "error: "


class SimulatorError(RuntimeError):
    """The simulator could not start, stopped answering, or refused a
    command (the message says why)."""


class ServoState(NamedTuple):
    """A servo as the simulated board keeps it: raw position (None until
    set) and the range last given."""

    position: Optional[int]
    low: int
    high: int


class MotorState(NamedTuple):
    """A motor as the simulated board keeps it: raw power, PID parameters
    and controlled speed."""

    power: int
    pid: bool
    p: int
    i: int
    d: int
    speed: int


class SensorReading(NamedTuple):
    """A distance sensor's true distance (mm from the rim) and its raw reading."""

    distance: int
    raw: int


class RawBoardValues(NamedTuple):
    """The drive's values in the board's own units: odometry (x mm, y mm,
    heading in hundredths of a radian), angular speed (hundredths of a
    radian per second) and what is left of the manoeuvre (mm, or hundredths
    of a radian for a turn)."""

    odometry: Tuple[int, int, int]
    angular: int
    remaining: int


@dataclass(frozen=True)
class SimStatus:
    """One status report of the simulator. Lengths are in mm, headings and
    angles in degrees (positive turns left), speeds per second.

    pose: the robot in the arena (the simulator's own idea). odometry: where
    the board believes it is, Pose(x, y, heading), (0, 0, 0) at start-up.
    linear (mm/s), angular (degrees/s): the commanded speeds. drive_status:
    0 running, 1 done or idle, 2 stalled. remaining: what is left of the
    manoeuvre, mm, or degrees for a turn. encoders: left and right counts in
    ticks. sensors: one reading per sensor, sensor 1 first. servos, motors:
    by number, only those the program touched, in raw board values.
    controller: the four gains, or None while switched off. board_raw: the
    drive's values as the board reports them, in its units.
    """

    plugged: bool
    pose: Pose
    odometry: Pose
    linear: int
    angular: int
    drive_status: int
    remaining: int
    encoders: Tuple[int, int]
    sensors: Tuple[SensorReading, ...]
    board_raw: RawBoardValues
    servos: Dict[int, ServoState] = field(default_factory=dict)
    motors: Dict[int, MotorState] = field(default_factory=dict)
    controller: Optional[Tuple[int, int, int, int]] = None


def _numbers(line: str) -> List[int]:
    return [int(n) for n in re.findall(r"-?\d+", line)]


def _degrees(hundredths_of_radian: int) -> int:
    return round(math.degrees(hundredths_of_radian / 100))


def parse_status(lines: Sequence[str]) -> SimStatus:
    """Reads the lines of the simulator's status report."""
    values: dict = {"sensors": [], "servos": {}, "motors": {}, "controller": None}
    odometry: Optional[Tuple[int, ...]] = None
    board_speed: Optional[Tuple[int, int]] = None
    for line in lines:
        head, _, rest = line.partition(":")
        if head == "board":
            values["plugged"] = rest.strip().startswith("plugged")
        elif head == "arena pose":
            x, y, heading = (round(float(v)) for v in re.findall(r"-?[\d.]+", rest))
            values["pose"] = Pose(x, y, heading)
        elif head == "odometry":
            odometry = tuple(_numbers(rest))
        elif head == "speed":
            linear, angular, status, remaining = _numbers(rest)
            turning = rest.rstrip().endswith("radian")
            values.update(linear=linear, angular=_degrees(angular), drive_status=status,
                          remaining=_degrees(remaining) if turning else remaining)
            board_speed = (angular, remaining)
        elif head == "encoders":
            values["encoders"] = tuple(_numbers(rest)[:2])
        elif head.startswith("psd "):
            distance, raw = _numbers(rest)
            values["sensors"].append(SensorReading(distance, raw))
        elif head.startswith("servo "):
            match = re.match(r"\s*position=(\S+) range=(-?\d+)\.\.(-?\d+)", rest)
            if match is None:
                raise SimulatorError(f"unexpected status line: {line}")
            position = None if match[1] == "unset" else int(match[1])
            values["servos"][int(head[6:])] = ServoState(position, int(match[2]), int(match[3]))
        elif head.startswith("motor "):
            power, p, i, d, speed = _numbers(rest)
            values["motors"][int(head[6:])] = MotorState(power, "pid=on" in rest, p, i, d, speed)
        elif head == "drive controller":
            gains = _numbers(rest)
            values["controller"] = tuple(gains) if gains else None
    values["sensors"] = tuple(values["sensors"])
    try:
        if odometry is not None and board_speed is not None:
            values["odometry"] = Pose(odometry[0], odometry[1], _degrees(odometry[2]))
            values["board_raw"] = RawBoardValues(odometry, *board_speed)
        return SimStatus(**values)
    except (IndexError, TypeError) as missing:
        raise SimulatorError("incomplete status report:\n" + "\n".join(lines)) from missing


def find_program() -> str:
    """The tevrak-sim program: $TEVRAK_SIM when set, else tevrak-sim on PATH."""
    program = os.environ.get("TEVRAK_SIM") or shutil.which("tevrak-sim")
    if not program:
        raise SimulatorError("tevrak-sim not found: install it, put it on PATH or set TEVRAK_SIM")
    return program


class Simulator:
    """A simulated robot: starts the tevrak-sim program in a robot folder and
    points the library at that folder (tevrak.set_home) and at the
    simulator's remote (LIRC_SOCKET_PATH), so every Drive, Servo, Motor,
    Encoder, DistanceSensor and Remote talks to the simulated robot.

        with tevrak.Simulator(arena=(2000, 1500), obstacles=[(800, 600, 200, 200)]) as sim:
            drive = tevrak.Drive()
            drive.straight(300, 200)
            drive.wait()
            print(sim.pose)

    arena: width and height in mm. obstacles: rectangles (x, y, width,
    height), lower-left corner first, in mm. start: (x, y, heading in
    degrees); default the centre, heading 0. radius: the body's radius in
    mm. sensors: directions of the distance sensors in degrees from the
    heading (default 0, 90, -90). speed: the world runs this many times
    faster than life, 1 to 50 (motion, sensors, the drive's done and
    stalled; the link's own pauses stay real). view: serve the live page,
    a port or "ADDRESS:PORT" (0 or True: any free port; see view_url).
    home: the robot folder; default a new temporary folder, removed at the
    end. program: the tevrak-sim program (default: $TEVRAK_SIM, else
    tevrak-sim on PATH). options: further command-line options of
    tevrak-sim, e.g. ["--late", "20"]. use: point the library at the folder
    and the remote while the simulator runs (default True; at the end the
    library forgets the simulated robot and LIRC_SOCKET_PATH is put back).
    record: write every exchange of this program with the board to this
    file, one JSON line each (a recording). replay: a recording to play
    back instead of the world: the board answers each request with the
    recorded reply; stop() returns 0 when the program asked exactly what
    was recorded, 1 at the first difference and 3 beyond a recording cut
    short (replay_report says where).

    The board's frames are logged to frames.log in the folder (see frames()).
    The simulator runs in a process group of its own, so Ctrl-C reaches only
    this program; it ends at stop(), and also when this program ends, however
    it ends, so that a killed program leaves no simulator behind.
    """

    def __init__(
        self,
        arena: Tuple[int, int] = (2000, 1500),
        obstacles: Iterable[Tuple[int, int, int, int]] = (),
        start: Optional[Tuple[int, int, int]] = None,
        *,
        radius: Optional[int] = None,
        sensors: Optional[Iterable[float]] = None,
        speed: int = 1,
        view: Union[None, bool, int, str] = None,
        home: "Optional[str | os.PathLike[str]]" = None,
        program: Optional[str] = None,
        options: Iterable[str] = (),
        use: bool = True,
        timeout: float = 10.0,
        record: "Optional[str | os.PathLike[str]]" = None,
        replay: "Optional[str | os.PathLike[str]]" = None,
    ):
        args = ["--arena", "{}x{}".format(*arena)]
        for obstacle in obstacles:
            args += ["--obstacle", ",".join(str(v) for v in obstacle)]
        if start is not None:
            args += ["--start", ",".join(str(v) for v in start)]
        if radius is not None:
            args += ["--radius", str(radius)]
        if sensors is not None:
            args += ["--sensors", ",".join(str(v) for v in sensors)]
        if speed != 1:
            args += ["--speed", str(speed)]
        if view is not None and view is not False:
            args += ["--view", "0" if view is True else str(view)]
        if record is not None:
            args += ["--record", os.path.abspath(os.fspath(record))]
        if replay is not None:
            args += ["--replay", os.path.abspath(os.fspath(replay))]
        self._replaying = replay is not None
        self._args = args + list(options)
        self._home = os.fspath(home) if home is not None else None
        self._own_home = home is None
        self._program = program
        self._use = use
        self._timeout = timeout
        self._process: Optional[subprocess.Popen] = None
        self._pending = b""
        self._lock = threading.Lock()
        self._previous_home: Optional[str] = None
        self._previous_socket: Optional[str] = None
        self._remote_socket: Optional[str] = None
        self._view_url: Optional[str] = None

    # -- life cycle -------------------------------------------------------

    def start(self) -> "Simulator":
        """Starts the simulator and waits until its board is ready; then,
        unless use=False, points the library at its folder and remote."""
        if self._process is not None:
            raise SimulatorError("the simulator runs already")
        program = self._program or find_program()
        if self._own_home:
            self._home = tempfile.mkdtemp(prefix="tevrak-sim-")
        os.makedirs(self._home, exist_ok=True)
        self._home = os.path.abspath(self._home)
        # --end-with-input: the simulator follows this program, as only this
        # program holds its standard input; --answer: each command answers.
        command = [program, "--home", self._home, "--log", self.log_path, "--answer", "--end-with-input"]
        # A group of its own: Ctrl-C at the terminal is this program's alone.
        group = {"process_group": 0} if sys.version_info >= (3, 11) else {"start_new_session": True}
        with open(os.path.join(self._home, "sim.err"), "wb") as errors:
            self._process = subprocess.Popen(
                command + self._args,
                stdin=subprocess.PIPE,
                stdout=subprocess.PIPE,
                stderr=errors,
                close_fds=True,
                **group,
            )
        try:
            while True:
                line = self._read_line()
                if line.startswith(_READY):
                    break
                if line.startswith(_VIEW):
                    self._view_url = line[len(_VIEW):]
                elif _REMOTE.match(line):
                    self._remote_socket = _REMOTE.match(line)[1]
        except SimulatorError:
            self.stop()
            raise
        if self._use:
            from . import _tevrak

            if self._remote_socket is not None:
                self._previous_socket = os.environ.get("LIRC_SOCKET_PATH")
                os.environ["LIRC_SOCKET_PATH"] = self._remote_socket
            self._previous_home = _tevrak.home()
            _tevrak.set_home(self._home)
        return self

    def stop(self) -> Optional[int]:
        """Ends the simulator (quit, then SIGTERM, then SIGKILL, each after
        a wait), points the library back at the folder and remote it used
        before, and removes the temporary folder. Returns the simulator's
        exit status."""
        process, self._process = self._process, None
        if process is None:
            return None
        if self._previous_home is not None:
            from . import _tevrak

            _tevrak.set_home(self._previous_home)
            self._previous_home = None
            if self._remote_socket is not None:
                if self._previous_socket is None:
                    os.environ.pop("LIRC_SOCKET_PATH", None)
                else:
                    os.environ["LIRC_SOCKET_PATH"] = self._previous_socket
        try:
            if self._replaying and process.poll() is None:
                # The library has let go of the port: a replay answered to
                # its end ends by itself.
                try:
                    process.wait(timeout=self._timeout)
                except subprocess.TimeoutExpired:
                    pass
            if process.poll() is None:
                try:
                    process.stdin.write(b"quit\n")
                    process.stdin.flush()
                except OSError:
                    pass
            for ending in (None, signal.SIGTERM, signal.SIGKILL):
                if ending is not None:
                    process.send_signal(ending)
                try:
                    process.wait(timeout=5)
                    break
                except subprocess.TimeoutExpired:
                    continue
        finally:
            for stream in (process.stdin, process.stdout):
                stream.close()
            if self._own_home and self._home:
                shutil.rmtree(self._home, ignore_errors=True)
        return process.returncode

    def __enter__(self) -> "Simulator":
        return self.start()

    def __exit__(self, *exc_info) -> None:
        self.stop()

    # -- where things are -------------------------------------------------

    @property
    def home(self) -> str:
        """The robot folder (bin/hdt.txt, bin/usbSearch, dev/ttyBOARD)."""
        if self._home is None:
            raise SimulatorError("the simulator has not started")
        return self._home

    @property
    def log_path(self) -> str:
        """The frame log: one decoded line per frame the board received."""
        return os.path.join(self.home, "frames.log")

    @property
    def hdt_path(self) -> str:
        """The hardware description file the simulator wrote."""
        return os.path.join(self.home, "bin", "hdt.txt")

    @property
    def remote_socket(self) -> Optional[str]:
        """The simulated remote's socket (what LIRC_SOCKET_PATH points at)."""
        return self._remote_socket

    @property
    def view_url(self) -> Optional[str]:
        """The live page's address, e.g. http://127.0.0.1:41234/, when the
        simulator was started with view=; else None."""
        return self._view_url

    @property
    def replay_report(self) -> str:
        """What the replay said when it ended ("record 214: expected ...",
        "the recording ends at line N"); empty while it runs or when it
        answered the recording to its end."""
        return self._errors().lstrip(": ")

    @property
    def pid(self) -> Optional[int]:
        """The simulator's process id while it runs."""
        return self._process.pid if self._process is not None else None

    @property
    def running(self) -> bool:
        """True while the simulator's process runs."""
        return self._process is not None and self._process.poll() is None

    # -- control ----------------------------------------------------------

    def command(self, line: str) -> str:
        """Runs one control command, e.g. "unplug", "replug", "silent on",
        "late 50" (see tevrak-sim --help), once the commands before it have
        run, and returns what it printed ("status", "help"). Raises
        SimulatorError with the simulator's reason when it refuses the
        command."""
        if "\n" in line or "\r" in line:
            raise ValueError("one control command per call")
        if line.strip() == "quit":
            raise ValueError("stop() ends the simulator")
        with self._lock:
            process = self._running_process()
            process.stdin.write(line.encode() + b"\n")
            process.stdin.flush()
            lines = []
            while True:
                answer = self._read_line()
                if answer == "ok":
                    return "".join(text + "\n" for text in lines)
                if answer.startswith(_ERROR):
                    raise SimulatorError(answer[len(_ERROR):])
                lines.append(answer)

    def press(self, key: str, repeats: int = 0) -> None:
        """Presses the remote's button key ("KEY_UP", "KEY_1", ...) and
        holds it for the given repeats, as the control command key does. A
        Remote must be open already: a key nobody listens for is lost."""
        if not isinstance(repeats, int) or isinstance(repeats, bool):
            raise TypeError("repeats is a whole number")
        if not key or any(c.isspace() for c in key):
            raise ValueError(f"not a button name: {key!r}")
        self.command(f"key {key} {repeats}")

    def unplug(self) -> None:
        """The board's terminal disappears: the library's next call fails
        with LinkError."""
        self.command("unplug")

    def replug(self) -> None:
        """A new terminal behind the same link: the library finds the board
        again on its next start."""
        self.command("replug")

    def status(self) -> SimStatus:
        """The simulator's own state: pose, odometry, speeds, encoders,
        sensors, servos, motors and controller.

        A command returns as soon as its bytes are on the link, perhaps
        before the board has read them: make a query first (a sensor
        reading, drive.position) to see the effect of the commands before it.
        """
        return parse_status(self.command("status").splitlines())

    @property
    def pose(self) -> Pose:
        """Where the robot stands in the arena: Pose(x mm, y mm, heading in
        degrees), from the simulator itself."""
        return self.status().pose

    def frames(self) -> List[str]:
        """The frame log so far, one line per frame (events start with '#')."""
        with open(self.log_path, encoding="utf-8", errors="replace") as log:
            return log.read().splitlines()

    # -- reading the simulator's output -------------------------------------

    def _running_process(self) -> subprocess.Popen:
        if self._process is None or self._process.poll() is not None:
            raise SimulatorError("the simulator is not running" + self._errors())
        return self._process

    def _errors(self) -> str:
        try:
            with open(os.path.join(self.home, "sim.err"), encoding="utf-8", errors="replace") as errors:
                text = errors.read().strip()
        except (OSError, SimulatorError):
            return ""
        return ": " + text if text else ""

    def _read_line(self) -> str:
        deadline = time.monotonic() + self._timeout
        fd = self._process.stdout.fileno()
        with selectors.DefaultSelector() as selector:
            selector.register(fd, selectors.EVENT_READ)
            while b"\n" not in self._pending:
                left = deadline - time.monotonic()
                if left <= 0 or not selector.select(left):
                    raise SimulatorError("tevrak-sim did not answer in time" + self._errors())
                chunk = os.read(fd, 4096)
                if not chunk:
                    raise SimulatorError("tevrak-sim ended" + self._errors())
                self._pending += chunk
        line, self._pending = self._pending.split(b"\n", 1)
        return line.decode(errors="replace")


# Shown as tevrak.X in tracebacks, reprs and help, where users meet them.
for _public in (SimulatorError, ServoState, MotorState, SensorReading, RawBoardValues, SimStatus, Simulator):
    _public.__module__ = "tevrak"
del _public
