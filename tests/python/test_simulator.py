"""The simulator's one options table against its manual page, its
documentation and Python's Simulator; the status record as SimStatus reads
it; the child-process helper that runs tevrak-sim and tevrak-remote."""
import inspect
import json
import os
import re
import signal
import subprocess
import sys
from pathlib import Path

import pytest

import tevrak
from tevrak import _child, _simulator

SOURCE = Path(__file__).resolve().parents[2]


def help_options():
    """{option: takes a value} as tevrak-sim --help lists its table."""
    text = subprocess.run([_simulator.find_program(), "--help"], capture_output=True, text=True, check=True).stdout
    return {m[1]: bool(m[2]) for m in re.finditer(r"^  (--[a-z-]+)(?: (\S+))?  ", text, re.M)}


def docs_options():
    table = (SOURCE / "docs" / "simulator.md").read_text().split("| Option | Meaning |")[1].split("\n\n")[0]
    cells = [row.split("|")[1] for row in table.splitlines()[2:]]
    return {m[1]: bool(m[2]) for cell in cells for m in re.finditer(r"`(--[a-z-]+)( [^`]+)?`", cell)}


def man_options():
    text = (SOURCE / "packaging" / "man" / "tevrak-sim.1").read_text().split(".SH OPTIONS")[1].split(".SH ")[0]
    found = re.finditer(r"^\.TP\n\.(BI?|BR) ((?:\\-)+[a-z\\-]+)", text, re.M)
    return {m[2].replace("\\-", "-"): m[1] == "BI" for m in found if m[2] != "\\-\\-help"}


@pytest.mark.parametrize("read", [docs_options, man_options], ids=["docs", "man"])
def test_the_options_table_is_the_one_the_manual_and_the_docs_list(read):
    assert read() == help_options()


def test_simulators_keywords_follow_the_options_table():
    table = help_options()
    keywords = set(inspect.signature(tevrak.Simulator).parameters)
    assert keywords == set(_simulator._KEYWORD_OPTIONS) | set(_simulator._OWN_KEYWORDS)
    for option, _ in _simulator._KEYWORD_OPTIONS.values():
        assert table.get(option) is True, option
    assert [table.get(option) for option in _simulator._FIXED_OPTIONS] == [True, True, False, False]


@pytest.mark.parametrize("option", sorted(help_options()))
def test_the_parser_reads_the_table(option, tmp_path):
    takes_value = help_options()[option]
    run = subprocess.run([_simulator.find_program(), option] + ([] if takes_value else ["--help"]),
                         capture_output=True, text=True, timeout=30)
    if takes_value:
        assert (run.returncode, run.stderr) == (2, f"tevrak-sim: {option} needs a value\n")
    else:
        assert run.returncode == 0 and run.stdout.startswith("Usage: tevrak-sim"), run.stderr


def record(**changes):
    """A status record as tevrak-sim prints it, with some parts changed."""
    state = {
        "board": {"link": "/r/dev/ttyBOARD", "plugged": True, "silent": False, "late": 0, "stray": 0},
        "pose": {"x": 1000.4, "y": 749.6, "heading": -89.6},
        "odometry": {"x": 10, "y": -3, "heading": 157},
        "drive": {"status": 0, "linear": 0, "angular": 0, "remaining": 157,
                  "remaining_unit": "hundredths of a radian", "command": {"linear": 0, "angular": 157}},
        "setup": {"ticks": 540, "diameter": 60, "track": 180, "flags": 4},
        "encoders": [12, -12],
        "sensors": [{"distance": 900, "raw": 1231, "from": [1100.0, 750.0], "to": [2000.0, 750.0]}],
        "servos": [[1, None, 10, 240], [3, 128, 0, 255]],
        "motors": [[1, 0, False, 0, 0, 0, 0], [2, -100, False, 0, 0, 0, 0], [4, 0, True, 3, 2, 1, 40]],
        "controller": None,
        "remote": {"pressed": 0, "last": None},
        "world_ms": 1500,
    }
    for path, value in changes.items():
        *parents, name = path.split("__")
        part = state
        for parent in parents:
            part = part[parent]
        part[name] = value
    return json.dumps(state)


@pytest.mark.parametrize(
    "text, field, expected",
    [
        (record(), "pose", tevrak.Pose(1000, 750, -90)),
        (record(), "odometry", tevrak.Pose(10, -3, 90)),
        (record(), "remaining", 90),  # a turn: degrees
        (record(drive__remaining_unit="mm"), "remaining", 157),
        (record(), "commanded_angular", 90),
        (record(drive__linear=0, drive__command={"linear": 200, "angular": 0}), "commanded_linear", 200),
        (record(), "board_raw", tevrak.RawBoardValues((10, -3, 157), 0, 157)),
        (record(), "servos", {1: tevrak.ServoState(None, 10, 240), 3: tevrak.ServoState(128, 0, 255)}),
        # A stopped motor stays in the record; the status lists those that run.
        (record(), "motors", {2: tevrak.MotorState(-100, False, 0, 0, 0, 0),
                              4: tevrak.MotorState(0, True, 3, 2, 1, 40)}),
        (record(controller=[1, 2, 3, 4]), "controller", (1, 2, 3, 4)),
        (record(), "sensors", (tevrak.SensorReading(900, 1231),)),
        (record(board__plugged=False), "plugged", False),
        (record(), "world_ms", 1500),
    ],
)
def test_the_status_record_as_simstatus_reads_it(text, field, expected):
    assert getattr(_simulator.parse_status(text), field) == expected


