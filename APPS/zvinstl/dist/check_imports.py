#!/usr/bin/env python3
"""Checks the import tables of a distribution folder's PE files.

Every import, ordinary and delay-loaded, must name a DLL that the folder
itself or a bare Windows provides, and a name that DLL exports. No import
slot may be zero in the file: a zero slot is a call through null at its
first use. The Windows DLLs are read from Wine's PE builds of them.

    check_imports.py DIST [SYSTEM_DLL_FOLDER ...]

Exits 0 when every file passes, 1 with one line per fault otherwise.
"""
import os
import struct
import sys

SHIPPED_SUFFIXES = (".exe", ".dll", ".spi")

# What every Windows from XP on has in its system folder.
BARE_WINDOWS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll", "gdi32.dll",
    "imm32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll",
    "rpcrt4.dll", "shell32.dll", "shlwapi.dll", "urlmon.dll", "user32.dll",
    "version.dll", "wininet.dll", "winmm.dll", "ws2_32.dll", "advpack.dll",
}

# Runtime DLLs of the compiler that a bare Windows lacks: the runtime is linked statically.
RUNTIME_PREFIXES = ("libgcc_s_", "libstdc++", "libwinpthread", "zlib1", "libz", "libbrotli", "libzstd")

WINE_FOLDERS = {
    0x14C: ["/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/x86_64-linux-gnu/wine/i386-windows"],
    0x8664: ["/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", "/usr/lib/i386-linux-gnu/wine/x86_64-windows"],
}


class PeError(Exception):
    pass


