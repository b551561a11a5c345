#!/usr/bin/python3
"""tevrak-remote: the robot's board and infrared remote on this laptop, over SSH.

One SSH connection (a control master whose socket lives in the laptop's robot
folder) carries everything:
  - a first exchange, in which a small POSIX shell snippet on the robot sends
    its bin/hdt.txt, the output of its bin/usbSearch and its lircd socket path;
  - the bridge: tevrak-bridge on the robot opens and locks the board's port
    (raw, 115200 baud) and joins it to the session's pseudo-terminal (raw),
    and tevrak-bridge --laptop here joins the session to a local
    pseudo-terminal, listed by the folder's usbSearch. The two exchange a
    heartbeat; the robot's end stops what was moving when the laptop falls
    silent for longer than the lease or the session ends. Where either side
    has no tevrak-bridge, socat bridges on both, without that stop;
  - the lircd socket, forwarded to <folder>/lircd.
The session asks for a terminal on purpose: that puts both ends of SSH in
interactive mode (TCP_NODELAY), so no small write waits for Nagle.

Only tevrak-bridge or socat (and the shell tools stty, od, tr) is needed on
the robot.
"""
import argparse
import errno
import fcntl
import os
import re
import selectors
import shlex
import shutil
import signal
import socket
import stat
import subprocess
import sys
import termios
import tty
import types

PROGRAM = "tevrak-remote"
DEFAULT_PORT = "/dev/ttyACM0"
LISTING_BUFFER = 1200  # the library's copy of the listing, terminator included
PATH_COPY = 100  # the library opens paths of at most 99 characters
LONGEST_FOLDER = 86  # <folder>/dev/ttyBOARD must fit PATH_COPY, <folder>/ssh a socket address
FALLBACK_NAME = "tevrakremote"  # listed when the robot's hdt.txt names no board
HEADER_LIMIT = 1 << 20
VIEW_START = 30  # s, for tevrak-view's line with its address
BRIDGE = "tevrak-bridge"
LEASES = range(50, 60001)  # ms, as tevrak-bridge takes them


def load_child_helper():
    """The Python package's child-process helper, by its path: without the package, whose compiled
    module a laptop with only tevrak-tools lacks. In the source tree beside laptop/, installed in share/."""
    top = os.path.dirname(os.path.dirname(os.path.realpath(__file__)))
    places = [os.path.join(top, "python", "tevrak", "_child.py"),
              os.path.join(top, "share", "tevrak", "python", "tevrak_child.py")]
    for path in places:
        if os.path.isfile(path):
            module = types.ModuleType("tevrak_child")
            module.__file__ = path
            with open(path, encoding="utf-8") as source:
                exec(compile(source.read(), path, "exec"), module.__dict__)
            return module
    print(f"{PROGRAM}: cannot find its child-process helper: no {' and no '.join(places)} "
          "(install the package tevrak-tools again)", file=sys.stderr)
    sys.exit(255)


child_helper = load_child_helper()
Child = child_helper.Child

# The robot's side. One line for sh -c, without single quotes or '!' so that
# any login shell passes it on unchanged: set the session's terminal raw, send
# the files hex-coded between markers, read the port to open, bridge it.
REMOTE_SNIPPET = "; ".join(
    [
        "stty raw -echo",
        "export LC_ALL=C",
        # The folder a login shell would have: SSH runs none, so ~/.profile's
        # line (as tevrak-setup writes it) is read here; the built-in folder
        # only when it is this user's.
        'f=environment; h="${TEVRAK_HOME:-}"',
        # Only the quoting tevrak-setup writes is taken: nothing that runs a command.
        'if [ -z "$h" ] && [ -r "$HOME/.profile" ]; then f=profile; h=$(l=$(grep -E "^export TEVRAK_HOME=" '
        '"$HOME/.profile" | tail -n 1); case "$l" in *[\\$\\`\\;\\&\\|\\<\\>\\(\\)]*) l= ;; esac; '
        '[ -n "$l" ] && eval "$l" && printf %s "$TEVRAK_HOME"); fi',
        'if [ -z "$h" ]; then f=default; h=/home/pi/tevrak; [ -O "$h" ] || h=; fi',
        'printf "\\n@tevrak-remote\\nlirc %s\\nhome %s %s\\n" "${LIRC_SOCKET_PATH:-/var/run/lirc/lircd}" "$f" "$h"',
        'if [ -n "$h" ] && [ -r "$h/bin/hdt.txt" ]; then printf "hdt "; od -An -v -tx1 < "$h/bin/hdt.txt" | tr -d " \\n"; '
        'printf "\\n"; fi',
        'printf "listing "; [ -z "$h" ] || "$h/bin/usbSearch" < /dev/null 2> /dev/null | od -An -v -tx1 | tr -d " \\n"',
        'printf "\\n@end\\n"',
        "IFS= read -r port || exit 1",
        "IFS= read -r lease || exit 1",
        'if [ "$lease" = plain ]; then :; elif command -v tevrak-bridge > /dev/null; then '
        'exec tevrak-bridge --lease "$lease" "$port" 2> /dev/null; fi',
        'command -v socat > /dev/null || { printf "@error needs socat (apt install socat)\\n"; exit 1; }',
        'if [ -r "$port" ] && [ -w "$port" ]; then printf "@bridge\\n"; '
        'exec socat STDIO,rawer "OPEN:$port,b115200,rawer" 2> /dev/null; fi',
        'printf "@error cannot open %s\\n" "$port"',
    ]
)
REMOTE_COMMAND = "exec sh -c '" + REMOTE_SNIPPET + "'"


