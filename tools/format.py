#!/usr/bin/env python3
"""Formats C++ files in the house style (.clang-format), keeping hand-laid tables.

    tools/format.py FILE...        formats the files in place
    tools/format.py                formats every tracked C++ file

A brace-initialised table (a line ending in "= {" or "return {") whose lines
clang-format would change is wrapped in "// clang-format off" and "on" first:
case tables keep one case a line, however clang-format would pack them."""
import re, subprocess, sys

START = re.compile(r"^(\s*)(?:[^/#\s].*)?(=|\breturn)\s*\{\s*$")

def fmt(text, name):
    return subprocess.run(["clang-format", "--assume-filename=" + name], input=text, capture_output=True, text=True, check=True).stdout

def regions(lines):
    out = []
    i = 0
    while i < len(lines):
        m = START.match(lines[i])
        if m:
            indent = m.group(1)
            depth = 1
            j = i
            for j in range(i + 1, len(lines)):
                depth += lines[j].count('{') - lines[j].count('}')
                if depth <= 0:
                    break
            if j - i >= 2:
                out.append((i, j))
                i = j + 1
                continue
        i += 1
    return out

def contains_block(hay, block):
    n = len(block)
    for k in range(len(hay) - n + 1):
        if hay[k:k + n] == block:
            return True
    return False

names = sys.argv[1:] or subprocess.run(
    ["git", "ls-files", "*.cpp", "*.h"], capture_output=True, text=True, check=True).stdout.split()
for name in names:
    text = open(name).read()
    lines = text.split('\n')
    formatted = fmt(text, name).split('\n')
    wrap = [(a, b) for a, b in regions(lines)
            if 'clang-format' not in '\n'.join(lines[max(0, a - 1):b + 2])
            and not contains_block(formatted, lines[a:b + 1])]
    for a, b in reversed(wrap):
        indent = re.match(r'\s*', lines[a]).group(0)
        lines.insert(b + 1, indent + '// clang-format on')
        lines.insert(a, indent + '// clang-format off')
    text = '\n'.join(lines)
    result = fmt(text, name)
    if result != open(name).read():
        open(name, 'w').write(result)
    if wrap:
        print(name, len(wrap))
