#!/usr/bin/env python3
"""Takes the README's pictures of the program under Xvfb with a window manager.

    python3 tools/e2e/screenshots.py --build build/test --bank BANK.syx --out docs

BANK.syx is a JV/XP bank (a real one shows real names); the pictures are the
bank window, the parameter editor on its first patch, the settings dialog and
the hex viewer. The windows are rendered by the program itself (--screenshot)
where it can, because a capture of the screen can catch a window half drawn.
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
        for arguments in ([bank], ["--hex", bank]):
            target = os.path.join(out, "tonalith-hex-viewer.png" if "--hex" in arguments else "tonalith-jv-bank.png")
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
