"""tevrak-bridge's two ends without SSH. The robot's end, on tevrak-sim's
port, with the test as its laptop: however the laptop goes (end of the
session, silence, a signal, a damaged stream), the board gets the frame in
progress finished with zero bytes and then the stop. The laptop's end, with
the test as a hostile robot: a malformed stream ends the link with a fixed
message, and nothing behind the damage reaches the laptop's terminal.
Framed bytes are literals: 0x10 escapes, 0x10 0x48 is the heartbeat."""
import os
import select
import signal
import socket
import subprocess
import time
import tty

import pytest

import tevrak

BRIDGE = os.environ.get("TEVRAK_BRIDGE", "")
HEARTBEAT = b"\x10\x48"
SET_SPEED_100 = b"\xf8\x00\x64\x00\x00"  # VWSetSpeed linear=100 angular=0
MOTOR_1_SPEED_50 = b"\xcd\x01\x32"  # MOTORSpeed motor=1 speed=50
STOP_LINES = ["VWSetSpeed linear=0 angular=0", "MOTORSpeed motor=1 speed=0", "MOTORDriveRaw motor=1 power=0"]
# A generous bound beside a busy build; bench/ holds the tight figures.
BOUND = 2.5

pytestmark = pytest.mark.skipif(not BRIDGE, reason="TEVRAK_BRIDGE is not set (run the tests through ctest)")


@pytest.fixture
def sim(tmp_path):
    with tevrak.Simulator(home=tmp_path / "robot", use=False) as sim:
        yield sim


def board_port(sim):
    return os.path.join(sim.home, "dev", "ttyBOARD")


def frames(sim):
    return [line for line in sim.frames() if not line.startswith(("#", "(last line"))]


def until(condition, seconds=BOUND):
    deadline = time.monotonic() + seconds
    while not (found := condition()) and time.monotonic() < deadline:
        time.sleep(0.005)
    return found


def robot_end(sim, lease=300):
    bridge = subprocess.Popen([BRIDGE, "--lease", str(lease), board_port(sim)], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, bufsize=0)
    assert bridge.stdout.readline() == b"@bridge framed\n"
    return bridge


def end_session(bridge):
    bridge.stdin.close()


def fall_silent(bridge):
    pass  # the lease runs out on its own


def damage(bridge):
    bridge.stdin.write(b"\x10\x00" + SET_SPEED_100)


@pytest.mark.parametrize("sent, fault, finished", [
    # whole frames, then the laptop goes
    (b"", end_session, None),
    (b"", fall_silent, None),
    (b"", lambda bridge: bridge.send_signal(signal.SIGHUP), None),  # the session's terminal hangs up
    (b"", lambda bridge: bridge.send_signal(signal.SIGTERM), None),
    (b"", damage, None),
    # cut in the middle of a frame: the rest is zero bytes, before any probe
    (b"\xf9\x01", end_session, "VWStraight distance=0 speed=256"),
    (b"\xcd\x10\x10", fall_silent, "MOTORSpeed motor=16 speed=0"),  # an escaped byte in the cut frame
    (b"\xf3\x02", lambda bridge: bridge.send_signal(signal.SIGTERM), "SERVOSetRaw servo=2 position=0"),
], ids=["end", "silence", "hangup", "sigterm", "damaged", "half-straight-end", "half-motor-silence",
        "half-servo-sigterm"])
def test_the_robot_end_stops_what_the_laptop_set_moving(sim, sent, fault, finished):
    bridge = robot_end(sim)
    try:
        bridge.stdin.write(HEARTBEAT + b"\x0d" + SET_SPEED_100 + b"\x0d" + MOTOR_1_SPEED_50)
        assert until(lambda: "MOTORSpeed motor=1 speed=50" in frames(sim)), frames(sim)
        before = len(frames(sim))
        bridge.stdin.write(HEARTBEAT + sent)
        time.sleep(0.05)
        assert len(frames(sim)) == before  # the cut frame waits on the board
        faulted = time.monotonic()
        fault(bridge)
        assert until(lambda: STOP_LINES[-1] in frames(sim)[before:]), frames(sim)[before:]
        stopped = time.monotonic() - faulted
        assert frames(sim)[before:] == ([finished] if finished else []) + STOP_LINES
        assert stopped < BOUND
        assert bridge.wait(timeout=BOUND) in (0, 1)
    finally:
        bridge.kill()
        bridge.wait()
    # The port is free again at once.
    again = robot_end(sim)
    again.stdin.close()
    assert again.wait(timeout=BOUND) == 0


