#!/usr/bin/python3
"""Checks a built Mirvel.exe, read with pefile, against what every supported Windows needs.

    check_executable.py EXE x64|x86 ALLOW_LIST SIZE_LIMITS VERSION_H

Its imports all on the Windows 7 SP1 allow-list; subsystem 6.1; the header
flags (terminal-server aware, ASLR, DEP, 64-bit ASLR on x64); no link time;
within its size limit; the version record of VERSION_H in U.S. English
Unicode; the program icon (the lowest group) of 32 and 16 pixels in 16 colours.
"""
import os
import re
import struct
import sys

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "packaging"))
from exe_version import VersionRecord  # noqa: E402

FLAGS = {"HIGH_ENTROPY_VA": 0x0020, "DYNAMIC_BASE": 0x0040, "NX_COMPAT": 0x0100, "TERMINAL_SERVER_AWARE": 0x8000}


def import_problems(exe, allow_list):
    with open(allow_list, encoding="utf-8") as allow_file:
        allowed = {line.split("#")[0].strip().lower() for line in allow_file} - {""}
    found = [(dll.dll.decode(), function.name.decode() if function.name else "#%d" % function.ordinal)
             for dll in getattr(exe, "DIRECTORY_ENTRY_IMPORT", []) for function in dll.imports]
    problems = [] if found else ["no imports could be read"]
    for dll, function in found:
        if re.match(r"(api-ms-win-|ext-ms-win-|ucrtbase)", dll, re.IGNORECASE):
            problems.append("imports %s!%s: an API set or the universal CRT, missing on Windows 7" % (dll, function))
        elif ("%s!%s" % (dll, function)).lower() not in allowed:
            problems.append("imports %s!%s, which is not on the Windows 7 allow-list" % (dll, function))
    return problems


def header_problems(exe, machine):
    header, problems = exe.OPTIONAL_HEADER, []
    if (header.MajorSubsystemVersion, header.MinorSubsystemVersion) != (6, 1):
        problems.append("subsystem version is not 6.1")
    wanted = ["DYNAMIC_BASE", "NX_COMPAT", "TERMINAL_SERVER_AWARE"] + (["HIGH_ENTROPY_VA"] if machine == "x64" else [])
    problems += ["header lacks %s" % flag for flag in wanted if not header.DllCharacteristics & FLAGS[flag]]
    magic = {"x64": pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS, "x86": pefile.OPTIONAL_HEADER_MAGIC_PE}[machine]
    if header.Magic != magic:
        problems.append("not a %s executable (optional header magic %#x)" % (machine, header.Magic))
    if exe.FILE_HEADER.TimeDateStamp:
        problems.append("carries a link time (%d), so no two builds are alike" % exe.FILE_HEADER.TimeDateStamp)
    return problems


def version_problems(path, header):
    """What the version record lacks: the names written here, the version and copyright the build made."""
    with open(header, encoding="utf-8") as made:
        defined = dict(re.findall(r'^#define (MIRVEL_\w+) "?([^"\n]*)"?$', made.read(), re.MULTILINE))
    record = VersionRecord(path)
    wanted = {"ProductName": "Mirvel", "InternalName": "Mirvel", "OriginalFilename": "Mirvel.exe",
              "FileVersion": defined["MIRVEL_VERSION_TEXT"], "ProductVersion": defined["MIRVEL_VERSION_TEXT"],
              "LegalCopyright": defined["MIRVEL_COPYRIGHT"]}
    table = record.tables.get("040904B0", {})
    problems = ["version record: %s is %r, not %r" % (name, table.get(name), value)
                for name, value in wanted.items() if table.get(name) != value]
    if not table.get("CompanyName") or not wanted["LegalCopyright"].endswith(" " + table["CompanyName"]):
        problems.append("version record: the maker (CompanyName) does not hold the copyright")
    if record.translations != [(0x0409, 0x04B0)]:
        problems.append("version record: translations %s, not U.S. English Unicode alone" % record.translations)
    fixed = record.fixed
    version = (int(defined["MIRVEL_VERSION_MAJOR"]) << 16 | int(defined["MIRVEL_VERSION_MINOR"]),
               int(defined["MIRVEL_VERSION_PATCH"]) << 16)
    if (fixed.Signature, fixed.FileType) != (0xFEEF04BD, 1) or (fixed.FileVersionMS, fixed.FileVersionLS) != version \
            or (fixed.ProductVersionMS, fixed.ProductVersionLS) != version:
        problems.append("version record: not the numeric version %d.%d.%d of an application" % (
            version[0] >> 16, version[0] & 0xFFFF, version[1] >> 16))
    return problems


def icon_problems(exe):
    """What the program's icon group lacks: two sizes, 32 and 16 pixels, of 16 colours."""
    resources = getattr(exe, "DIRECTORY_ENTRY_RESOURCE", None)
    groups = [entry for kind in (resources.entries if resources else [])
              if kind.id == pefile.RESOURCE_TYPE["RT_GROUP_ICON"] for entry in kind.directory.entries]
    if not groups or min(group.id or 0 for group in groups) != 1:
        return ["no icon group of id 1, the lowest"]
    data = min(groups, key=lambda group: group.id).directory.entries[0].data.struct
    group = exe.get_data(data.OffsetToData, data.Size)
    count = struct.unpack_from("<H", group, 4)[0]
    icons = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i) for i in range(count)]
    sizes = [(width, height, bits) for width, height, _, _, _, bits, _, _ in icons]
    return [] if sizes == [(32, 32, 4), (16, 16, 4)] else ["icon sizes %s, not 32 and 16 pixels of 16 colours" % sizes]


def main():
    path, machine, allow_list, size_limits, version_header = sys.argv[1:]
    with open(size_limits, encoding="utf-8") as limits:
        max_bytes = int(re.search(r"^MIRVEL_MAX_BYTES_%s=(\d+)$" % machine.upper(), limits.read(), re.M).group(1))
    exe = pefile.PE(path)
    problems = (import_problems(exe, allow_list) + header_problems(exe, machine)
                + version_problems(path, version_header) + icon_problems(exe))
    size = os.path.getsize(path)
    if size > max_bytes:
        problems.append("is %d bytes, more than %d" % (size, max_bytes))
    if problems:
        print("%s (%s):\n  %s" % (path, machine, "\n  ".join(problems)))
        return 1
    print("%s (%s): %d bytes, all imports on the Windows 7 list; subsystem 6.1, flags %#06x"
          % (path, machine, size, exe.OPTIONAL_HEADER.DllCharacteristics))
    return 0


if __name__ == "__main__":
    sys.exit(main())
