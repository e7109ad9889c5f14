#!/usr/bin/env python3
"""Moves a linked executable's PE header to offset 256.

A package reader recognises the stub by 'PE' at offset 256 and keeps the package's trailer end in
the eight bytes before it (248..255), which must start out zero. The linker puts the header at
0x80; the headers' padding up to the first section leaves room to move it.
"""
import struct
import sys

TARGET = 256


def main(path):
    data = bytearray(open(path, "rb").read())
    if data[:2] != b"MZ":
        sys.exit(f"{path}: not an executable")
    old = struct.unpack_from("<I", data, 0x3C)[0]
    if old == TARGET:
        return
    if data[old:old + 4] != b"PE\0\0":
        sys.exit(f"{path}: no PE header at {old:#x}")
    sections, optional_size = struct.unpack_from("<H12xH", data, old + 6)
    end = old + 24 + optional_size + 40 * sections
    size_of_headers = struct.unpack_from("<I", data, old + 24 + 60)[0]
    table = old + 24 + optional_size
    raw = [struct.unpack_from("<I", data, table + 40 * i + 20)[0] for i in range(sections)]
    limit = min([size_of_headers] + [r for r in raw if r])
    new_end = TARGET + (end - old)
    if new_end > limit:
        sys.exit(f"{path}: headers end at {new_end:#x}, past the room before {limit:#x}")
    headers = bytes(data[old:end])
    data[0x80:new_end] = bytes(new_end - 0x80)
    data[TARGET:new_end] = headers
    struct.pack_into("<I", data, 0x3C, TARGET)
    open(path, "wb").write(data)


if __name__ == "__main__":
    main(sys.argv[1])
