#!/usr/bin/env python3
"""Tests of tools/pack-setup.py on small synthetic program files."""
import importlib.util
import os
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
PACKER = os.path.join(HERE, "..", "tools", "pack-setup.py")
loader = importlib.util.spec_from_file_location("pack", PACKER)
pack = importlib.util.module_from_spec(loader)
loader.loader.exec_module(pack)


def image(sections, symbol_table=b""):
    """DOS header, PE header, section table and raw data; a symbol table (if any)
    follows the sections and is named in the file header, as an unstripped program has it."""
    dos = bytearray(64)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 60, 64)
    first = 0x200
    end = first + sum(sections)
    head = b"PE\0\0" + struct.pack("<HHIIIHH", 0x8664, len(sections), 0, end if symbol_table else 0,
                                   len(symbol_table) // 18, 0, 0x22)
    table = b""
    at = first
    for size in sections:
        table += b".sect\0\0\0" + struct.pack("<IIIIIIHHI", size, 0x1000, size, at, 0, 0, 0, 0, 0)
        at += size
    out = bytearray(dos + head + table)
    out += bytes(first - len(out))
    for i, size in enumerate(sections):
        out += bytes([0x41 + i]) * size
    return bytes(out) + symbol_table


def entries(container):
    """(name, data) pairs read back from container bytes."""
    assert container[:14] == pack.SIGNATURE
    count, = struct.unpack_from("<H", container, 14)
    assert container[16:46] == bytes(30)
    at, out = 46, []
    for _ in range(count):
        record = container[at:at + 312]
        name = record[:260].rstrip(b"\0").decode("cp1252")
        size, = struct.unpack_from("<I", record, 268)
        assert record[260:268] == bytes(8) and record[272:] == bytes(40)
        out.append((name, container[at + 312:at + 312 + size]))
        at += 312 + size
    assert at == len(container), "the file ends with the last entry's data"
    return out


class PackTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name, data=None):
        p = os.path.join(self.dir.name, name)
        if data is not None:
            with open(p, "wb") as f:
                f.write(data)
        return p

    def run_packer(self, *args):
        return subprocess.run([sys.executable, PACKER] + list(args), capture_output=True)

    def test_container_follows_the_sections_and_keeps_names_and_data(self):
        program = image([0x200, 0x400])
        launcher = self.path("setup.exe", program)
        ini = self.path("Setup.INI", b"[Startup]\r\n")
        empty = self.path("empty.txt", b"")
        german = self.path("german.mst", b"G" * 5000)
        out = self.path("out/packed.exe")
        result = self.run_packer(launcher, out, ini, empty, "1031.MST=" + german)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(out, "rb") as f:
            packed = f.read()
        self.assertEqual(packed[:len(program)], program)
        self.assertEqual(entries(packed[len(program):]),
                         [("Setup.INI", b"[Startup]\r\n"), ("empty.txt", b""), ("1031.MST", b"G" * 5000)])

    def test_symbol_table_and_old_container_are_cut_off(self):
        plain = image([0x200])
        unstripped = image([0x200], symbol_table=b"S" * 180 + b"\x04\0\0\0")
        self.assertEqual(pack.section_end(unstripped)[1], len(plain))
        launcher = self.path("setup.exe", unstripped)
        out = self.path("packed.exe")
        self.assertEqual(self.run_packer(launcher, out, self.path("a.txt", b"a")).returncode, 0)
        self.assertEqual(self.run_packer(out, out, self.path("b.txt", b"bb")).returncode, 0)
        with open(out, "rb") as f:
            packed = f.read()
        end = len(plain)
        self.assertEqual(entries(packed[end:]), [("b.txt", b"bb")])
        pointer, symbols = struct.unpack_from("<II", packed, 64 + 12)
        self.assertEqual((pointer, symbols), (0, 0), "the cut symbol table is no longer named")

    def test_unusable_names_are_refused(self):
        launcher = self.path("setup.exe", image([0x200]))
        data = self.path("data.bin", b"x")
        for name in ["..\\evil.exe", "sub/evil.exe", "C:evil.exe", "..", "", "n" * 260]:
            with self.subTest(name=name):
                out = self.path("refused.exe")
                result = self.run_packer(launcher, out, name + "=" + data)
                self.assertNotEqual(result.returncode, 0)
                self.assertFalse(os.path.exists(out))

    def test_not_a_program(self):
        launcher = self.path("setup.exe", b"MZ" + bytes(100))
        result = self.run_packer(launcher, self.path("out.exe"), self.path("a.txt", b"a"))
        self.assertNotEqual(result.returncode, 0)
        self.assertIn(b"not a PE image", result.stderr)


if __name__ == "__main__":
    unittest.main()
