#!/usr/bin/env python3
"""Prints the version record of a Windows executable, as Windows reads it.

    exe_version.py EXE [NAME]

Without NAME: the numeric file version, major.minor.patch (the build part
must be 0). With NAME: that string of the record (FileVersion, say).
"""
import struct
import sys


def read_block(data, offset):
    """One VS_VERSIONINFO-style block: (key, value bytes, children, end)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    size = value_length * 2 if kind == 1 else value_length
    value = data[position:position + size]
    position = (position + size + 3) & ~3
    children = []
    while position < end:
        child = read_block(data, position)
        children.append(child)
        position = (child[3] + 3) & ~3
    return key, value, children, end


def version_record(data):
    start = data.find("VS_VERSION_INFO".encode("utf-16-le"))
    if start < 6:
        sys.exit("no version record")
    return read_block(data, start - 6)


def main():
    with open(sys.argv[1], "rb") as exe:
        data = exe.read()
    _, fixed, children, _ = version_record(data)
    if len(sys.argv) == 2:
        signature, _, file_ms, file_ls = struct.unpack_from("<4I", fixed)
        if signature != 0xFEEF04BD or file_ls & 0xFFFF:
            sys.exit("not a version record of major.minor.patch")
        print("%d.%d.%d" % (file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16))
        return
    for key, _, tables, _ in children:
        if key != "StringFileInfo":
            continue
        for _, _, strings, _ in tables:
            for name, value, _, _ in strings:
                if name == sys.argv[2]:
                    print(value.decode("utf-16-le").rstrip("\0"))
                    return
    sys.exit("no %s in the version record" % sys.argv[2])


if __name__ == "__main__":
    main()
