"""The image of one of the kit's programs (KIT_E2E_PROGRAM) as a bare Windows loads it: it
imports only DLLs that Windows itself ships and the kit's own libraries, those by ordinal
only, and its manifest runs it as the invoking user without elevation."""

import struct
import subprocess
import unittest
from collections import Counter
import xml.etree.ElementTree as ElementTree
from pathlib import Path

import winekit

# Windows' own DLLs that the kit's programs may import; anything else would have to ship
# with the kit or be missing on a bare machine.
SYSTEM_DLLS = {
    "kernel32.dll",
    "user32.dll",
    "advapi32.dll",
    "msvcrt.dll",
    "setupapi.dll",
    "newdev.dll",
    "shell32.dll",
    "ole32.dll",
    "ws2_32.dll",
}

# Per program, the libraries of the kit it binds and the exact ordinals it takes from each.
# The voice-card library is bound by ordinal only: a name imported from it would stop the
# program from loading.
KIT_LIBRARY_ORDINALS = {
    "Mirlow.exe": {"tarvel.dll": [1, 3, 4, 7, 70, 122]},
}

# An import thunk with this bit set imports by ordinal, in its low 16 bits.
IMAGE_ORDINAL_FLAG32 = 0x80000000

RT_MANIFEST = 24
# The loader reads an executable's own manifest from this resource ID only.
PROCESS_MANIFEST_ID = 1
RESOURCE_DIRECTORY = 2
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"


def imports(program):
    """Per imported DLL, by its lower-case name, what the program imports from it: names,
    and ordinal numbers for what it imports by ordinal."""
    dump = subprocess.run(
        [winekit.setting("KIT_OBJDUMP"), "-p", str(program)],
        capture_output=True,
        text=True,
        check=True,
    ).stdout
    # objdump -p lists each imported DLL as a line "\tDLL Name: KERNEL32.dll", a heading
    # "\tvma:  Hint/Ord Member-Name Bound-To", one line "\tTHUNK HINT NAME" per import (NAME
    # is "<none>" for an ordinal), and an empty line.
    found = {}
    entries = None
    for line in dump.splitlines():
        fields = line.split()
        if line.strip().startswith("DLL Name:"):
            entries = found.setdefault(line.split(":", 1)[1].strip().lower(), [])
        elif not fields:
            entries = None
        elif entries is not None and fields[0] != "vma:":
            thunk = int(fields[0], 16)
            entries.append(thunk & 0xFFFF if thunk & IMAGE_ORDINAL_FLAG32 else fields[2])
    return found


class PeImage:
    """Just enough of a PE file to reach its resources."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe : pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva = struct.unpack_from("<I", data, directories + 8 * RESOURCE_DIRECTORY)[0]
        table = optional + optional_size
        self.sections = [
            struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)
        ]  # (virtual size, RVA, raw size, raw offset)

    def offset(self, rva):
        for virtual_size, start, raw_size, raw_offset in self.sections:
            if start <= rva < start + max(virtual_size, raw_size):
                return raw_offset + rva - start
        raise ValueError(f"RVA {rva:#x} is in no section")

    def resource_entries(self, directory_offset):
        """(ID, or None for a named entry; where the entry points to) per directory entry."""
        directory = self.offset(self.resource_rva) + directory_offset
        named, numbered = struct.unpack_from("<12xHH", self.data, directory)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            yield (None if name & 0x80000000 else name), target & 0x7FFFFFFF

    def resource(self, type_id, name_id):
        """The data of every language of one resource."""
        if not self.resource_rva:
            return []
        base = self.offset(self.resource_rva)
        found = []
        for type_entry, type_dir in self.resource_entries(0):
            if type_entry != type_id:
                continue
            for name_entry, name_dir in self.resource_entries(type_dir):
                if name_entry != name_id:
                    continue
                for _, data_entry in self.resource_entries(name_dir):
                    rva, size = struct.unpack_from("<II", self.data, base + data_entry)
                    start = self.offset(rva)
                    found.append(self.data[start : start + size])
        return found


class ProgramImage(unittest.TestCase):
    def setUp(self):
        self.program = Path(winekit.setting("KIT_E2E_PROGRAM"))

    def test_imports_only_system_dlls_and_kit_libraries(self):
        imported = imports(self.program)
        self.assertIn("kernel32.dll", imported)
        kit_libraries = KIT_LIBRARY_ORDINALS.get(self.program.name, {})
        foreign = [name for name in imported if name not in SYSTEM_DLLS | kit_libraries.keys()]
        self.assertEqual(foreign, [], f"{self.program.name} imports DLLs Windows does not ship")

    def test_kit_libraries_bound_by_ordinal_only(self):
        kit_libraries = KIT_LIBRARY_ORDINALS.get(self.program.name)
        if not kit_libraries:
            self.skipTest(f"{self.program.name} binds no library of the kit")
        imported = imports(self.program)
        for library, ordinals in kit_libraries.items():
            self.assertEqual(Counter(imported.get(library, [])), Counter(ordinals), library)

    def test_manifest_runs_as_invoker_without_ui_access(self):
        manifests = PeImage(self.program.read_bytes()).resource(RT_MANIFEST, PROCESS_MANIFEST_ID)
        self.assertEqual(len(manifests), 1, "exactly one manifest resource of ID 1")
        levels = ElementTree.fromstring(manifests[0]).iter(f"{ASM_V3}requestedExecutionLevel")
        self.assertEqual(
            [(level.get("level"), level.get("uiAccess")) for level in levels],
            [("asInvoker", "false")],
        )


if __name__ == "__main__":
    unittest.main()
