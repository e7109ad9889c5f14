#!/usr/bin/env python3
"""Makes a package around the stub with an independent zlib user, for the stub's interop test:
  make_interop_package.py OUTDIR STUB ENGINE
writes OUTDIR/expected/* (the files the package must unpack to, the engine excepted) and
OUTDIR/python-setup.exe (stub + package, made by make_package.py)."""
import json
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
MAKER = os.path.join(HERE, "..", "..", "tools", "package_builder", "testing", "make_package.py")


def main(outdir, stub, engine):
    expected = os.path.join(outdir, "expected")
    os.makedirs(expected, exist_ok=True)
    rng = random.Random(20261211)
    files = {
        "notes.txt": b"".join(b"line %d of the notes\r\n" % i for i in range(5000)),
        "random.bin": bytes(rng.getrandbits(8) for _ in range(200000)),
        "empty.dat": b"",
        "zeros.bin": bytes(1 << 20),
    }
    for name, data in files.items():
        with open(os.path.join(expected, name), "wb") as f:
            f.write(data)
    entries = [{"name": "Engine.exe*", "source": engine, "compressed": True}]
    for name in sorted(files):
        entries.append({"name": name, "source": os.path.join(expected, name),
                        "compressed": name != "random.bin"})
    # One file in two entries, stored then compressed: the parts are appended in order.
    part = os.path.join(outdir, "split-part.bin")
    with open(part, "wb") as f:
        f.write(b"second part\r\n" * 100)
    with open(os.path.join(expected, "split.txt"), "wb") as f:
        f.write(b"first part\r\n" * 100 + b"second part\r\n" * 100)
    first = os.path.join(outdir, "split-first.bin")
    with open(first, "wb") as f:
        f.write(b"first part\r\n" * 100)
    entries.append({"name": "split.txt", "source": first, "compressed": False})
    entries.append({"name": "split.txt", "source": part, "compressed": True})
    layout = {"stub": stub, "languages": [["English", []]],
              "update": ["http://", ".info", ".exe", "", ""], "entries": entries}
    layout_path = os.path.join(outdir, "layout.json")
    with open(layout_path, "w") as f:
        json.dump(layout, f)
    subprocess.run([sys.executable, MAKER, layout_path, os.path.join(outdir, "python-setup.exe")],
                   check=True)


if __name__ == "__main__":
    main(*sys.argv[1:4])
