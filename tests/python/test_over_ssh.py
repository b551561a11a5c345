"""tevrak-remote against a real sshd on 127.0.0.1 (Debian's openssh-server,
started here with keys made here), whose user's robot folder holds
tevrak-sim: programs on the laptop side run unchanged through the bridge.
tevrak-bridge, on the PATH of the tests and of the robot's sessions, is
both ends of the bridge; the robot stops when the laptop goes away."""
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
BRIDGE_FOLDER = os.path.dirname(shutil.which("tevrak-bridge") or "")
STOP_LINES = ["VWSetSpeed linear=0 angular=0", "MOTORSpeed motor=1 speed=0", "MOTORDriveRaw motor=1 power=0"]
NO_STOP = "tevrak-remote: the robot will not stop by itself if the link drops: "


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
            sshd = Sshd(folder, sim.home, path=BRIDGE_FOLDER)
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


def until(condition, seconds=10.0, step=0.05):
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        time.sleep(step)
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


# -- the robot stops when the laptop goes away -------------------------------


def child_named(pid, name):
    with open(f"/proc/{pid}/task/{pid}/children") as children:
        for child in map(int, children.read().split()):
            with open(f"/proc/{child}/comm") as comm:
                if comm.read().strip() == name:
                    return child
    raise AssertionError(f"{pid} has no child {name}")


def board_frames(sim):
    return [line for line in sim.frames() if not line.startswith(("#", "(last line"))]


def freeze(pid):
    os.kill(pid, signal.SIGSTOP)
    return pid  # woken at the end


def start_driving(sshd, laptop, through):
    """tevrak-remote, and a laptop program that drives: run by it (through
    "command") or beside it (through "exports"). Returns tevrak-remote, the
    variables of the link (None for a command), the program beside it (or
    None) and the program's first line."""
    if through == "command":
        tool = subprocess.Popen(remote(sshd, laptop, PROBE, "drive"), stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, bufsize=0, start_new_session=True)
        return tool, None, None, read_line(tool)
    tool = subprocess.Popen(remote(sshd, laptop), stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0,
                            start_new_session=True)
    variables = {}
    for _ in range(2):
        name, _, value = read_line(tool).decode().removeprefix("export ").strip().partition("=")
        variables[name] = value.strip("'")
    environment = dict(os.environ, **variables)
    program = subprocess.Popen([PROBE, "drive"], env=environment, stdout=subprocess.PIPE, bufsize=0)
    return tool, environment, program, read_line(program)


# Each fault takes tevrak-remote and the laptop program's process id; a
# program that survives it gets a library error (the probe says "failed").
@pytest.mark.parametrize("through, fault, survives", [
    ("command", lambda tool, program: os.kill(program, signal.SIGKILL), False),  # the session ends with it
    ("exports", lambda tool, program: os.kill(program, signal.SIGKILL), False),  # its own stop on death, carried
    ("command", lambda tool, program: os.kill(tool.pid, signal.SIGKILL), True),  # tevrak-remote
    ("command", lambda tool, program: freeze(child_named(tool.pid, "ssh")), True),  # a frozen link
], ids=["program-killed", "program-beside-killed", "tevrak-remote-killed", "ssh-stopped"])
def test_the_robot_stops_when_the_laptop_goes_away(robot, tmp_path, through, fault, survives):
    sim, sshd = robot
    if not BRIDGE_FOLDER:
        pytest.skip("tevrak-bridge is not on the PATH (run the tests through ctest)")
    start = len(board_frames(sim))
    tool, environment, program, line = start_driving(sshd, tmp_path / "laptop", through)
    stopped_ssh = None
    try:
        assert line.startswith(b"moving "), (line, tool.stderr.read() if tool.poll() is not None else "")
        # The motor's frame may still be on its way when the program says so:
        # only what reached the board is stopped.
        assert until(lambda: any(line.startswith("MOTOR") for line in board_frames(sim)[start:]))
        before = len(board_frames(sim))
        faulted = time.monotonic()
        stopped_ssh = fault(tool, int(line.split()[1]))
        assert until(lambda: STOP_LINES[-1] in board_frames(sim)[before:], 3.0, 0.005), board_frames(sim)[before:]
        delay = time.monotonic() - faulted
        seen = [line for line in board_frames(sim)[before:] if not line.startswith("PSDGetRaw")]
        assert seen[-3:] == STOP_LINES
        # From the fault (for the frozen link, the heartbeat's end) to the
        # stop: 0.5 s lease and a few ms here; a generous bound under load.
        print(f"stopped {delay:.3f} s after the fault")
        assert delay < 3.0
        if survives:
            assert read_line(tool, 10.0) == b"failed\n"
        if environment:
            # The link stays: the next program on it drives.
            again = subprocess.run([PROBE, "square"], env=environment, capture_output=True, text=True, timeout=60)
        else:
            # A new connection drives at once, the old laptop process frozen or not.
            again = subprocess.run(remote(sshd, tmp_path / "again", PROBE, "square"), capture_output=True,
                                   text=True, timeout=60)
            assert NO_STOP not in again.stderr
        assert again.returncode == 0, again.stderr
    finally:
        for pid, number in ((stopped_ssh, signal.SIGCONT), (-tool.pid, signal.SIGKILL)):
            try:
                if pid:
                    os.kill(pid, number)
            except ProcessLookupError:
                pass
        tool.wait()
        if program:
            program.kill()
            program.wait()


