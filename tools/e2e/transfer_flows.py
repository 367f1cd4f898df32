"""Transfer flows: Receive, Send and Receive All in the program's window against
the simulated synth (synthsim) on a JACK dummy server of the flow's own.

The program finds synthsim's ports by name, written into the plug-ins'
settings before it starts, as a user's earlier set-up would have left them.
"""

import configparser
import json
import os
import shutil
import subprocess
import time

from tonalith_e2e import SKIP, FlowError, _die_with_parent, _stop, wait_until

MAIN = r"^Tonalith! V"
JACK_TOOLS = ("jackd", "jack_wait")
# The program runs with ASan; a receive of 82 KB at synthsim's cable speed
# takes a few seconds, so the waits are generous.
TRANSFER_TIMEOUT = 90.0


class Instrument:
    """A JACK dummy server and synthsim answering requests from held data."""

    def __init__(self, session, data):
        self.session = session
        self.name = f"e2e-{os.getpid()}"
        self.store = os.path.join(session.work, "store.syx")
        # The session's environment: the program and the CLI reach the same server.
        env = session.env()
        env.update(JACK_DEFAULT_SERVER=self.name, JACK_NO_START_SERVER="1", TONALITH_MIDI_API="JACK")
        self.jackd = self.synthsim = None
        with open(os.path.join(session.work, "jackd.log"), "wb") as log:
            self.jackd = subprocess.Popen(
                ["jackd", "-n", self.name, "-S", "-t", "2000", "--no-realtime", "-d", "dummy", "-r", "48000",
                 "-p", "64", "-C", "0", "-P", "0"],
                env=env, stdout=log, stderr=log, start_new_session=True, preexec_fn=_die_with_parent)
        wait_until(self._server_running, "the JACK dummy server", timeout=20)
        synthsim = os.path.join(session.build, "bin", "synthsim")
        self.sim_log = os.path.join(session.work, "synthsim.log")
        with open(self.sim_log, "wb") as log:
            self.synthsim = subprocess.Popen(
                [synthsim, "--name", "sim", "--jack", "--data", data, "--store", self.store, "--rate", "100000"],
                env=env, stdout=log, stderr=log, start_new_session=True, preexec_fn=_die_with_parent)
        wait_until(lambda: "ready" in self._read(self.sim_log), "synthsim to open its ports", timeout=20)
        ports = json.loads(session.cli("ports", "--api", "jack", "--json"))
        self.input = self._port(ports["inputs"])
        self.output = self._port(ports["outputs"])

    def _server_running(self):
        if self.jackd.poll() is not None:
            raise FlowError("jackd ended (see jackd.log)")
        done = subprocess.run(["jack_wait", "-s", self.name, "-c"], env=self.session.env(), capture_output=True,
                              text=True, timeout=10)
        return done.stdout.startswith("running")

    @staticmethod
    def _read(path):
        with open(path, errors="replace") as f:
            return f.read()

    @staticmethod
    def _port(ports):
        names = [p["name"] for p in ports if p["name"].startswith("sim")]
        if len(names) != 1:
            raise FlowError(f"expected one synthsim port, found {ports}")
        return names[0]

    def connect(self, ini_file):
        """The plug-in's settings name synthsim's ports (the settings file is written before the program runs)."""
        put_settings(self.session, {"MIDIIN": "0", "MIDIINNAME": self.input, "MIDIOUT": "0",
                                    "MIDIOUTNAME": self.output}, ini_file)

    def close(self):
        _stop(self.synthsim, "synthsim")
        _stop(self.jackd, "jackd")


def needs_jack(flow):
    """Runs flow(session) when the JACK server programs are installed; skips (or fails when required) otherwise."""
    def run(session):
        missing = [t for t in JACK_TOOLS if shutil.which(t) is None]
        if missing:
            if os.environ.get("TONALITH_REQUIRE_E2E") == "1":
                raise FlowError(f"cannot run without {', '.join(missing)}")
            print(f"e2e: no {', '.join(missing)}; skipped")
            raise SystemExit(SKIP)
        flow(session)
    return run


def settings_file(session, name="Tonalith.ini"):
    return os.path.join(session.config, "tonalith", name)


