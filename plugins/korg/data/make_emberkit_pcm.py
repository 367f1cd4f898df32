#!/usr/bin/env python3
"""Writes Emberkit.pcm, the Korg 01/W multisound and drum sound name file.

Only names that are known go in; every other entry is its bare number, so the
editors show "123" rather than a guessed name. Usage:
    make_emberkit_pcm.py <reference>/names/korg01w/GAP.md Emberkit.pcm
The known names are the numbered ones in the reference's "Known facts" list.
"""
import re
import sys

MULTISOUNDS = 255   # 256 on the 01/W Pro models
DRUM_SOUNDS = 118   # 128 on the 01/W Pro models
MAX_NAME = 15       # characters of "NNN: name"

NOTES = """\
Korg 01/W sound names for Emberkit.
Lines before the first empty line: the multisounds, one per line, in number order.
Lines before the second empty line: the drum sounds, the same way.
An entry is its three-digit number, a colon, a blank and the name ("001: E.Piano 1").
Entries whose name is not known yet are the bare number ("123"): replace them with
the names from the instrument's multisound and drum sound lists (owner's manual,
percussion manual or the instrument's display). Keep one line per number.
The Pro models have a 256th multisound and 128 drum sounds: add those lines at the
end of the list.
Everything after the second empty line, like these notes, is ignored.
"""


def known_names(gap_text):
    start = gap_text.index("## Known facts")
    section = gap_text[start:gap_text.index("##", start + 2)]
    line = next(l for l in section.split("\n- ") if l.startswith("From the brief"))
    return {int(n): name for n, name in re.findall(r'(\d{3}) "([^"]+)"', line)}


def entries(count, names):
    lines = []
    for i in range(count):
        line = f"{i:03d}: {names[i]}" if i in names else f"{i:03d}"
        assert len(line) <= MAX_NAME, line
        lines.append(line)
    return lines


def main():
    gap, out = sys.argv[1], sys.argv[2]
    with open(gap, encoding="utf-8") as f:
        names = known_names(f.read())
    lines = entries(MULTISOUNDS, names) + [""] + entries(DRUM_SOUNDS, {}) + [""] + NOTES.splitlines()
    with open(out, "w", encoding="ascii", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


if __name__ == "__main__":
    main()
