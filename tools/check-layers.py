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


def check(root, label, order, sources, resolve, wrong):
    """Prints the include graph between the layers of order (top first) and adds
    every include that goes up a layer to wrong. sources: (path, layer) pairs;
    resolve(line) gives the layer and the name of what the line includes, or None."""
    graph = defaultdict(lambda: defaultdict(set))
    for path, layer in sources:
        with open(path, errors="replace") as f:
            for number, line in enumerate(f, 1):
                found = resolve(line)
                if not found or found[0] == layer:
                    continue
                target, included = found
                graph[layer][target].add(os.path.basename(path))
                if order.index(target) > order.index(layer):
                    wrong.append(f"{os.path.relpath(path, root)}:{number}: {label}{layer} includes "
                                 f"{included} of {target}, a layer above it")
    for layer in reversed(order):
        for target in reversed(order):
            if graph[layer][target]:
                print(f"{label}{layer} -> {target} ({' '.join(sorted(graph[layer][target]))})")


def player_sources(root):
    for layer in LAYERS:
        for folder, _, files in os.walk(os.path.join(root, "player", layer)):
            for name in sorted(files):
                if name.endswith((".cpp", ".h")) and not is_test_file(name):
                    yield os.path.join(folder, name), layer


def player_include(line):
    m = INCLUDE.match(line)
    return (m.group(1), f"{m.group(1)}/{m.group(2)}") if m and m.group(1) in LAYERS else None


def setup_sources(root, wrong):
    setup = os.path.join(root, "setup")
    for name in sorted(os.listdir(setup)):
        if not name.endswith((".cpp", ".h")) or is_test_file(name):
            continue
        module = os.path.splitext(name)[0]
        if module not in SETUP_MODULE:
            wrong.append(f"setup/{name}: module {module} has no layer in SETUP_LAYERS")
            continue
        yield os.path.join(setup, name), SETUP_MODULE[module]


def setup_include(line):
    m = SETUP_INCLUDE.match(line)
    return (SETUP_MODULE[m.group(1)], m.group(1) + ".h") if m and m.group(1) in SETUP_MODULE else None


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    wrong = []
    check(root, "", LAYERS, player_sources(root), player_include, wrong)
    check(root, "setup ", SETUP_ORDER, list(setup_sources(root, wrong)), setup_include, wrong)
    for line in wrong:
        print(line, file=sys.stderr)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
