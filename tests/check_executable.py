#!/usr/bin/env python3
"""Checks a built Mirvel.exe against what every supported Windows needs.

    check_executable.py EXE --objdump OBJDUMP --allow ALLOW_LIST --machine x64|x86 --max-bytes N

Fails on an imported function missing from the allow-list (each entry a
function Windows 7 SP1 has), on an API-set or universal-CRT import, on a
subsystem version other than 6.1, on a missing header flag (terminal-server
aware, ASLR, DEP, and 64-bit ASLR on x64), on a link time stamp, and on a
file larger than N bytes.
"""
import argparse
import os
import re
import subprocess
import sys

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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--allow", required=True)
    parser.add_argument("--machine", choices=["x64", "x86"], required=True)
    parser.add_argument("--max-bytes", type=int, required=True)
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
