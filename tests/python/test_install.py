"""The installed package: cmake --install into a temporary prefix, then
import tevrak from a fresh shell and drive the installed simulator."""
import os
import shutil
import subprocess
import sys

import pytest

CODE = """
import tevrak
with tevrak.Simulator(program={sim!r}) as sim:
    drive = tevrak.Drive()
    drive.straight(100, 400)
    drive.wait()
    print(tevrak.__file__, drive.position, sim.pose.x)
"""


def test_installed_package_imports_from_a_fresh_shell(tmp_path):
    build = os.environ.get("TEVRAK_BUILD_DIR")
    if not build:
        pytest.skip("TEVRAK_BUILD_DIR is not set (run the tests through ctest)")
    prefix = tmp_path / "prefix"
    subprocess.run(["cmake", "--install", build, "--prefix", str(prefix)], check=True, capture_output=True)
    packages = [root for root, folders, _ in os.walk(prefix) if "tevrak" in folders and "packages" in root]
    assert len(packages) == 1, packages
    # A fresh shell: nothing of this environment but the sanitizer runtime.
    environment = {"PATH": "/usr/bin:/bin", "PYTHONPATH": packages[0], "HOME": str(tmp_path)}
    for name in ("LD_PRELOAD", "ASAN_OPTIONS"):
        if name in os.environ:
            environment[name] = os.environ[name]
    result = subprocess.run(
        [sys.executable, "-c", CODE.format(sim=str(prefix / "bin" / "tevrak-sim"))],
        env=environment,
        cwd=tmp_path,
        capture_output=True,
        text=True,
        timeout=60,
    )
    assert result.returncode == 0, result.stderr
    module_file, *rest = result.stdout.split(" ", 1)
    assert module_file.startswith(packages[0])
    assert rest == ["Pose(x=100, y=0, heading=0) 1100\n"]


@pytest.fixture(scope="module")
def tools_root(tmp_path_factory):
    build = os.environ.get("TEVRAK_BUILD_DIR")
    if not build:
        pytest.skip("TEVRAK_BUILD_DIR is not set (run the tests through ctest)")
    root = tmp_path_factory.mktemp("destdir")
    subprocess.run(["cmake", "--install", build, "--component", "tools", "--prefix", "/usr"], check=True,
                   capture_output=True, env=dict(os.environ, DESTDIR=str(root)))
    return root


# tevrak-remote loads the Python package's child helper by its path, without the package
# (tevrak-tools alone, as the tools component installs it); a clear refusal when it is gone.
@pytest.mark.parametrize("layout, status, said", [
    ("build", 0, "usage: tevrak-remote USER@HOST"),
    ("installed", 0, "usage: tevrak-remote USER@HOST"),
    ("installed-without-helper", 255, "tevrak-remote: cannot find its child-process helper: no "),
])
def test_tevrak_remote_finds_the_shared_child_helper(tools_root, tmp_path, layout, status, said):
    program = tools_root / "usr" / "bin" / "tevrak-remote"
    if layout == "build":
        program = os.path.join(os.environ["TEVRAK_BUILD_DIR"], "bin", "tevrak-remote")
    elif layout == "installed-without-helper":
        (tmp_path / "usr" / "bin").mkdir(parents=True)
        program = shutil.copy(program, tmp_path / "usr" / "bin")
    result = subprocess.run([str(program), "--help"], env={"PATH": "/usr/bin:/bin", "HOME": str(tmp_path)},
                            cwd=tmp_path, capture_output=True, text=True, timeout=60)
    assert result.returncode == status, result.stderr
    assert said in result.stdout + result.stderr
