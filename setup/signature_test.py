#!/usr/bin/env python3
"""Checks the signed distributable: the Authenticode signature verifies against
the certificate it was made with, covers the container behind the program image
(changing one byte of it breaks the signature), and the container is still
where the launcher looks for it, whole, with each entry matching its digest.

    signature_test.py SIGNED_SETUP CERTIFICATE
"""
import hashlib
import importlib.util
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
loader = importlib.util.spec_from_file_location("pack", os.path.join(HERE, "..", "tools", "pack-setup.py"))
pack = importlib.util.module_from_spec(loader)
loader.loader.exec_module(pack)

SIGNED = CERT = None


def verify(path):
    return subprocess.run(["osslsigncode", "verify", "-CAfile", CERT, "-in", path], capture_output=True)


def certificate_table(image):
    """(offset, size) of the certificate table the optional header names."""
    pe, _ = pack.section_end(image)
    at = pack.security_directory(image, pe)
    assert at is not None, "no certificate table entry in the optional header"
    return struct.unpack_from("<II", image, at)


class SignedSetupTest(unittest.TestCase):
    def setUp(self):
        with open(SIGNED, "rb") as f:
            self.image = f.read()
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def test_signature_verifies(self):
        result = verify(SIGNED)
        self.assertEqual(result.returncode, 0, result.stdout.decode(errors="replace")[-2000:])

    def test_container_lies_inside_the_signed_range_and_reads_whole(self):
        _, start = pack.section_end(self.image)
        table, size = certificate_table(self.image)
        self.assertEqual(table + size, len(self.image), "the signature ends the file")
        self.assertEqual(self.image[start:start + 14], pack.SIGNATURE)
        count, = struct.unpack_from("<H", self.image, start + 14)
        self.assertGreater(count, 0)
        at = start + pack.HEADER_BYTES
        for _ in range(count):
            record = self.image[at:at + pack.ENTRY_BYTES]
            length, = struct.unpack_from("<I", record, 268)
            data = self.image[at + pack.ENTRY_BYTES:at + pack.ENTRY_BYTES + length]
            self.assertEqual(record[304:312], pack.DIGEST_MARKER)
            self.assertEqual(record[272:304], hashlib.sha256(data).digest())
            at += pack.ENTRY_BYTES + length
        self.assertLessEqual(at, table, "the last entry ends before the signature")
        self.assertEqual(self.image[at:table], bytes(table - at), "only alignment padding between them")

    def test_one_changed_byte_of_the_container_breaks_the_signature(self):
        _, start = pack.section_end(self.image)
        table, _ = certificate_table(self.image)
        for where in (start + 1, start + pack.HEADER_BYTES + 268, (start + table) // 2, table - 1):
            with self.subTest(offset=where):
                changed = bytearray(self.image)
                changed[where] ^= 0x01
                path = os.path.join(self.dir.name, "changed.exe")
                with open(path, "wb") as f:
                    f.write(changed)
                self.assertNotEqual(verify(path).returncode, 0)

    def test_repacking_drops_the_old_signature(self):
        out = os.path.join(self.dir.name, "repacked.exe")
        ini = os.path.join(self.dir.name, "Setup.INI")
        with open(ini, "wb") as f:
            f.write(b"[Startup]\r\n")
        subprocess.run([sys.executable, os.path.join(HERE, "..", "tools", "pack-setup.py"), SIGNED, out, ini],
                       check=True)
        with open(out, "rb") as f:
            repacked = f.read()
        pe, _ = pack.section_end(repacked)
        self.assertEqual(struct.unpack_from("<II", repacked, pack.security_directory(repacked, pe)), (0, 0))
        self.assertNotEqual(verify(out).returncode, 0, "an unsigned file must not pass")


if __name__ == "__main__":
    SIGNED, CERT = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1])