class Failure(Exception):
    """Ends the program with a message."""


class Stop(Exception):
    """A signal asked the program to end."""


# -- the library's port discovery, applied to the robot's files ------------


def usb_lines(hdt_text):
    """(interface, name) of the USB lines that discovery reads: it stops at
    a line whose interface is not 1 to 4."""
    found = []
    for line in hdt_text.split("\n"):
        if not line.startswith("USB"):
            continue
        fields = [field for field in line.split(" ") if field]
        if len(fields) < 3:
            continue
        match = re.match(r"[\t\v\f\r ]*([+-]?)(\d*)", fields[1])
        number = int(match[2] or 0) * (-1 if match[1] == "-" else 1)
        if not 1 <= number <= 4:
            break
        found.append((number, fields[2]))
    return found


def listed_path(listing, name):
    """The device path the listing gives the name: the second path field
    behind the first name token equal to it; None when there is none."""
    listing = listing[: LISTING_BUFFER - 1]
    for token in re.finditer(r"[^ _\n-]+", listing):
        if token[0] == name:
            fields = re.findall(r"[^:\n]+", listing[token.end() + 1 :])
            return fields[1] if len(fields) > 1 else None
    return None


def board_port(hdt_text, listing):
    """The port that the robot's library opens for its board (interface 1);
    empty when the found path is too long to open."""
    port = DEFAULT_PORT
    for interface, name in usb_lines(hdt_text):
        path = listed_path(listing, name) if interface == 1 else None
        if path is not None:
            port = path if len(path) < PATH_COPY else ""
    return port


def listable_name(name):
    """A board name the laptop lists: letters and digits only, as the
    library's matching of listing tokens can find; anything else the robot
    sent is never written into the laptop's listing."""
    return re.fullmatch(r"[A-Za-z0-9]+", name) is not None


def listing_script(lock_path, lines):
    """The laptop's usbSearch: the lines printed as data (printf '%s\\n'),
    never through echo, which expands backslashes; only while tevrak-remote
    holds the folder's lock."""
    return (
        "#!/bin/sh\n# The robot's board on this laptop, written by tevrak-remote while it runs.\n"
        f"flock -n {shlex.quote(lock_path)} true 2> /dev/null && exit 0\n"
        + "".join(f"printf '%s\\n' {shlex.quote(line)}\n" for line in lines)
    )


def laptop_files(hdt_text, link):
    """The laptop folder's hdt.txt and usbSearch listing lines: the robot's
    hdt.txt, with the local terminal listed under every name that its board
    line may use. Where no line names the board, one is put first."""
    names = list(dict.fromkeys(n for i, n in usb_lines(hdt_text) if i == 1 and listable_name(n)))
    if not names:
        hdt_text = f"# tevrak-remote: the robot's hdt.txt names no board\nUSB 1 {FALLBACK_NAME}\n" + hdt_text
        names = [FALLBACK_NAME]
    return hdt_text, [f"remote_{name}_pty:{link}" for name in names]


# -- the laptop's robot folder, made without following planted links ------