def test_the_robot_end_sends_the_boards_bytes_framed_and_its_heartbeat(sim):
    bridge = robot_end(sim, lease=600)
    try:
        bridge.stdin.write(HEARTBEAT + b"\x0d" + b"\xf0\x01")  # a link check, then PSDGetRaw psd=1
        received = b""
        deadline = time.monotonic() + BOUND
        while received.count(HEARTBEAT) < 3 and time.monotonic() < deadline:
            if select.select([bridge.stdout], [], [], 0.1)[0]:
                received += os.read(bridge.stdout.fileno(), 4096)
        assert received.count(HEARTBEAT) >= 3
        raw = sim.status().sensors[0].raw
        reply = b">" + bytes([raw >> 8, raw & 0xFF])
        assert received.replace(HEARTBEAT, b"") == b">" + reply.replace(b"\x10", b"\x10\x10")
    finally:
        bridge.stdin.close()
        bridge.wait(timeout=BOUND)


def test_a_second_end_on_a_held_port_is_refused_and_names_the_holder(sim):
    first = robot_end(sim)
    try:
        second = subprocess.run([BRIDGE, board_port(sim)], capture_output=True, timeout=BOUND * 4)
        holder = f"process {first.pid} " + ("" if os.environ.get("TEVRAK_TEST_EMULATED") else "(tevrak-bridge)")
        assert second.returncode == 1
        assert second.stdout.decode().startswith(f"@error finds the board at {board_port(sim)} in use by {holder}")
        first.stdin.write(HEARTBEAT + SET_SPEED_100)
        assert until(lambda: "VWSetSpeed linear=100 angular=0" in frames(sim))  # the first goes on
    finally:
        first.stdin.close()
        first.wait(timeout=BOUND)


# -- the laptop's end against a hostile robot --------------------------------


def read_for(fd, seconds, want=None):
    """What fd gives within seconds, or as soon as it gave want bytes."""
    got = b""
    deadline = time.monotonic() + seconds
    while (want is None or len(got) < want) and (left := deadline - time.monotonic()) > 0 and \
            select.select([fd], [], [], left)[0]:
        try:
            chunk = os.read(fd, 65536)
        except OSError:
            break
        if not chunk:
            break
        got += chunk
    return got


def framed_reaches(robot, expected):
    """Whether the robot receives expected and heartbeats, then (for b"") the end."""
    robot.settimeout(BOUND)
    received = b""
    while received.replace(HEARTBEAT, b"") != expected or not expected:
        chunk = robot.recv(65536)
        if not chunk:
            break
        received += chunk
    return received.replace(HEARTBEAT, b"") == expected


@pytest.mark.parametrize("first, then, board, status, message", [
    (b">\x10\x10\x01", b"", b">\x10\x01", 0, b""),  # the session ends
    (b">", b"\x10", b">", 0, b""),  # a truncated escape, then the end
    (b">", b"\x10\x41>>", b">", 1, b"tevrak-bridge: the robot sent a damaged stream\n"),
    (b"", b"\x1b]0;x\x07\x10\x0a\x1b[2J", b"", 1, b"tevrak-bridge: the robot sent a damaged stream\n"),
    (b"", b"\x10\xff" * 1000, b"", 1, b"tevrak-bridge: the robot sent a damaged stream\n"),
    (b"\x10\x10" * 50000, b"", b"\x10" * 50000, 0, b""),  # more than any buffer
    (b">", None, b">", 1, b"tevrak-bridge: the robot fell silent for more than 1000 ms\n"),
], ids=["end", "truncated-escape", "damaged", "control-bytes", "only-damage", "flood", "silent"])
def test_the_laptop_end_withstands_a_hostile_robot(first, then, board, status, message):
    master, slave = os.openpty()
    tty.setraw(slave)
    robot, link = socket.socketpair()
    bridge = subprocess.Popen([BRIDGE, "--laptop", "--lease", "1000", str(master), str(link.fileno())],
                              pass_fds=(master, link.fileno()), stderr=subprocess.PIPE)
    os.close(master)
    link.close()
    try:
        robot.sendall(HEARTBEAT + first)
        got = read_for(slave, BOUND, want=len(board))
        # The laptop program's bytes reach the robot framed, before anything
        # the robot sends next.
        os.write(slave, b"\xf8\x10")
        assert framed_reaches(robot, b"\xf8\x10\x10")
        if then is not None:
            robot.sendall(then)
            robot.shutdown(socket.SHUT_WR)
        got += read_for(slave, 0.3)
        assert bridge.wait(timeout=BOUND) == status
        assert got == board
        assert bridge.stderr.read() == message
        assert framed_reaches(robot, b"")  # heartbeats and nothing else, up to the end
    finally:
        bridge.kill()
        bridge.wait()
        os.close(slave)
        robot.close()
