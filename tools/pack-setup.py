#!/usr/bin/env python3
"""Appends a container of setup files to a built launcher.

    pack-setup.py LAUNCHER OUTPUT FILE... [--entry NAME=PATH]...

Each FILE is a path, stored under its own file name (an "=" in it is part of the
path); --entry NAME=PATH stores PATH under NAME. Names follow the launcher's rule
(a plain file name, no device name, not the launcher's clean-up list) and must
differ without regard to case. The launcher is cut at the end of its section data
first (dropping a symbol table, an old container or a signature behind it),
because that is where the launcher looks for its container. Layout, all integers
little-endian:

    header  46 bytes: "Packagewright" NUL, entry count (16 bits), 30 zero bytes
    per entry: 312-byte record (name in 260 bytes NUL-padded, 8 zero bytes,
               data size (32 bits), SHA-256 of the data (32 bytes), "SHA-256" NUL),
               then the data unchanged
"""
import hashlib
import os
import struct
import sys

SIGNATURE = b"Packagewright\0"
HEADER_BYTES = 46
ENTRY_BYTES = 312
NAME_BYTES = 260
DIGEST_MARKER = b"SHA-256\0"
CLEANUP_LIST = "_PWMSIDEL.INI"
SECURITY_DIRECTORY = 4   # data directory of the attribute certificates (a signature)


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
    there is no longer referenced from the file header, nor a signature from the
    optional header."""
    pe, end = section_end(image)
    if end > len(image):
        raise ValueError("section data runs past the end of the file")
    image = bytearray(image[:end])
    symbols, = struct.unpack_from("<I", image, pe + 12)
    if symbols >= end:
        struct.pack_into("<II", image, pe + 12, 0, 0)
    directory = security_directory(image, pe)
    if directory is not None:
        struct.pack_into("<II", image, directory, 0, 0)
    return bytes(image)


def security_directory(image, pe):
    """Offset of the certificate table's entry in the optional header's data
    directories, or None when the header has none."""
    optional_size, = struct.unpack_from("<H", image, pe + 20)
    optional = pe + 24
    if optional_size < 2:
        return None
    magic, = struct.unpack_from("<H", image, optional)
    first = {0x10b: 96, 0x20b: 112}.get(magic)
    if first is None or optional_size < first:
        return None
    count, = struct.unpack_from("<I", image, optional + first - 4)
    at = optional + first + 8 * SECURITY_DIRECTORY
    if count <= SECURITY_DIRECTORY or at + 8 > optional + optional_size:
        return None
    return at


def is_port_digit(b):
    return 0x31 <= b <= 0x39 or b in (0xB9, 0xB2, 0xB3)   # 1-9 and superscript 1, 2, 3


def is_device_name(raw):
    """CON, PRN, AUX, NUL, COM1-9 and LPT1-9 (also with superscript digits),
    with or without an extension."""
    stem = raw.split(b".", 1)[0].rstrip(b" ").upper()
    if stem in (b"CON", b"PRN", b"AUX", b"NUL"):
        return True
    return len(stem) == 4 and stem[:3] in (b"COM", b"LPT") and is_port_digit(stem[3])


def plain_name(name):
    """The launcher's rule for a name that stays inside the folder it is
    written to."""
    try:
        raw = name.encode("cp1252")
    except UnicodeEncodeError:
        return False
    if not raw or len(raw) >= NAME_BYTES:
        return False
    if any(b < 32 or b in b"\\/:" for b in raw):
        return False
    if raw.strip(b". ") == b"":
        return False
    return not is_device_name(raw)


def same_name(a, b):
    """Two names of one file: equal without regard to case once trailing dots and
    blanks, which the system drops, are cut."""
    return a.rstrip(". ").upper() == b.rstrip(". ").upper()


def container(entries):
    """entries: list of (name, data). Returns the container bytes."""
    if len(entries) > 0xFFFF:
        raise ValueError("at most 65535 entries")
    out = bytearray(SIGNATURE + struct.pack("<H", len(entries)) + bytes(30))
    assert len(out) == HEADER_BYTES
    seen = []
    for name, data in entries:
        if not plain_name(name) or same_name(name, CLEANUP_LIST):
            raise ValueError("unusable entry name: %r" % name)
        if any(same_name(name, other) for other in seen):
            raise ValueError("two entries named %r" % name)
        seen.append(name)
        if len(data) > 0xFFFFFFFF:
            raise ValueError("entry too large: %s" % name)
        raw = name.encode("cp1252")
        digest = hashlib.sha256(data).digest()
        record = raw.ljust(NAME_BYTES, b"\0") + bytes(8) + struct.pack("<I", len(data)) + digest + DIGEST_MARKER
        assert len(record) == ENTRY_BYTES
        out += record + data
    return bytes(out)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    launcher, output, items = argv[0], argv[1], argv[2:]
    entries = []
    i = 0
    while i < len(items):
        item = items[i]
        i += 1
        if item == "--entry":
            named = items[i] if i < len(items) else ""
            i += 1
        elif item.startswith("--entry="):
            named = item[len("--entry="):]
        else:
            named = None
        if named is None:
            name, path = os.path.basename(item), item
        else:
            name, sep, path = named.partition("=")
            if not sep or not path:
                raise ValueError("--entry needs NAME=PATH, not %r" % named)
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
