"""The package's face: every public name and method documented and in the
type stub, and the types shown under the package's name."""
import ast
import inspect
import os

import pytest

import tevrak


def stub_members():
    """Names of the stub: {function or re-exported name: None, class: {member, ...}}.
    Re-exported pure-Python parts carry their own annotations."""
    with open(os.path.join(os.path.dirname(tevrak.__file__), "__init__.pyi")) as stub:
        tree = ast.parse(stub.read())
    members = {}
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            members[node.name] = {
                getattr(item, "name", None) or getattr(getattr(item, "target", None), "id", None) for item in node.body
            }
        elif isinstance(node, ast.FunctionDef):
            members[node.name] = None
        elif isinstance(node, ast.ImportFrom):
            members.update((alias.asname or alias.name, None) for alias in node.names)
    return members


def test_every_public_name_is_documented_and_in_the_stub():
    stub = stub_members()
    undocumented, unstubbed = [], []
    for name in tevrak.__all__:
        value = getattr(tevrak, name)
        if name not in stub:
            unstubbed.append(name)
        if not inspect.getdoc(value):
            undocumented.append(name)
        if not inspect.isclass(value) or issubclass(value, (tuple, Exception)):
            continue
        assert value.__module__ == "tevrak", name
        for member, attribute in vars(value).items():
            if member.startswith("_") or not (callable(attribute) or isinstance(attribute, property)):
                continue
            if stub.get(name) is not None and member not in stub[name]:
                unstubbed.append(f"{name}.{member}")
            if not inspect.getdoc(attribute):
                undocumented.append(f"{name}.{member}")
    assert undocumented == [] and unstubbed == []
    assert repr(tevrak.LinkError) == "<class 'tevrak.LinkError'>"


def test_simulator_points_the_library_there_and_back():
    before = tevrak.home()
    with tevrak.Simulator(arena=(1000, 800), start=(500, 400, 90), sensors=[0]) as sim:
        assert tevrak.home() == sim.home
        assert sim.pose == (500, 400, 90)
        status = sim.status()
        assert len(status.sensors) == 1 and status.sensors[0].distance == 300  # 800 - 400 - radius 100
        assert tevrak.DistanceSensor(1).raw == status.sensors[0].raw
    assert tevrak.home() == before
    assert not os.path.exists(sim.home) and not sim.running


def test_remote_robot_finds_the_builds_tevrak_remote_without_the_environment(monkeypatch):
    from tevrak import _remote_robot

    build = os.environ.get("TEVRAK_BUILD_DIR")
    if not build or os.environ.get("TEVRAK_TEST_EMULATED"):
        pytest.skip("needs the native build tree (run the tests through ctest)")
    monkeypatch.delenv("TEVRAK_REMOTE", raising=False)
    monkeypatch.setenv("PATH", "/nonexistent")
    program = _remote_robot.find_remote_program()
    assert program == os.path.join(build, "bin", "tevrak-remote")
    assert os.access(program, os.X_OK) and os.path.realpath(program).endswith("/laptop/tevrak_remote.py")
    # Installed (no build tree beside the package), PATH decides.
    monkeypatch.setattr(_remote_robot, "_build_tree_program", lambda name: None)
    with pytest.raises(tevrak.RemoteError, match="tevrak-remote not found"):
        _remote_robot.find_remote_program()
