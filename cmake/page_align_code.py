#!/usr/bin/python3
"""Moves the launcher's code to a page boundary of its file: page_align_code.py LAUNCHER.exe

The linker places each section's bytes at the next 512-byte boundary of the file, so the code
starts at 0x400. Wine can map a section of an executable straight from the file only when the
section starts on a page boundary; every other section it reads into fresh memory, which under
Wine costs about a millisecond for the launcher's code at every start (docs/startup.md). This
step grows the headers to the first page boundary (3 KiB of zeros, which the Authenticode hash of
a signed executable covers, as it covers all headers), moves every section's bytes by as much
(and the file offsets a debug directory records), and writes the image checksum again. Nothing
the image loads or runs changes.
"""
import struct
import sys

PAGE = 0x1000


def checksum(image, field):
    """The PE image checksum: the 16-bit one's-complement sum of the file, the field itself taken as
    zero, plus the file's length."""
    data = bytes(image[:field]) + b"\0\0\0\0" + bytes(image[field + 4 :])
    if len(data) % 2:
        data += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(image)) & 0xFFFFFFFF


def page_align_code(image):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe : pe + 4] != b"PE\0\0":
        sys.exit("page_align_code: not a PE image")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    if struct.unpack_from("<H", image, optional)[0] != 0x20B:
        sys.exit("page_align_code: not a 64-bit image")
    section_alignment, file_alignment = struct.unpack_from("<II", image, optional + 32)
    headers_field = optional + 60
    checksum_field = optional + 64
    headers_size = struct.unpack_from("<I", image, headers_field)[0]
    if struct.unpack_from("<I", image, pe + 12)[0] != 0:
        sys.exit("page_align_code: the image has a symbol table (it must be stripped)")
    if struct.unpack_from("<II", image, optional + 112 + 8 * 4) != (0, 0):
        sys.exit("page_align_code: the image is signed already")

    table = optional + optional_size
    raw_fields = [table + 40 * i + 20 for i in range(sections)]
    starts = [struct.unpack_from("<I", image, f)[0] for f in raw_fields]
    first = min(s for s in starts if s)
    addresses = [struct.unpack_from("<I", image, table + 40 * i + 12)[0] for i in range(sections)]
    if first % PAGE == 0:
        return image
    aligned = first + (-first) % PAGE
    if (first != headers_size or section_alignment % PAGE or aligned % file_alignment
            or aligned > min(addresses)):
        sys.exit("page_align_code: an image layout this step does not know")

    shift = aligned - first
    moved = bytearray(image[:first]) + bytes(shift) + image[first:]
    struct.pack_into("<I", moved, headers_field, aligned)
    for field, start in zip(raw_fields, starts):
        if start:
            struct.pack_into("<I", moved, field, start + shift)
    # A debug directory records where its data lies in the file as well as in memory: those file
    # offsets move with the sections.
    for entry in debug_entries(image, optional, table, sections):
        pointer = struct.unpack_from("<I", image, entry + 24)[0]
        if pointer:
            struct.pack_into("<I", moved, entry + shift + 24, pointer + shift)
    struct.pack_into("<I", moved, checksum_field, checksum(moved, checksum_field))
    return moved


def debug_entries(image, optional, table, sections):
    """The file offsets of the debug directory's 28-byte entries (data directory 6)."""
    if struct.unpack_from("<I", image, optional + 108)[0] <= 6:
        return []
    address, size = struct.unpack_from("<II", image, optional + 112 + 8 * 6)
    if size == 0:
        return []
    for i in range(sections):
        virtual_size, virtual_address, raw_size, raw_start = struct.unpack_from(
            "<IIII", image, table + 40 * i + 8)
        if virtual_address <= address and address + size <= virtual_address + max(virtual_size,
                                                                                   raw_size):
            start = raw_start + address - virtual_address
            return [start + 28 * k for k in range(size // 28)]
    sys.exit("page_align_code: the debug directory lies in no section")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: page_align_code.py LAUNCHER.exe")
    path = sys.argv[1]
    with open(path, "rb") as f:
        image = bytearray(f.read())
    aligned = page_align_code(image)
    if aligned is not image:
        with open(path, "wb") as f:
            f.write(aligned)


if __name__ == "__main__":
    main()
