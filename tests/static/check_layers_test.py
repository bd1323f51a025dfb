#!/usr/bin/env python3
"""The layer check fails on every form of a wrong include and on circles.

Each case plants includes into a small tree of its own and runs the check
on it. Usage: tests/static/check_layers_test.py
"""
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "check-layers.py")

# A tree that is clean: one unit per layer, each including the one below.
CLEAN = {
    "platform/Platform.h": "#include <cstdio>\n",
    "platform/posix/PlatformFiles.cpp": '#include "platform/Platform.h"\n#include <unistd.h>\n#include <sys/stat.h>\n',
    "platform/win32/PlatformFiles.cpp": '#include "../Platform.h"\n#include <windows.h>\n',
    "base/Text.h": "#include <string>\n",
    "trace/Trace.h": '#include "platform/Platform.h"\n',
    "link/Link.h": '#include "trace/Trace.h"\n',
    "link/Link.cpp": '#include "link/Link.h"\n#include "Queue.h"\n',
    "link/Queue.h": '#include "base/Text.h"\n',
    "frame/MenuScreen.h": '#include "link/Link.h"\n',
    "emulator/Board.h": "",
}


def run_check(files):
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as out:
                out.write(text)
        result = subprocess.run([sys.executable, CHECK, "--root", root], capture_output=True, text=True)
        return result.returncode, result.stdout


class LayerCheck(unittest.TestCase):
    def test_clean_tree_passes(self):
        status, output = run_check(CLEAN)
        self.assertEqual(status, 0, output)
        self.assertIn("layers: clean", output)

    def test_each_wrong_include_fails(self):
        cases = [
            ("link/Link.cpp", '#include "frame/MenuScreen.h"\n', "link/Link.cpp:3: link includes frame/MenuScreen.h, a layer above it"),
            ("link/Link.cpp", '#include "../frame/MenuScreen.h"\n', "link includes frame/MenuScreen.h, a layer above it"),
            ("link/Link.cpp", "#include <frame/MenuScreen.h>\n", "link includes frame/MenuScreen.h, a layer above it"),
            ("link/Link.cpp", '#  include "emulator/Board.h"\n', "includes emulator/Board.h, which is not product code"),
            ("frame/Menu.cpp", '#include "../emulator/Board.h"\n', "includes emulator/Board.h, which is not product code"),
            ("base/Text.cpp", '#include "platform/Platform.h"\n', "base includes platform/Platform.h"),
            ("trace/Trace.cpp", "#include <windows.h>\n", "includes <windows.h>, neither the standard library"),
            ("platform/win32/Console.cpp", "#include <unistd.h>\n", "includes <unistd.h>, neither"),
            ("platform/Console.cpp", "#include <termios.h>\n", "includes <termios.h>, neither"),
            ("link/Link.cpp", '#include "Missing.h"\n', 'includes "Missing.h", which is not in the tree'),
        ]
        for path, text, message in cases:
            with self.subTest(path=path, include=text.strip()):
                files = dict(CLEAN)
                files[path] = files.get(path, "") + text
                status, output = run_check(files)
                self.assertEqual(status, 1, output)
                self.assertIn(message, output)

    def test_circles_between_units_fail(self):
        cases = [
            ({"link/Queue.h": '#include "link/Link.h"\n'}, "link/Link -> link/Queue -> link/Link"),
            ({"link/Queue.cpp": '#include "link/Queue.h"\n#include "link/Reader.h"\n',
              "link/Reader.h": "", "link/Reader.cpp": '#include "link/Link.h"\n'},
             "link/Link -> link/Queue -> link/Reader -> link/Link"),
        ]
        for planted, circle in cases:
            with self.subTest(circle=circle):
                status, output = run_check({**CLEAN, **planted})
                self.assertEqual(status, 1, output)
                self.assertIn(circle, output)


if __name__ == "__main__":
    unittest.main()
