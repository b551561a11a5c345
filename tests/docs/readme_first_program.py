"""The README's first program runs as written from a build: the first
Python block under "Your first program", saved as first.py and run with the
command the README gives there, build/ being this build folder; and the
demo's targets include what it imports.
    readme_first_program.py <source dir> <build dir>"""
import os
import pathlib
import re
import subprocess
import sys
import tempfile


def main() -> int:
    source, build = (pathlib.Path(arg).resolve() for arg in sys.argv[1:3])
    readme = (source / "README.md").read_text(encoding="utf-8")
    section = readme.split("## Your first program", 1)[1].split("\n## ", 1)[0]
    program = re.search(r"```python\n(.*?)```", section, re.S).group(1)

    # The README's own command, run as written from a folder whose build/
    # is this build folder.
    command = re.search(r"`([^`]*python3 first\.py)`", section.split("```", 1)[0])
    if command is None:
        print("the README gives no command that runs first.py")
        return 1
    environment = {name: value for name, value in os.environ.items() if name not in ("TEVRAK_SIM", "TEVRAK_HOME")}

    # The module comes from the demo's build targets.
    demo_targets = re.search(r"^DEMO_TARGETS\s*=(.*)$", (source / "Makefile").read_text(), re.M)
    if demo_targets is None or "tevrak_python" not in demo_targets.group(1).split():
        print("make demo does not build the Python module (tevrak_python)")
        return 1

    with tempfile.TemporaryDirectory() as folder:
        (pathlib.Path(folder) / "build").symlink_to(build)
        (pathlib.Path(folder) / "first.py").write_text(program, encoding="utf-8")
        done = subprocess.run(["sh", "-c", command.group(1)], cwd=folder, env=environment, capture_output=True,
                              text=True, timeout=150)
    print(done.stdout, done.stderr, sep="")
    lines = done.stdout.splitlines()
    if done.returncode != 0 or len(lines) != 2:
        print(f"the first program ended with {done.returncode}")
        return 1
    if not re.fullmatch(r"watch it at http://127\.0\.0\.1:\d+/", lines[0]):
        return 1
    # A 500 mm square ends near where it began, heading the same way.
    pose = re.fullmatch(r"Pose\(x=(-?\d+), y=(-?\d+), heading=(-?\d+)\)", lines[1])
    heading = int(pose.group(3)) % 360 if pose else 180
    if pose is None or any(abs(int(v)) > 30 for v in pose.groups()[:2]) or min(heading, 360 - heading) > 5:
        print("the square did not end where it began")
        return 1
    print("the README's first program runs as written")
    return 0


if __name__ == "__main__":
    sys.exit(main())
