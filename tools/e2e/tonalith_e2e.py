"""Drives the real Tonalith program on a private X display.

A flow is a function taking a Session. The session starts Xvfb on a free
display, a window manager (without one no window gets the keyboard focus, so
shortcuts never fire) and the program with a private settings folder; it offers
waits on conditions, keys and clicks through xdotool, screenshots, and always
stops everything it started. Only the Python standard library is used.

    python3 flows.py --build BUILD_DIR --work WORK_DIR FLOW

Exit codes: 0 passed, 1 failed, 77 skipped (tools missing and
TONALITH_REQUIRE_E2E is not 1).
"""

import argparse
import ctypes
import hashlib
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import time
import traceback
import zlib

SKIP = 77
TOOLS = ("Xvfb", "openbox", "xdotool", "xprop", "xwd")
DEFAULT_TIMEOUT = 20.0
POLL = 0.05


class FlowError(Exception):
    """A condition of a flow did not hold."""


def _die_with_parent():
    # A driver killed outright (a CTest timeout) must not leave a server behind.
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


def _stop(process, name, grace=5.0):
    """Ends a child and everything in its process group, politely first."""
    if process is None or process.poll() is not None:
        return
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, grace)):
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            return
        try:
            process.wait(wait)
            return
        except subprocess.TimeoutExpired:
            continue
    print(f"e2e: {name} (pid {process.pid}) would not end", file=sys.stderr)


def wait_until(condition, what, timeout=DEFAULT_TIMEOUT):
    """Polls condition until it returns something truthy; that value is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise FlowError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(POLL)


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def xwd_to_png(data):
    """Converts an xwd dump (ZPixmap, TrueColor) to PNG bytes."""
    h = struct.unpack(">25I", data[:100])
    header_size, width, height = h[0], h[4], h[5]
    lsb, bytes_per_line, ncolors = h[7] == 0, h[12], h[19]
    masks = h[14:17]
    bpp = bytes_per_line // width if width else 0
    offset = header_size + ncolors * 12
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    rows = bytearray()
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * bpp]
        rows.append(0)
        if bpp == 4 and lsb and masks == (0xFF0000, 0xFF00, 0xFF):
            pixels = bytearray(width * 3)
            pixels[0::3], pixels[1::3], pixels[2::3] = line[2::4], line[1::4], line[0::4]
            rows += pixels
        else:
            for x in range(width):
                v = int.from_bytes(line[x * bpp:(x + 1) * bpp], "little" if lsb else "big")
                rows += bytes((v & m) >> s for m, s in zip(masks, shifts))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(rows), 6)) + chunk(b"IEND", b""))


class Session:
    """One private desktop with the program on it."""

    def __init__(self, build, work):
        self.build = os.path.abspath(build)
        self.work = os.path.abspath(work)
        self.display = None
        self.xvfb = self.wm = self.program = None
        self.program_log = os.path.join(self.work, "tonalith.log")
        self.config = os.path.join(self.work, "config")
        self.shots = 0
        self._env = dict(os.environ)

    # --- set-up and tear-down -------------------------------------------------

    def start_desktop(self, timeout=DEFAULT_TIMEOUT):
        read_fd, write_fd = os.pipe()
        with open(os.path.join(self.work, "xvfb.log"), "wb") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                 "-noreset"],
                pass_fds=(write_fd,), stdout=log, stderr=log, start_new_session=True,
                preexec_fn=_die_with_parent)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + timeout
        try:
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_fd], [], [], left)[0]:
                    raise FlowError("Xvfb did not report its display (see xvfb.log)")
                part = os.read(read_fd, 16)
                if not part:
                    raise FlowError("Xvfb ended before it reported its display (see xvfb.log)")
                number += part
        finally:
            os.close(read_fd)
        self.display = ":" + number.decode().strip()
        self._env = self._make_env()
        with open(os.path.join(self.work, "openbox.log"), "wb") as log:
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env(), stdout=log, stderr=log,
                                       start_new_session=True, preexec_fn=_die_with_parent)
        wait_until(lambda: "window id" in self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False),
                   "the window manager", timeout)

    def env(self):
        return self._env

    def _make_env(self):
        env = dict(os.environ)
        runtime = os.path.join(self.work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env.update(DISPLAY=self.display, XDG_CONFIG_HOME=self.config, XDG_RUNTIME_DIR=runtime,
                   QT_QPA_PLATFORM="xcb",
                   TONALITH_PLUGIN_PATH=os.path.join(self.build, "lib", "tonalith", "plugins"))
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def start_program(self, *arguments):
        log = open(self.program_log, "ab")
        self.program = subprocess.Popen([os.path.join(self.build, "bin", "tonalith"), *arguments], env=self.env(),
                                        cwd=self.work, stdout=log, stderr=log, start_new_session=True,
                                        preexec_fn=_die_with_parent)
        log.close()

    def close(self):
        _stop(self.program, "tonalith")
        _stop(self.wm, "openbox")
        _stop(self.xvfb, "Xvfb")

    # --- the X display --------------------------------------------------------

    def run(self, *command, check=True):
        done = subprocess.run(command, env=self.env(), capture_output=True, text=True, timeout=DEFAULT_TIMEOUT)
        if check and done.returncode != 0:
            raise FlowError(f"{' '.join(command)} failed: {done.stderr.strip()}")
        return done.stdout

    def windows(self):
        """(id, name) of every visible window with a name."""
        found = []
        for line in self.run("xdotool", "search", "--onlyvisible", "--name", ".", check=False).split():
            name = self.run("xdotool", "getwindowname", line, check=False).rstrip("\n")
            if name:
                found.append((line, name))
        return found

    def find_window(self, pattern):
        return next((w for w, name in self.windows() if re.search(pattern, name)), None)

    def wait_window(self, pattern, timeout=DEFAULT_TIMEOUT):
        """Waits for a visible window whose title matches pattern; returns its id."""
        return wait_until(lambda: self.find_window(pattern), f"a window titled /{pattern}/", timeout)

    def wait_no_window(self, pattern, timeout=DEFAULT_TIMEOUT):
        wait_until(lambda: self.find_window(pattern) is None, f"no window titled /{pattern}/", timeout)

    def active_name(self):
        return self.run("xdotool", "getactivewindow", "getwindowname", check=False).rstrip("\n")

    def wait_active(self, pattern, timeout=DEFAULT_TIMEOUT):
        """Waits until the window with the keyboard focus has a title matching pattern."""
        wait_until(lambda: re.search(pattern, self.active_name()), f"the active window to be /{pattern}/", timeout)

    def key(self, *keys):
        """Presses keys (xdotool names: ctrl+e, Tab, Up, Return) in the focused window."""
        self.run("xdotool", "key", "--delay", "40", *keys)

    def click(self, window, x, y):
        self.run("xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1")

    # --- the program ----------------------------------------------------------

    def wait_exit(self, timeout=DEFAULT_TIMEOUT):
        """Waits for the program to end and returns its exit code."""
        try:
            return self.program.wait(timeout)
        except subprocess.TimeoutExpired:
            raise FlowError(f"the program did not end within {timeout:.0f} s") from None

    def wait_file_changed(self, path, before, timeout=DEFAULT_TIMEOUT):
        """Waits until path's content digest differs from before (a digest)."""
        wait_until(lambda: os.path.exists(path) and digest(path) != before, f"{os.path.basename(path)} to change",
                   timeout)

    def wait_file_digest(self, path, expected, what, timeout=DEFAULT_TIMEOUT):
        """Waits until path's content digest is expected."""
        wait_until(lambda: os.path.exists(path) and digest(path) == expected, what, timeout)

    def cli(self, *arguments):
        done = subprocess.run([os.path.join(self.build, "bin", "tonalith-cli"), *arguments], env=self.env(),
                              capture_output=True, text=True, timeout=60)
        if done.returncode != 0:
            raise FlowError(f"tonalith-cli {' '.join(arguments)} failed ({done.returncode}): {done.stderr.strip()}")
        return done.stdout

    # --- evidence -------------------------------------------------------------

    def screenshot(self, label):
        """Saves the screen and every visible named window as PNG; returns the files."""
        self.shots += 1
        files = []
        # Under Xvfb the root image can miss a newly mapped window's content, so
        # each window is saved on its own too.
        targets = [("root", ["-root"])] + [(w, ["-id", w]) for w, _ in self.windows()]
        for name, selector in targets:
            done = subprocess.run(["xwd", "-silent", *selector], env=self.env(), capture_output=True, timeout=30)
            if done.returncode != 0 or not done.stdout:
                continue
            path = os.path.join(self.work, f"shot{self.shots:02}-{label}-{name}.png")
            with open(path, "wb") as f:
                f.write(xwd_to_png(done.stdout))
            files.append(path)
        return files

    def report_failure(self):
        try:
            print("windows on the display:", file=sys.stderr)
            for w, name in self.windows():
                print(f"  {w}  {name}", file=sys.stderr)
            print(f"  active: {self.active_name()}", file=sys.stderr)
            for path in self.screenshot("failure"):
                print(f"screenshot: {path}", file=sys.stderr)
        except Exception as e:  # the display itself may be gone
            print(f"could not inspect the display: {e}", file=sys.stderr)
        if os.path.exists(self.program_log):
            with open(self.program_log, errors="replace") as f:
                tail = f.read()[-4000:]
            print(f"--- {self.program_log} (end) ---\n{tail}", file=sys.stderr)