class PeFile:
    """A bounds-checked view of one PE image as it lies in its file."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        self.path = path
        d = self.data
        if len(d) < 0x40 or d[:2] != b"MZ":
            raise PeError("not an MZ file")
        pe = self.u32(0x3C)
        if self.bytes(pe, 4) != b"PE\0\0":
            raise PeError("no PE signature")
        self.machine, nsections = struct.unpack_from("<HH", d, pe + 4)
        optional_size = self.u16(pe + 20)
        opt = pe + 24
        magic = self.u16(opt)
        if magic == 0x10B:
            self.pe32plus = False
            self.image_base = self.u32(opt + 28)
            dirs = opt + 96
        elif magic == 0x20B:
            self.pe32plus = True
            self.image_base = struct.unpack_from("<Q", d, opt + 24)[0]
            dirs = opt + 112
        else:
            raise PeError("unknown optional header 0x%x" % magic)
        self.image_size = self.u32(opt + 56)
        ndirs = self.u32(dirs - 4)
        self.directories = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(min(ndirs, 16))]
        self.sections = []
        table = opt + optional_size
        for i in range(nsections):
            name, vsize, va, rsize, rptr = struct.unpack_from("<8sIIII", d, table + 40 * i)
            flags = self.u32(table + 40 * i + 36)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), va, max(vsize, rsize), rsize, rptr, flags))

    def bytes(self, offset, size):
        if offset < 0 or offset + size > len(self.data):
            raise PeError("read past the end of the file at 0x%x" % offset)
        return self.data[offset:offset + size]

    def u16(self, offset):
        return struct.unpack("<H", self.bytes(offset, 2))[0]

    def u32(self, offset):
        return struct.unpack("<I", self.bytes(offset, 4))[0]

    def pointer_size(self):
        return 8 if self.pe32plus else 4

    def offset_of(self, rva):
        for _, va, span, rsize, rptr, _ in self.sections:
            if va <= rva < va + span:
                if rva - va >= rsize:
                    return None  # inside the section, but not stored in the file
                return rptr + rva - va
        return None

    def section_of(self, rva):
        for section in self.sections:
            if section[1] <= rva < section[1] + section[2]:
                return section
        return None

    def read(self, rva, size):
        offset = self.offset_of(rva)
        if offset is None:
            raise PeError("address 0x%x is not in the file" % rva)
        return self.bytes(offset, size)

    def pointer(self, rva):
        raw = self.read(rva, self.pointer_size())
        return struct.unpack("<Q" if self.pe32plus else "<I", raw)[0]

    def string(self, rva, limit=512):
        offset = self.offset_of(rva)
        if offset is None:
            raise PeError("string at 0x%x is not in the file" % rva)
        end = self.data.find(b"\0", offset, offset + limit)
        if end < 0:
            raise PeError("unterminated string at 0x%x" % rva)
        return self.data[offset:end].decode("latin-1")

    def exports(self):
        """Exported names and the ordinals they cover (forwarders count)."""
        rva, size = self.directories[0] if self.directories else (0, 0)
        if not rva:
            return set(), set()
        base, nfunctions, nnames, functions, names, ordinals = struct.unpack("<IIIIII", self.read(rva + 16, 24))
        exported = set()
        for i in range(nnames):
            exported.add(self.string(self.u32(self.offset_of(names + 4 * i))))
        return exported, set(range(base, base + nfunctions))

    def _thunks(self, lookup_rva):
        """(slot index, name or ordinal) of one lookup table."""
        ordinal_flag = 1 << (63 if self.pe32plus else 31)
        index = 0
        while True:
            value = self.pointer(lookup_rva + index * self.pointer_size())
            if value == 0:
                return
            if value & ordinal_flag:
                yield index, value & 0xFFFF
            else:
                yield index, self.string((value & 0x7FFFFFFF) + 2)
            index += 1
            if index > 100000:
                raise PeError("lookup table at 0x%x never ends" % lookup_rva)

    def imports(self):
        """(dll, name or ordinal, slot value, slot rva) of the ordinary imports."""
        rva = self.directories[1][0] if len(self.directories) > 1 else 0
        result = []
        while rva:
            lookup, _, _, name, iat = struct.unpack("<IIIII", self.read(rva, 20))
            if not (lookup or name or iat):
                break
            dll = self.string(name)
            for index, symbol in self._thunks(lookup or iat):
                slot = iat + index * self.pointer_size()
                result.append((dll, symbol, self.pointer(slot), slot))
            rva += 20
        return result

    def delay_descriptors(self):
        """RVAs of the delay-load descriptors. ld leaves the delay directory
        empty for dlltool -y libraries, so their descriptors are found by
        their shape: RVA-based, a DLL name, and tables inside the image."""
        rva, _ = self.directories[13] if len(self.directories) > 13 else (0, 0)
        if rva:
            found = []
            while struct.unpack("<I", self.read(rva + 4, 4))[0]:
                found.append(rva)
                rva += 32
            return found
        found = []
        for _, va, _, rsize, rptr, _ in self.sections:
            for at in range(0, rsize - 31, 4):
                attrs, name, hmod, iat, lookup, bound, unload, stamp = struct.unpack_from("<8I", self.data, rptr + at)
                if attrs != 1 or bound or unload or stamp:
                    continue
                if not all(self.offset_of(x) is not None for x in (name, iat, lookup)) or not self.section_of(hmod):
                    continue
                try:
                    dll = self.string(name, 64)
                except PeError:
                    continue
                if dll.lower().endswith(".dll") and all(0x20 < ord(c) < 0x7F for c in dll):
                    found.append(va + at)
        return found

    def delay_imports(self):
        """(dll, name or ordinal, slot value, slot rva) of the delay-loaded imports."""
        result = []
        for rva in self.delay_descriptors():
            _, name, _, iat, lookup = struct.unpack("<5I", self.read(rva, 20))
            dll = self.string(name)
            for index, symbol in self._thunks(lookup):
                slot = iat + index * self.pointer_size()
                result.append((dll, symbol, self.pointer(slot), slot))
        return result


def find_system_dll(name, machine, folders):
    for folder in folders + WINE_FOLDERS.get(machine, []):
        path = os.path.join(folder, name.lower())
        if os.path.isfile(path):
            return path
    return None


def check_folder(dist, system_folders, counts=None):
    faults = []
    files = sorted(f for f in os.listdir(dist) if f.lower().endswith(SHIPPED_SUFFIXES))
    shipped = {f.lower(): os.path.join(dist, f) for f in files}
    if not files:
        return ["%s: no programs or libraries to check" % dist]
    export_cache = {}

    def exports_of(dll, machine):
        key = dll.lower()
        if key not in export_cache:
            path = shipped.get(key)
            if path is None and key in BARE_WINDOWS:
                path = find_system_dll(key, machine, system_folders)
                if path is None:
                    export_cache[key] = "no copy of the system library %s to read its exports" % dll
                    return export_cache[key]
            if path is None:
                if key.startswith(RUNTIME_PREFIXES):
                    export_cache[key] = "needs the compiler's runtime %s, which a bare Windows lacks" % dll
                else:
                    export_cache[key] = "needs %s, which neither the folder nor a bare Windows provides" % dll
                return export_cache[key]
            try:
                export_cache[key] = PeFile(path).exports()
            except (OSError, PeError) as e:
                export_cache[key] = "cannot read the exports of %s: %s" % (path, e)
        return export_cache[key]

    for name in files:
        try:
            pe = PeFile(shipped[name.lower()])
            tables = [("import", pe.imports()), ("delay import", pe.delay_imports())]
        except (OSError, PeError) as e:
            faults.append("%s: %s" % (name, e))
            continue
        low, high = pe.image_base, pe.image_base + pe.image_size
        for kind, entries in tables:
            if counts is not None:
                counts[kind] = counts.get(kind, 0) + len(entries)
            for dll, symbol, value, slot in entries:
                what = "%s: %s of %s!%s" % (name, kind, dll, symbol)
                if value == 0:
                    faults.append("%s: its slot at 0x%x is zero in the file" % (what, slot))
                elif kind == "delay import" and not low <= value < high:
                    faults.append("%s: its slot at 0x%x points outside the image (0x%x)" % (what, slot, value))
                exported = exports_of(dll, pe.machine)
                if isinstance(exported, str):
                    faults.append("%s: %s" % (name, exported))
                elif isinstance(symbol, int):
                    if symbol not in exported[1]:
                        faults.append("%s: %s has no such ordinal" % (what, dll))
                elif symbol not in exported[0]:
                    faults.append("%s: %s exports no such name" % (what, dll))
        if name.lower().endswith((".dll", ".spi")):
            try:
                decorated = sorted(e for e in pe.exports()[0] if "@" in e)
            except PeError as e:
                faults.append("%s: %s" % (name, e))
                continue
            for export in decorated:
                faults.append("%s: export %s keeps its stdcall decoration" % (name, export))
    # A library that cannot be had is named once per file, not once per import.
    unique = []
    for fault in faults:
        if fault not in unique:
            unique.append(fault)
    return unique


def main(argv):
    if len(argv) < 2:
        print("usage: check_imports.py DIST [SYSTEM_DLL_FOLDER ...]", file=sys.stderr)
        return 2
    counts = {}
    faults = check_folder(argv[1], argv[2:], counts)
    for fault in faults:
        print(fault)
    count = len([f for f in os.listdir(argv[1]) if f.lower().endswith(SHIPPED_SUFFIXES)])
    if faults:
        print("check_imports: %d fault(s) in %s" % (len(faults), argv[1]))
        return 1
    print("check_imports: all %d imports and %d delay imports of the %d files in %s resolve"
          % (counts.get("import", 0), counts.get("delay import", 0), count, argv[1]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
