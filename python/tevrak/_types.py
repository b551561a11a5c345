"""Plain value types and the exceptions of the tevrak package.

The compiled module builds its results from these types and raises these
exceptions, so they are defined once, here, in Python.
"""
# Plain named tuples, and annotations left unevaluated: `import tevrak`
# stays fast without the typing module.
from __future__ import annotations

import enum
from collections import namedtuple


class Pose(namedtuple("Pose", ("x", "y", "heading"))):
    """A position of the chassis: x and y in mm, heading in degrees
    (positive angles turn left)."""

    __slots__ = ()


class Speed(namedtuple("Speed", ("linear", "angular"))):
    """Speeds of the chassis: linear in mm/s, angular in degrees/s."""

    __slots__ = ()


class MenuItem(namedtuple("MenuItem", ("text", "value"))):
    """One entry of a ListMenu: its text and the program's value for it."""

    __slots__ = ()


class Error(RuntimeError):
    """A call to the robot failed.

    code: what the underlying C call returned (for example 1 or -1).
    unit: the unit that failed ("VW", "SERVO", "MOTOR", "ENCODER", "PSD",
    "RCIN", "HDT"), or None.
    function: the C function that failed, for example "VWStraight", or None.
    """

    def __init__(
        self, message: str, code: int | None = None, unit: str | None = None, function: str | None = None
    ):
        super().__init__(message, code, unit, function)
        self.code = code
        self.unit = unit
        self.function = function

    def __str__(self) -> str:
        return str(self.args[0])


class StartupError(Error):
    """The unit could not start: no hdt.txt, or the serial port cannot be
    opened. Nothing was sent. The message names the path, the system's
    reason and a hint, for example "cannot open /dev/ttyACM0: Permission
    denied (is your user in the dialout group?)"."""


class LinkError(Error):
    """The board did not answer: the link check failed, or a reply never
    came. The unit starts afresh on its next call."""


class StalledError(Error):
    """A wait ended because the chassis is stalled (drive status 2):
    something blocks it, so the manoeuvre cannot finish. Stop the drive or
    give it another command."""


class Key(str, enum.Enum):
    """The keys of the remote control. Each is the one-character text that
    Remote.get() returns for it, so key == tevrak.Key.UP works, and
    tevrak.Key(key).name gives the key's name ("UP")."""

    DIGIT_0 = "0"
    DIGIT_1 = "1"
    DIGIT_2 = "2"
    DIGIT_3 = "3"
    DIGIT_4 = "4"
    DIGIT_5 = "5"
    DIGIT_6 = "6"
    DIGIT_7 = "7"
    DIGIT_8 = "8"
    DIGIT_9 = "9"
    UP = "U"
    DOWN = "D"
    LEFT = "L"
    RIGHT = ">"
    OK = "O"
    RED = "R"
    GREEN = "G"
    YELLOW = "Y"
    BLUE = "B"
    POWER = "P"
