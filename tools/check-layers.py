#!/usr/bin/env python3
"""Fails when an include in the player goes up a layer.

The player's layers, from the top: shell, config, engine, stereo,
diagnostics. A file may include its own layer and the layers below it;
resources (resource.h) and the Windows-free settings.h are for every layer.
Tests, fakes and their support headers may reach anywhere.

    tools/check-layers.py [tree]      prints the include graph between layers
"""
import os
import re
import sys
from collections import defaultdict

LAYERS = ["diagnostics", "stereo", "engine", "config", "shell"]  # bottom first
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/([^"]+)"')


def is_test_file(name):
    return ("_test" in name or name.startswith("fake_") or name.startswith("test_")
            or name.endswith("test_support.h"))


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    player = os.path.join(root, "player")
    graph = defaultdict(lambda: defaultdict(set))
    wrong = []
    for layer in LAYERS:
        for folder, _, files in os.walk(os.path.join(player, layer)):
            for name in sorted(files):
                if not name.endswith((".cpp", ".h")) or is_test_file(name):
                    continue
                path = os.path.join(folder, name)
                with open(path, errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m or m.group(1) not in LAYERS or m.group(1) == layer:
                            continue
                        target = m.group(1)
                        graph[layer][target].add(name)
                        if LAYERS.index(target) > LAYERS.index(layer):
                            wrong.append(f"{os.path.relpath(path, root)}:{number}: {layer} includes "
                                         f"{target}/{m.group(2)}, a layer above it")
    for layer in reversed(LAYERS):
        for target in reversed(LAYERS):
            if graph[layer][target]:
                print(f"{layer} -> {target} ({' '.join(sorted(graph[layer][target]))})")
    for line in wrong:
        print(line, file=sys.stderr)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
