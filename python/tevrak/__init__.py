"""tevrak: the small Raspberry Pi robot from Python.

Drive the chassis, move servos, run motors, read encoders and distance
sensors, take keys from an infrared remote, and keep list menus, all through
one controller board on a serial link:

    import tevrak
    drive = tevrak.Drive()
    drive.straight(500, 200)
    drive.wait()
    print(drive.position)          # Pose(x=500, y=0, heading=0)

Every call that talks to the board can raise tevrak.LinkError (the board did
not answer) or tevrak.StartupError (no hdt.txt, the port cannot be opened);
both are tevrak.Error. Objects and calls are safe from several threads; each
blocking call lets other Python threads run, and waits end on Ctrl-C.

tevrak.Simulator runs the simulated robot (tevrak-sim) for programs without
hardware; tevrak.testing is a pytest plugin with a `sim` fixture.
"""
from ._types import Error, LinkError, MenuItem, Pose, Speed, StartupError
from ._tevrak import (
    DistanceSensor,
    Drive,
    Encoder,
    ListMenu,
    Motor,
    Remote,
    Servo,
    default_home,
    home,
    set_home,
)

__version__ = _tevrak.__version__

# Shown as tevrak.X in tracebacks, reprs and help, where users meet them.
for _public in (Error, LinkError, MenuItem, Pose, Speed, StartupError):
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
    "StartupError",
    "default_home",
    "home",
    "set_home",
]
