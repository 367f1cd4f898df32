#!/usr/bin/env python3
"""Takes the README's pictures of the program under Xvfb with a window manager.

    python3 tools/e2e/screenshots.py --build build/test --bank BANK.syx --out docs

BANK.syx is a JV/XP bank (a real one shows real names); the pictures are the
bank window, a library of its patches (filed with tonalith-cli), the parameter
editor on its first patch, the settings dialog and the hex viewer. The windows
are rendered by the program itself (--screenshot) where it can, because a
capture of the screen can catch a window half drawn.
Without X tools it says so and ends with 77.
"""

import argparse
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tonalith_e2e import SKIP, Session, missing_tools  # noqa: E402

MAIN = r"^Tonalith! V"


def window_shot(session, pattern, label, target):
    """Saves the window whose title matches pattern as target."""
    window = session.wait_window(pattern)
    for path in session.screenshot(label):
        if path.endswith(f"-{window}.png"):
            shutil.copyfile(path, target)
            print(f"wrote {target}")
            return
    raise RuntimeError(f"no picture of the window /{pattern}/")


# Key names of the picture's library (the settings hold them, one per key byte;
# byte 1 is every new entry's key and keeps its default name).
KEY_NAMES = {2: "Pad", 3: "Lead", 4: "Bell", 18: "Live", 19: "Studio"}


def write_settings(session, maximized=False):
    """Starts the program's settings afresh: no windows of an earlier run, the key names."""
    settings = os.path.join(session.config, "tonalith")
    os.makedirs(settings, exist_ok=True)
    lines = [f"LIBRARY_KEY{b}={name}" for b, name in KEY_NAMES.items()]
    if maximized:  # the library's twelve columns need the whole screen's width
        lines.append("WIN_PLACEMENT_MAIN0=3,0,0,960,768")
    with open(os.path.join(settings, "Tonalith.ini"), "w") as f:
        f.write("[SETUP]\n" + "".join(line + "\n" for line in lines))


def make_library(session, bank, library):
    """Files the bank's patches into a new library, with a few comments and keys to show."""
    write_settings(session)
    session.cli("lib", "new", library)
    session.cli("lib", "add", library, bank)
    session.cli("lib", "set", library, "--entries", "0-3", "--comment", "warm and slow", "--key", "1=Pad",
                "--key", "2=Studio")
    session.cli("lib", "set", library, "--entries", "4-5", "--comment", "for the live set", "--key", "1=Bell",
                "--key", "2=Live")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--bank", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    if missing_tools(args.build):
        print(f"cannot take pictures without {', '.join(missing_tools(args.build))}")
        return SKIP
    work = os.path.abspath(os.path.join(args.build, "screenshots"))
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    bank = os.path.join(work, os.path.basename(args.bank))
    shutil.copyfile(args.bank, bank)
    out = os.path.abspath(args.out)

    session = Session(args.build, work)
    try:
        session.start_desktop()
        library = os.path.join(work, "JV Patches.clb")
        make_library(session, bank, library)
        pictures = {"tonalith-jv-bank.png": [bank], "tonalith-library.png": [library],
                    "tonalith-hex-viewer.png": ["--hex", bank]}
        for name, arguments in pictures.items():
            target = os.path.join(out, name)
            write_settings(session, maximized=name == "tonalith-library.png")
            session.start_program("--screenshot", target, *arguments)
            if session.wait_exit(60) != 0:
                raise RuntimeError(f"the program could not render {target}")
            print(f"wrote {target}")
        session.start_program(bank)
        session.wait_window(MAIN, timeout=40)
        session.wait_active(MAIN)
        session.key("ctrl+e")
        session.wait_active(r"^Edit Patch\b")
        window_shot(session, r"^Edit Patch\b", "editor", os.path.join(out, "tonalith-parameter-editor.png"))
        session.key("Escape")
        session.wait_active(MAIN)
        session.key("alt+f", "t")
        session.wait_active(r"^Settings\b")
        window_shot(session, r"^Settings\b", "settings", os.path.join(out, "tonalith-settings.png"))
        session.key("Escape")
        session.wait_active(MAIN)
        session.key("ctrl+q")
        session.wait_exit(30)
        return 0
    finally:
        session.close()


if __name__ == "__main__":
    sys.exit(main())
