"""tevrak-remote against a real sshd on 127.0.0.1 (Debian's openssh-server,
started here with keys made here), whose user's robot folder holds
tevrak-sim: programs on the laptop side run unchanged through the bridge."""
import http.client
import json
import os
import runpy
import select
import shutil
import signal
import subprocess
import time

import pytest

import tevrak
from private_sshd import SSHD, Sshd, SshdUnavailable

TOOL = os.environ.get("TEVRAK_REMOTE", "")
PROBE = os.environ.get("TEVRAK_OVER_SSH_PROBE", "")


@pytest.fixture(scope="module")
def robot(tmp_path_factory):
    """The robot: tevrak-sim in the SSH user's robot folder, behind sshd."""
    if not (TOOL and PROBE):
        pytest.skip("TEVRAK_REMOTE and TEVRAK_OVER_SSH_PROBE are not set (run the tests through ctest)")
    if not (SSHD and shutil.which("socat")):
        pytest.skip("sshd or socat is missing (scripts/install-deps.sh installs them)")
    folder = tmp_path_factory.mktemp("ssh")
    with tevrak.Simulator(home=folder / "robot", use=False) as sim:
        try:
            sshd = Sshd(folder, sim.home)
        except SshdUnavailable as reason:
            pytest.skip(str(reason))
        try:
            yield sim, sshd
        finally:
            sshd.stop()


def remote(sshd, laptop, *command):
    return [TOOL, "robot", "-F", str(sshd.config), "--home", str(laptop)] + (["--", *command] if command else [])


def running_with(*paths):
    """Live processes other than the simulator whose command line names one of paths."""
    found = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as cmdline:
                words = cmdline.read().decode(errors="replace")
        except OSError:
            continue
        if "tevrak-sim" not in words and any(str(path) in words for path in paths):
            found.append(words.replace("\0", " "))
    return found


def until(condition, seconds=10.0):
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        time.sleep(0.05)
    return condition()


def test_c_and_python_programs_drive_a_square_and_read_the_sensors(robot, tmp_path):
    sim, sshd = robot
    laptop = tmp_path / "laptop"
    run = subprocess.run(remote(sshd, laptop, PROBE, "square"), capture_output=True, text=True, timeout=60)
    assert run.returncode == 0, run.stderr
    lines = run.stdout.splitlines()
    x, y, heading = (int(v) for v in lines[0].split()[1:])
    assert abs(x) <= 10 and abs(y) <= 10 and heading % 360 in (0, 1, 359)
    assert [int(line.split()[1]) for line in lines[1:]] == [s.raw for s in sim.status().sensors]

    with tevrak.RemoteRobot("robot", home=laptop, options=["-F", str(sshd.config)]) as link:
        assert tevrak.home() == str(laptop) == link.home
        drive = tevrak.Drive()
        for _ in range(4):
            drive.straight(100, 400)
            drive.wait()
            drive.turn(90, 360)
            drive.wait()
        assert abs(drive.position.x) <= 10 and abs(drive.position.y) <= 10
        raws = [tevrak.DistanceSensor(n).raw for n in (1, 2, 3)]
        assert raws == [s.raw for s in sim.status().sensors]
        assert (laptop / "bin" / "hdt.txt").read_text() == open(sim.hdt_path).read()
    # The port is gone, and the folder left behind lists none.
    assert not os.path.lexists(laptop / "dev" / "ttyBOARD")
    assert subprocess.run([laptop / "bin" / "usbSearch"], capture_output=True, text=True).stdout == ""


def read_line(process, seconds=30.0):
    """The next line of an unbuffered (bufsize=0) output, or b"" after seconds."""
    return process.stdout.readline() if select.select([process.stdout], [], [], seconds)[0] else b""


def test_a_key_pressed_on_the_robot_reaches_rcinget(robot, tmp_path):
    sim, sshd = robot
    with subprocess.Popen(remote(sshd, tmp_path / "laptop", PROBE, "key"), stdout=subprocess.PIPE, bufsize=0) as probe:
        assert read_line(probe) == b"ready\n"
        # A key pressed before SSH has joined the forwarded socket to the
        # robot's daemon is lost, as one pressed before a program connects.
        for _ in range(40):
            sim.command("key KEY_5")
            if line := read_line(probe, 0.5):
                break
        assert line == b"key 5\n"
        assert probe.wait(timeout=30) == 0