def check_ancestors(path):
    """Every folder above path must be the user's or root's and writable by
    no one else (unless sticky, like /tmp): else another user could swap it.
    Links above it are resolved: the folders they lead to are the ones checked."""
    parent = os.path.realpath(os.path.dirname(path))
    while True:
        info = os.stat(parent)
        if info.st_uid not in (0, os.geteuid()) or (info.st_mode & 0o022 and not info.st_mode & stat.S_ISVTX):
            raise Failure(f"{parent} may be changed by another user: choose another --home")
        if parent == "/":
            return
        parent = os.path.dirname(parent)


def open_own_folder(name, dir_fd=None):
    """Makes the folder (0700) unless it exists; opens it without following
    a link; refuses one of another user and closes it to everyone else."""
    try:
        os.mkdir(name, 0o700, dir_fd=dir_fd)
    except FileExistsError:
        pass
    try:
        fd = os.open(name, os.O_RDONLY | os.O_DIRECTORY | os.O_NOFOLLOW | os.O_CLOEXEC, dir_fd=dir_fd)
    except OSError as error:
        raise Failure(f"{name} is not a folder of its own: {error.strerror}") from error
    info = os.fstat(fd)
    if info.st_uid != os.geteuid():
        os.close(fd)
        raise Failure(f"{name} belongs to another user")
    os.fchmod(fd, 0o700)
    return fd


