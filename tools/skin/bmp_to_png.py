#!/usr/bin/env python3
"""Converts an uncompressed 24- or 32-bit BMP (as written by the editor's
screenshot mode) into a PNG, with the standard library only.

    python3 tools/skin/bmp_to_png.py input.bmp output.png [zoom]
"""

import struct
import sys
import zlib


def read_bmp(path):
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits not in (24, 32):
        raise SystemExit("only 24- and 32-bit BMP files are supported")
    top_down = height < 0
    height = abs(height)
    step = bits // 8
    row_bytes = (width * step + 3) & ~3
    rows = []
    for y in range(height):
        source = y if top_down else height - 1 - y
        start = offset + source * row_bytes
        row = bytearray()
        for x in range(width):
            b, g, r = data[start + x * step:start + x * step + 3]
            row += bytes((r, g, b))
        rows.append(row)
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + bytes(row) for row in rows)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    open(path, "wb").write(png)


def main():
    width, height, rows = read_bmp(sys.argv[1])
    zoom = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    if zoom > 1:
        rows = [bytearray(b for x in range(width) for b in row[x * 3:x * 3 + 3] * zoom) for row in rows for _ in range(zoom)]
        width, height = width * zoom, height * zoom
    write_png(sys.argv[2], width, height, rows)


if __name__ == "__main__":
    main()
