#!/usr/bin/env python3
"""Writes a large library for timing `tonalith-cli lib list` and opening.

Each SOURCE is a library whose entries all have one patch type (e.g. made with
`tonalith-cli lib add source.clb bank.syx --layer 0`); the output cycles through
their records, interleaving the sources, until it holds COUNT entries. The patches
are real-sized because they are real ones.

    make_library.py OUT COUNT SOURCE.clb [SOURCE.clb ...]
"""
import sys

MAGIC = b"TLLIB100"


def records(path):
    data = open(path, "rb").read()
    if not data.startswith(MAGIC):
        sys.exit(f"{path}: not a library file")
    body = data[len(MAGIC):]
    guid = body[:16]
    # Records of one type have one size: the distance between GUID occurrences.
    size = 16
    while size < len(body) and body[size:size + 16] != guid:
        size += 1
    if len(body) % size:
        sys.exit(f"{path}: entries of more than one type or size")
    return [body[i:i + size] for i in range(0, len(body), size)]


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    out, count = sys.argv[1], int(sys.argv[2])
    sources = [records(p) for p in sys.argv[3:]]
    with open(out, "wb") as f:
        f.write(MAGIC)
        for i in range(count):
            source = sources[i % len(sources)]
            f.write(source[(i // len(sources)) % len(source)])


if __name__ == "__main__":
    main()