class Folder:
    """The robot folder on the laptop: bin/hdt.txt, bin/usbSearch, dev/ttyBOARD,
    the lircd socket, the SSH control socket and the lock of the running
    tevrak-remote. Every file is reached through the folder's descriptor."""

    def __init__(self, path):
        self.path = os.path.abspath(os.path.expanduser(path))
        if re.search(r"[:\n'\\]", self.path) or len(self.path) > LONGEST_FOLDER:
            raise Failure(f"--home must be at most {LONGEST_FOLDER} characters without ':', quotes, "
                          f"backslashes or newlines: {self.path}")
        os.makedirs(os.path.dirname(self.path), mode=0o700, exist_ok=True)
        check_ancestors(self.path)
        self.fd = open_own_folder(self.path)
        self.bin = open_own_folder("bin", self.fd)
        self.dev = open_own_folder("dev", self.fd)
        self.lock = self.open_lock()
        try:
            fcntl.flock(self.lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            raise Failure(f"another tevrak-remote uses {self.path}") from None
        for name in ("ssh", "lircd"):
            self.remove(name)

    def open_lock(self):
        flags = os.O_RDWR | os.O_CREAT | os.O_NOFOLLOW | os.O_CLOEXEC
        try:
            return os.open("lock", flags, 0o600, dir_fd=self.fd)
        except OSError as error:
            if error.errno != errno.ELOOP:
                raise
            self.remove("lock")  # a planted link
            return os.open("lock", flags | os.O_EXCL, 0o600, dir_fd=self.fd)

    def join(self, *names):
        return os.path.join(self.path, *names)

    def write(self, name, data, mode, dir_fd):
        """Replaces the file by a new one: a planted link is replaced, never followed."""
        fresh = f".{name}.{os.getpid()}"
        self.remove(fresh, dir_fd)  # left by a run that was killed
        fd = os.open(fresh, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_NOFOLLOW | os.O_CLOEXEC, mode,
                     dir_fd=dir_fd)
        with os.fdopen(fd, "wb") as out:
            out.write(data)
        os.replace(fresh, name, src_dir_fd=dir_fd, dst_dir_fd=dir_fd)

    def link(self, name, target):
        fresh = f".{name}.{os.getpid()}"
        self.remove(fresh, self.dev)
        os.symlink(target, fresh, dir_fd=self.dev)
        os.replace(fresh, name, src_dir_fd=self.dev, dst_dir_fd=self.dev)

    def remove(self, name, dir_fd=None):
        try:
            os.unlink(name, dir_fd=self.fd if dir_fd is None else dir_fd)
        except FileNotFoundError:
            pass

    def write_robot_files(self, hdt_text, listing_lines):
        self.write("hdt.txt", hdt_text.encode(errors="surrogateescape"), 0o600, self.bin)
        # The port is listed only while tevrak-remote holds the folder's lock:
        # a stale folder lists nothing, whatever terminal took the number since.
        script = listing_script(self.join("lock"), listing_lines)
        self.write("usbSearch", script.encode(errors="surrogateescape"), 0o700, self.bin)

    def close(self):
        self.remove("ttyBOARD", self.dev)
        for name in ("ssh", "lircd"):
            self.remove(name)
        for fd in (self.bin, self.dev, self.fd, self.lock):
            os.close(fd)


# -- processes: each gets SIGTERM when tevrak-remote dies, even by SIGKILL (die_with_parent) --


class Link:
    """The SSH connection, the bridge and the lircd forward."""

    def __init__(self, options, folder):
        self.options = options
        self.folder = folder
        self.ssh = self.relay = None
        self.framed = False
        self.bridge_program = None
        self.master = self.slave = None
        self.stream = None
        base = ["ssh"] + (["-F", options.ssh_config] if options.ssh_config else [])
        if not sys.stdin.isatty():
            base += ["-o", "BatchMode=yes"]
        self.base = base + ["-S", folder.join("ssh")]

    def open(self):
        local, remote = socket.socketpair()
        # -tt: the remote terminal makes both ends interactive (no Nagle delay);
        # -e none: the board's bytes are never an escape sequence; -a -x: no
        # agent or X11 forwarded to the robot.
        command = self.base + [
            "-M", "-o", "ControlPersist=no", "-o", "ServerAliveInterval=5", "-o", "ServerAliveCountMax=3",
            "-o", "StreamLocalBindUnlink=yes", "-o", "LogLevel=ERROR", "-tt", "-e", "none", "-a", "-x",
            "--", self.options.target, REMOTE_COMMAND,
        ]
        # ssh stays in the terminal's process group, so that it can ask for a
        # passphrase; Ctrl-C is for the command, and ssh keeps ignoring it.
        self.ssh = Child(command, stdin=remote, stdout=remote, own_group=False, ignore=[signal.SIGINT],
                         die_with_parent=True)
        remote.close()
        self.stream = local
        header = self.read_until(b"\n@end\n", b"\n@tevrak-remote\n")
        lirc, hdt, listing, home = parse_header(header)
        say_robot_folder(home)
        if hdt is None:
            raise Failure("the robot has no hdt.txt in its robot folder ($TEVRAK_HOME/bin, as its ~/.profile "
                          "sets it, or /home/pi/tevrak/bin when that folder is the user's own)")
        port = self.options.port or board_port(hdt, listing)
        if not port or not re.fullmatch(r"/[\w./+@-]*", port):
            raise Failure(f"cannot bridge the port {port!r}: name its device with --port")
        self.port = port
        self.framed = self.ask_for_bridge(port)
        self.forward(lirc)
        hdt_text, lines = laptop_files(hdt, self.folder.join("dev", "ttyBOARD"))
        self.folder.write_robot_files(hdt_text, lines)
        self.bridge()

    def ask_for_bridge(self, port):
        """Asks the robot to bridge the port, through tevrak-bridge when both
        sides have it; says once when the robot will not stop by itself."""
        program = laptop_bridge()
        lease = str(self.options.lease) if program else "plain"
        self.stream.sendall(f"{port}\n{lease}\n".encode())
        answer = self.read_until(b"\n").strip().decode(errors="replace")
        if answer == "@bridge framed" and program:
            self.bridge_program = program
            return True
        if answer != "@bridge":
            raise Failure("the robot " + visible(answer.removeprefix("@error ")))
        where = ("this laptop has no tevrak-bridge (install the package tevrak-tools here)" if not program else
                 "it has no tevrak-bridge (install the package tevrak-tools on the robot)")
        print(f"{PROGRAM}: the robot will not stop by itself if the link drops: {where}", file=sys.stderr,
              flush=True)
        return False

    def read_until(self, end, start=b""):
        data = b""
        while not data.endswith(end):
            chunk = self.stream.recv(1)
            if not chunk:
                status = self.ssh.process.wait()
                raise Failure(f"the connection to {self.options.target} ended (ssh status {status})")
            data += chunk
            if start and data.endswith(start):
                data = b""  # whatever the login printed before
                start = b""
            if len(data) > HEADER_LIMIT:
                raise Failure("the robot sent no valid answer")
        return data[: -len(end)]

    def forward(self, lirc):
        command = self.base + ["-O", "forward", "-L", f"{self.folder.join('lircd')}:{lirc}", "--",
                                  self.options.target]
        result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=30)
        if result.returncode != 0:
            raise Failure(f"cannot forward the robot's lircd socket {visible(lirc)}: {visible(result.stderr.strip())}")

    def bridge(self):
        """The local terminal: raw, no echo, the user's alone; held open here
        so that it lives on between the programs that use it."""
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave, termios.TCSANOW)
        os.fchmod(self.slave, 0o600)
        self.folder.link("ttyBOARD", os.ttyname(self.slave))
        fds = (self.master, self.stream.fileno())
        if self.framed:
            command = [self.bridge_program, "--laptop", "--lease", str(self.options.lease), *map(str, fds)]
        else:
            command = ["socat", f"FD:{fds[0]}", f"FD:{fds[1]}"]
        self.relay = Child(command, stdin=subprocess.DEVNULL, stdout=None, pass_fds=fds, die_with_parent=True)

    def close(self):
        """The port disappears first: the next library call fails at once."""
        if self.relay:
            self.relay.end(2)
        self.relay = None
        self.folder.remove("ttyBOARD", self.folder.dev)
        for fd in (self.master, self.slave):
            if fd is not None:
                os.close(fd)
        self.master = self.slave = None
        if self.ssh:
            self.ssh.end(5)
        if self.stream is not None:
            self.stream.close()
            self.stream = None


