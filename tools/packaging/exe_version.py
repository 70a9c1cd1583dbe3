#!/usr/bin/python3
"""Prints the version record of a Windows executable, read with pefile.

    exe_version.py EXE [NAME]

Without NAME: the numeric file version, major.minor.patch (the build part
must be 0). With NAME: that string of the record (FileVersion, say).
Run by Debian's Python, whose package pefile is (python3-pefile).
"""
import sys

import pefile


class VersionRecord:
    """An executable's version record: its fixed part and its string tables."""

    def __init__(self, path):
        exe = pefile.PE(path, fast_load=True)
        exe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
        if not getattr(exe, "VS_FIXEDFILEINFO", None):
            raise ValueError("%s has no version record" % path)
        self.fixed = exe.VS_FIXEDFILEINFO[0]
        self.tables = {}  # language and code page, as "040904B0": {name: value}
        self.translations = []  # (language, code page) pairs
        for block in (entry for info in getattr(exe, "FileInfo", []) for entry in info):
            if block.Key == b"StringFileInfo":
                for table in block.StringTable:
                    self.tables[table.LangID.decode().upper()] = {
                        name.decode(): value.decode() for name, value in table.entries.items()}
            elif block.Key == b"VarFileInfo":
                for var in block.Var:
                    pairs = var.entry.get(b"Translation", "").split()
                    self.translations += [(int(pairs[i], 16), int(pairs[i + 1], 16)) for i in range(0, len(pairs), 2)]

    def version(self):
        """The numeric file version as major.minor.patch."""
        if self.fixed.Signature != 0xFEEF04BD or self.fixed.FileVersionLS & 0xFFFF:
            raise ValueError("not a version record of major.minor.patch")
        return "%d.%d.%d" % (self.fixed.FileVersionMS >> 16, self.fixed.FileVersionMS & 0xFFFF,
                             self.fixed.FileVersionLS >> 16)

    def string(self, name):
        """A string of the record, from the first table that has it."""
        for table in self.tables.values():
            if name in table:
                return table[name]
        raise ValueError("no %s in the version record" % name)


def main():
    try:
        record = VersionRecord(sys.argv[1])
        print(record.version() if len(sys.argv) == 2 else record.string(sys.argv[2]))
    except ValueError as problem:
        sys.exit(str(problem))


if __name__ == "__main__":
    main()