@pytest.mark.parametrize("robot_has, laptop_has, warning", [
    (True, True, None),
    (False, True, "it has no tevrak-bridge (install the package tevrak-tools on the robot)"),
    (True, False, "this laptop has no tevrak-bridge (install the package tevrak-tools here)"),
])
def test_without_a_bridge_on_either_side_it_works_and_warns_once(robot, tmp_path, robot_has, laptop_has,
                                                                   warning):
    sim, sshd = robot
    if not BRIDGE_FOLDER:
        pytest.skip("tevrak-bridge is not on the PATH (run the tests through ctest)")
    if not robot_has:
        (tmp_path / "plain").mkdir()
        sshd = Sshd(tmp_path / "plain", sim.home)  # the PATH of a robot without it
    environment = dict(os.environ)
    if not laptop_has:
        environment["PATH"] = os.pathsep.join(p for p in environment["PATH"].split(os.pathsep) if p != BRIDGE_FOLDER)
    try:
        run = subprocess.run(remote(sshd, tmp_path / "laptop", PROBE, "square"), capture_output=True, text=True,
                             timeout=60, env=environment)
    finally:
        if not robot_has:
            sshd.stop()
    assert run.returncode == 0, run.stderr
    warnings = [line for line in run.stderr.splitlines() if line.startswith(NO_STOP)]
    assert warnings == ([NO_STOP + warning] if warning else [])


# -- a hostile robot, and a robot reached as SSH reaches it (no login shell) --


def robot_side(tmp_path, sim, script):
    """A robot whose SSH sessions run script (sshd's ForceCommand) in place
    of the command tevrak-remote sends, which it finds in $SSH_ORIGINAL_COMMAND."""
    folder = tmp_path / "robot_side"
    folder.mkdir()
    (folder / "side").write_text("#!/bin/sh\n" + script)
    (folder / "side").chmod(0o755)
    try:
        return Sshd(folder, sim.home, extra=f"ForceCommand {folder}/side\n")
    except SshdUnavailable as reason:
        pytest.skip(str(reason))


@pytest.mark.parametrize(
    "name",
    [
        "Q\\nT\\nx:victim\\n",  # dash's echo turns \n into lines of the listing's own
        "Q\\0012T\\0012x:victim\\0012",  # and \0NNN too
    ],
)
def test_a_hostile_robots_board_names_never_reach_the_listing(robot, tmp_path, name):
    sim, sshd = robot
    bin_folder = os.path.join(sim.home, "bin")
    saved = {name: open(os.path.join(bin_folder, name)).read() for name in ("hdt.txt", "usbSearch")}
    (tmp_path / "victim").write_text("precious")  # the program runs in tmp_path: "victim" is this file
    try:
        with open(os.path.join(bin_folder, "hdt.txt"), "w") as out:
            out.write(saved["hdt.txt"].replace("USB 1 board", f"USB 1 {name}\nUSB 1 T"))
        with open(os.path.join(bin_folder, "usbSearch"), "w") as out:
            out.write(f"#!/bin/sh\nprintf 'usb-T-if00:%s\\n' '{sim.home}/dev/ttyBOARD'\n")
        laptop = tmp_path / "laptop"
        run = subprocess.run(remote(sshd, laptop, "sh", "-c", f'{PROBE} square; echo @listing; "$TEVRAK_HOME/bin/usbSearch"'),
                             capture_output=True, text=True, timeout=60, cwd=tmp_path)
    finally:
        for file, text in saved.items():
            with open(os.path.join(bin_folder, file), "w") as out:
                out.write(text)
    assert (tmp_path / "victim").read_text() == "precious"
    assert run.returncode == 0, run.stderr
    # The listing names the laptop's terminal, once, and nothing the robot chose.
    assert run.stdout.partition("@listing\n")[2] == f"remote_T_pty:{laptop}/dev/ttyBOARD\n"


