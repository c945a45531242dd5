#!/usr/bin/env python3
"""Points a program's resource directory entry at its resources.

usage: resource_directory.py IMAGE MAP

The setup stub's linker script (stub.ld) puts the resources into the code's
section, between the symbols __resources_start__ and __resources_end__, to
save a section's padding. The linker fills in the resource directory entry
only for a section named .rsrc, so this step reads the two addresses from the
linker map, writes them into the entry and updates the header's checksum.
"""
import re
import struct
import sys

RESOURCE_DIRECTORY = 2


def fail(message):
    sys.exit(f"resource_directory.py: {message}")


def symbol(map_text, name):
    found = re.search(r"^\s+0x([0-9a-fA-F]+)\s+" + re.escape(name) + r" = ", map_text, re.M)
    if not found:
        fail(f"the linker map has no {name}")
    return int(found.group(1), 16)


def checksum(image, checksum_at):
    """The PE checksum: 16-bit words added with their carries folded back,
    the checksum field itself left out, plus the file's length."""
    data = image[:checksum_at] + b"\0\0\0\0" + image[checksum_at + 4:]
    if len(data) % 2:
        data += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(image)) & 0xFFFFFFFF


def main():
    if len(sys.argv) != 3:
        fail("usage: resource_directory.py IMAGE MAP")
    path, map_path = sys.argv[1], sys.argv[2]
    with open(map_path, encoding="utf-8", errors="replace") as f:
        map_text = f.read()
    start = symbol(map_text, "__resources_start__")
    end = symbol(map_text, "__resources_end__")
    with open(path, "rb") as f:
        image = bytearray(f.read())
    if image[:2] != b"MZ":
        fail(f"{path} is no program file")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        fail(f"{path} has no PE header")
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    if magic == 0x10B:
        image_base = struct.unpack_from("<I", image, optional + 28)[0]
        directories = optional + 96
    elif magic == 0x20B:
        image_base = struct.unpack_from("<Q", image, optional + 24)[0]
        directories = optional + 112
    else:
        fail(f"{path} has an unknown optional header")
    count = struct.unpack_from("<I", image, directories - 4)[0]
    if count <= RESOURCE_DIRECTORY or not image_base <= start < end:
        fail(f"{path}: no room for the resource directory, or no resources")
    entry = directories + 8 * RESOURCE_DIRECTORY
    struct.pack_into("<II", image, entry, start - image_base, end - start)
    checksum_at = optional + 64
    struct.pack_into("<I", image, checksum_at, checksum(image, checksum_at))
    with open(path, "wb") as f:
        f.write(image)


main()
