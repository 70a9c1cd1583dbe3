#!/usr/bin/env python3
"""Writes a zip that is the same bytes on every machine and at every time:
    make_zip.py OUTPUT.zip EPOCH FILE...
Entries in name order, stored under their base names, dated EPOCH (seconds;
zip cannot go before 1980), with mode 0644 and the same compression."""
import os
import sys
import time
import zipfile


def main():
    output, epoch, files = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # 1980-01-01, the zip format's first day
    with zipfile.ZipFile(output, "w") as archive:
        for path in sorted(files, key=os.path.basename):
            entry = zipfile.ZipInfo(os.path.basename(path), date_time=stamp)
            entry.external_attr = 0o100644 << 16
            entry.create_system = 3  # Unix, so the mode above is what it says
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                archive.writestr(entry, source.read(), compresslevel=9)


if __name__ == "__main__":
    main()