def test_robot_text_reaches_the_terminal_with_control_characters_visible(robot, tmp_path):
    sim, _ = robot
    hdt = "USB 1 board\n".encode().hex()
    sshd = robot_side(tmp_path, sim, (
        "stty raw -echo\nprintf '\\n@tevrak-remote\\nlirc /nowhere\\nhome environment /r\\033[2J\\nhdt %s\\nlisting \\n@end\\n' "
        f"{hdt}\nread -r port\nprintf '@error \\033]0;owned\\007\\033[2Jcannot\\n'\n"))
    try:
        run = subprocess.run(remote(sshd, tmp_path / "laptop", "true"), capture_output=True, text=True, timeout=60)
    finally:
        sshd.stop()
    assert run.returncode == 255
    assert "\x1b" not in run.stderr and "\x07" not in run.stderr, run.stderr
    assert "the robot \\x1b]0;owned\\x07\\x1b[2Jcannot" in run.stderr
    assert "the robot's folder is /r\\x1b[2J (TEVRAK_HOME)" in run.stderr


@pytest.mark.parametrize(
    "profile, said",
    [
        ("export TEVRAK_HOME={home}\n", "the robot's folder is {home} (TEVRAK_HOME in ~/.profile)"),
        ("PATH=/x\nexport TEVRAK_HOME='{home}'\n", "the robot's folder is {home} (TEVRAK_HOME in ~/.profile)"),
        ("PATH=/x\n", "the robot has no robot folder"),  # the built-in one exists here for no test user
        ("export TEVRAK_HOME=$(touch {home}/ran)\n", "the robot has no robot folder"),  # no command runs
    ],
)
def test_the_robot_side_finds_the_folder_a_login_shell_would(robot, tmp_path, profile, said):
    sim, _ = robot
    home = tmp_path / "user"
    home.mkdir()
    (home / ".profile").write_text(profile.format(home=sim.home))
    sshd = robot_side(tmp_path, sim, f'HOME={home}; export HOME; unset TEVRAK_HOME\n'
                                     'exec /bin/sh -c "$SSH_ORIGINAL_COMMAND"\n')
    try:
        run = subprocess.run(remote(sshd, tmp_path / "laptop", "true"), capture_output=True, text=True, timeout=60)
    finally:
        sshd.stop()
    assert said.format(home=sim.home) in run.stderr
    assert run.returncode == (255 if "no robot folder" in said else 0), run.stderr
    assert not os.path.exists(os.path.join(sim.home, "ran"))


def test_a_destination_that_is_an_option_is_refused(tmp_path):
    if not TOOL:
        pytest.skip("TEVRAK_REMOTE is not set (run the tests through ctest)")
    marker = tmp_path / "ran"
    run = subprocess.run([TOOL, f"-oProxyCommand=touch {marker}", "--home", str(tmp_path / "laptop"), "--", "true"],
                         capture_output=True, text=True, timeout=60)
    assert run.returncode == 255 and "must not start with '-'" in run.stderr
    assert not marker.exists()


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


# Ctrl-C reaches the terminal's whole group: the command takes it (this one
# goes on), ssh is deaf to it and keeps the link. SIGTERM and SIGHUP to
# tevrak-remote end the command with SIGTERM; its status is tevrak-remote's.
@pytest.mark.parametrize("signals", [
    [("group", signal.SIGINT), ("tool", signal.SIGTERM)],
    [("tool", signal.SIGHUP)],
], ids=["ctrl-c-then-sigterm", "sighup"])
def test_ctrl_c_is_the_commands_and_sigterm_or_sighup_ends_it(robot, tmp_path, signals):
    sim, sshd = robot
    command = "trap 'echo got INT' INT; echo up; while :; do sleep 0.1; done"
    tool = subprocess.Popen(remote(sshd, tmp_path / "laptop", "sh", "-c", command), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, bufsize=0, start_new_session=True)
    try:
        assert read_line(tool) == b"up\n"
        for whom, number in signals:
            (os.killpg if whom == "group" else os.kill)(tool.pid, number)
            if number == signal.SIGINT:
                assert read_line(tool) == b"got INT\n"
        assert tool.wait(timeout=20) == 128 + signal.SIGTERM
        assert b"the connection to robot ended" not in tool.stderr.read()
    finally:
        tool.kill()
        tool.wait()
