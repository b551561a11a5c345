"""tevrak.Simulator: the simulated robot (the tevrak-sim program) for
programs, lessons and tests that have no robot at hand."""
import json
import math
import os
import shutil
import subprocess
import tempfile
import threading
from dataclasses import dataclass, field
from typing import BinaryIO, Callable, Dict, Iterable, List, NamedTuple, Optional, Tuple, Union

from ._child import Child, ChildEnded, ChildError
from ._types import Pose

_READY = "tevrak-sim: board ready at "
_VIEW = "tevrak-sim: view at "
_REMOTE = "export LIRC_SOCKET_PATH="
_ERROR = "error: "


def _fresh_file(path: str) -> BinaryIO:
    """A new file at path, made by this process (mode 0600): what was there
    goes first, and a link planted meanwhile is refused, never followed
    (run as root, in a folder another user can write)."""
    try:
        os.unlink(path)
    except FileNotFoundError:
        pass
    try:
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_NOFOLLOW | os.O_CLOEXEC, 0o600)
    except OSError as error:
        raise SimulatorError(f"cannot make {path} afresh: {error.strerror}") from error
    return os.fdopen(fd, "wb")


def _answered(line: str) -> bool:
    """The simulator's answer that ends what a command printed."""
    return line == "ok" or line.startswith(_ERROR)


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
    linear (mm/s), angular (degrees/s): the robot's motion, as the board
    reports it: 0 while it is stalled against a wall. commanded_linear,
    commanded_angular: what the last drive command asked for, until its
    manoeuvre is done (a stalled robot moves at 0 while its command may
    still be 200; a stop command sets both 0). world_ms: the simulator's
    clock, ms of the world's time since start-up. drive_status:
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
    commanded_linear: int = 0
    commanded_angular: int = 0
    world_ms: int = 0


def _degrees(hundredths_of_radian: int) -> int:
    return round(math.degrees(hundredths_of_radian / 100))


def parse_status(text: str) -> SimStatus:
    """Reads the simulator's status line (JSON, see docs/simulator.md)."""
    try:
        state = json.loads(text)
        drive, command, odometry = state["drive"], state["drive"]["command"], state["odometry"]
        turning = drive["remaining_unit"] != "mm"
        raw_odometry = (odometry["x"], odometry["y"], odometry["heading"])
        return SimStatus(
            plugged=state["board"]["plugged"],
            pose=Pose(*(round(state["pose"][k]) for k in ("x", "y", "heading"))),
            odometry=Pose(raw_odometry[0], raw_odometry[1], _degrees(raw_odometry[2])),
            linear=drive["linear"],
            angular=_degrees(drive["angular"]),
            drive_status=drive["status"],
            remaining=_degrees(drive["remaining"]) if turning else drive["remaining"],
            encoders=tuple(state["encoders"]),
            sensors=tuple(SensorReading(s["distance"], s["raw"]) for s in state["sensors"]),
            board_raw=RawBoardValues(raw_odometry, drive["angular"], drive["remaining"]),
            servos={n: ServoState(position, low, high) for n, position, low, high in state["servos"]},
            # The record keeps a stopped motor; the status lists it while it runs.
            motors={m[0]: MotorState(*m[1:]) for m in state["motors"] if m[1] or m[2] or m[6]},
            controller=tuple(state["controller"]) if state["controller"] is not None else None,
            commanded_linear=command["linear"],
            commanded_angular=_degrees(command["angular"]),
            world_ms=state["world_ms"],
        )
    except (ValueError, KeyError, TypeError) as wrong:
        raise SimulatorError(f"unexpected status report: {text}") from wrong


def _joined(values: Iterable) -> str:
    return ",".join(str(v) for v in values)