def test_a_dropped_connection_fails_the_program_and_leaves_no_process(robot, tmp_path):
    sim, sshd = robot
    laptop = tmp_path / "laptop"
    tool = subprocess.Popen(remote(sshd, laptop, PROBE, "loop"), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            bufsize=0, start_new_session=True)
    try:
        for _ in range(3):
            assert read_line(tool) == b"read\n"
        with open(f"/proc/{tool.pid}/task/{tool.pid}/children") as children:
            helpers = [int(pid) for pid in children.read().split()]
        assert len(helpers) == 3  # ssh, socat and the program
        for pid in sshd.connections():
            with open(f"/proc/{pid}/comm") as comm:
                if comm.read().strip() == "sshd":
                    os.kill(pid, signal.SIGKILL)
        dropped = time.monotonic()
        while (line := read_line(tool)) == b"read\n":
            continue
        # A board that stops answering fails a call after 100 probes of 0.5 s;
        # a link that is gone must fail it long before.
        assert line == b"failed\n" and time.monotonic() - dropped < 10
        assert tool.wait(timeout=20) == 0
        assert b"the connection to robot ended" in tool.stderr.read()
    finally:
        tool.kill()
        tool.wait()
    assert not os.path.lexists(laptop / "dev" / "ttyBOARD")
    assert all(not os.path.exists(f"/proc/{pid}") for pid in helpers)
    # The robot's socat names its port, the laptop's ssh the folder.
    assert until(lambda: not sshd.connections() and not running_with(sim.home, laptop)), running_with(sim.home, laptop)


def test_a_board_named_by_its_by_id_token_is_followed(robot, tmp_path):
    sim, sshd = robot
    bin_folder = os.path.join(sim.home, "bin")
    saved = {name: open(os.path.join(bin_folder, name)).read() for name in ("hdt.txt", "usbSearch")}
    hdt = saved["hdt.txt"].replace("USB 1 board", "USB 1 Acme")
    listing = f"usb-Other_Device_9-if00:/dev/null\nusb-Acme_Board_1234-if00:{sim.home}/dev/ttyBOARD\n"
    try:
        with open(os.path.join(bin_folder, "hdt.txt"), "w") as out:
            out.write(hdt)
        with open(os.path.join(bin_folder, "usbSearch"), "w") as out:
            out.write(f"#!/bin/sh\nprintf '{listing}'\n")
        with tevrak.RemoteRobot("robot", home=tmp_path / "laptop", options=["-F", str(sshd.config)]) as link:
            tevrak.DistanceSensor(1).raw  # the board answers: /dev/null would not
            assert open(os.path.join(link.home, "bin", "hdt.txt")).read() == hdt
            listed = subprocess.run([os.path.join(link.home, "bin", "usbSearch")], capture_output=True, text=True)
            assert listed.stdout == f"remote_Acme_pty:{link.home}/dev/ttyBOARD\n"
    finally:
        for name, text in saved.items():
            with open(os.path.join(bin_folder, name), "w") as out:
                out.write(text)


def planted_links(folder, victim):
    for name in ("bin", "dev"):
        (folder / name).mkdir(parents=True)
    for name in ("bin/hdt.txt", "bin/usbSearch", "dev/ttyBOARD", "lock", "lircd", "ssh"):
        (folder / name).symlink_to(victim)
    folder.chmod(0o755)


