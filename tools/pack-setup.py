#!/usr/bin/env python3
"""Appends a container of setup files to a built launcher.

    pack-setup.py LAUNCHER OUTPUT FILE...

Each FILE is a path, stored under its own file name, or NAME=PATH to store it under
NAME. The launcher is cut at the end of its section data first (dropping a symbol
table or an old container behind it), because that is where the launcher looks
for its container. Layout, all integers little-endian:

    header  46 bytes: "Packagewright" NUL, entry count (16 bits), 30 zero bytes
    per entry: 312-byte record (name in 260 bytes NUL-padded, 8 zero bytes,
               data size (32 bits), 40 zero bytes), then the data unchanged
"""
import os
import struct
import sys

SIGNATURE = b"Packagewright\0"
HEADER_BYTES = 46
ENTRY_BYTES = 312
NAME_BYTES = 260


def section_end(image):
    """Offset where the section data of a PE image ends (the container start)."""
    if len(image) < 64:
        raise ValueError("not a PE image: too short")
    pe = struct.unpack_from("<I", image, 60)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image: no PE signature")
    sections, = struct.unpack_from("<H", image, pe + 6)
    optional, = struct.unpack_from("<H", image, pe + 20)
    if sections == 0:
        raise ValueError("PE image without sections")
    table = pe + 24 + optional
    first_raw = None
    total = 0
    for i in range(sections):
        raw_size, raw_pointer = struct.unpack_from("<II", image, table + 40 * i + 16)
        if first_raw is None:
            first_raw = raw_pointer
        total += raw_size
    return pe, first_raw + total


def cut_image(image):
    """The image without anything behind its sections; a symbol table that lay
    there is no longer referenced from the file header."""
    pe, end = section_end(image)
    if end > len(image):
        raise ValueError("section data runs past the end of the file")
    image = bytearray(image[:end])
    symbols, = struct.unpack_from("<I", image, pe + 12)
    if symbols >= end:
        struct.pack_into("<II", image, pe + 12, 0, 0)
    return bytes(image)


def plain_name(name):
    bad = set("\\/:") | {chr(c) for c in range(32)}
    return name and not any(c in bad for c in name) and name.strip(". ") != ""


def container(entries):
    """entries: list of (name, data). Returns the container bytes."""
    if len(entries) > 0xFFFF:
        raise ValueError("at most 65535 entries")
    out = bytearray(SIGNATURE + struct.pack("<H", len(entries)) + bytes(30))
    assert len(out) == HEADER_BYTES
    for name, data in entries:
        raw = name.encode("cp1252")
        if not plain_name(name) or len(raw) >= NAME_BYTES:
            raise ValueError("unusable entry name: %r" % name)
        if len(data) > 0xFFFFFFFF:
            raise ValueError("entry too large: %s" % name)
        record = raw.ljust(NAME_BYTES, b"\0") + bytes(8) + struct.pack("<I", len(data)) + bytes(40)
        assert len(record) == ENTRY_BYTES
        out += record + data
    return bytes(out)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    launcher, output, files = argv[0], argv[1], argv[2:]
    entries = []
    for item in files:
        name, sep, path = item.partition("=")
        if not sep:
            name, path = os.path.basename(item), item
        with open(path, "rb") as f:
            entries.append((name, f.read()))
    with open(launcher, "rb") as f:
        image = cut_image(f.read())
    folder = os.path.dirname(output)
    if folder:
        os.makedirs(folder, exist_ok=True)
    tmp = output + ".part"
    with open(tmp, "wb") as f:
        f.write(image + container(entries))
    os.replace(tmp, output)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (OSError, ValueError) as e:
        sys.stderr.write("pack-setup: %s\n" % e)
        sys.exit(1)
