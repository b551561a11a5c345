"""tevrak: the small Raspberry Pi robot from Python.

Drive the chassis, move servos, run motors, read encoders and distance
sensors, take keys from an infrared remote, and keep list menus, all through
one controller board on a serial link:

    import tevrak
    with tevrak.Drive() as drive:  # stops the chassis when the block ends
        drive.straight(500, 200)   # 500 mm at 200 mm/s
        drive.wait()
        print(drive.position)      # Pose(x=500, y=0, heading=0)

Every call that talks to the board can raise tevrak.LinkError (the board did
not answer) or tevrak.StartupError (no hdt.txt, the port cannot be opened);
wait() raises tevrak.StalledError when something blocks the chassis; all are
tevrak.Error. Objects and calls are safe from several threads; each blocking
call lets other Python threads run, and Ctrl-C ends every call. A program
that ends while the robot moves stops it (tevrak.stop_on_exit).

tevrak.Simulator runs the simulated robot (tevrak-sim) for programs without
hardware; tevrak.testing is a pytest plugin with a `sim` fixture.
"""
# Without the compiled part (a source folder, or a build that made only the
# simulator) nothing below works: say how to make it.
try:
    from . import _tevrak
except ModuleNotFoundError as missing:
    if missing.name != __name__ + "._tevrak":
        raise
    raise ImportError(
        f"tevrak: the compiled module tevrak._tevrak is not in {__path__[0]}: build it with 'make' or "
        "'make demo' (or 'cmake --build build --target tevrak_python') and set PYTHONPATH=build/python, "
        "or install the package python3-tevrak",
        name=__name__,
    ) from None

from ._types import Error, Key, LinkError, MenuItem, Pose, Speed, StalledError, StartupError
from ._stopping import stop_on_exit
from ._tevrak import (
    DistanceSensor,
    Drive,
    Encoder,
    ListMenu,
    Motor,
    Remote,
    Servo,
    cycle,
    default_home,
    home,
    keep_moving,
    set_home,
    set_link_timeout,
)

__version__ = _tevrak.__version__

# Shown as tevrak.X in tracebacks, reprs and help, where users meet them.
for _public in (Error, Key, LinkError, MenuItem, Pose, Speed, StalledError, StartupError):
    _public.__module__ = __name__
del _public

# The simulator's and the remote robot's parts load on first use: most robot
# programs never need them, and their helpers would double the time
# `import tevrak` takes.
_LAZY_NAMES = {
    **dict.fromkeys(
        ("MotorState", "RawBoardValues", "SensorReading", "ServoState", "SimStatus", "Simulator", "SimulatorError"),
        "_simulator",
    ),
    **dict.fromkeys(("RemoteError", "RemoteRobot"), "_remote_robot"),
}


def __getattr__(name):
    module = _LAZY_NAMES.get(name)
    if module is None:
        raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
    import importlib

    return getattr(importlib.import_module("." + module, __name__), name)

__all__ = [
    "DistanceSensor",
    "Drive",
    "Encoder",
    "Error",
    "Key",
    "LinkError",
    "ListMenu",
    "MenuItem",
    "Motor",
    "MotorState",
    "Pose",
    "RawBoardValues",
    "Remote",
    "RemoteError",
    "RemoteRobot",
    "SensorReading",
    "Servo",
    "ServoState",
    "SimStatus",
    "Simulator",
    "SimulatorError",
    "Speed",
    "StalledError",
    "StartupError",
    "cycle",
    "default_home",
    "home",
    "keep_moving",
    "set_home",
    "set_link_timeout",
    "stop_on_exit",
]

stop_on_exit(True)