@pytest.mark.parametrize(
    "plant, refused",
    [
        (planted_links, False),  # links inside the folder are replaced, never followed
        (lambda folder, victim: folder.symlink_to(victim.parent), True),  # the folder a link
        (lambda folder, victim: folder.parent.chmod(0o777), True),  # a parent others may change
    ],
)
def test_the_laptop_folder_withstands_planted_links(robot, tmp_path, plant, refused):
    sim, sshd = robot
    victim = tmp_path / "elsewhere" / "victim"
    victim.parent.mkdir()
    victim.write_text("precious")
    laptop = tmp_path / "up" / "laptop"
    laptop.parent.mkdir()
    plant(laptop, victim)
    run = subprocess.run(remote(sshd, laptop, "true"), capture_output=True, text=True, timeout=60)
    assert (run.returncode == 255) == refused, run.stderr
    assert victim.read_text() == "precious" and os.listdir(victim.parent) == ["victim"]
    if not refused:
        assert (laptop.stat().st_mode & 0o777) == 0o700 and not (laptop / "bin" / "usbSearch").is_symlink()


@pytest.mark.parametrize(
    "hdt, listing, port",
    [
        ("USB 1 board\n", "usb-Tevrak_board_sim-if00:/x/ttyBOARD\n", "/x/ttyBOARD"),
        ("USB 1 Acme\n", "usb-Other_Device-if00:/dev/null\nusb-Acme_Board_12-if00:/dev/ttyACM1\n", "/dev/ttyACM1"),
        ("ENCODER 1 540\n", "usb-Acme_Board-if00:/dev/ttyACM1\n", "/dev/ttyACM0"),  # no USB line
        ("USB 1 Acme-Board\n", "usb-Acme-Board-if00:/dev/ttyACM1\n", "/dev/ttyACM0"),  # a name never matches
        ("USB 5 Acme\nUSB 1 Acme\n", "usb-Acme-if00:/dev/ttyACM1\n", "/dev/ttyACM0"),  # discovery stops
        ("USB 1 a\nUSB 1 b\nUSB 2 a\n", "a-1:/dev/ttyA\nb-1:/dev/ttyB\n", "/dev/ttyB"),  # the last board line
        ("USB 1 Acme\n", "usb-Acme", "/dev/ttyACM0"),  # no path behind the name
    ],
)
def test_the_port_is_the_one_the_robots_discovery_picks(hdt, listing, port):
    tool = runpy.run_path(TOOL)
    assert tool["board_port"](hdt, listing) == port
    # And the laptop's copy finds the local terminal the same way.
    laptop_hdt, lines = tool["laptop_files"](hdt, "/home/me/robot/dev/ttyBOARD")
    assert tool["board_port"](laptop_hdt, "\n".join(lines)) == "/home/me/robot/dev/ttyBOARD"


def test_the_live_page_shows_what_the_laptop_program_reads(robot, tmp_path):
    """--view: the page of the robot the laptop's program drives, on the
    laptop's loopback; it ends with tevrak-remote."""
    sim, sshd = robot
    laptop = tmp_path / "laptop"
    command = remote(sshd, laptop, PROBE, "loop")
    tool = subprocess.Popen(command[:2] + ["--view", "0"] + command[2:], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, bufsize=0, start_new_session=True)
    try:
        announced = b""
        while b"the live page is at " not in announced:
            assert select.select([tool.stderr], [], [], 30)[0], "no page announced"
            announced += os.read(tool.stderr.fileno(), 4096)
        url = announced.split(b"the live page is at ", 1)[1].split(b"\n", 1)[0].decode()
        port = int(url.rstrip("/").rsplit(":", 1)[1])
        assert url.startswith("http://127.0.0.1:")
        assert read_line(tool) == b"read\n"
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
        connection.request("GET", "/events", headers={"Host": f"127.0.0.1:{port}"})
        stream = connection.getresponse()
        raws = {s.raw for s in sim.status().sensors}
        deadline = time.monotonic() + 20
        seen = []
        while time.monotonic() < deadline and not seen:
            line = stream.fp.readline().decode()
            if line.startswith("data: "):
                seen = [r["raw"] for r in json.loads(line[6:])["state"]["sensors"]]
        connection.close()
        assert seen and all(raw in raws for raw in seen)
    finally:
        os.killpg(tool.pid, signal.SIGTERM)
        tool.wait(timeout=20)
    assert until(lambda: not running_with(laptop)), running_with(laptop)
