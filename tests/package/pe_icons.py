#!/usr/bin/env python3
"""Lists the icons of a Windows executable (PE, 32- or 64-bit), as Explorer
finds them: the icon groups in the order of the resource directory (Explorer's
icon 0 is the first), and the images of each group.

    pe_icons.py FILE.exe [ICON.ico]

prints one line per image:

    GROUP WIDTH BPP KIND SHA256

KIND is "png" or "dib" (a bitmap), read from the image itself; WIDTH and BPP
come from the image too (for a bitmap its header, for a PNG its IHDR). With
ICON.ico the images of that file are listed the same way, with GROUP "file".
Standard library only.
"""

import hashlib
import struct
import sys

RT_ICON = 3
RT_GROUP_ICON = 14


def fail(message):
    sys.exit("pe_icons: " + message)


def describe(image):
    """(width, bpp, kind) of one icon image."""
    if image[:8] == b"\x89PNG\r\n\x1a\n":
        width, _, depth, colour = struct.unpack(">IIBB", image[16:26])
        channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(colour, 0)
        return width, depth * channels, "png"
    size, width, _, _, bpp = struct.unpack_from("<IiiHH", image, 0)
    if size != 40:
        fail("an icon image is neither a PNG nor a bitmap")
    return width, bpp, "dib"


def line(group, image):
    width, bpp, kind = describe(image)
    return f"{group} {width} {bpp} {kind} {hashlib.sha256(image).hexdigest()}"


class Resources:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            fail("not a Windows executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            fail("no PE header")
        sections = struct.unpack_from("<H", data, pe + 6)[0]
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_pointer))
        if not self.rva:
            fail("no resources")
        self.base = self.offset(self.rva)

    def offset(self, rva):
        for address, size, pointer in self.sections:
            if address <= rva < address + size:
                return rva - address + pointer
        fail(f"address {rva:#x} is in no section")

    def entries(self, directory):
        """(id or None for a name, offset of the entry's target, is a directory), in order."""
        named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
        found = []
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            found.append((None if name & 0x80000000 else name, self.base + (target & 0x7FFFFFFF),
                          bool(target & 0x80000000)))
        return found

    def of_type(self, kind):
        """[(id, bytes of the first language)] of every resource of a type, in order."""
        for type_id, target, _ in self.entries(self.base):
            if type_id != kind:
                continue
            found = []
            for resource_id, language_dir, _ in self.entries(target):
                _, leaf, _ = self.entries(language_dir)[0]
                rva, size = struct.unpack_from("<II", self.data, leaf)
                start = self.offset(rva)
                found.append((resource_id, self.data[start:start + size]))
            return found
        return []


def main():
    if len(sys.argv) not in (2, 3):
        fail("usage: pe_icons.py FILE.exe [ICON.ico]")
    resources = Resources(open(sys.argv[1], "rb").read())
    images = dict(resources.of_type(RT_ICON))
    for group_id, group in resources.of_type(RT_GROUP_ICON):
        count = struct.unpack_from("<H", group, 4)[0]
        for i in range(count):
            image_id = struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]
            print(line(group_id, images[image_id]))
    if len(sys.argv) == 3:
        data = open(sys.argv[2], "rb").read()
        count = struct.unpack_from("<H", data, 4)[0]
        for i in range(count):
            size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
            print(line("file", data[offset:offset + size]))


if __name__ == "__main__":
    main()
