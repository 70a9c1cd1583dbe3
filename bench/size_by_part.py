#!/usr/bin/env python3
"""What each part of an executable costs, from the linker's map: size_by_part.py EXE MAP LIMIT

Adds up the input sections placed in the file (not .bss) by the object they
came from (PARTS); what is left is headers and the padding of the sections.
"""
import os
import re
import sys

PARTS = [
    ("resources", lambda f: re.search(r"\.res\)?$", f)),
    ("the program", lambda f: "libmirvel_" in f or "/Mirvel.dir/" in f),
    ("std::from_chars", lambda f: "floating_from_chars" in f),
    ("C++ runtime", lambda f: re.search(r"lib(stdc\+\+|supc\+\+|gcc|gcc_eh)\.a", f)),
    ("imports", lambda f: re.search(r"lib\w+\.a\(\w*(s\d+|_defs\d+|[ht]\d*)\.o\)$", f)),
    ("C start-up and library", lambda f: re.search(r"crt\w*\.o|libming|libmsvcrt|libmoldname", f)),
    ("relocations", lambda f: f == "dll stuff"),  # made by the linker
]
NO_FILE_BYTES = (".bss",)


def input_sections(map_text):
    """(output section, size, object) for every input section placed."""
    placed = map_text.split("Linker script and memory map", 1)[1]
    output = None
    pending = None  # an input section's name, its numbers on the next line
    for line in placed.splitlines():
        if re.match(r"^\.\S+", line):
            output = line.split()[0]
            continue
        numbers = re.match(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if pending and numbers:
            yield output, int(numbers.group(1), 16), numbers.group(2).strip()
        pending = None
        whole = re.match(r"^ (\.\S+|COMMON)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if whole:
            yield output, int(whole.group(2), 16), whole.group(3).strip()
        elif re.match(r"^ (\.\S+|COMMON)$", line):
            pending = line.strip()


def main():
    exe, map_path, limit = sys.argv[1], sys.argv[2], int(sys.argv[3])
    with open(map_path, encoding="utf-8", errors="replace") as map_file:
        map_text = map_file.read()
    totals = {name: 0 for name, _ in PARTS}
    unknown = {}
    for output, size, source in input_sections(map_text):
        if output in NO_FILE_BYTES or output.startswith((".debug", ".zdebug", ".stab")) or size == 0:
            continue
        for name, matches in PARTS:
            if matches(source):
                totals[name] += size
                break
        else:
            unknown[source] = unknown.get(source, 0) + size
    file_size = os.path.getsize(exe)
    placed = sum(totals.values()) + sum(unknown.values())
    print(f"{exe}: {file_size:,} bytes (limit {limit:,}: {limit - file_size:,} to spare)")
    for name, _ in PARTS:
        print(f"  {name:<26} {totals[name]:>8,}")
    for source, size in sorted(unknown.items(), key=lambda item: -item[1]):
        print(f"  {os.path.basename(source):<26} {size:>8,}")
    print(f"  {'headers and padding':<26} {file_size - placed:>8,}")
    return 0 if file_size <= limit else 1


if __name__ == "__main__":
    sys.exit(main())