def laptop_bridge():
    """This laptop's tevrak-bridge: the one beside this program, else on PATH."""
    here = os.path.dirname(os.path.realpath(__file__))
    return shutil.which(BRIDGE, path=os.pathsep.join([here, os.environ.get("PATH", os.defpath)]))


def visible(text):
    """Robot text for the terminal: control characters (escape sequences
    included) shown as \\x.. escapes, never sent to the terminal as they are."""
    return "".join(c if c.isprintable() else repr(c)[1:-1] for c in text)


def checked_destination(target):
    """USER@HOST as ssh takes it, but never an option: one starting with '-'
    would reach ssh as -oProxyCommand=... and run a command here."""
    if not target or target.startswith("-"):
        raise Failure(f"the robot {visible(target)!r} is no USER@HOST (it must not start with '-')")
    return target


def say_robot_folder(home):
    """Which robot folder the robot side used, and where it found it."""
    source, _, path = home.partition(" ")
    where = {"environment": "TEVRAK_HOME", "profile": "TEVRAK_HOME in ~/.profile", "default": "the built-in folder"}
    if path:
        print(f"{PROGRAM}: the robot's folder is {visible(path)} ({where.get(source, 'unknown')})",
              file=sys.stderr, flush=True)
    else:
        print(f"{PROGRAM}: the robot has no robot folder: TEVRAK_HOME is not set, and /home/pi/tevrak is not "
              "the user's own (run tevrak-setup --profile on the robot)", file=sys.stderr, flush=True)


def parse_header(header):
    lirc, hdt, listing, home = "/var/run/lirc/lircd", None, "", ""
    # Bytes that are no UTF-8 come through unchanged (surrogateescape).
    for line in header.decode(errors="surrogateescape").split("\n"):
        key, _, value = line.partition(" ")
        if key == "lirc":
            lirc = value
        elif key == "home":
            home = value
        elif key in ("hdt", "listing"):
            try:
                text = bytes.fromhex(value).decode(errors="surrogateescape")
            except ValueError as error:
                raise Failure(f"the robot sent a damaged {key}") from error
            hdt, listing = (text, listing) if key == "hdt" else (hdt, text)
    return lirc, hdt, listing, home


# -- the program ------------------------------------------------------------


def lease_ms(text):
    if not text.isdigit() or int(text) not in LEASES:
        raise argparse.ArgumentTypeError(f"a lease is {LEASES.start} to {LEASES.stop - 1} ms")
    return int(text)


def parse_options(argv):
    parser = argparse.ArgumentParser(
        prog=PROGRAM,
        description="Bridge a robot's board and infrared remote to this laptop over SSH.",
        usage=f"{PROGRAM} USER@HOST [--home FOLDER] [--port PATH] [--lease MS] [-F FILE] [--view PORT] [-- COMMAND...]",
        epilog="Without a COMMAND it prints the export lines and runs until Ctrl-C.",
    )
    parser.add_argument("target", metavar="USER@HOST", help="the robot, as ssh takes it")
    parser.add_argument("--home", metavar="FOLDER", help="the laptop's robot folder "
                        "(default ~/.cache/tevrak-remote/HOST)")
    parser.add_argument("--port", metavar="PATH", help="the robot's board port (default: what the robot's own "
                        "discovery finds)")
    parser.add_argument("--lease", metavar="MS", type=lease_ms, default=500,
                        help="the robot stops when the laptop is silent for longer (50 to 60000, default 500)")
    parser.add_argument("-F", dest="ssh_config", metavar="FILE", help="ssh's configuration file")
    parser.add_argument("--view", metavar="PORT", type=int, help="serve the live page of the robot that the "
                        "programs here drive at http://127.0.0.1:PORT/ (tevrak-view; 0: a free port)")
    command = argv[argv.index("--") + 1 :] if "--" in argv else []
    options = parser.parse_args(argv[: len(argv) - len(command) - (1 if "--" in argv else 0)])
    options.command = command
    if options.home is None:
        host = re.sub(r"[^\w.-]", "_", options.target.rpartition("@")[2]) or "robot"
        options.home = os.path.join("~", ".cache", PROGRAM, host)
    return options


