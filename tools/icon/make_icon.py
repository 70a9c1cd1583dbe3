#!/usr/bin/env python3
"""Builds the program's .ico, or a PNG for Linux desktops, from its pixel grids.

Each grid is a text file, a line a pixel row, top first, a character a pixel:
  .  transparent   K  black   G  grey (shadow)   Y  yellow   W  white   B  blue (ruled lines)
The icon holds an image a grid in the standard 16-colour Windows palette; a
PNG holds one grid's image in the same colours.

Usage: make_icon.py [--check] OUTPUT.ico GRID.txt [GRID.txt ...]
       make_icon.py OUTPUT.png GRID.txt
With --check, fails unless OUTPUT.ico holds what the grids make.
"""
import struct
import sys
import zlib

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
COLOUR_INDEX = {"K": 0, "G": 8, "Y": 11, "B": 12, "W": 15}
TRANSPARENT = "."


def read_grid(path):
    with open(path, encoding="ascii") as grid_file:
        rows = [line.rstrip("\n") for line in grid_file if line.strip()]
    size = len(rows)
    for number, row in enumerate(rows, 1):
        if len(row) != size:
            sys.exit(f"{path}:{number}: {len(row)} pixels in a row of a {size}-row grid")
        bad = set(row) - set(COLOUR_INDEX) - {TRANSPARENT}
        if bad:
            sys.exit(f"{path}:{number}: unknown pixel characters {''.join(sorted(bad))}")
    return rows


def row_bytes(bits_per_row):
    """Bitmap rows are padded to whole 32-bit words."""
    return (bits_per_row + 31) // 32 * 4


def image_data(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", blue, green, red, 0) for red, green, blue in PALETTE)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps run bottom-up
        colour_row = bytearray(row_bytes(size * 4))
        mask_row = bytearray(row_bytes(size))
        for x, pixel in enumerate(row):
            if pixel == TRANSPARENT:
                mask_row[x // 8] |= 0x80 >> (x % 8)
            else:
                colour_row[x // 2] |= COLOUR_INDEX[pixel] << (4 if x % 2 == 0 else 0)
        colour += colour_row
        mask += mask_row
    return header + palette + bytes(colour) + bytes(mask)


def png_data(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    pixels = b"".join(b"\0" + b"".join(b"\0\0\0\0" if pixel == TRANSPARENT else
                                        bytes(PALETTE[COLOUR_INDEX[pixel]]) + b"\xff" for pixel in row)
                      for row in rows)  # each row unfiltered, RGBA
    header = struct.pack(">IIBBBBB", len(rows), len(rows), 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b"")


def main(output, grids, check):
    if output.endswith(".png"):
        with open(output, "wb") as png_file:
            png_file.write(png_data(read_grid(grids[0])))
        return
    images = [(len(rows), image_data(rows)) for rows in map(read_grid, grids)]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    icon = directory + entries + b"".join(data for _, data in images)
    if check:
        with open(output, "rb") as icon_file:
            sys.exit(0 if icon_file.read() == icon else "%s is not what its grids make: run make_icon.py" % output)
    with open(output, "wb") as icon_file:
        icon_file.write(icon)


if __name__ == "__main__":
    arguments = [argument for argument in sys.argv[1:] if argument != "--check"]
    if len(arguments) < 2:
        sys.exit(__doc__)
    main(arguments[0], arguments[1:], "--check" in sys.argv)
