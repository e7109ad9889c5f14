#!/usr/bin/env python3
"""Builds a package from the format alone, with Python's zlib, as a second and independent
package maker for the tests:  make_package.py LAYOUT.json OUTPUT

LAYOUT: {"stub": path, "languages": [[name, [[key, value], ...]], ...],
       "update": [five items], "web": [five items] (optional),
       "entries": [{"name": ..., "source": path, "compressed": bool, "stamp": int}, ...],
       "files_count": int, "flags": int, "checksum": bool}
"""
import json
import struct
import sys
import zlib

MAGIC = 0x4A3B2C1D
TRAILER = 74


def delimited(delimiter, items):
    return delimiter + b"".join(item + delimiter for item in items)


def block(data, length):
    return struct.pack("<i", length) + data


def checksum(data, trailer_length):
    if len(data) > 52428800:
        return 1234
    is_exe = len(data) >= 258 and data[0:2] == b"MZ" and data[256:258] == b"PE"
    end = struct.unpack_from("<I", data, 252)[0] if is_exe else 0
    remaining = (end if end > 0 else len(data)) - trailer_length
    offset = 0
    if end > 0:
        remaining -= 512
        offset = 512
    total = 0
    while True:
        chunk = data[offset:offset + 4096]
        offset += len(chunk)
        for i in range(0, len(chunk) - len(chunk) % 4, 4):
            remaining -= 4
            if remaining > 4:
                total = (total + struct.unpack_from("<I", chunk, i)[0]) & 0xFFFFFFFF
        if remaining > 4:
            total = (total + 1234) & 0xFFFFFFFF
        if len(chunk) < 4096:
            return total


def main(layout_path, output):
    with open(layout_path) as f:
        layout = json.load(f)
    with open(layout["stub"], "rb") as f:
        stub = f.read()
    sections = [delimited(b"\x01", [name.encode()] + [(k + "=" + v).encode() for k, v in strings])
                for name, strings in layout["languages"]]
    headers = [delimited(b"\x02", sections), delimited(b"|", [i.encode() for i in layout["update"]])]
    if "web" in layout:
        headers.append(delimited(b"|", [i.encode() for i in layout["web"]]))
    body = b"".join(block(h, len(h)) for h in headers)
    sizes = {}
    for entry in layout["entries"]:
        with open(entry["source"], "rb") as f:
            data = f.read()
        name = entry["name"]
        sizes[name.split("*")[0]] = sizes.get(name.split("*")[0], 0) + len(data)
        payload = b"|" + name.encode() + b"|" + str(entry.get("stamp", 0)).encode() + b"|\0" + data
        if entry.get("compressed", True):
            packed = zlib.compress(payload, 9)
            body += block(packed, len(packed))
        else:
            body += block(payload, -len(payload))
    space = []
    for i in range(9):
        cluster = 1 if i == 0 else 256 << i
        space.append(min(sum(-(-s // cluster) * cluster for s in sizes.values()), 0xFFFFFFFF))
    trailer = struct.pack("<BBHIIII", 1, len(headers), 0, len(stub),
                          layout.get("files_count", len(sizes)), MAGIC, 1234)
    trailer += struct.pack("<Q", 3900000000) + struct.pack("<9I", *space)
    trailer += struct.pack("<BBBBBBI", 0, layout.get("flags", 0), 0, 0, 0, 0, TRAILER)
    assert len(trailer) == TRAILER
    package = bytearray(stub + body + trailer)
    if layout.get("checksum", True):
        struct.pack_into("<I", package, len(package) - TRAILER + 16, checksum(bytes(package), TRAILER))
    with open(output, "wb") as f:
        f.write(package)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