# Simulator's keyword arguments and the tevrak-sim options they become: the
# option, and its values for the argument's value (none: left out). A test
# checks them against tevrak-sim's options table (its --help).
_KEYWORD_OPTIONS: Dict[str, Tuple[str, Callable[..., List[str]]]] = {
    "arena": ("--arena", lambda size: ["{}x{}".format(*size)]),
    "obstacles": ("--obstacle", lambda rects: [_joined(rect) for rect in rects]),
    "start": ("--start", lambda pose: [] if pose is None else [_joined(pose)]),
    "radius": ("--radius", lambda mm: [] if mm is None else [str(mm)]),
    "sensors": ("--sensors", lambda directions: [] if directions is None else [_joined(directions)]),
    "speed": ("--speed", lambda factor: [] if factor == 1 else [str(factor)]),
    "view": ("--view", lambda view: [] if view is None or view is False else ["0" if view is True else str(view)]),
    "record": ("--record", lambda path: [] if path is None else [os.path.abspath(os.fspath(path))]),
    "replay": ("--replay", lambda path: [] if path is None else [os.path.abspath(os.fspath(path))]),
}
# Options Simulator always gives (the folder and log it chose, and the
# answers it reads) and keywords that are its own.
_FIXED_OPTIONS = ("--home", "--log", "--answer", "--end-with-input")
_OWN_KEYWORDS = ("home", "program", "options", "use", "timeout")


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
        given = locals()  # the keyword arguments by name
        self._args = [
            word
            for keyword, (option, values) in _KEYWORD_OPTIONS.items()
            for value in values(given[keyword])
            for word in (option, value)
        ] + list(options)
        self._replaying = replay is not None
        self._home = os.fspath(home) if home is not None else None
        self._own_home = home is None
        self._program = program
        self._use = use
        self._timeout = timeout
        self._child: Optional[Child] = None
        self._lock = threading.Lock()
        self._previous_home: Optional[str] = None
        self._previous_socket: Optional[str] = None
        self._remote_socket: Optional[str] = None
        self._view_url: Optional[str] = None

    # -- life cycle -------------------------------------------------------

    def start(self) -> "Simulator":
        """Starts the simulator and waits until its board is ready; then,
        unless use=False, points the library at its folder and remote."""
        if self._child is not None:
            raise SimulatorError("the simulator runs already")
        program = self._program or find_program()
        if self._own_home:
            self._home = tempfile.mkdtemp(prefix="tevrak-sim-")
        # Writable by no one else, whatever the umask: the library refuses a
        # robot folder that group or others may write.
        os.makedirs(self._home, mode=0o755, exist_ok=True)
        self._home = os.path.abspath(self._home)
        # --end-with-input: the simulator follows this program, as only this
        # program holds its standard input; --answer: each command answers.
        command = [program, "--home", self._home, "--log", self.log_path, "--answer", "--end-with-input"]
        with _fresh_file(os.path.join(self._home, "sim.err")) as errors:
            self._child = Child(command + self._args, stderr=errors)
        try:
            ready = self._answer(lambda: self._child.wait_ready(lambda text: text.startswith(_READY), self._timeout))
            for line in ready:
                if line.startswith(_VIEW):
                    self._view_url = line[len(_VIEW):]
                elif line.startswith(_REMOTE):
                    self._remote_socket = line[len(_REMOTE):].strip("'")
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
        child, self._child = self._child, None
        if child is None:
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

        def ask_to_quit() -> None:
            child.process.stdin.write(b"quit\n")
            child.process.stdin.flush()

        try:
            if self._replaying and child.process.poll() is None:
                # The library has let go of the port: a replay answered to
                # its end ends by itself.
                try:
                    child.process.wait(timeout=self._timeout)
                except subprocess.TimeoutExpired:
                    pass
            child.end(first=ask_to_quit)
        finally:
            if self._own_home and self._home:
                shutil.rmtree(self._home, ignore_errors=True)
        return child.process.returncode

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
        return self._child.pid if self._child is not None else None

    @property
    def running(self) -> bool:
        """True while the simulator's process runs."""
        return self._child is not None and self._child.running

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
            child = self._running()
            child.process.stdin.write(line.encode() + b"\n")
            child.process.stdin.flush()
            lines = self._answer(lambda: child.wait_ready(_answered, self._timeout))
            if lines[-1].startswith(_ERROR):
                raise SimulatorError(lines[-1][len(_ERROR):])
            return "".join(text + "\n" for text in lines[:-1])

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
        return parse_status(self.command("status"))

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

    def _running(self) -> Child:
        if self._child is None or not self._child.running:
            raise SimulatorError("the simulator is not running" + self._errors())
        return self._child

    def _errors(self) -> str:
        try:
            fd = os.open(os.path.join(self.home, "sim.err"), os.O_RDONLY | os.O_NOFOLLOW | os.O_CLOEXEC)
            with open(fd, encoding="utf-8", errors="replace") as errors:
                text = errors.read().strip()
        except (OSError, SimulatorError):
            return ""
        return ": " + text if text else ""

    def _answer(self, read: Callable[[], List[str]]) -> List[str]:
        """The lines read(), its failures told as the simulator's."""
        try:
            return read()
        except ChildEnded:
            raise SimulatorError("tevrak-sim ended" + self._errors()) from None
        except ChildError:
            raise SimulatorError("tevrak-sim did not answer in time" + self._errors()) from None


# Shown as tevrak.X in tracebacks, reprs and help, where users meet them.
for _public in (SimulatorError, ServoState, MotorState, SensorReading, RawBoardValues, SimStatus, Simulator):
    _public.__module__ = "tevrak"
del _public
