#!/usr/bin/python3
"""Checks a built Mirvel.exe against what every supported Windows needs.

    check_executable.py EXE --objdump OBJDUMP --allow ALLOW_LIST --machine x64|x86 --max-bytes N
                        --version-header VERSION_H

Fails on an imported function missing from the allow-list (each entry a
function Windows 7 SP1 has), on an API-set or universal-CRT import, on a
subsystem version other than 6.1, on a missing header flag (terminal-server
aware, ASLR, DEP, and 64-bit ASLR on x64), on a link time stamp, on a file
larger than N bytes, on a version record that does not name the program in
U.S. English Unicode with the version and copyright of VERSION_H, and on a
program icon (the icon group of the lowest id, which Windows shows for the
file) other than 32 and 16 pixels in 16 colours.
"""
import argparse
import os
import re
import struct
import subprocess
import sys

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "packaging"))
from exe_version import VersionRecord  # noqa: E402

DLL_CHARACTERISTICS = {
    0x0020: "HIGH_ENTROPY_VA",
    0x0040: "DYNAMIC_BASE",
    0x0100: "NX_COMPAT",
    0x8000: "TERMINAL_SERVER_AWARE",
}


def imports(dump):
    """The (DLL, function) pairs the import table names."""
    found, dll = [], None
    for line in dump.splitlines():
        match = re.match(r"\s*DLL Name: (\S+)", line)
        if match:
            dll = match.group(1)
            continue
        match = re.match(r"\t[0-9a-f]+\t\s*\d+\s+(\S+)$", line)
        if dll and match:
            found.append((dll, match.group(1)))
    return found


def header_value(dump, name):
    match = re.search(r"^%s\s+(\S+)" % re.escape(name), dump, re.MULTILINE)
    return match.group(1) if match else None


def version_problems(exe, header):
    """What the version record lacks: the names written here, the version and copyright the build made."""
    with open(header, encoding="utf-8") as made:
        defined = dict(re.findall(r'^#define (MIRVEL_\w+) "?([^"\n]*)"?$', made.read(), re.MULTILINE))
    record = VersionRecord(exe)
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
    image = pefile.PE(exe, fast_load=True)
    image.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    resources = getattr(image, "DIRECTORY_ENTRY_RESOURCE", None)
    groups = [entry for kind in (resources.entries if resources else [])
              if kind.id == pefile.RESOURCE_TYPE["RT_GROUP_ICON"] for entry in kind.directory.entries]
    if not groups or min(group.id or 0 for group in groups) != 1:
        return ["no icon group of id 1, the lowest"]
    data = min(groups, key=lambda group: group.id).directory.entries[0].data.struct
    group = image.get_data(data.OffsetToData, data.Size)
    count = struct.unpack_from("<H", group, 4)[0]
    icons = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i) for i in range(count)]
    sizes = [(width, height, bits) for width, height, _, _, _, bits, _, _ in icons]
    return [] if sizes == [(32, 32, 4), (16, 16, 4)] else ["icon sizes %s, not 32 and 16 pixels of 16 colours" % sizes]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--allow", required=True)
    parser.add_argument("--machine", choices=["x64", "x86"], required=True)
    parser.add_argument("--max-bytes", type=int, required=True)
    parser.add_argument("--version-header", required=True)
    args = parser.parse_args()

    dump = subprocess.run([args.objdump, "-p", args.exe], check=True, capture_output=True, text=True).stdout
    with open(args.allow, encoding="utf-8") as allow_file:
        allowed = {line.split("#")[0].strip().lower() for line in allow_file} - {""}

    problems = []
    found = imports(dump)
    if not found:
        problems.append("no imports could be read")
    for dll, function in found:
        if re.match(r"(api-ms-win-|ext-ms-win-|ucrtbase)", dll, re.IGNORECASE):
            problems.append("imports %s!%s: an API set or the universal CRT, missing on Windows 7" % (dll, function))
        elif ("%s!%s" % (dll, function)).lower() not in allowed:
            problems.append("imports %s!%s, which is not on the Windows 7 allow-list" % (dll, function))

    if (header_value(dump, "MajorSubsystemVersion"), header_value(dump, "MinorSubsystemVersion")) != ("6", "1"):
        problems.append("subsystem version is not 6.1")
    characteristics = int(header_value(dump, "DllCharacteristics") or "0", 16)
    wanted = [0x0040, 0x0100, 0x8000] + ([0x0020] if args.machine == "x64" else [])
    for flag in wanted:
        if not characteristics & flag:
            problems.append("header lacks %s" % DLL_CHARACTERISTICS[flag])
    magic = header_value(dump, "Magic")
    if magic != ("020b" if args.machine == "x64" else "010b"):
        problems.append("not a %s executable (optional header magic %s)" % (args.machine, magic))
    stamp = re.search(r"^Time/Date\s+(.*)$", dump, re.MULTILINE)
    if stamp and "1970" not in stamp.group(1):
        problems.append("carries a link time (%s), so no two builds are alike" % stamp.group(1).strip())

    problems += version_problems(args.exe, args.version_header) + icon_problems(args.exe)

    size = os.path.getsize(args.exe)
    if size > args.max_bytes:
        problems.append("is %d bytes, more than %d" % (size, args.max_bytes))

    name = "%s (%s)" % (args.exe, args.machine)
    if problems:
        print("%s:\n  %s" % (name, "\n  ".join(problems)))
        return 1
    print("%s: %d bytes, %d imports, all on the Windows 7 list; subsystem 6.1, flags %#06x"
          % (name, size, len(found), characteristics))
    return 0


if __name__ == "__main__":
    sys.exit(main())
