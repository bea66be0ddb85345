#!/usr/bin/env python3
"""Fails when an include in the player or the launcher goes up a layer.

The player's layers, from the top: shell, config, engine, stereo,
diagnostics (its folders). A file may include its own layer and the layers
below it; resources (resource.h) and the Windows-free settings.h are for
every layer.

The launcher's layers, from the top: launcher (the flow of a run), steps
(extraction, clean-up, engine and package), display (dialog pieces, progress,
messages, the language dialog), texts (Setup.INI), base (the Windows-free
pieces and the system helpers). Its files share one folder: SETUP_LAYERS
names the layer of each module, and a new module must be given one.

Tests, fakes and their support headers may reach anywhere.

    tools/check-layers.py [tree]      prints the include graph between layers
"""
import os
import re
import sys
from collections import defaultdict

LAYERS = ["diagnostics", "stereo", "engine", "config", "shell"]  # bottom first
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/([^"]+)"')

SETUP_ORDER = ["base", "texts", "display", "steps", "launcher"]  # bottom first
SETUP_LAYERS = {
    "base": ["context", "run_kinds", "system_dlls", "sha256", "container", "paths", "paths_win", "format_check",
             "engine_commands", "process", "privileges"],
    "texts": ["texts"],
    "display": ["controls", "progress", "messages", "language_dialog"],
    "steps": ["payload", "cleanup", "engine"],
    "launcher": ["launcher", "main"],
}
SETUP_MODULE = {module: layer for layer, modules in SETUP_LAYERS.items() for module in modules}
SETUP_INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_0-9]+)\.h"')


def is_test_file(name):
    return ("_test" in name or name.startswith("fake_") or name.startswith("test_")
            or name.endswith("test_support.h"))


def check_setup(root, wrong):
    """The launcher's layer graph; unknown modules and upward includes go to wrong."""
    setup = os.path.join(root, "setup")
    graph = defaultdict(lambda: defaultdict(set))
    for name in sorted(os.listdir(setup)):
        if not name.endswith((".cpp", ".h")) or is_test_file(name):
            continue
        module = os.path.splitext(name)[0]
        layer = SETUP_MODULE.get(module)
        path = os.path.join(setup, name)
        if layer is None:
            wrong.append(f"{os.path.relpath(path, root)}: module {module} has no layer in SETUP_LAYERS")
            continue
        with open(path, errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = SETUP_INCLUDE.match(line)
                if not m or m.group(1) not in SETUP_MODULE:
                    continue
                target = SETUP_MODULE[m.group(1)]
                if target == layer:
                    continue
                graph[layer][target].add(name)
                if SETUP_ORDER.index(target) > SETUP_ORDER.index(layer):
                    wrong.append(f"{os.path.relpath(path, root)}:{number}: setup {layer} includes "
                                 f"{m.group(1)}.h of {target}, a layer above it")
    for layer in reversed(SETUP_ORDER):
        for target in reversed(SETUP_ORDER):
            if graph[layer][target]:
                print(f"setup {layer} -> {target} ({' '.join(sorted(graph[layer][target]))})")


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
    check_setup(root, wrong)
    for line in wrong:
        print(line, file=sys.stderr)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
