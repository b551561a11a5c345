#!/usr/bin/env python3
"""Checks every quoted #include of the source tree against the folder order
written in ARCHITECTURE.md. Fails (exit 1) and names each include that runs
from a lower folder to a higher one, between two peers, into a unit's private
headers (a tool: anything but testing.h and the unit's interface; any other
folder: anything but the unit's interface), or to a header that does not
exist.

    check_includes.py <source root>
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCE_SUFFIXES = {".c", ".cpp", ".h", ".hpp"}
SKIPPED_TOP = {".git", "packaging", "cmake", "scripts"}


def read_order(architecture):
    """The `layers` block: one line per layer, lowest first, peers on one
    line. The `units` block: folders whose headers are private. The
    `interfaces` block: the headers of those folders that the layers above
    may include. The `tools` block: the folders that count as tools."""
    names = ("layers", "units", "interfaces", "tools")
    blocks = dict(re.findall(r"```(" + "|".join(names) + r")\n(.*?)```", architecture, re.DOTALL))
    if any(name not in blocks for name in names):
        sys.exit("ARCHITECTURE.md lacks one of the ```layers, ```units, ```interfaces and ```tools blocks")
    rank = {}
    for level, line in enumerate(l for l in blocks["layers"].splitlines() if l.strip()):
        for folder in line.split():
            rank[folder] = level
    interfaces = {pathlib.PurePosixPath(h) for h in blocks["interfaces"].split()}
    return rank, set(blocks["units"].split()), interfaces, set(blocks["tools"].split())


def folder_of(path, rank):
    """The longest folder of the order that holds path, or None."""
    parts = path.parts
    for n in range(len(parts) - 1, 0, -1):
        candidate = "/".join(parts[:n])
        if candidate in rank:
            return candidate
    return None


def resolve(root, source, name):
    """Where the compiler would find name: beside the including file, then in
    the including folder's top, then from the root, include/ and tests/
    (the test-support libraries export tests/)."""
    here = source.parent
    candidates = [here / name]
    top = source.relative_to(root).parts[0]
    candidates.append(root / top / name)
    candidates += [root / name, root / "include" / name, root / "tests" / name]
    for candidate in candidates:
        if candidate.is_file():
            return candidate.resolve().relative_to(root)
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    rank, units, interfaces, tools = read_order((root / "ARCHITECTURE.md").read_text())
    problems = []
    for source in sorted(root.rglob("*")):
        relative = source.relative_to(root)
        if source.suffix not in SOURCE_SUFFIXES or not source.is_file():
            continue
        if relative.parts[0] in SKIPPED_TOP or relative.parts[0].startswith("build"):
            continue
        source_folder = folder_of(relative, rank)
        if source_folder is None:
            problems.append(f"{relative}: its folder is not in the folder order")
            continue
        for name in INCLUDE.findall(source.read_text(errors="replace")):
            target = resolve(root, source, name)
            where = f'{relative}: #include "{name}"'
            if target is None:
                problems.append(f"{where}: no such header")
                continue
            target_folder = folder_of(target, rank)
            if target_folder is None:
                problems.append(f"{where}: {target} lies outside the folder order")
            elif target_folder == source_folder:
                continue
            elif rank[target_folder] > rank[source_folder]:
                problems.append(f"{where}: {source_folder} may not include from the higher {target_folder}")
            elif rank[target_folder] == rank[source_folder]:
                problems.append(f"{where}: {source_folder} and {target_folder} are peers")
            elif target_folder in units and pathlib.PurePosixPath(target.as_posix()) in interfaces:
                continue
            elif target_folder in units and target.name != "testing.h" and source_folder in tools:
                problems.append(f"{where}: a tool reaches a unit only through {target_folder}/testing.h")
            elif target_folder in units and source_folder not in tools:
                problems.append(f"{where}: {source_folder} reaches {target_folder} only through its interface "
                                "(the ```interfaces block)")
            elif target.name == "testing.h" and source_folder not in tools:
                problems.append(f"{where}: testing.h is for tests and tools only")
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) break the folder order of ARCHITECTURE.md")
        return 1
    print("includes follow the folder order")
    return 0


if __name__ == "__main__":
    sys.exit(main())
