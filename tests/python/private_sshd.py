"""A private sshd on 127.0.0.1 for the SSH test and benchmark: Debian's
openssh-server, run by the current user with keys made in a temporary
folder; its sessions see the robot folder as TEVRAK_HOME (and path first
on their PATH, where given). The client's
configuration names the server "robot"."""
import os
import pwd
import shutil
import socket
import subprocess
import threading

SSHD = shutil.which("sshd", path="/usr/sbin:/usr/bin:/sbin")
# sshd as root needs its privilege separation folder: without one, a private /run.
PRIVATE_RUN = ["unshare", "-m", "--propagation", "private", "sh", "-c",
               'mount -t tmpfs tmpfs /run && mkdir -m 755 /run/sshd && exec "$0" "$@"']


class SshdUnavailable(RuntimeError):
    """sshd cannot run on this machine."""


class Sshd:
    def __init__(self, folder, robot, path=None, extra=""):
        """path: the PATH of the robot's sessions; extra: more lines of sshd_config (a robot side of the test's own: ForceCommand)."""
        for name in ("host", "user"):
            subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", folder / name], check=True)
        shutil.copy(folder / "user.pub", folder / "authorized_keys")
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        (folder / "sshd_config").write_text(
            f"ListenAddress 127.0.0.1:{port}\nHostKey {folder}/host\nAuthorizedKeysFile {folder}/authorized_keys\n"
            "StrictModes no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\nPidFile none\n"
            f"SetEnv TEVRAK_HOME={robot} LIRC_SOCKET_PATH={robot}/lircd"
            + (f" PATH={path}:/usr/local/bin:/usr/bin:/bin" if path else "") + "\n" + extra)
        (folder / "known_hosts").write_text(f"[127.0.0.1]:{port} {(folder / 'host.pub').read_text()}")
        self.config = folder / "ssh_config"
        self.config.write_text(
            f"Host robot\n HostName 127.0.0.1\n Port {port}\n User {pwd.getpwuid(os.geteuid()).pw_name}\n"
            f" IdentityFile {folder}/user\n IdentitiesOnly yes\n IdentityAgent none\n"
            f" UserKnownHostsFile {folder}/known_hosts\n StrictHostKeyChecking yes\n")
        command = [SSHD, "-D", "-e", "-f", str(folder / "sshd_config")]
        if os.geteuid() == 0 and not os.path.isdir("/run/sshd"):
            command = PRIVATE_RUN + command
        # Not the sanitizer runtime that a sanitized suite preloads: sshd is no test subject.
        environment = {name: value for name, value in os.environ.items() if name != "LD_PRELOAD"}
        self.process = subprocess.Popen(command, stderr=subprocess.PIPE, text=True, env=environment)
        self.log = [self.process.stderr.readline()]
        if not self.log[0].startswith("Server listening"):
            self.process.wait()
            raise SshdUnavailable(f"sshd cannot run here: {self.log[0]}{self.process.stderr.read()}")
        self.drain = threading.Thread(target=lambda: self.log.extend(self.process.stderr), daemon=True)
        self.drain.start()

    def connections(self):
        """The processes that serve connections: sshd's descendants."""
        children = {}
        for entry in os.listdir("/proc"):
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    children.setdefault(int(stat.read().rsplit(")", 1)[1].split()[1]), []).append(int(entry))
            except (OSError, ValueError, IndexError):
                continue
        found, todo = [], list(children.get(self.process.pid, []))
        while todo:
            found.append(todo.pop())
            todo += children.get(found[-1], [])
        return found

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