def run(options):
    state = {"command": None, "starting": False}

    def on_signal(number, _frame):
        if not (state["command"] or state["starting"]):
            raise Stop(number)
        if number != signal.SIGINT:  # Ctrl-C reached the command itself
            state["starting"] = "ended"  # for a command started but not yet recorded
            if state["command"]:
                state["command"].process.send_signal(signal.SIGTERM)

    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, on_signal)
    folder = Folder(options.home)
    link = Link(options, folder)
    view = None
    try:
        link.open()
        view = start_view(options, folder)
        variables = {"TEVRAK_HOME": folder.path, "LIRC_SOCKET_PATH": folder.join("lircd")}
        if options.command:
            state["starting"] = True
            state["command"] = Child(options.command, stdin=None, stdout=None, env=dict(os.environ, **variables),
                                     own_group=False)
            if state["starting"] == "ended":
                state["command"].process.send_signal(signal.SIGTERM)
        else:
            for name, value in variables.items():
                print(f"export {name}='{value}'", flush=True)
            print(f"{PROGRAM}: the board of {options.target} ({link.port}) is at "
                  f"{folder.join('dev', 'ttyBOARD')}; Ctrl-C ends", file=sys.stderr, flush=True)
        return wait(options, link, state["command"])
    except Stop:
        return 0
    finally:
        for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(number, signal.SIG_IGN)  # the ending must not be cut short
        if view:
            view.end(2)
        link.close()
        folder.close()


def start_view(options, folder):
    """With --view: tevrak-view on the laptop's robot folder, where the
    library's tap of the programs started here writes (it must listen
    before they start). Its page shows what they send through the bridge."""
    if options.view is None:
        return None
    program = os.environ.get("TEVRAK_VIEW") or shutil.which("tevrak-view") or "tevrak-view"
    view = Child([program, "--home", folder.path, "--view", f"127.0.0.1:{options.view}"],
                 stdin=subprocess.DEVNULL, die_with_parent=True)
    try:
        line = view.wait_ready(lambda text: text.startswith("tevrak-view: view at "), VIEW_START)[-1]
    except child_helper.ChildError:
        view.end(2, first=lambda: None)  # first: the time to exit by itself, once its output ended
        raise Failure(f"tevrak-view did not start (status {view.process.returncode})") from None
    print(f"{PROGRAM}: the live page is at {line.split(' at ', 1)[1].strip()}", file=sys.stderr, flush=True)
    return view


def wait(options, link, command):
    """Until the command ends (its status), or without one until a signal
    or the end of the connection (255)."""
    with selectors.DefaultSelector() as selector:
        for child in (link.ssh, link.relay):
            selector.register(child.pidfd, selectors.EVENT_READ, "bridge")
        if command is not None:
            selector.register(command.pidfd, selectors.EVENT_READ, "command")
        while True:
            ready = {key.data for key, _ in selector.select()}
            if "command" in ready:
                ending = command.end()
                return ending.status if ending.signal is None else 128 + ending.signal
            if "bridge" in ready:
                for child in (link.ssh, link.relay):
                    selector.unregister(child.pidfd)
                link.close()
                print(f"{PROGRAM}: the connection to {options.target} ended", file=sys.stderr, flush=True)
                if command is None:
                    return 255


def main(argv=None):
    options = parse_options(sys.argv[1:] if argv is None else argv)
    try:
        checked_destination(options.target)
        return run(options)
    except Failure as failure:
        print(f"{PROGRAM}: {failure}", file=sys.stderr)
        return 255
    except OSError as error:
        print(f"{PROGRAM}: {error}", file=sys.stderr)
        return 255


if __name__ == "__main__":
    sys.exit(main())
