"""Record then replay: runs recorded on the simulator (tevrak-sim --record,
through the library's tap) played back by tevrak-sim --replay, unchanged,
changed in one call, and from a recording cut inside a line."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import textwrap

import pytest

import tevrak

pytest_plugins = ["pytester"]

EXAMPLES = os.environ.get("TEVRAK_EXAMPLES", os.path.join(os.path.dirname(__file__), "../../examples/python"))

# Reads sensor 1, 2 and 1 again, once the drive was set going: the changed
# version reads sensor 3 in place of 2.
PROBE = textwrap.dedent(
    """
    import sys
    import tevrak
    tevrak.set_home(sys.argv[1])
    drive = tevrak.Drive()
    drive.set_speed(100, 0)
    for number in (1, int(sys.argv[2]), 1):
        print(tevrak.DistanceSensor(number).distance)
    drive.stop()
    """
)


def run(*args, timeout=60):
    return subprocess.run([sys.executable, *args], capture_output=True, text=True, timeout=timeout)


def replay(tmp_path, recording, program, *args):
    """Runs the program against the replay; the replay's exit status, its
    report and the program's result."""
    sim = tevrak.Simulator(home=tmp_path / "replayed", replay=recording, use=False, timeout=20)
    sim.start()
    try:
        result = run(*program, *args)
    finally:
        status = sim.stop()
    return status, sim.replay_report, result


def records(recording):
    with open(recording) as lines:
        return [json.loads(line) for line in lines]


@pytest.mark.parametrize(
    "example, args, options",
    [
        ("square.py", [], {}),
        ("wall_follow.py", ["--steps", "15"], {"arena": (1200, 800), "start": (300, 250, 0)}),
    ],
)
def test_recorded_runs_replay_unchanged(tmp_path, example, args, options):
    program = [os.path.join(EXAMPLES, example)]
    recording = tmp_path / "run.jsonl"
    with tevrak.Simulator(home=tmp_path / "recorded", record=recording, use=False, **options) as sim:
        recorded = run(*program, "--home", sim.home, *args)
        assert recorded.returncode == 0, recorded.stderr
    lines = records(recording)
    assert lines[0]["format"] == "tevrak-recording" and "USB 1" in lines[0]["hdt"]
    assert lines[1]["op"] == "DriveSetup", "set-up frames are records too"
    assert all(line["dropped"] == 0 for line in lines[1:])

    status, report, replayed = replay(tmp_path, recording, program, "--home", str(tmp_path / "replayed"), *args)
    assert (status, report) == (0, ""), replayed.stderr
    assert replayed.returncode == 0 and replayed.stdout == recorded.stdout


def test_a_changed_call_fails_at_its_record(tmp_path):
    recording = tmp_path / "run.jsonl"
    with tevrak.Simulator(home=tmp_path / "recorded", record=recording, use=False) as sim:
        assert run("-c", PROBE, sim.home, "2").returncode == 0
    lines = records(recording)
    reads = [number for number, line in enumerate(lines, 1) if line.get("op") == "PSDGetRaw"]
    assert len(reads) == 3 and lines[reads[1] - 1]["args"] == {"psd": 2}

    status, report, _ = replay(tmp_path, recording, ["-c", PROBE, str(tmp_path / "replayed"), "3"])
    assert status == 1
    assert report == f"tevrak-sim: record {reads[1]}: expected PSDGet(2), got PSDGet(3)"


def test_a_cut_recording_replays_its_whole_lines_then_says_where_it_ends(tmp_path):
    recording = tmp_path / "run.jsonl"
    with tevrak.Simulator(home=tmp_path / "recorded", record=recording, use=False) as sim:
        assert run("-c", PROBE, sim.home, "2").returncode == 0
    text = recording.read_text().splitlines(keepends=True)
    reads = [number for number, line in enumerate(text, 1) if '"PSDGetRaw"' in line]
    # Killed while writing the third sensor reading.
    kept = reads[2] - 1
    recording.write_text("".join(text[:kept]) + text[kept][: len(text[kept]) // 2])

    status, report, program = replay(tmp_path, recording, ["-c", PROBE, str(tmp_path / "replayed"), "2"])
    assert status == 3
    assert report == f"tevrak-sim: the recording ends at line {kept}"
    assert len(program.stdout.splitlines()) == 2 and program.returncode != 0, "the third reading got no answer"


def test_the_fixture_replays_a_recording(tmp_path, pytester):
    recording = tmp_path / "run.jsonl"
    with tevrak.Simulator(home=tmp_path / "recorded", record=recording, use=False) as sim:
        assert run("-c", PROBE, sim.home, "2").returncode == 0
    pytester.makeconftest('pytest_plugins = ["tevrak.testing"]')
    program = PROBE.replace("tevrak.set_home(sys.argv[1])", "").replace("int(sys.argv[2])", "{number}")
    for number in (2, 3):
        pytester.makepyfile(
            **{
                f"test_robot_{number}": f"import pytest\n\n@pytest.mark.tevrak_sim(replay={str(recording)!r})\n"
                f"def test_as_on_the_robot(sim):\n    import tevrak\n"
                + textwrap.indent(program.format(number=number), "    ")
            }
        )
    # The board's path must stay short enough for the library (its robot
    # folder lies below the inner run's base folder).
    base = tempfile.mkdtemp(prefix="tv")
    result = pytester.runpytest_subprocess("test_robot_2.py", f"--basetemp={base}/2", timeout=120)
    result.assert_outcomes(passed=1)
    result = pytester.runpytest_subprocess("test_robot_3.py", f"--basetemp={base}/3", timeout=120)
    shutil.rmtree(base, ignore_errors=True)
    result.stdout.fnmatch_lines(["*the program left the recorded run: tevrak-sim: record *: expected PSDGet(2), got PSDGet(3)*"])
