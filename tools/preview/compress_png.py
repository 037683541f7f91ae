#!/usr/bin/env python3
"""Compresses the image data of PNG files in place (the preview program
writes it stored, without compression)."""
import struct
import sys
import zlib


def chunks(data):
    offset = 8
    while offset < len(data):
        (length,) = struct.unpack(">I", data[offset:offset + 4])
        kind = data[offset + 4:offset + 8]
        yield kind, data[offset + 8:offset + 8 + length]
        offset += 12 + length


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def compress(path):
    with open(path, "rb") as f:
        data = f.read()
    parts = list(chunks(data))
    image = zlib.decompress(b"".join(body for kind, body in parts if kind == b"IDAT"))
    out = data[:8]
    for kind, body in parts:
        if kind == b"IDAT":
            continue
        if kind == b"IEND":
            out += chunk(b"IDAT", zlib.compress(image, 9))
        out += chunk(kind, body)
    with open(path, "wb") as f:
        f.write(out)


for name in sys.argv[1:]:
    compress(name)
