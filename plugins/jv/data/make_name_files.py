#!/usr/bin/env python3
"""Generates the JV/XP name files from the published name lists.

    make_name_files.py [REFERENCE_NAMES_JV_DIR] [OUTPUT_DIR]

Defaults: ../../../../shared/reference/names/jv and the folder of this script.
Writes 1.pre .. 8.pre (preset groups) and <board>.boa (expansion boards):
CR LF lines in Windows-1252, the group name first, then the sections
[WAVE], [PATCH], [RHYTHM], each name number 0 first. See README.md.
"""
import csv
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_SOURCE = os.path.normpath(os.path.join(HERE, "..", "..", "..", "..", "shared", "reference", "names", "jv"))


def read_tsv(path):
    with open(path, encoding="utf-8", newline="") as f:
        return list(csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE))


def numbered(rows, key="number"):
    """Names in number order; numbers are 1-based and must have no gaps."""
    rows = sorted(rows, key=lambda r: int(r[key]))
    names = []
    for expected, row in enumerate(rows, start=1):
        if int(row[key]) != expected:
            raise SystemExit(f"gap in numbering before {row[key]} ({row['name']})")
        names.append(row["name"])
    return names


def write_group(path, name, waves=(), patches=(), rhythms=()):
    lines = [name]
    for tag, names in (("WAVE", waves), ("PATCH", patches), ("RHYTHM", rhythms)):
        if names:
            lines.append(f"[{tag}]")
            lines.extend(names)
            lines.append(f"[/{tag}]")
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1252"))


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_SOURCE
    out = sys.argv[2] if len(sys.argv) > 2 else HERE

    waves = read_tsv(os.path.join(source, "jv1080_waves.tsv"))
    presets = read_tsv(os.path.join(source, "jv1080_presets.tsv"))
    rhythms = read_tsv(os.path.join(source, "jv1080_rhythm_sets.tsv"))
    preset_e = read_tsv(os.path.join(source, "jv2080_preset_e.tsv"))

    def wave_group(g):
        return numbered([r for r in waves if r["group"] == g])

    def bank(b):
        return numbered([r for r in presets if r["bank"] == b])

    def sets(b):
        return numbered([r for r in rhythms if r["bank"] == b])

    # Group numbers are the patch group ids of the units (group type 0); the two
    # internal wave groups (ids 1 and 2 in a tone) are looked up as groups 3 and 4.
    write_group(os.path.join(out, "1.pre"), "USER")
    write_group(os.path.join(out, "2.pre"), "CARD")
    write_group(os.path.join(out, "3.pre"), "INT-A/PR-A", wave_group("INT-A"), bank("PR-A"), sets("PR-A"))
    write_group(os.path.join(out, "4.pre"), "INT-B/PR-B", wave_group("INT-B"), bank("PR-B"), sets("PR-B"))
    write_group(os.path.join(out, "5.pre"), "PR-C", (), bank("PR-C"), sets("PR-C"))
    write_group(os.path.join(out, "6.pre"), "PR-D", (), bank("PR-D (GM)"), sets("PR-D (GM)"))
    write_group(os.path.join(out, "7.pre"), "PR-E",
                (), numbered([r for r in preset_e if r["bank"] == "PR-E"]),
                numbered([r for r in preset_e if r["bank"] == "PR-E rhythm"]))
    write_group(os.path.join(out, "8.pre"), "PCM")

    for board in read_tsv(os.path.join(source, "srjv80_boards.tsv")):
        number = int(board["board_id"])
        rows = read_tsv(os.path.join(source, "boards", f"srjv80-{number:02d}.tsv"))
        kind = lambda k: numbered([r for r in rows if r["kind"] == k])
        short_name = list(board.values())[2]  # the third column: the board's short name
        write_group(os.path.join(out, f"{number}.boa"), f"{board['model']} {short_name}",
                    kind("wave"), kind("patch"), kind("rhythm"))


if __name__ == "__main__":
    main()
