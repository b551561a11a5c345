"""One way to run a child program (tevrak-sim, tevrak-remote, and the
children of tevrak-remote, which loads this file by its path): in a process
group of its own unless asked otherwise, its ready line awaited with a
deadline, signals forwarded on request, ended by SIGTERM and then SIGKILL,
always reaped, and how it ended told."""
import errno
import os
import selectors
import shutil
import signal
import subprocess
import sys
import time
from typing import Callable, Iterable, List, NamedTuple, Optional, Sequence


class ChildError(RuntimeError):
    """The child did not give its line in time (ChildTimeout) or ended
    (ChildEnded)."""


class ChildTimeout(ChildError):
    pass


class ChildEnded(ChildError):
    pass


class Ending(NamedTuple):
    """How a child ended: its exit status, or the signal that ended it."""

    status: Optional[int]
    signal: Optional[int]

    @classmethod
    def of(cls, returncode: int) -> "Ending":
        return cls(None, -returncode) if returncode < 0 else cls(returncode, None)

    def __str__(self) -> str:
        if self.signal is not None:
            return f"ended by {signal.Signals(self.signal).name}"
        return f"exited with status {self.status}"


class Child:
    """A child program. command: its arguments. stdin, stdout, stderr: as
    for subprocess.Popen; standard output is a pipe, read by lines, unless
    another file is given. pass_fds: descriptors it keeps. own_group: in a
    process group of its own, so that Ctrl-C at the terminal is the
    parent's alone; else in the parent's (the terminal's, for a program
    that asks there). ignore: signals it starts with ignored (through env
    of coreutils). die_with_parent: it gets SIGTERM when this process dies,
    however it dies (through setpriv of util-linux). Both wrappers exec the
    program in the same process, and neither runs Python code between fork
    and exec, which threads make unsafe."""

    def __init__(
        self,
        command: Sequence[str],
        *,
        stdin=subprocess.PIPE,
        stdout=subprocess.PIPE,
        stderr=None,
        env: Optional[dict] = None,
        pass_fds: Sequence[int] = (),
        own_group: bool = True,
        ignore: Iterable[int] = (),
        die_with_parent: bool = False,
    ):
        command = list(command)
        ignored = ",".join(signal.Signals(number).name[3:] for number in ignore)
        setpriv = shutil.which("setpriv") if die_with_parent else None
        path = (os.environ if env is None else env).get("PATH", os.defpath)
        if (ignored or setpriv) and shutil.which(command[0], path=path) is None:
            # As Popen would say it, not as the wrapper's exit status 127.
            raise FileNotFoundError(errno.ENOENT, os.strerror(errno.ENOENT), command[0])
        if ignored:
            command = [shutil.which("env") or "/usr/bin/env", f"--ignore-signal={ignored}", "--"] + command
        if setpriv:
            command = [setpriv, "--pdeathsig", "TERM", "--"] + command
        group = {}
        if own_group:
            group = {"process_group": 0} if sys.version_info >= (3, 11) else {"start_new_session": True}
        self.own_group = own_group
        self.process = subprocess.Popen(
            command, stdin=stdin, stdout=stdout, stderr=stderr, env=env, pass_fds=pass_fds, close_fds=True, **group
        )
        self._pending = b""
        self._ending: Optional[Ending] = None
        self._forwarded: dict = {}
        self._pidfd: Optional[int] = None

    @property
    def pid(self) -> int:
        return self.process.pid

    @property
    def pidfd(self) -> int:
        """A descriptor that a selector sees readable once the child has
        ended; closed by end()."""
        if self._pidfd is None:
            self._pidfd = os.pidfd_open(self.process.pid)
        return self._pidfd

    @property
    def running(self) -> bool:
        return self._ending is None and self.process.poll() is None

    @property
    def ending(self) -> Optional[Ending]:
        """How the child ended, once it has been reaped; else None."""
        if self._ending is None and self.process.poll() is not None:
            self._ending = Ending.of(self.process.returncode)
        return self._ending

    def read_line(self, timeout: float) -> str:
        """The next line of standard output, without its newline. Raises
        ChildTimeout when none comes within timeout seconds, ChildEnded at
        the end of the output."""
        deadline = time.monotonic() + timeout
        fd = self.process.stdout.fileno()
        with selectors.DefaultSelector() as selector:
            selector.register(fd, selectors.EVENT_READ)
            while b"\n" not in self._pending:
                left = deadline - time.monotonic()
                if left <= 0 or not selector.select(left):
                    raise ChildTimeout("no answer in time")
                chunk = os.read(fd, 4096)
                if not chunk:
                    raise ChildEnded("ended")
                self._pending += chunk
        line, self._pending = self._pending.split(b"\n", 1)
        return line.decode(errors="replace")

    def wait_ready(self, ready: Callable[[str], bool], timeout: float) -> List[str]:
        """Reads lines until ready(line) is true, all within timeout seconds;
        returns the lines read, the ready one last."""
        deadline = time.monotonic() + timeout
        lines = []
        while True:
            lines.append(self.read_line(max(0.0, deadline - time.monotonic())))
            if ready(lines[-1]):
                return lines

    def forward(self, signals: Iterable[int] = (signal.SIGINT, signal.SIGTERM)) -> None:
        """Passes these signals, when this process gets them, on to the
        child, then to what handled them before (main thread only)."""
        for number in signals:
            previous = signal.getsignal(number)

            def on_signal(received, frame, previous=previous):
                if self.running:
                    self.process.send_signal(received)
                if callable(previous):
                    previous(received, frame)
                elif previous == signal.SIG_DFL:
                    signal.signal(received, signal.SIG_DFL)
                    os.kill(os.getpid(), received)

            self._forwarded[number] = previous
            signal.signal(number, on_signal)

    def end(self, grace: float = 5.0, first: Optional[Callable[[], None]] = None) -> Ending:
        """Ends the child: first() when given (a polite request, e.g. a quit
        line), then SIGTERM, then SIGKILL (to its whole group when it has
        its own), each after up to grace seconds; reaps it, closes its
        pipes and pidfd and puts back the forwarded signals' handlers.
        Returns how it ended."""
        process = self.process
        kill = (lambda: os.killpg(process.pid, signal.SIGKILL)) if self.own_group else process.kill
        try:
            steps = ([first] if first is not None else []) + [lambda: process.send_signal(signal.SIGTERM), kill]
            for step in steps:
                if process.poll() is not None:
                    break
                try:
                    step()
                except (OSError, ValueError):
                    pass  # gone already, or its input closed
                try:
                    process.wait(timeout=grace)
                except subprocess.TimeoutExpired:
                    continue
            process.wait()
        finally:
            for stream in (process.stdin, process.stdout, process.stderr):
                if stream is not None:
                    stream.close()
            if self._pidfd is not None:
                os.close(self._pidfd)
                self._pidfd = None
            for number, previous in self._forwarded.items():
                signal.signal(number, previous)
            self._forwarded.clear()
        return self.ending
