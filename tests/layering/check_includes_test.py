#!/usr/bin/env python3
"""The include check fails on each kind of forbidden include: every folder of
the order reaching into a unit's state.h, and a table of further cases, each
checked against a temporary tree that holds the real ARCHITECTURE.md and
nothing but the files of the case."""
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest

HERE = pathlib.Path(__file__).resolve().parent
CHECK = HERE / "check_includes.py"
ROOT = pathlib.Path(sys.argv.pop(1) if len(sys.argv) > 1 else HERE.parent.parent)
ARCHITECTURE = (ROOT / "ARCHITECTURE.md").read_text()

# Headers every case's tree has.
HEADERS = ["drive/state.h", "drive/unit.h", "drive/testing.h", "serial/state.h", "serial/link_control.h",
           "serial/testing.h", "remote/state.h", "remote/connection.h", "protocol/opcodes.h", "cxx/link.h"]


def folders():
    block = re.search(r"```layers\n(.*?)```", ARCHITECTURE, re.DOTALL).group(1)
    return block.split()


def run_check(source, include):
    """Exit code and output of the check on a tree where source includes include."""
    with tempfile.TemporaryDirectory() as directory:
        root = pathlib.Path(directory)
        (root / "ARCHITECTURE.md").write_text(ARCHITECTURE)
        for header in HEADERS:
            (root / header).parent.mkdir(parents=True, exist_ok=True)
            (root / header).write_text("#pragma once\n")
        (root / source).parent.mkdir(parents=True, exist_ok=True)
        (root / source).write_text(f'#include "{include}"\n')
        done = subprocess.run([sys.executable, str(CHECK), str(root)], capture_output=True, text=True)
        return done.returncode, done.stdout


class ForbiddenIncludes(unittest.TestCase):
    def test_no_folder_but_the_unit_includes_its_state_header(self):
        for folder in folders():
            if folder in ("drive", "include/tevrak"):
                continue
            with self.subTest(folder=folder):
                code, out = run_check(f"{folder}/probe.cpp", "drive/state.h")
                self.assertEqual(code, 1, out)
                self.assertIn('probe.cpp: #include "drive/state.h"', out)

    def test_table(self):
        # (including file, include, a word of the complaint; None: allowed)
        cases = [
            ("cxx/home.cpp", "serial/state.h", "only through its interface"),
            ("cxx/remote.cpp", "remote/state.h", "only through its interface"),
            ("cxx/home.cpp", "drive/testing.h", "only through its interface"),
            ("sim/world/x.cpp", "drive/unit.h", None),
            ("cxx/home.cpp", "drive/unit.h", None),
            ("cxx/home.cpp", "serial/link_control.h", None),
            ("cxx/home.cpp", "remote/connection.h", None),
            ("tests/drive/x.cpp", "drive/state.h", "only through drive/testing.h"),
            ("tests/drive/x.cpp", "drive/testing.h", None),
            ("protocol/frame.h", "cxx/link.h", "may not include from the higher"),
            ("drive/x.cpp", "remote/connection.h", "are peers"),
            ("cxx/x.cpp", "drive/missing.h", "no such header"),
            ("nowhere/x.cpp", "protocol/opcodes.h", "not in the folder order"),
        ]
        for source, include, complaint in cases:
            with self.subTest(source=source, include=include):
                code, out = run_check(source, include)
                if complaint is None:
                    self.assertEqual(code, 0, out)
                else:
                    self.assertEqual(code, 1, out)
                    self.assertIn(complaint, out)


if __name__ == "__main__":
    unittest.main()
