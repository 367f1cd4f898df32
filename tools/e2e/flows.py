#!/usr/bin/env python3
"""End-to-end flows of the Tonalith program: what a user does, key by key."""

import configparser
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tonalith_e2e import FlowError, digest, main  # noqa: E402

MAIN = r"^Tonalith! V"


def new_bank(session, name="bank.syx"):
    """A bank of initial JV patches, made by the CLI so no field data is needed."""
    path = os.path.join(session.work, name)
    session.cli("new", "--synth", "Roland JV", "-o", path)
    return path


def open_bank(session, path):
    """Starts the program on a bank and waits until it takes keys."""
    session.start_program(path)
    session.wait_window(MAIN, timeout=40)
    session.wait_active(MAIN)
    # A bank that failed to load would show a message instead of only the main window.
    others = [name for _, name in session.windows() if not re.search(MAIN, name)]
    if others:
        raise FlowError(f"unexpected windows after start-up: {others}")


def quit_program(session):
    """Closes the main window as a user does and expects a clean end."""
    session.wait_active(MAIN)
    session.key("alt+F4")
    code = session.wait_exit(timeout=30)
    if code != 0:
        raise FlowError(f"the program ended with exit code {code}")


def settings(session):
    ini = configparser.ConfigParser(interpolation=None, strict=False)
    ini.optionxform = str
    ini.read(os.path.join(session.config, "tonalith", "Tonalith.ini"))
    return ini


def open_close(session):
    """The bank opens in a window, the screen can be captured, the program ends cleanly."""
    bank = new_bank(session)
    before = digest(bank)
    open_bank(session, bank)
    shots = session.screenshot("opened")
    if not shots or os.path.getsize(shots[0]) < 1000:
        raise FlowError(f"no usable screenshot: {shots}")
    quit_program(session)
    # The layout remembers the open windows: proof the bank was shown, not only the frame.
    remembered = settings(session).get("SETUP", "WIN_POS_CHILDWINPATH1", fallback=None)
    if remembered != bank:
        raise FlowError(f"the program did not show {bank} (layout remembers {remembered!r})")
    if digest(bank) != before:
        raise FlowError("the bank changed without being saved")


FLOWS = {
    "open_close": open_close,
}

if __name__ == "__main__":
    sys.exit(main(FLOWS))
