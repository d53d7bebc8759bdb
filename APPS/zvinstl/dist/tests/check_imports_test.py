#!/usr/bin/env python3
"""The import check fails on the faults it is for: each case damages a copy
of the built distribution folder the way a broken link or package would."""
import os
import shutil
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import check_imports  # noqa: E402

DIST = None


class DamagedDistribution(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="zvdist-")
        for name in os.listdir(DIST):
            shutil.copy(os.path.join(DIST, name), self.folder)
        self.program = os.path.join(self.folder, "zvtorsel.exe")

    def tearDown(self):
        shutil.rmtree(self.folder)

    def patch(self, path, offset, data):
        with open(path, "r+b") as f:
            f.seek(offset)
            f.write(data)

    def contents(self, path):
        with open(path, "rb") as f:
            return f.read()

    def faults(self):
        return check_imports.check_folder(self.folder, [])

    def test_the_built_folder_passes(self):
        self.assertEqual(self.faults(), [])

    def test_a_zero_delay_slot_is_found(self):
        pe = check_imports.PeFile(self.program)
        dll, symbol, _, slot = next(e for e in pe.delay_imports() if e[0].lower() == "zvclass.dll")
        self.patch(self.program, pe.offset_of(slot), b"\0" * pe.pointer_size())
        faults = self.faults()
        self.assertEqual(len(faults), 1, faults)
        self.assertIn("%s!%s: its slot" % (dll, symbol), faults[0])
        self.assertIn("is zero in the file", faults[0])

    def test_a_name_the_library_lacks_is_found(self):
        data = self.contents(self.program)
        name = b"zvControlRightPathA\0"
        at = data.find(name)
        self.assertGreater(at, 0)
        self.patch(self.program, at, b"zvControlRightPathQ\0")
        self.assertIn("zvtorsel.exe: delay import of zvcore32.dll!zvControlRightPathQ: zvcore32.dll exports no such name",
                      self.faults())

    def test_a_missing_library_is_named_once(self):
        os.remove(os.path.join(self.folder, "zvclass.dll"))
        faults = self.faults()
        self.assertEqual(faults, ["zvtorsel.exe: needs zvclass.dll, which neither the folder nor a bare Windows provides"])

    def test_a_compiler_runtime_is_refused(self):
        pe = check_imports.PeFile(self.program)
        rva = pe.directories[1][0]
        # The program's first ordinary import now names a runtime library.
        name_rva = struct.unpack("<5I", pe.read(rva, 20))[3]
        old = pe.string(name_rva)
        new = b"libstdc++-6.dll"[:len(old)].ljust(len(old), b"\0")
        self.patch(self.program, pe.offset_of(name_rva), new)
        faults = self.faults()
        self.assertTrue(any("needs the compiler's runtime" in f for f in faults), faults)

    def test_a_decorated_export_is_refused(self):
        library = os.path.join(self.folder, "zvcore32.dll")
        data = self.contents(library)
        at = data.find(b"zvGetErrCode\0")
        self.assertGreater(at, 0)
        self.patch(library, at, b"zvGetErrCo@0\0")
        self.assertIn("zvcore32.dll: export zvGetErrCo@0 keeps its stdcall decoration", self.faults())

    def test_a_cut_file_is_an_error_not_a_crash(self):
        with open(self.program, "r+b") as f:
            f.truncate(4096)
        faults = self.faults()
        self.assertTrue(any(f.startswith("zvtorsel.exe: ") for f in faults), faults)


if __name__ == "__main__":
    DIST = sys.argv.pop(1)
    unittest.main()