@pytest.mark.parametrize("text", ["status: fine", record(drive={"status": 1}), record(servos=[[1, 2]]), "[]"])
def test_a_broken_status_record_is_the_simulators_error(text):
    with pytest.raises(tevrak.SimulatorError, match="unexpected status report"):
        _simulator.parse_status(text)


def python_child(code, **options):
    return _child.Child([sys.executable, "-c", "import signal, sys, time\n" + code], **options)


@pytest.mark.parametrize(
    "code, ending, text",
    [
        ("print('ready', flush=True); sys.exit(3)", _child.Ending(3, None), "exited with status 3"),
        ("print('ready', flush=True); time.sleep(60)", _child.Ending(None, signal.SIGTERM), "ended by SIGTERM"),
        # Deaf to SIGTERM: SIGKILL after the grace time.
        ("signal.signal(signal.SIGTERM, signal.SIG_IGN); print('ready', flush=True); time.sleep(60)",
         _child.Ending(None, signal.SIGKILL), "ended by SIGKILL"),
    ],
    ids=["exits", "terminated", "killed"],
)
def test_a_child_ends_and_tells_how(code, ending, text):
    child = python_child(code)
    assert child.wait_ready(lambda line: line == "ready", 30) == ["ready"]
    assert os.getpgid(child.pid) == child.pid != os.getpgid(0)  # a group of its own
    if ending.status is not None:
        child.process.wait(30)
    assert child.end(grace=0.5) == ending and str(ending) == text
    assert not child.running and child.process.stdout.closed


# tevrak-remote's ssh stays in the terminal's group, deaf to Ctrl-C: its
# SIGKILL goes to it alone, as it leads no group.
@pytest.mark.parametrize(
    "options, own_group, interrupt",
    [({}, True, "default"), ({"own_group": False, "ignore": [signal.SIGINT]}, False, "ignored")],
    ids=["own-group", "terminals-group"],
)
def test_a_child_deaf_to_sigterm_is_killed_in_either_group(options, own_group, interrupt):
    child = python_child("signal.signal(signal.SIGTERM, signal.SIG_IGN)\n"
                         "print('ignored' if signal.getsignal(signal.SIGINT) == signal.SIG_IGN else 'default', "
                         "flush=True); time.sleep(60)", **options)
    assert child.wait_ready(lambda line: True, 30) == [interrupt]
    assert (os.getpgid(child.pid) == child.pid) == own_group
    assert child.end(grace=0.5) == _child.Ending(None, signal.SIGKILL)


# A child that ends is reported as soon as it ends, however long its
# interpreter takes to start (seconds under an emulator): its bound is long.
@pytest.mark.parametrize(
    "code, error, bound",
    [
        ("print('starting', flush=True); time.sleep(60)", _child.ChildTimeout, 2),
        ("print('starting', flush=True)", _child.ChildEnded, 60),
    ],
)
def test_the_ready_line_has_a_deadline(code, error, bound):
    child = python_child(code)
    try:
        with pytest.raises(error):
            child.wait_ready(lambda line: line == "ready", bound)
    finally:
        child.end(grace=0.5)


def test_a_forwarded_signal_reaches_the_child_and_the_handler_before():
    seen = []
    previous = signal.signal(signal.SIGUSR1, lambda number, frame: seen.append(number))
    child = python_child("signal.signal(signal.SIGUSR1, lambda *a: (print('got it', flush=True), sys.exit(0)))\n"
                         "print('ready', flush=True)\nwhile True: signal.pause()")
    try:
        child.wait_ready(lambda line: line == "ready", 30)
        child.forward([signal.SIGUSR1])
        os.kill(os.getpid(), signal.SIGUSR1)
        assert child.read_line(30) == "got it" and seen == [signal.SIGUSR1]
        child.process.wait(30)
        assert child.end() == _child.Ending(0, None)
        assert signal.getsignal(signal.SIGUSR1) is not None and child.running is False
        os.kill(os.getpid(), signal.SIGUSR1)  # the handler before is back
        assert seen == [signal.SIGUSR1] * 2
    finally:
        signal.signal(signal.SIGUSR1, previous)


def test_status_is_one_json_line_with_answers_and_text_without(sim):
    sim.command("key KEY_UP 0")
    report = sim.command("status")
    assert report.count("\n") == 1 and json.loads(report)["remote"] == {"pressed": 1, "last": "KEY_UP"}
    # The same state as text, for people, from a simulator without --answer.
    child = _child.Child([_simulator.find_program(), "--home", sim.home + "/text", "--log", os.devnull])
    try:
        child.wait_ready(lambda line: line.startswith("tevrak-sim: board ready at "), 30)
        child.process.stdin.write(b"status\n")
        child.process.stdin.flush()
        text = child.wait_ready(lambda line: line.startswith("drive controller:"), 30)
    finally:
        child.end()
    board = f"board: plugged at {sim.home}/text/dev/ttyBOARD"
    assert text[:2] == [board, "arena pose: x=1000 y=750 heading=0 deg"]
    assert "command: linear=0 angular=0" in text and not any(line.startswith("{") for line in text)
