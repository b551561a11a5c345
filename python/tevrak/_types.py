"""Plain value types and the exceptions of the tevrak package.

The compiled module builds its results from these types and raises these
exceptions, so they are defined once, here, in Python.
"""
# Plain named tuples, and annotations left unevaluated: `import tevrak`
# stays fast without the typing module.
from __future__ import annotations

from collections import namedtuple


class Pose(namedtuple("Pose", ("x", "y", "heading"))):
    """A position of the chassis: x and y in the board's length units,
    heading in degrees (positive angles turn left)."""

    __slots__ = ()


class Speed(namedtuple("Speed", ("linear", "angular"))):
    """Speeds of the chassis: linear in the board's units per second,
    angular in degrees per second."""

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
    opened. Nothing was sent."""


class LinkError(Error):
    """The board did not answer: the link check failed, or a reply never
    came. The unit starts afresh on its next call."""
