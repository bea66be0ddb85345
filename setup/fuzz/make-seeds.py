#!/usr/bin/env python3
"""Writes the starting corpus of the container fuzzer: small image headers followed
by well-formed and damaged containers."""
import importlib.util
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))
loader = importlib.util.spec_from_file_location("pack", os.path.join(here, "..", "..", "tools", "pack-setup.py"))
pack = importlib.util.module_from_spec(loader)
loader.loader.exec_module(pack)


def image(sections=((0x200, 0x40),), optional=0):
    """DOS header, PE header and section table; raw data zero-filled."""
    dos = bytearray(64)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 60, 64)
    head = b"PE\0\0" + struct.pack("<HHIIIHH", 0x8664, len(sections), 0, 0, 0, optional, 0x22)
    table = b""
    for pointer, size in sections:
        table += b".text\0\0\0" + struct.pack("<IIIIIIHHI", size, 0x1000, size, pointer, 0, 0, 0, 0, 0)
    out = bytearray(dos + head + bytes(optional) + table)
    end = sections[0][0] + sum(s for _, s in sections)
    out += bytes(max(0, end - len(out)))
    return bytes(out[:end])


def write(name, data):
    os.makedirs(os.path.join(here, "corpus"), exist_ok=True)
    with open(os.path.join(here, "corpus", name), "wb") as f:
        f.write(data)


ini = b"[Startup]\r\nProduct=Vizor Cinema\r\nPackageName=Vizor.msi\r\n"
good = pack.container([("setup.ini", ini), ("empty.txt", b""), ("Vizor.msi", b"x" * 3000)])
write("three-entries", image() + good)
write("two-sections", image(((0x200, 0x20), (0x220, 0x30)), optional=16) + good)
# The packer refuses two entries of one name; the launcher must still cope.
first = pack.container([("a.txt", b"first")])
second = pack.container([("A.TXT", b"second")])
write("duplicate-names", image() + first[:14] + struct.pack("<H", 2) + first[16:] + second[46:])
write("count-too-large", image() + pack.SIGNATURE + struct.pack("<H", 0xFFFF) + bytes(30)
      + good[46:46 + 312 + len(ini)])
write("size-past-end", image() + good[:46 + 268] + struct.pack("<I", 0x7FFFFFFF) + good[46 + 272:46 + 400])
write("bad-signature", image() + b"Packagewrong\0\0" + good[14:])
write("no-container", image())
undigested = bytearray(good)
at = 46
for size in (len(ini), 0, 3000):
    undigested[at + 272:at + 312] = bytes(40)   # a container made before digests
    at += 312 + size
write("no-digests", image() + bytes(undigested))
tampered = bytearray(good)
tampered[-1] ^= 1
write("digest-mismatch", image() + bytes(tampered))
