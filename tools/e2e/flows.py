#!/usr/bin/env python3
"""End-to-end flows of the Tonalith program: what a user does, key by key.

A new flow is a function of a Session (tonalith_e2e.py) named in FLOWS here
and in TONALITH_E2E_FLOWS of CMakeLists.txt, which makes it the CTest test
e2e_<name>. Run one by hand with
    python3 tools/e2e/flows.py --build build/test --work /tmp/e2e edit_parameter
Its files (bank, program log, screenshots on failure) stay in the work folder.
"""

import configparser
import json
import os
import re
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tonalith_e2e import FlowError, digest, main, wait_until  # noqa: E402
from transfer_flows import FLOWS as TRANSFER_FLOWS  # noqa: E402

MAIN = r"^Tonalith! V"
# Windows the program shows of its own accord (the piano keyboard opens at
# start-up while its setting says so); they are neither questions nor errors.
OWN_WINDOWS = r"^Piano Keyboard\b"
EDITOR = r"^Edit Patch\b"
TEMPO_STEPS = 3


def new_bank(session, name="bank.syx"):
    """A bank of initial JV patches, made by the CLI so no field data is needed."""
    path = os.path.join(session.work, name)
    session.cli("new", "--synth", "Roland JV", "-o", path)
    return path


def other_windows(session):
    """The titles of visible windows other than the main window and the program's own tool windows."""
    return [name for _, name in session.windows() if not re.search(MAIN, name) and not re.search(OWN_WINDOWS, name)]


def open_bank(session, path):
    """Starts the program on a bank and waits until it takes keys."""
    session.start_program(path)
    session.wait_window(MAIN, timeout=40)
    session.wait_active(MAIN)
    # A bank that failed to load would show a message instead of only the main window.
    others = other_windows(session)
    if others:
        raise FlowError(f"unexpected windows after start-up: {others}")


def quit_program(session, key="alt+F4"):
    """Closes the main window as a user does (the window manager's Alt+F4, or
    the program's Ctrl+Q) and expects a clean end without any question: every
    flow saves what it keeps."""
    session.wait_active(MAIN)
    session.key(key)

    def ended_or_asked():
        if session.program.poll() is not None:
            return "ended"
        others = other_windows(session)
        return f"asked: {others}" if others else None

    outcome = wait_until(ended_or_asked, "the program to end", timeout=30)
    if outcome != "ended":
        raise FlowError(f"closing the program {outcome} (were there unsaved changes?)")
    code = session.wait_exit()
    if code != 0:
        raise FlowError(f"the program ended with exit code {code}")


def first_message_end(data):
    """Offset just past the first SysEx message."""
    end = data.find(b"\xf7")
    if not data.startswith(b"\xf0") or end < 0:
        raise FlowError("the bank does not start with a SysEx message")
    return end + 1


def parameter_differences(session, original, saved):
    """The parameters of the first patch that differ: {id: (before, after)}."""
    report = json.loads(session.cli("diff", f"{original}:0:0", f"{saved}:0:0", "--json"))
    return {d["id"]: (d["a"], d["b"]) for d in report["differences"]}


def edit_first_patch(session, tempo_steps):
    """Ctrl+E on the focused (first) patch opens its parameter editor; the
    keyboard reaches the Common page's first knob (Patch Tempo) and turns it."""
    session.wait_active(MAIN)
    session.key("ctrl+e")
    session.wait_window(EDITOR)
    session.wait_active(EDITOR)
    # The Common page's first knob (Patch Tempo) takes the focus from a click on
    # it; a click without a drag leaves its value.
    session.click(session.find_window(EDITOR), 88, 162)
    session.key(*["Up"] * tempo_steps)


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


def edit_parameter(session):
    """One knob turned in the parameter editor, OK, saved: the file differs in
    exactly that parameter of the first patch and nowhere else."""
    bank = new_bank(session)
    original = os.path.join(session.work, "original.syx")
    shutil.copyfile(bank, original)
    before = digest(bank)
    open_bank(session, bank)
    edit_first_patch(session, TEMPO_STEPS)
    session.screenshot("edited")
    session.key("Return")  # OK, the default button
    session.wait_no_window(EDITOR)
    session.wait_active(MAIN)
    session.key("ctrl+s")
    session.wait_file_changed(bank, before)
    quit_program(session)

    differences = parameter_differences(session, original, bank)
    if list(differences) != ["tempo"]:
        raise FlowError(f"expected only the patch tempo to differ, found {differences}")
    old, new = differences["tempo"]
    if int(new) - int(old) != TEMPO_STEPS:
        raise FlowError(f"the tempo went from {old} to {new}, not up by {TEMPO_STEPS}")
    with open(original, "rb") as f:
        a = f.read()
    with open(bank, "rb") as f:
        b = f.read()
    limit = first_message_end(a)
    if len(a) != len(b) or a[limit:] != b[limit:]:
        raise FlowError("bytes beyond the first patch's common message changed")


def edit_cancel(session):
    """A knob turned, then Escape: Cancel drops the change, so saving and
    closing leave the file as it was and nothing asks about unsaved changes."""
    bank = new_bank(session)
    before = digest(bank)
    open_bank(session, bank)
    edit_first_patch(session, TEMPO_STEPS)
    session.key("Escape")
    session.wait_no_window(EDITOR)
    session.wait_active(MAIN)
    session.key("ctrl+s")
    quit_program(session, "ctrl+q")
    if digest(bank) != before:
        raise FlowError("Cancel in the editor still changed the saved bank")


def edit_undo_redo(session):
    """OK makes the whole edit one command: one Ctrl+Z takes it back, one Ctrl+Y
    brings it again, as each save shows."""
    bank = new_bank(session)
    original = digest(bank)
    open_bank(session, bank)
    edit_first_patch(session, TEMPO_STEPS)
    session.key("Return")
    session.wait_no_window(EDITOR)
    session.wait_active(MAIN)
    session.key("ctrl+s")
    session.wait_file_changed(bank, original)
    edited = digest(bank)
    session.key("ctrl+z", "ctrl+s")
    session.wait_file_digest(bank, original, "the undone edit to be saved as the original bank")
    session.key("ctrl+y", "ctrl+s")
    session.wait_file_digest(bank, edited, "the redone edit to be saved as the edited bank")
    quit_program(session)


def controller_form(session):
    """The example form opens with its controls; design mode comes and goes, and
    back in run mode the keyboard turns the first control of the tab order (the
    cutoff knob at 127), which a save writes into the file."""
    source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "forms", "jv-filter.cof")
    form = os.path.join(session.work, "jv-filter.cof")
    shutil.copyfile(source, form)
    original = digest(form)
    open_bank(session, form)
    shots = session.screenshot("form")
    if not shots or os.path.getsize(shots[0]) < 1000:
        raise FlowError(f"no usable screenshot: {shots}")
    session.key("ctrl+g")
    session.key("ctrl+g", "Down", "ctrl+s")
    session.wait_file_changed(form, original)
    quit_program(session)
    remembered = settings(session).get("SETUP", "WIN_POS_CHILDWINPATH1", fallback=None)
    if remembered != form:
        raise FlowError(f"the program did not show {form} (layout remembers {remembered!r})")


FLOWS = {
    "open_close": open_close,
    "edit_parameter": edit_parameter,
    "edit_cancel": edit_cancel,
    "edit_undo_redo": edit_undo_redo,
    "controller_form": controller_form,
    **TRANSFER_FLOWS,
}

if __name__ == "__main__":
    sys.exit(main(FLOWS))
