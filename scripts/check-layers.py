#!/usr/bin/env python3
"""Fails on any product include that points up the layer order.

Each folder may include its own files and those of the folders below it:
platform, then base, trace, config, link, commands and frame at the top.
base is the exception: it is the standard library only, not even platform.
Usage: scripts/check-layers.py  (from anywhere in the tree)
"""
import os
import re
import sys

LAYERS = ["platform", "base", "trace", "config", "link", "commands", "frame"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^/"]+)/')


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    os.chdir(root)
    rank = {name: index for index, name in enumerate(LAYERS)}
    findings = 0
    for layer in LAYERS:
        for folder, _, files in os.walk(layer):
            for name in sorted(files):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        target = match.group(1)
                        if rank.get(target, -1) > rank[layer]:
                            print("%s:%d: %s includes %s, a layer above it"
                                  % (path, number, layer, target))
                            findings += 1
                        elif layer == "base" and target != "base":
                            print("%s:%d: base includes %s; it uses the standard library only"
                                  % (path, number, target))
                            findings += 1
    if findings:
        print("layers: %d upward include(s); the order is %s" % (findings, " < ".join(LAYERS)))
        return 1
    print("layers: clean (%s)" % " < ".join(LAYERS))
    return 0


if __name__ == "__main__":
    sys.exit(main())