def missing_tools(build):
    missing = [t for t in TOOLS if shutil.which(t) is None]
    missing += [p for p in ("bin/tonalith", "bin/tonalith-cli") if not os.access(os.path.join(build, p), os.X_OK)]
    return missing


def main(flows):
    """Runs one flow by name; the command line of every flow file."""
    parser = argparse.ArgumentParser(description="Runs an end-to-end flow of the Tonalith program.")
    parser.add_argument("--build", required=True, help="the build tree (holds bin/tonalith)")
    parser.add_argument("--work", required=True, help="a folder for the flow's files; emptied first")
    parser.add_argument("flow", choices=sorted(flows))
    args = parser.parse_args()

    missing = missing_tools(args.build)
    if missing:
        message = f"e2e: cannot run without {', '.join(missing)} (scripts/install-deps installs the tools)"
        if os.environ.get("TONALITH_REQUIRE_E2E") == "1":
            print(message + "; TONALITH_REQUIRE_E2E=1, so this fails", file=sys.stderr)
            return 1
        print(message + "; skipped")
        return SKIP

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)

    def interrupted(signum, frame):
        raise KeyboardInterrupt(f"signal {signum}")

    for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        signal.signal(sig, interrupted)

    session = Session(args.build, args.work)
    started = time.monotonic()
    try:
        session.start_desktop()
        flows[args.flow](session)
        print(f"e2e {args.flow}: passed in {time.monotonic() - started:.1f} s")
        return 0
    except (FlowError, AssertionError, KeyboardInterrupt, OSError, subprocess.SubprocessError) as e:
        print(f"e2e {args.flow}: FAILED after {time.monotonic() - started:.1f} s: {e}", file=sys.stderr)
        traceback.print_exc()
        if session.display:
            session.report_failure()
        print(f"files of the flow: {args.work}", file=sys.stderr)
        return 1
    finally:
        session.close()
