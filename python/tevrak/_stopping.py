"""Stopping the robot when the program ends: at a normal exit, after an
uncaught exception and on SIGTERM, a drive or motor that the program set
moving (and did not stop) is stopped. A killed (SIGKILL) or crashed process
cannot stop anything: the board keeps its last command."""
import atexit
import signal
import threading

from . import _tevrak

# How long the stop at exit waits for a link that another thread still uses.
_LINK_WAIT = 1.0
_enabled = False


def _stop_moving():
    _tevrak._stop_moving(_LINK_WAIT)


def _terminated(signum, _frame):
    # Ends the program as an uncaught exception would: the stop runs at exit,
    # with the link free, after the program's own clean-up.
    raise SystemExit(128 + signum)


def _in_main_thread():
    return threading.current_thread() is threading.main_thread()


def stop_on_exit(enabled: bool = True) -> None:
    """Stops, when the program ends (normally, by an uncaught exception or
    by SIGTERM), every drive and motor it set moving; on by default.
    stop_on_exit(False) turns it off. SIGTERM is taken only while it has its
    default action: a program's own SIGTERM handler stays as it is."""
    global _enabled
    enabled = bool(enabled)
    if enabled == _enabled:
        return
    _enabled = enabled
    if enabled:
        atexit.register(_stop_moving)
        if _in_main_thread() and signal.getsignal(signal.SIGTERM) == signal.SIG_DFL:
            signal.signal(signal.SIGTERM, _terminated)
    else:
        atexit.unregister(_stop_moving)
        if _in_main_thread() and signal.getsignal(signal.SIGTERM) == _terminated:
            signal.signal(signal.SIGTERM, signal.SIG_DFL)
