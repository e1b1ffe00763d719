#!/usr/bin/python3
"""The Windows DLL read as a file (Debian's python3-pefile): exports with their
ordinals and one address for InitDll/ExitDll, the export directory's name,
imports from Windows system DLLs only, the five pictures as "DATA" resources
identical to the PNG files (and their 2x versions as "PNG2X"), and the version resource.

usage: peimage_test.py DLL RESOURCE_DIR"""
import os
import sys
import unittest

import pefile

DLL, RESOURCE_DIR = sys.argv[1], sys.argv[2]
PICTURES = ["BACKGROUND11.PNG", "BYPASSBUTTON.PNG", "KNOBIMG1.PNG", "SPLASH.PNG",
            "VSLIDERBACKGROUND.PNG"]
# What every Windows installation has; a runtime DLL (libstdc++, libgcc,
# libwinpthread) here would be missing on the user's machine.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll", "ole32.dll",
               "shlwapi.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll"}
VERSION = "1.0.0.1"
STRINGS = {
    "CompanyName": "Tavrek",
    "FileDescription": "Tavrek Kestrum VST3-SDK",
    "FileVersion": VERSION,
    "InternalName": "Tavrek Kestrum VST3-SDK",
    "OriginalFilename": "Tavrek Kestrum.vst3",
    "ProductName": "Tavrek Kestrum VST3-SDK",
    "ProductVersion": VERSION,
}


class PeImage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(DLL)

    def test_is_a_64_bit_dll(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"])
        self.assertTrue(self.pe.is_dll())

    def test_exports_by_name_with_their_ordinals(self):
        exports = self.pe.DIRECTORY_ENTRY_EXPORT
        self.assertEqual(self.pe.get_string_at_rva(exports.struct.Name), b"TK Kestrum VST2.dll")
        table = {e.name.decode(): (e.ordinal, e.address) for e in exports.symbols}
        self.assertEqual({name: ordinal for name, (ordinal, _) in table.items()},
                         {"ExitDll": 1, "GetPluginFactory": 2, "InitDll": 3, "VSTPluginMain": 4})
        self.assertEqual(table["InitDll"][1], table["ExitDll"][1])
        self.assertNotEqual(table["GetPluginFactory"][1], table["VSTPluginMain"][1])

    def test_imports_only_windows_system_dlls(self):
        imported = {entry.dll.decode().lower() for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertTrue(imported)
        self.assertLessEqual(imported, SYSTEM_DLLS)
        self.assertIn("kernel32.dll", imported)

    def resources(self):
        found = {}
        for rtype in self.pe.DIRECTORY_ENTRY_RESOURCE.entries:
            type_name = str(rtype.name) if rtype.name else rtype.struct.Id
            for rname in rtype.directory.entries:
                name = str(rname.name) if rname.name else rname.struct.Id
                for lang in rname.directory.entries:
                    data = self.pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                    found[(type_name, name, lang.struct.Id)] = data
        return found

    def test_pictures_are_data_resources_equal_to_the_png_files(self):
        found = self.resources()
        expected_keys = {("DATA", name, 1033) for name in PICTURES}
        expected_keys |= {("PNG2X", name, 1033) for name in PICTURES}
        expected_keys.add((pefile.RESOURCE_TYPE["RT_VERSION"], 1, 1033))
        self.assertEqual(set(found), expected_keys)
        for name in PICTURES:
            with open(os.path.join(RESOURCE_DIR, name), "rb") as png:
                self.assertEqual(found[("DATA", name, 1033)], png.read(), name)
            # The 2x set beside it, under a type of its own.
            with open(os.path.join(RESOURCE_DIR, "2x", name), "rb") as png:
                self.assertEqual(found[("PNG2X", name, 1033)], png.read(), name)

    def test_version_resource(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), (0x00010000, 0x00000001))
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), (0x00010000, 0x00000001))
        self.assertEqual(fixed.FileFlagsMask, 0x3F)
        self.assertEqual(fixed.FileFlags, 0)
        self.assertEqual(fixed.FileOS, 0x00040004)  # VOS_NT_WINDOWS32
        self.assertEqual(fixed.FileType, 1)  # VFT_APP
        self.assertEqual(fixed.FileSubtype, 0)
        tables, translations = [], []
        for info in self.pe.FileInfo[0]:
            if info.Key == b"StringFileInfo":
                tables += info.StringTable
            elif info.Key == b"VarFileInfo":
                translations += [var.entry for var in info.Var]
        self.assertEqual([t.LangID for t in tables], [b"040004e4"])
        strings = {k.decode(): v.decode() for k, v in tables[0].entries.items()}
        self.assertEqual(strings, STRINGS)
        self.assertEqual(translations, [{b"Translation": "0x0400 0x04e4"}])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
