#!/usr/bin/env python3
"""Reads the built BrindlewickUpdater.exe and checks what it declares to
Windows: the header, the import table, the resources, the manifest and the
icon group. It reads the executable's bytes only, never the sources, so it
sees what the linker and the resource compiler really produced.

    check_image.py EXE [Header|Imports|Resources|Manifest|Icons ...]
"""
import re
import struct
import sys
import unittest
import xml.etree.ElementTree as ET

EXE = None

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
ENGLISH_US = 1033

# DLLs that Windows maps from System32 whatever the search order (the
# KnownDLLs list of current Windows, lower case), and comctl32, which the
# manifest binds to the side-by-side store. Nothing else may be imported:
# any other name is looked for beside the executable first.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll",
    "gdi32.dll", "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll",
    "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "wldap32.dll", "ws2_32.dll", "ntdll.dll",
}
ALLOWED_IMPORTS = KNOWN_DLLS | {"comctl32.dll"}


class Image:
    """The parts of a PE32+ file that the checks need."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, self.timestamp, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        if self.magic != 0x20B:
            raise ValueError("not PE32+")
        self.image_base = struct.unpack_from("<Q", data, optional + 24)[0]
        self.checksum, self.subsystem, self.dll_characteristics = struct.unpack_from(
            "<IHH", data, optional + 64)
        count = struct.unpack_from("<I", data, optional + 108)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * i)
                            for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, rva, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), rva, max(vsize, raw_size), raw,
                                  raw_size))

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def offset(self, rva):
        for _, start, size, raw, raw_size in self.sections:
            if start <= rva < start + size:
                if rva - start >= raw_size:
                    raise ValueError(f"RVA {rva:#x} has no bytes in the file")
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} is in no section")

    def string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """Names of the DLLs in the import table, as written."""
        rva, size = self.directory(1)
        names = []
        if not rva:
            return names
        at = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name or thunks):
                return names
            names.append(self.string(name))
            at += 20

    def delay_imports(self):
        rva, _ = self.directory(13)
        names = []
        if not rva:
            return names
        at = self.offset(rva)
        while True:
            fields = struct.unpack_from("<8I", self.data, at)
            if not any(fields):
                return names
            names.append(self.string(fields[1]))
            at += 32

    def resources(self):
        """{(type, name, language): bytes} for every resource; types and names
        given as strings are returned as strings."""
        rva, _ = self.directory(2)
        found = {}
        if not rva:
            return found
        base = self.offset(rva)

        def entries(table):
            named, numbered = struct.unpack_from("<HH", self.data, base + table + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, base + table + 16 + 8 * i)
                if ident & 0x80000000:
                    at = base + (ident & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    ident = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield ident, target

        for kind, names in entries(0):
            if not names & 0x80000000:
                raise ValueError("resource type without a name table")
            for name, languages in entries(names & 0x7FFFFFFF):
                if not languages & 0x80000000:
                    raise ValueError("resource name without a language table")
                for language, leaf in entries(languages & 0x7FFFFFFF):
                    if leaf & 0x80000000:
                        raise ValueError("resource tree deeper than three levels")
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(data_rva)
                    found[(kind, name, language)] = self.data[start:start + size]
        return found


def image():
    with open(EXE, "rb") as f:
        return Image(f.read())


class Header(unittest.TestCase):
    def test_a_64_bit_windows_gui_program(self):
        pe = image()
        self.assertEqual(pe.machine, 0x8664, "x86-64")
        self.assertEqual(pe.magic, 0x20B, "PE32+")
        self.assertEqual(pe.subsystem, 2, "Windows GUI, so no console window is made")
        self.assertTrue(pe.characteristics & 0x0002, "executable image")
        self.assertFalse(pe.characteristics & 0x2000, "an executable, not a DLL")

    def test_hardened_for_aslr_and_dep(self):
        pe = image()
        for flag, name in ((0x0020, "HIGH_ENTROPY_VA"), (0x0040, "DYNAMIC_BASE"),
                           (0x0100, "NX_COMPAT")):
            with self.subTest(name):
                self.assertTrue(pe.dll_characteristics & flag, name)
        # ASLR can only move an image that still has its relocations.
        self.assertFalse(pe.characteristics & 0x0001, "IMAGE_FILE_RELOCS_STRIPPED")
        self.assertGreater(pe.directory(5)[1], 0, "base relocation table")
        self.assertTrue(any(name == ".reloc" for name, *_ in pe.sections))
        self.assertGreater(pe.image_base, 0xFFFFFFFF, "a base above 4 GiB")

    def test_nothing_that_changes_from_build_to_build(self):
        pe = image()
        self.assertEqual(pe.timestamp, 0, "no link time in the header")
        debug_rva, debug_size = pe.directory(6)
        self.assertEqual((debug_rva, debug_size), (0, 0), "no debug directory (build id)")

    def test_stripped(self):
        pe = image()
        names = [name for name, *_ in pe.sections]
        self.assertFalse([n for n in names if n.startswith("/") or n.startswith(".debug")], names)


class Imports(unittest.TestCase):
    def test_only_known_dlls_and_comctl32(self):
        names = image().imports()
        print("imports:", ", ".join(names), file=sys.stderr)
        lowered = [name.lower() for name in names]
        self.assertEqual(sorted(set(lowered)), sorted(lowered), "each DLL once")
        self.assertEqual(sorted(set(lowered) - ALLOWED_IMPORTS), [],
                         "imports that Windows would look for beside the executable")
        for needed in ("kernel32.dll", "comctl32.dll"):
            self.assertIn(needed, lowered)

    def test_self_contained(self):
        pe = image()
        lowered = [name.lower() for name in pe.imports() + pe.delay_imports()]
        for runtime in ("libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"):
            with self.subTest(runtime):
                self.assertNotIn(runtime, lowered)
        self.assertEqual(pe.delay_imports(), [], "delay-loaded DLLs escape the import check")


class Resources(unittest.TestCase):
    def test_exactly_the_manifest_and_the_icons(self):
        found = image().resources()
        keys = sorted(found, key=lambda key: (key[0], key[1]))
        expected = ([(RT_ICON, n, ENGLISH_US) for n in range(1, 6)] +
                    [(RT_GROUP_ICON, 1, ENGLISH_US), (RT_MANIFEST, 1, ENGLISH_US)])
        self.assertEqual(keys, expected)

    def test_no_version_resource(self):
        self.assertFalse([key for key in image().resources() if key[0] == RT_VERSION])


EXPECTED_MANIFEST = (
    "{urn:schemas-microsoft-com:asm.v1}assembly", {"manifestVersion": "1.0"}, [
        ("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity", {
            "version": "1.0.0.0", "processorArchitecture": "amd64",
            "name": "CompanyName.ProductName.YourApp", "type": "win32"}, []),
        ("{urn:schemas-microsoft-com:asm.v1}description", {}, []),
        ("{urn:schemas-microsoft-com:asm.v1}dependency", {}, [
            ("{urn:schemas-microsoft-com:asm.v1}dependentAssembly", {}, [
                ("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity", {
                    "type": "win32", "name": "Microsoft.Windows.Common-Controls",
                    "version": "6.0.0.0", "processorArchitecture": "amd64",
                    "publicKeyToken": "6595b64144ccf1df", "language": "*"}, []),
            ]),
        ]),
        ("{urn:schemas-microsoft-com:asm.v2}trustInfo", {}, [
            ("{urn:schemas-microsoft-com:asm.v2}security", {}, [
                ("{urn:schemas-microsoft-com:asm.v2}requestedPrivileges", {}, [
                    ("{urn:schemas-microsoft-com:asm.v2}requestedExecutionLevel",
                     {"level": "requireAdministrator", "uiAccess": "false"}, []),
                ]),
            ]),
        ]),
    ])


def shape(element):
    """An element as (tag, attributes, children); text must be blank."""
    for text in (element.text, element.tail):
        if text and text.strip():
            raise AssertionError(f"text {text.strip()!r} in {element.tag}")
    return (element.tag, dict(element.attrib), [shape(child) for child in element])


class Manifest(unittest.TestCase):
    def manifest(self):
        return image().resources()[(RT_MANIFEST, 1, ENGLISH_US)]

    def test_utf8_standalone_declaration(self):
        data = self.manifest()
        self.assertFalse(data.startswith(b"\xef\xbb\xbf"), "no byte-order mark before <?xml")
        declaration = re.match(rb"<\?xml([^?]*)\?>", data)
        self.assertIsNotNone(declaration, "starts with an XML declaration")
        attributes = dict(re.findall(rb'(\w+)\s*=\s*"([^"]*)"', declaration.group(1)))
        self.assertEqual(attributes, {b"version": b"1.0", b"encoding": b"UTF-8",
                                      b"standalone": b"yes"})
        data.decode("utf-8")

    def test_declares_exactly_identity_controls_and_elevation(self):
        # Every element and attribute, and nothing else: no compatibility
        # section, no DPI or long-path awareness, which would change how
        # Windows runs the program.
        root = ET.fromstring(self.manifest())
        self.assertEqual(shape(root), EXPECTED_MANIFEST)

    def test_shape_comparison_sees_additions(self):
        # The comparison above must notice a section that was added, an
        # attribute that was changed and stray text.
        good = self.manifest().decode("utf-8")
        variants = {
            "dpi": good.replace("</assembly>",
                                '<application xmlns="urn:schemas-microsoft-com:asm.v3">'
                                "<windowsSettings><dpiAware>true</dpiAware></windowsSettings>"
                                "</application></assembly>"),
            "level": good.replace("requireAdministrator", "asInvoker"),
            "text": good.replace("<description></description>",
                                 "<description>x</description>"),
        }
        for name, text in variants.items():
            with self.subTest(name):
                self.assertNotEqual(text, good)
                with self.assertRaises(AssertionError):
                    self.assertEqual(shape(ET.fromstring(text.encode())), EXPECTED_MANIFEST)


ICON_IMAGES = [(48, 8), (32, 8), (16, 8), (48, 32), (32, 32)]


class Icons(unittest.TestCase):
    def test_group_lists_five_images_in_order(self):
        found = image().resources()
        group = found[(RT_GROUP_ICON, 1, ENGLISH_US)]
        reserved, kind, count = struct.unpack_from("<HHH", group)
        self.assertEqual((reserved, kind, count), (0, 1, len(ICON_IMAGES)))
        self.assertEqual(len(group), 6 + 14 * count)
        for index, (side, bits) in enumerate(ICON_IMAGES):
            with self.subTest(index=index, side=side, bits=bits):
                width, height, colours, zero, planes, bit_count, size, ident = \
                    struct.unpack_from("<BBBBHHIH", group, 6 + 14 * index)
                self.assertEqual((width, height, colours, zero, planes, bit_count),
                                 (side, side, 0, 0, 1, bits))
                self.assertEqual(ident, index + 1, "stored as RT_ICON 1 to 5 in order")
                self.assertEqual(size, len(found[(RT_ICON, ident, ENGLISH_US)]))

    def test_each_image_is_a_complete_dib(self):
        found = image().resources()
        for index, (side, bits) in enumerate(ICON_IMAGES):
            with self.subTest(side=side, bits=bits):
                data = found[(RT_ICON, index + 1, ENGLISH_US)]
                self.assertNotEqual(data[:8], b"\x89PNG\r\n\x1a\n", "a DIB, not PNG")
                (header, width, height, planes, bit_count, compression, _, _, _, used,
                 _) = struct.unpack_from("<IiiHHIIiiII", data)
                self.assertEqual((header, width, height, planes, bit_count, compression),
                                 (40, side, 2 * side, 1, bits, 0),
                                 "BITMAPINFOHEADER, colour and mask stacked, BI_RGB")
                palette = 4 * (used or 256) if bits == 8 else 0
                colour_rows = side * ((side * bits + 31) // 32 * 4)
                mask_rows = side * ((side + 31) // 32 * 4)
                self.assertEqual(len(data), 40 + palette + colour_rows + mask_rows)
                if bits == 32:
                    alphas = {data[40 + i + 3] for i in range(0, colour_rows, 4)}
                    self.assertIn(0, alphas, "transparent corners")
                    self.assertIn(255, alphas, "opaque middle")


def main():
    global EXE
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    EXE = sys.argv[1]
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[2:]])


if __name__ == "__main__":
    main()
