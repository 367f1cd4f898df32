#!/usr/bin/env python3
"""End-to-end flows of the Tonalith program: what a user does, key by key.

A new flow is a function of a Session (tonalith_e2e.py) named in FLOWS here
and in TONALITH_E2E_FLOWS (TONALITH_E2E_JACK_FLOWS for a flow that needs
synthsim on JACK) of CMakeLists.txt, which makes it the CTest test
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
from transfer_flows import Instrument, messages, needs_jack, put_settings  # noqa: E402

MAIN = r"^Tonalith! V"
# Windows the program shows of its own accord (the piano keyboard opens at
# start-up while its setting says so); they are neither questions nor errors.
OWN_WINDOWS = r"^Piano Keyboard\b"
EDITOR = r"^Edit Patch\b"
TEMPO_STEPS = 3
KORG_EDITOR = r"^Edit Program\b"
KORG_PROGRAM = 3  # A03, three steps down from the first program
KORG_CUTOFF = 60  # set before, so the steps stay inside 0..99
CUTOFF_STEPS = 5
KORG_CHANNEL = 5  # the plug-in's global MIDI channel, not the default 1
# The VDF 1 page's controls after the cutoff (EG intensity, velocity sense,
# three of keyboard track, four EG times, two EG levels): Shift+Tab from the
# name field reaches the page's last control, these steps more the cutoff.
VDF1_CONTROLS_AFTER_CUTOFF = 11


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


def parameter_differences(session, original, saved, patch=0):
    """The parameters of a patch of the first layer that differ: {id: (before, after)}."""
    report = json.loads(session.cli("diff", f"{original}:0:{patch}", f"{saved}:0:{patch}", "--json"))
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


def wait_title_mark(session, bank, marked, why):
    """Waits until the main window's title, which names the bank while the bank's
    window fills the frame, shows the bank changed (marked) or unchanged."""
    wanted = f"[{os.path.basename(bank)}{'*' if marked else ''}]"
    title = ""

    def shown():
        nonlocal title
        title = session.run("xdotool", "getwindowname", session.wait_window(MAIN)).rstrip("\n")
        return wanted in title

    try:
        wait_until(shown, f"the title to show {wanted} ({why})")
    except FlowError as e:
        raise FlowError(f"{e}; it is {title!r}") from None


def cutoff_changes(instrument):
    """The values of the VDF 1 cutoff changes (function 41, page 2, row 0, parameter 0) synthsim stored, in order."""
    with open(instrument.store, "rb") as f:
        stored = messages(f.read())
    head = bytes([0xF0, 0x42, 0x30 + KORG_CHANNEL - 1, 0x2B, 0x41, 0x02, 0x00, 0x00])
    changes = [m for m in stored if m[4:5] == b"\x41"]
    strays = [m.hex() for m in changes if not m.startswith(head) or len(m) != 11]
    if strays:
        raise FlowError(f"synthsim received parameter changes other than VDF 1 cutoff on channel {KORG_CHANNEL}: "
                        f"{strays}")
    return [m[8] | (m[9] << 7) for m in changes]


@needs_jack
def edit_korg_cutoff(session):
    """A Korg program chosen with the arrow keys, Ctrl+E, VDF 1 cutoff turned
    with the keyboard, OK: the title marks the change, and with real-time update
    on synthsim received the parameter change on the plug-in's channel. Ctrl+Z
    and a save give back the bank byte for byte, Ctrl+Y and a save the new cutoff."""
    bank = os.path.join(session.work, "korg.syx")
    # The messages' format byte carries the channel; the CLI writes the one the program will.
    channel = ("--set", f"CHANNEL={KORG_CHANNEL}")
    session.cli("new", "--synth", "Korg", "-o", bank, *channel)
    session.cli("rename", bank, "--layer", "0", "--patch", str(KORG_PROGRAM), "--name", "Filtered", "-o", bank,
                *channel)
    session.cli("set", bank, f"vdf1.cutoff={KORG_CUTOFF}", "--patch", str(KORG_PROGRAM), "-o", bank, *channel)
    original = os.path.join(session.work, "original.syx")
    shutil.copyfile(bank, original)
    unedited = digest(bank)
    instrument = Instrument(session, bank)
    try:
        instrument.connect("Emberkit.ini")
        put_settings(session, {"CHANNEL": str(KORG_CHANNEL), "REALTIMEUPDATE": "1"}, "Emberkit.ini")
        # The bank's window filled the frame when the program last ended, so the
        # frame's title names the bank and shows its changes.
        put_settings(session, {"WIN_POS_CHILDWINPATH1": bank, "WIN_PLACEMENT_1": "3,0,0,640,480"})
        open_bank(session, bank)
        wait_title_mark(session, bank, False, "just opened")

        session.key(*["Down"] * KORG_PROGRAM, "ctrl+e")
        session.wait_window(KORG_EDITOR)
        session.wait_active(KORG_EDITOR)
        session.key("ctrl+Tab", "ctrl+Tab")  # Page 2: VDF 1
        session.key(*["shift+Tab"] * (1 + VDF1_CONTROLS_AFTER_CUTOFF))
        session.key(*["Up"] * CUTOFF_STEPS)
        session.screenshot("edited")
        session.key("Return")  # OK, the default button
        session.wait_no_window(KORG_EDITOR)
        session.wait_active(MAIN)
        wait_title_mark(session, bank, True, "after OK")
        edited_cutoff = KORG_CUTOFF + CUTOFF_STEPS
        # Each step went out as it was made; the last one carries the value OK kept.
        wait_until(lambda: cutoff_changes(instrument)[-1:] == [edited_cutoff],
                   f"synthsim to receive VDF 1 cutoff {edited_cutoff}")
        sent = cutoff_changes(instrument)
        if any(not KORG_CUTOFF < v <= edited_cutoff for v in sent) or sent != sorted(sent):
            raise FlowError(f"the cutoff changes synthsim received do not step from {KORG_CUTOFF} up: {sent}")

        session.key("ctrl+s")
        session.wait_file_changed(bank, unedited)
        wait_title_mark(session, bank, False, "saved")
        edited = digest(bank)
        session.key("ctrl+z")
        wait_title_mark(session, bank, True, "undone")
        session.key("ctrl+s")
        session.wait_file_digest(bank, unedited, "the undone edit to be saved as the original bank")
        differences = parameter_differences(session, original, bank, KORG_PROGRAM)
        if differences:
            raise FlowError(f"after Undo the program still differs: {differences}")

        session.key("ctrl+y")
        wait_title_mark(session, bank, True, "redone")
        session.key("ctrl+s")
        session.wait_file_digest(bank, edited, "the redone edit to be saved as the edited bank")
        quit_program(session)
    finally:
        instrument.close()

    differences = parameter_differences(session, original, bank, KORG_PROGRAM)
    if differences != {"vdf1.cutoff": (str(KORG_CUTOFF), str(edited_cutoff))}:
        raise FlowError(f"expected only VDF 1 cutoff to go from {KORG_CUTOFF} to {edited_cutoff}, found {differences}")
    for other in (KORG_PROGRAM - 1, KORG_PROGRAM + 1):
        if parameter_differences(session, original, bank, other):
            raise FlowError(f"program {other} changed too")


FLOWS = {
    "open_close": open_close,
    "edit_parameter": edit_parameter,
    "edit_cancel": edit_cancel,
    "edit_undo_redo": edit_undo_redo,
    "controller_form": controller_form,
    "edit_korg_cutoff": edit_korg_cutoff,
    **TRANSFER_FLOWS,
}

if __name__ == "__main__":
    sys.exit(main(FLOWS))