def put_settings(session, values, name="Tonalith.ini"):
    path = settings_file(session, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    ini = configparser.ConfigParser(interpolation=None, strict=False)
    ini.optionxform = str
    ini.read(path)
    if not ini.has_section("SETUP"):
        ini.add_section("SETUP")
    ini["SETUP"].update(values)
    with open(path, "w") as f:
        ini.write(f, space_around_delimiters=False)


def messages(data):
    """The SysEx messages of data (F0 ... F7)."""
    return [b"\xf0" + part for part in data.split(b"\xf0")[1:]]


def stored_ends_with(path, data):
    with open(path, "rb") as f:
        return f.read().endswith(data)


def today():
    t = time.localtime()
    return f"{t.tm_mday}.{t.tm_mon}.{t.tm_year}"


def start_empty(session):
    session.start_program()
    session.wait_window(MAIN, timeout=40)
    session.wait_active(MAIN)


def quit_saved(session):
    session.wait_active(MAIN)
    session.key("ctrl+q")
    code = session.wait_exit(30)
    if code != 0:
        raise FlowError(f"the program ended with exit code {code}")


def patch_names(session, path, layer):
    report = json.loads(session.cli("info", path, "--json"))
    layers = report["layers"]
    return [p["name"].rstrip() for p in layers[layer]["patches"]]


@needs_jack
def receive_jv(session):
    """Ctrl+R, the JV user patches (the first automatic entry), Return: the dump
    arrives in the default file, opens as a bank, and holds synthsim's patches."""
    data = os.path.join(session.work, "instrument.syx")
    session.cli("new", "--synth", "Roland JV", "-o", data)
    for index, name in ((0, "Warm Strings"), (5, "Bright Brass"), (127, "Last One")):
        session.cli("rename", data, "--layer", "0", "--patch", str(index), "--name", name, "-o", data)
    instrument = Instrument(session, data)
    try:
        instrument.connect("Amberkit.ini")
        start_empty(session)
        session.key("ctrl+r")
        session.wait_window(r"^Receive —")
        session.wait_active(r"^Receive —")
        session.key("Return")
        received = os.path.join(session.work, today() + ".syx")
        wait_until(lambda: os.path.exists(received) and os.path.getsize(received) >= 82560,
                   "the user patches to arrive", timeout=TRANSFER_TIMEOUT)
        # The status window closes in the same step that opens the received bank.
        session.wait_no_window(r"^Status —", timeout=TRANSFER_TIMEOUT)
        if os.path.getsize(received) != 82560:
            raise FlowError(f"received {os.path.getsize(received)} bytes, expected the 82560 of the user patches")
        got = patch_names(session, received, 0)
        want = patch_names(session, data, 0)
        if got != want or got[5] != "Bright Brass":
            raise FlowError(f"the received bank's names differ from the instrument's: {got[:8]}")
        session.screenshot("received")
        quit_saved(session)
        # The layout remembers the open windows: the received bank was opened.
        ini = configparser.ConfigParser(interpolation=None, strict=False)
        ini.optionxform = str
        ini.read(settings_file(session))
        opened = ini.get("SETUP", "WIN_POS_CHILDWINPATH1", fallback=None)
        if opened != received:
            raise FlowError(f"the received bank was not opened (the layout remembers {opened!r})")
    finally:
        instrument.close()


@needs_jack
def send_korg(session):
    """A Korg bank open, Ctrl+D, the layers the file held preselected, Return:
    synthsim stores every message of the file byte for byte."""
    bank = os.path.join(session.work, "korg.syx")
    session.cli("new", "--synth", "Korg", "-o", bank)
    session.cli("rename", bank, "--layer", "0", "--patch", "3", "--name", "Sent Sound", "-o", bank)
    instrument = Instrument(session, bank)
    try:
        instrument.connect("Emberkit.ini")
        session.start_program(bank)
        session.wait_window(MAIN, timeout=40)
        session.wait_active(MAIN)
        session.key("ctrl+d")
        session.wait_window(r"^Send to Synth —")
        session.wait_active(r"^Send to Synth —")
        session.key("Return")
        with open(bank, "rb") as f:
            sent = f.read()
        # The memory first switches the instrument to program mode and sends the
        # edit buffer; then every message of the file follows byte for byte.
        wait_until(lambda: os.path.getsize(instrument.store) >= len(sent), "synthsim to store the sent bank",
                   timeout=TRANSFER_TIMEOUT)
        wait_until(lambda: stored_ends_with(instrument.store, sent), "the stored bytes to end with the bank")
        with open(instrument.store, "rb") as f:
            preamble = f.read()[:-len(sent)]
        foreign = [m for m in messages(preamble) if not m.startswith(b"\xf0\x42\x30\x2b")]
        if foreign or preamble[-1:] not in (b"", b"\xf7"):
            raise FlowError(f"before the bank came bytes that are no 01/W messages: {preamble[:32].hex()}")
        quit_saved(session)
    finally:
        instrument.close()


@needs_jack
def receive_all(session):
    """Ctrl+Shift+R with two remembered dumps, Return: both files in today's
    folder (today's name taken, so "-1"), the second after the pause."""
    bank = os.path.join(session.work, "korg.syx")
    session.cli("new", "--synth", "Korg", "-o", bank)
    instrument = Instrument(session, bank)
    try:
        instrument.connect("Emberkit.ini")
        out = os.path.join(session.work, "dumps")
        os.makedirs(os.path.join(out, today()))
        put_settings(session, {"ACTPATH": out + "/", "RECEIVE_ALL0": "Korg 01/W Global",
                               "RECEIVE_ALL1": "Korg 01/W All Programs", "RECEIVE_ALL2": ""})
        start_empty(session)
        session.key("ctrl+shift+r")
        session.wait_window(r"^Receive All —")
        session.wait_active(r"^Receive All —")
        session.key("Return")
        folder = os.path.join(out, today() + "-1")
        # The files are numbered in the list's order, which is the synth's.
        first = os.path.join(folder, "1 - Korg 01_W All Programs.syx")
        second = os.path.join(folder, "2 - Korg 01_W Global.syx")
        wait_until(lambda: os.path.exists(second) and os.path.getsize(second) == 31,
                   "the second dump to arrive whole", timeout=TRANSFER_TIMEOUT)
        if os.path.getsize(first) != 39322:
            raise FlowError(f"the program dump has {os.path.getsize(first)} bytes, not 39322")
        # The first file was complete before the pause began; the second's first
        # bytes came after it, so its creation follows by at least the pause.
        gap = os.stat(second).st_mtime - os.stat(first).st_mtime
        if gap < 2.5:
            raise FlowError(f"the second dump came {gap:.1f} s after the first, without the pause")
        print(f"e2e receive_all: {gap:.1f} s between the two files")
        quit_saved(session)
    finally:
        instrument.close()


FLOWS = {
    "receive_jv": receive_jv,
    "send_korg": send_korg,
    "receive_all": receive_all,
}
