#!/usr/bin/env python3
"""Writes the Cobaltkit name files from the published name lists.

Usage: generate_name_files.py [reference/names/xv folder] [output folder]

Preset groups: XV1.pre internal waves, XV2.pre..XV9.pre PR-A..PR-H (patches and
rhythm sets), XV10.pre GM2. SRX boards: <n>.xboa. Files are CR LF text: the
group name, then [WAVE], [PATCH] and [RHYTHM] sections, one name a line in
number order. JV80 board files (<n>.boa) come with the JV/XP plug-in.
"""
import csv
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_SOURCE = os.path.join(HERE, "..", "..", "..", "..", "shared", "reference", "names", "xv")
PRESET_BANKS = ["PR-A", "PR-B", "PR-C", "PR-D", "PR-E", "PR-F", "PR-G", "PR-H"]


def rows(path):
    with open(path, encoding="utf-8", newline="") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def clean(name):
    # Names travel as 8-bit text; keep them on one line.
    return name.replace("\r", " ").replace("\n", " ").rstrip()


def write(path, group_name, waves=(), patches=(), rhythms=()):
    lines = [group_name]
    for tag, names in (("WAVE", waves), ("PATCH", patches), ("RHYTHM", rhythms)):
        if names:
            lines.append("[%s]" % tag)
            lines.extend(clean(n) for n in names)
            lines.append("[/%s]" % tag)
    with open(path, "w", encoding="latin-1", errors="replace", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def ordered(entries, key="number"):
    return [e["name"] for e in sorted(entries, key=lambda e: int(e[key]))]


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_SOURCE
    out = sys.argv[2] if len(sys.argv) > 2 else HERE

    waves = [w for w in rows(os.path.join(source, "xv5080_waves.tsv")) if w["group"] == "INT"]
    write(os.path.join(out, "XV1.pre"), "INT", waves=ordered(waves))

    presets = rows(os.path.join(source, "xv5080_presets.tsv"))
    rhythms = rows(os.path.join(source, "xv5080_rhythm_sets.tsv"))
    for i, bank in enumerate(PRESET_BANKS + ["GM2"]):
        write(os.path.join(out, "XV%d.pre" % (i + 2)), bank,
              patches=ordered([p for p in presets if p["bank"] == bank]),
              rhythms=ordered([r for r in rhythms if r["bank"] == bank]))

    for board in rows(os.path.join(source, "srx_boards.tsv")):
        n = int(board["board_id"])
        entries = rows(os.path.join(source, "srx", "srx-%02d.tsv" % n))
        by_kind = {k: ordered([e for e in entries if e["kind"] == k]) for k in ("wave", "patch", "rhythm")}
        write(os.path.join(out, "%d.xboa" % n), "%s %s" % (board["model"], board["name"]),
              waves=by_kind["wave"], patches=by_kind["patch"], rhythms=by_kind["rhythm"])


if __name__ == "__main__":
    main()
