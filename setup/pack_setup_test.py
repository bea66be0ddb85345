#!/usr/bin/env python3
"""Tests of tools/pack-setup.py on small synthetic program files."""
import hashlib
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


def shared_name_cases():
    """The table of entry names shared with the launcher's tests."""
    cases = []
    with open(os.path.join(HERE, "file-name-cases.txt"), "rb") as f:
        for line in f.read().split(b"\n"):
            line = line.rstrip(b"\r")
            if not line or line.startswith(b"#"):
                continue
            verdict, _, raw = line.partition(b" ")
            name = raw.decode("unicode_escape").encode("latin-1").decode("cp1252")
            cases.append((name, verdict == b"plain"))
    return cases


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
        data = container[at + 312:at + 312 + size]
        assert record[260:268] == bytes(8)
        assert record[272:304] == hashlib.sha256(data).digest(), "the record carries the data's SHA-256"
        assert record[304:312] == b"SHA-256\0", "and the marker saying so"
        out.append((name, data))
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
        result = self.run_packer(launcher, out, ini, empty, "--entry", "1031.MST=" + german)
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

    def test_names_follow_the_launchers_rule(self):
        cases = shared_name_cases() + [("n" * 259, True), ("n" * 260, False)]
        self.assertTrue(cases)
        for name, plain in cases:
            with self.subTest(name=name):
                self.assertEqual(bool(pack.plain_name(name)), plain)

    def test_unusable_names_are_refused(self):
        launcher = self.path("setup.exe", image([0x200]))
        data = self.path("data.bin", b"x")
        for name in ["..\\evil.exe", "sub/evil.exe", "C:evil.exe", "..", "n" * 260, "COM\u00b9",
                     "_PWMSIDEL.INI", "_pwmsidel.ini."]:
            with self.subTest(name=name):
                out = self.path("refused.exe")
                result = self.run_packer(launcher, out, "--entry", name + "=" + data)
                self.assertNotEqual(result.returncode, 0)
                self.assertFalse(os.path.exists(out))

    def test_duplicate_names_are_refused_without_regard_to_case(self):
        launcher = self.path("setup.exe", image([0x200]))
        a = self.path("a.bin", b"a")
        for second in ["Setup.INI", "SETUP.ini", "setup.ini."]:
            with self.subTest(second=second):
                out = self.path("refused.exe")
                result = self.run_packer(launcher, out, "--entry", "Setup.INI=" + a, "--entry", second + "=" + a)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(b"two entries", result.stderr)
                self.assertFalse(os.path.exists(out))

    def test_a_name_is_given_only_explicitly(self):
        launcher = self.path("setup.exe", image([0x200]))
        odd = self.path("a=b.txt", b"odd")
        other = self.path("other.bin", b"other")
        out = self.path("packed.exe")
        result = self.run_packer(launcher, out, odd, "--entry", "1031.MST=" + other, "--entry=X.MST=" + other)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(out, "rb") as f:
            packed = f.read()
        self.assertEqual(entries(packed[0x200 + 0x200:]),
                         [("a=b.txt", b"odd"), ("1031.MST", b"other"), ("X.MST", b"other")])
        for bad in [["--entry"], ["--entry", other], ["--entry", "NAME="]]:
            with self.subTest(arguments=bad):
                self.assertNotEqual(self.run_packer(launcher, self.path("bad.exe"), *bad).returncode, 0)

    def test_an_old_signature_is_no_longer_named(self):
        program = bytearray(image([0x200]))
        # A PE32+ optional header with 16 data directories; the fifth names a signature.
        optional = bytearray(240)
        struct.pack_into("<H", optional, 0, 0x20b)
        struct.pack_into("<I", optional, 108, 16)
        struct.pack_into("<II", optional, 112 + 8 * 4, 0x400, 0x80)
        pe = 64
        struct.pack_into("<H", program, pe + 20, len(optional))
        table = program[pe + 24:pe + 24 + 40]
        program[pe + 24:pe + 24 + 40 + len(optional)] = optional + table
        launcher = self.path("signed.exe", bytes(program) + b"S" * 0x80)
        out = self.path("packed.exe")
        self.assertEqual(self.run_packer(launcher, out, self.path("a.txt", b"a")).returncode, 0)
        with open(out, "rb") as f:
            packed = f.read()
        self.assertEqual(struct.unpack_from("<II", packed, pe + 24 + 112 + 8 * 4), (0, 0))
        self.assertNotIn(b"SSSS", packed)

    def test_not_a_program(self):
        launcher = self.path("setup.exe", b"MZ" + bytes(100))
        result = self.run_packer(launcher, self.path("out.exe"), self.path("a.txt", b"a"))
        self.assertNotEqual(result.returncode, 0)
        self.assertIn(b"not a PE image", result.stderr)


if __name__ == "__main__":
    unittest.main()
