"""Two Python threads share the link: one drives, one reads sensors. The
board must see only whole frames, exactly the ones the threads sent."""
import re
import threading
import time

import tevrak

SECONDS = 3
STARTUP_FRAMES = {"DriveSetup", "VWControl", "VWControlOff"}  # the drive's set-up


def frames_by_kind(lines):
    """Counts the log's frame lines by their first word; repeat lines count
    as their line before."""
    counts = {}
    previous = None
    for line in lines:
        repeated = re.fullmatch(r"\(last line repeated (\d+) more times\)", line)
        if repeated:
            counts[previous] += int(repeated[1])
            continue
        if line.startswith("#"):
            continue
        previous = line.split()[0]
        counts[previous] = counts.get(previous, 0) + 1
    return counts


def test_driving_and_sensing_threads_never_interleave(sim):
    drive = tevrak.Drive()
    sensors = [tevrak.DistanceSensor(n) for n in (1, 2, 3)]
    calls = {"VWSetSpeed": 0, "PSDGetRaw": 0}
    failures = []
    stop = time.monotonic() + SECONDS

    def driver():
        try:
            while time.monotonic() < stop:
                drive.set_speed(calls["VWSetSpeed"] % 2 * 50, 0)
                calls["VWSetSpeed"] += 1
        except Exception as failure:  # reported below, with the frames
            failures.append(failure)

    def reader():
        try:
            while time.monotonic() < stop:
                for sensor in sensors:
                    assert 0 < sensor.raw <= 4000
                    calls["PSDGetRaw"] += 1
        except Exception as failure:
            failures.append(failure)

    threads = [threading.Thread(target=driver), threading.Thread(target=reader)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    drive.set_speed(0, 0)
    sensors[0].raw  # a query: the board has read every command before it
    calls["VWSetSpeed"] += 1
    calls["PSDGetRaw"] += 1

    sim.stop()  # writes the log's last repeat count
    lines = sim.frames()
    assert failures == []
    assert not [line for line in lines if "unknown" in line or "silent" in line]
    counts = frames_by_kind(lines)
    assert {kind: counts.get(kind, 0) for kind in calls} == calls
    assert set(counts) - set(calls) <= STARTUP_FRAMES
    assert calls["VWSetSpeed"] > 50 and calls["PSDGetRaw"] > 50
    speeds = {line for line in lines if line.startswith("VWSetSpeed")}
    assert speeds <= {"VWSetSpeed linear=0 angular=0", "VWSetSpeed linear=50 angular=0"}
