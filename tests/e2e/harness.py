"""End-to-end harness: runs the real pelterine.exe under Wine on a private Xvfb display and drives it.

A Session owns one X display (Xvfb + openbox), the Windows build's Wine prefix (locked for the session's
life, so two runs never share it), and at most one running program. The out-of-process Win32 driver
(tools-bin/pelterine_driver.exe) reads and presses the program's windows; xdotool gives real input.
Everything waits for a condition with a bounded timeout; on failure the work folder keeps a screenshot
and a log of what was on screen.
"""

import argparse
import contextlib
import ctypes
import fcntl
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from collections import namedtuple
from pathlib import Path

DEFAULT_TIMEOUT = 10.0       # seconds for every single wait unless a caller asks for more
PREFIX_TIMEOUT = 180.0       # creating a Wine prefix takes ~15 s; allow for a loaded machine
LOCK_TIMEOUT = 240.0         # another session on the same Windows build may hold the prefix
MAIN_TITLE = "Pelterine"
PREFIX_VERSION = "v2"        # bump when _ensure_prefix learns a new setting

Box = namedtuple("Box", "caption text icon")
Rect = namedtuple("Rect", "x y width height")
Control = namedtuple("Control", "cls id style left top right bottom needed text")
Dialog = namedtuple("Dialog", "caption enabled left top right bottom")


from controls import ids  # noqa: E402,F401  (re-exported for the tools)


def left_aligned_labels(controls):
    """The controls that are left-aligned static texts of one line (SS_LEFT or SS_LEFTNOWORDWRAP) with a text;
    a label shows whole when it is at least as wide as its text needs (`needed`)."""
    return [c for c in controls if c.cls == "Static" and c.style & 0x1F in (0x0, 0xC) and c.text and "\n" not in c.text]


class HarnessError(AssertionError):
    """A wait timed out or a driver command failed; the message says what was seen."""


# ------------------------------------------------------------------ command line

class Config:
    win_build = None   # Path of the Windows build folder (holds dist/, tools-bin/, wineprefix/)
    source = None      # Path of the source tree


def main():
    """Entry of a test file: takes --win-build and --source, hands the rest to unittest."""
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--win-build", default=os.environ.get("PELTERINE_WIN_BUILD"))
    parser.add_argument("--source", default=str(Path(__file__).resolve().parents[2]))
    args, rest = parser.parse_known_args()
    if not args.win_build:
        sys.exit("usage: %s --win-build <windows build folder> [--source <tree>] [unittest args]" % sys.argv[0])
    Config.win_build = Path(args.win_build).resolve()
    Config.source = Path(args.source).resolve()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


# ------------------------------------------------------------------ pictures

class Image:
    """RGB pixels, rows top to bottom: get(x, y) -> (r, g, b)."""

    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows

    def get(self, x, y):
        row = self.rows[y]
        return row[3 * x], row[3 * x + 1], row[3 * x + 2]

    def pixels(self):
        for y in range(self.height):
            for x in range(self.width):
                yield self.get(x, y)

    def colours(self):
        """Distinct colours with their counts."""
        counts = {}
        for y in range(self.height):
            row = self.rows[y]
            for i in range(0, 3 * self.width, 3):
                c = (row[i], row[i + 1], row[i + 2])
                counts[c] = counts.get(c, 0) + 1
        return counts

    def save_ppm(self, path):
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height))
            for row in self.rows:
                f.write(bytes(row[:3 * self.width]))


def read_bmp(path):
    """Reads an uncompressed 24-bit BMP (either row order) into an Image."""
    data = Path(path).read_bytes()
    if data[:2] != b"BM" or len(data) < 54:
        raise HarnessError("%s is not a BMP file" % path)
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    bits = int.from_bytes(data[28:30], "little")
    if bits != 24 or width <= 0 or height == 0:
        raise HarnessError("%s: unsupported BMP (%d bits, %d x %d)" % (path, bits, width, height))
    stride = (3 * width + 3) & ~3
    rows = []
    for i in range(abs(height)):
        start = offset + i * stride
        bgr = data[start:start + 3 * width]
        rgb = bytearray(len(bgr))
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(rgb)
    if height > 0:
        rows.reverse()
    return Image(width, abs(height), rows)


def read_ppm(data):
    """Parses a binary PPM (P6, maxval 255) into an Image."""
    tokens, pos = [], 0
    while len(tokens) < 4:
        m = re.compile(rb"\s*(#[^\n]*\n\s*)*(\S+)").match(data, pos)
        if not m:
            raise HarnessError("bad PPM header")
        tokens.append(m.group(2))
        pos = m.end()
    if tokens[0] != b"P6" or tokens[3] != b"255":
        raise HarnessError("unsupported PPM: %r" % tokens)
    width, height = int(tokens[1]), int(tokens[2])
    pos += 1
    rows = [bytearray(data[pos + y * 3 * width: pos + (y + 1) * 3 * width]) for y in range(height)]
    return Image(width, height, rows)


# ------------------------------------------------------------------ small helpers

OUTSIDE_GREY = (64, 64, 64)   # what the skin view shows around the texture


def texture_shown(view):
    """The part of a skin view's capture that shows the texture: the bounding box of what is not the grey around
    it (at one pixel a texel, the texture itself)."""
    rows = [y for y in range(view.height) if any(view.get(x, y) != OUTSIDE_GREY for x in range(view.width))]
    columns = [x for x in range(view.width) if any(view.get(x, y) != OUTSIDE_GREY for y in rows[:1] + rows[-1:])]
    if not rows or not columns:
        return Image(0, 0, [])
    left, right = min(columns), max(columns) + 1
    return Image(right - left, len(rows), [view.rows[y][3 * left:3 * right] for y in range(rows[0], rows[-1] + 1)])


def native_tool(name):
    """A tool of the native build (build/native beside the Windows build, or PELTERINE_NATIVE_BUILD), such as
    make_island_obj."""
    folder = os.environ.get("PELTERINE_NATIVE_BUILD") or str(Path(Config.win_build).parent / "native")
    path = Path(folder) / name
    if not path.is_file():
        raise HarnessError("missing %s: build the native build first" % path)
    return path


def unescape(field):
    """Undoes the driver's escaping of backslash, tab, CR and LF."""
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "r": "\r", "t": "\t"}.get(m.group(1), m.group(1)), field)


def wine_path(path):
    """The Windows form of a Linux path under Wine's default Z: drive."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def wait_until(predicate, timeout, interval=0.05):
    """Calls predicate until it returns something true or the time runs out; returns its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


def _die_with_parent():
    # Xvfb and openbox must not outlive a harness that is killed (CTest's timeout kills with SIGKILL).
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(1, signal.SIGKILL)   # PR_SET_PDEATHSIG


def _terminate(*procs):
    """Ends the given processes this harness started (None entries are skipped), by PID."""
    for proc in procs:
        if proc and proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(5)


def _lock(path, timeout):
    f = open(path, "a+")
    deadline = time.monotonic() + timeout
    while True:
        try:
            fcntl.flock(f, fcntl.LOCK_EX | fcntl.LOCK_NB)
            return f
        except BlockingIOError:
            if time.monotonic() >= deadline:
                f.close()
                raise HarnessError("another end-to-end session holds %s for more than %d s" % (path, timeout))
            time.sleep(0.5)


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class _XScreen:
    """A connection to one X display that reads rectangles of its root window (24-bit TrueColor, as Xvfb's
    screen is here: 32 bits a pixel, blue first)."""

    def __init__(self, display):
        self.lib = ctypes.CDLL("libX11.so.6")
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.lib.XDefaultRootWindow.restype = ctypes.c_ulong
        self.lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.lib.XGetImage.restype = ctypes.POINTER(_XImage)
        self.lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                       ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.lib.XFree.argtypes = [ctypes.c_void_p]
        self.lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = self.lib.XOpenDisplay((":%d" % display).encode())
        if not self.dpy:
            raise HarnessError("cannot open display :%d" % display)
        self.root = self.lib.XDefaultRootWindow(self.dpy)

    def grab(self, x, y, width, height):
        z_pixmap, all_planes = 2, 0xFFFFFFFF
        img = self.lib.XGetImage(self.dpy, self.root, x, y, width, height, all_planes, z_pixmap)
        if not img:
            raise HarnessError("XGetImage of %dx%d+%d+%d failed" % (width, height, x, y))
        try:
            im = img.contents
            if im.bits_per_pixel != 32 or im.byte_order != 0:
                raise HarnessError("unexpected screen format: %d bits a pixel" % im.bits_per_pixel)
            stride = im.bytes_per_line
            raw = ctypes.string_at(im.data, stride * height)
        finally:
            self.lib.XFree(ctypes.cast(img.contents.data, ctypes.c_void_p))
            self.lib.XFree(img)
        rows = []
        for row in range(height):
            bgrx = raw[row * stride: row * stride + 4 * width]
            rgb = bytearray(3 * width)
            rgb[0::3], rgb[1::3], rgb[2::3] = bgrx[2::4], bgrx[1::4], bgrx[0::4]
            rows.append(rgb)
        return Image(width, height, rows)

    def close(self):
        self.lib.XCloseDisplay(self.dpy)


# ------------------------------------------------------------------ the session

class Session:
    """One X display with a window manager, the locked Wine prefix, and the program under test. With a dpi, the
    session has a Wine prefix of its own whose screen has that many dots an inch (LogPixels)."""

    def __init__(self, name, win_build=None, dpi=None):
        self.name = name
        self.win_build = Path(win_build or Config.win_build)
        self.dist = self.win_build / "dist"
        self.driver_exe = self.win_build / "tools-bin" / "pelterine_driver.exe"
        self.dpi = dpi
        self.prefix = self.win_build / ("wineprefix-%ddpi" % dpi if dpi else "wineprefix")
        self.work_root = self.win_build / "e2e-work"
        self.work = None          # working folder of the current program
        self.program = None       # Popen of `wine pelterine.exe`
        self.display = None
        self._xvfb = self._openbox = self._wineserver = self._lock_file = None
        self._real_input = False
        self._log = None
        self._in_context = False
        self._viewport_rect = None   # screen rectangle of the viewport, known once per program start
        self._x = None               # our own connection to the display, for grab_screen
        self._others = []            # further pelterine.exe processes a test started beside the program
        self._driver_flags = []

    # ---- life cycle

    def __enter__(self):
        for p in (self.dist / "pelterine.exe", self.driver_exe):
            if not p.is_file():
                raise HarnessError("missing %s: build the Windows build first" % p)
        self.work_root.mkdir(parents=True, exist_ok=True)
        self._lock_file = _lock(self.win_build / "e2e.lock", LOCK_TIMEOUT)
        try:
            self._start_x()
            self._ensure_prefix()
            self._kill_wineserver()   # leftovers of an earlier, killed session on this prefix
            self._start_wineserver()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        try:
            self.stop_program(restart_server=False)
            if self.display is not None and self.prefix.exists():
                self._stop_wineserver()
        finally:
            if self._x:
                self._x.close()
                self._x = None
            _terminate(self._wineserver, self._openbox, self._xvfb)
            self._wineserver = self._openbox = self._xvfb = None
            if self._lock_file:
                self._lock_file.close()
                self._lock_file = None
        return False

    @property
    def env(self):
        env = dict(os.environ)
        env.update(DISPLAY=":%d" % self.display, WINEPREFIX=str(self.prefix), WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", LANG="C.UTF-8")
        env.pop("LC_ALL", None)
        return env

    def _start_x(self):
        # openbox now and then exits at once on a brand-new display; a second display almost always works.
        for attempt in range(3):
            try:
                return self._start_x_once()
            except HarnessError as e:
                failure = e
                self._stop_x()
        raise failure

    def _stop_x(self):
        _terminate(self._openbox, self._xvfb)
        self._openbox = self._xvfb = None
        self.display = None

    def _start_x_once(self):
        rfd, wfd = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(wfd), "-screen", "0", self._screen_size(), "-nolisten", "tcp"],
            pass_fds=(wfd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)
        os.close(wfd)
        try:
            self.display = int(self._read_display(rfd))
        finally:
            os.close(rfd)
        self._openbox_log = self.work_root / ("openbox-%s.log" % re.sub(r"[^\w.-]", "_", self.name))
        with open(self._openbox_log, "w") as log:
            self._openbox = subprocess.Popen(["openbox", "--sm-disable"], env=self.env, stdout=log, stderr=log,
                                             preexec_fn=_die_with_parent)
        if not wait_until(self._wm_running, DEFAULT_TIMEOUT, 0.1):
            raise HarnessError("openbox did not start on display :%d" % self.display)

    def _screen_size(self):
        # A screen of more dots an inch is a larger screen: 1280 x 1024 at 96 DPI, as many inches at any other.
        scale = (self.dpi or 96) / 96.0
        return "%dx%dx24" % (round(1280 * scale), round(1024 * scale))

    def _read_display(self, fd):
        data = b""
        deadline = time.monotonic() + DEFAULT_TIMEOUT
        while not data.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready, _, _ = select.select([fd], [], [], max(left, 0))
            if not ready or self._xvfb.poll() is not None:
                raise HarnessError("Xvfb did not start (exit %s)" % self._xvfb.poll())
            chunk = os.read(fd, 64)
            if not chunk:
                raise HarnessError("Xvfb closed its display fd")
            data += chunk
        return data.strip()

    def _wm_running(self):
        if self._openbox.poll() is not None:
            said = self._openbox_log.read_text(errors="replace").strip()
            raise HarnessError("openbox exited with %s on display :%d: %s" % (self._openbox.returncode, self.display, said))
        r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env, capture_output=True,
                           text=True, timeout=DEFAULT_TIMEOUT)
        return "window id #" in r.stdout

    def _ensure_prefix(self):
        ready = self.prefix / ".pelterine-ready"
        if ready.exists() and ready.read_text().startswith(PREFIX_VERSION):
            return
        if self.prefix.exists() and not ready.exists():   # left half-made by an interrupted run
            shutil.rmtree(self.prefix)
        started = time.monotonic()
        quiet = dict(env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                     timeout=PREFIX_TIMEOUT)
        if not self.prefix.exists():
            subprocess.run(["wineboot", "-i"], check=True, **quiet)
        # A crash prints its backtrace into the program's log and ends the process, instead of
        # waiting behind Wine's crash dialog.
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog",
                        "/t", "REG_DWORD", "/d", "0", "/f"], check=True, **quiet)
        if self.dpi:
            subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                            "/t", "REG_DWORD", "/d", str(self.dpi), "/f"], check=True, **quiet)
        subprocess.run(["wineserver", "-w"], **quiet)
        ready.write_text("%s prepared in %.1f s\n" % (PREFIX_VERSION, time.monotonic() - started))

    def _start_wineserver(self):
        # A persistent server of our own, and Wine's desktop and services started once with no pipes
        # attached, so later processes start fast and inherit nothing that outlives them.
        self._wineserver = subprocess.Popen(["wineserver", "-f", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                            preexec_fn=_die_with_parent)
        subprocess.run(["wine", str(self.driver_exe), "windows"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=PREFIX_TIMEOUT)

    def _stop_wineserver(self):
        """Ends every Wine process of the prefix and our server."""
        self._kill_wineserver()
        if self._wineserver is not None:
            try:
                self._wineserver.wait(10)
            except subprocess.TimeoutExpired:
                self._wineserver.kill()
                self._wineserver.wait(5)
            self._wineserver = None

    def _kill_wineserver(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)
        subprocess.run(["wineserver", "-w"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)

    # ---- the program

    def stage(self, name, data=True, plugins=True, extra=None):
        """Makes a fresh working folder <win build>/e2e-work/<name>/ holding pelterine.exe and, with
        data=True, the other files of dist/. plugins=True copies dist/plugins as it is, False leaves
        no plugins folder, a list copies just those DLLs (from test-plugins/ or dist/plugins/).
        extra maps relative paths to bytes or to a file to copy."""
        work = self.work_root / name
        if work.exists():
            shutil.rmtree(work)
        work.mkdir(parents=True)
        shutil.copy2(self.dist / "pelterine.exe", work)
        if data:
            for item in self.dist.iterdir():
                if item.name not in ("pelterine.exe", "plugins") and item.is_file():
                    shutil.copy2(item, work)
        self._stage_plugins(work, data, plugins)
        for rel, content in (extra or {}).items():
            target = work / rel
            target.parent.mkdir(parents=True, exist_ok=True)
            if isinstance(content, (bytes, bytearray)):
                target.write_bytes(content)
            else:
                shutil.copy2(content, target)
        return work

    def _stage_plugins(self, work, data, plugins):
        if plugins is True:
            if data and (self.dist / "plugins").is_dir():
                shutil.copytree(self.dist / "plugins", work / "plugins")
            return
        if not plugins:
            return
        (work / "plugins").mkdir()
        for name in plugins:
            for folder in (self.win_build / "test-plugins", self.dist / "plugins"):
                if (folder / name).is_file():
                    shutil.copy2(folder / name, work / "plugins" / name)
                    break
            else:
                raise HarnessError("no plugin %s in test-plugins/ or dist/plugins/" % name)

    def start(self, name, data=True, plugins=True, extra=None, args=(), start_in=None):
        """Stages a fresh working folder and starts `wine pelterine.exe` in it, with args on its command line;
        with start_in (a folder relative to it), the process starts there, as "Open with" may start it.
        Returns the folder."""
        self.stop_program()
        self.work = self.stage(name, data, plugins, extra)
        return self._launch("w", args, start_in)

    def start_in(self, folder):
        """Starts `wine pelterine.exe` in a folder the test made itself, as it is. Returns the folder."""
        self.stop_program()
        self.work = Path(folder)
        return self._launch("w")

    def start_another(self, *args):
        """Starts one more pelterine.exe in the working folder of the running program, with args on its command
        line; returns its Popen. It is ended with the program."""
        other = subprocess.Popen(["wine", "pelterine.exe"] + list(args), cwd=self.work, env=self.env,
                                 stdin=subprocess.DEVNULL, stdout=self._log, stderr=self._log)
        self._others.append(other)
        self.note("started another pelterine.exe, pid %d" % other.pid)
        return other

    def restart(self):
        """Starts the program again in the working folder of the last start, as it was left."""
        self.stop_program()
        return self._launch("a")

    def _launch(self, log_mode, args=(), start_in=None):
        self._viewport_rect = None
        self._log = open(self.work / "e2e-log.txt", log_mode)
        self._log.write("session %s, display :%d, prefix %s\n" % (self.name, self.display, self.prefix))
        program = str(self.work / "pelterine.exe") if start_in else "pelterine.exe"
        self.program = subprocess.Popen(["wine", program] + list(args), cwd=self.work / (start_in or "."),
                                        env=self.env, stdin=subprocess.DEVNULL, stdout=self._log, stderr=self._log)
        self.note("started pelterine.exe, pid %d" % self.program.pid)
        return self.work

    def note(self, text):
        if self._log:
            self._log.write("[%8.3f] %s\n" % (time.monotonic(), text))
            self._log.flush()

    def wait_exit(self, timeout=DEFAULT_TIMEOUT):
        """Waits for the program to end; returns its exit code."""
        try:
            code = self.program.wait(timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("pelterine.exe still runs after %.0f s%s" % (timeout, self.context()))
        self.note("pelterine.exe exited with %d" % code)
        return code

    def stop_program(self, restart_server=True):
        """Ends the program if it still runs, by its PID. The Wine server is restarted only when it may hold
        state that could mislead the next start: after real X input (Wine keeps its own idea of focus, capture
        and pressed keys) or when the process would not die."""
        _terminate(*self._others)
        self._others = []
        if self.program is None:
            return
        if self.program.poll() is None:
            self.note("killing pelterine.exe")
            self.program.kill()
            try:
                self.program.wait(10)
                died = True
            except subprocess.TimeoutExpired:
                died = False
            if not died or self._real_input:
                self._stop_wineserver()
                if restart_server:
                    self._start_wineserver()
        self._real_input = False
        self.program = None
        if self._log:
            self._log.close()
            self._log = None

    def running(self):
        return self.program is not None and self.program.poll() is None

    # ---- the driver

    def run_driver(self, *args, timeout=DEFAULT_TIMEOUT):
        """Runs one driver command; returns (exit code, stdout lines, stderr). Gives up early when the
        program ends while the command waits for it."""
        # The driver gives a reason for every failure; a failure without a word is Wine failing to start it
        # (seen right after the prefix's server was restarted), so it is tried again.
        for attempt in range(3):
            code, out, err = self._run_driver_once(*args, timeout=timeout)
            if code == 0 or out or err:
                break
            self.note("driver %s ended with %d before saying anything: starting it again" % (args[0], code))
            time.sleep(0.5)
        return code, out, err

    def _run_driver_once(self, *args, timeout=DEFAULT_TIMEOUT):
        cmd = ["wine", str(self.driver_exe), "-t", str(int(timeout * 1000))] + self._driver_flags + [str(a) for a in args]
        what = " ".join(map(str, args))
        # Output goes to files, not pipes: a Wine helper process started on the way would inherit a pipe
        # and keep it open long after the driver has ended.
        with tempfile.TemporaryFile() as out_f, tempfile.TemporaryFile() as err_f:
            proc = subprocess.Popen(cmd, env=self.env, cwd=self.work or self.work_root, stdin=subprocess.DEVNULL,
                                    stdout=out_f, stderr=err_f)
            problem = self._wait_driver(proc, timeout + 30)
            if problem:
                raise HarnessError("driver %s: %s%s" % (what, problem, self.context(args[0] if args else "")))
            out_f.seek(0)
            err_f.seek(0)
            out = out_f.read().decode("utf-8", "replace").splitlines()
            err = err_f.read().decode("utf-8", "replace").strip()
        self.note("driver %s -> %d %r %s" % (what, proc.returncode, out, err))
        return proc.returncode, out, err

    def _wait_driver(self, proc, limit):
        """Waits for a driver process; returns None, or why it was stopped."""
        watch = self.running()
        deadline = time.monotonic() + limit
        ended_at = None
        while True:
            try:
                proc.wait(0.1)
                return None
            except subprocess.TimeoutExpired:
                pass
            now = time.monotonic()
            if watch and ended_at is None and not self.running():
                ended_at = now
            why = None
            if ended_at is not None and now - ended_at > 2:
                why = "pelterine.exe ended (exit code %s) while the driver waited" % self.program.returncode
            elif now > deadline:
                why = "did not finish within %.0f s" % limit
            if why:
                proc.kill()
                proc.wait()
                return why

    def driver(self, *args, timeout=DEFAULT_TIMEOUT):
        """Runs a driver command that must succeed; returns its stdout lines."""
        code, out, err = self.run_driver(*args, timeout=timeout)
        if code != 0:
            shown = "\n    ".join(out)
            raise HarnessError("driver %s failed (%d): %s%s%s" % (
                " ".join(map(str, args)), code, err, ("\n    " + shown) if out else "",
                self.context(args[0] if args else "")))
        return out

    def context(self, label="failure"):
        """What was on screen: program state, message boxes, windows, and a screenshot path."""
        if self._in_context:   # a failing driver call inside the report must not report itself again
            return ""
        self._in_context = True
        try:
            return self._describe_screen(label)
        finally:
            self._in_context = False

    def _describe_screen(self, label):
        parts = []
        if self.program is not None:
            code = self.program.poll()
            parts.append("program: " + ("running" if code is None else "exited with %d" % code))
        try:
            _, boxes, _ = self.run_driver("boxes", timeout=3)
            parts.append("message boxes: %s" % ([tuple(unescape(f) for f in b.split("\t")) for b in boxes] or "none"))
            _, wins, _ = self.run_driver("windows", timeout=3)
            parts.append("visible windows:" + ("\n      " + "\n      ".join(wins) if wins else " none"))
        except Exception as e:   # the context must never hide the original failure
            parts.append("(could not list windows: %s)" % e)
        shot = self.screenshot(label)
        if shot:
            parts.append("screenshot: %s" % shot)
        text = "\n  " + "\n  ".join(parts)
        self.note("context:" + text)
        return text

    def screenshot(self, label="screen"):
        """Saves the whole X screen as a PNG in the work folder; returns its path (or None)."""
        if self.display is None:
            return None
        folder = self.work or self.work_root
        path = folder / ("screen-%s-%d.png" % (re.sub(r"[^\w.-]", "_", label), int(time.time() * 1000) % 100000))
        try:
            subprocess.run(["import", "-silent", "-window", "root", str(path)], env=self.env, timeout=20,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            return None
        return path if path.exists() else None

    # ---- main window

    def wait_main(self, timeout=DEFAULT_TIMEOUT):
        """Waits for the visible main window; returns its handle as text."""
        return self.driver("wait-main", int(timeout * 1000), timeout=timeout)[0]

    def click(self, control_id):
        """Presses a control of the main window; returns when handled or when a modal window opened."""
        self.driver("click", control_id)

    def text(self, control_id):
        return unescape(self.driver("text", control_id)[0])

    def set_text(self, control_id, text):
        self.driver("settext", control_id, text)

    def checked(self, control_id):
        return int(self.driver("checked", control_id)[0])

    def enabled(self, control_id):
        return self.driver("enabled", control_id)[0] == "1"

    def focus(self):
        """(control id, class, top-level caption) of the keyboard focus in the program's GUI thread."""
        fields = self.driver("focus")[0].split("\t")
        return int(fields[0]), fields[1], unescape(fields[2])

    def close(self):
        """Posts WM_CLOSE to the main window."""
        self.driver("close")

    def activate(self):
        """Makes the main window the active X window, so real key presses reach it."""
        ids = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % MAIN_TITLE).split()
        if not ids:
            raise HarnessError("no X window named %s%s" % (MAIN_TITLE, self.context("activate")))
        self.xdotool("windowactivate", "--sync", ids[-1])

    def move(self, x, y):
        self.driver("move", x, y)
        self._viewport_rect = None

    def show(self, how):
        """Minimizes, maximizes or restores the main window as its title bar's buttons do; returns once it is so."""
        self.driver("show", how)
        self._viewport_rect = None

    def resize(self, width, height):
        """Gives the main window's client area this size through the window manager, as a drag of its border does
        (the size the window manager allows: never below the start size, never beyond the screen)."""
        window = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % MAIN_TITLE).split()[-1]
        self.xdotool("windowsize", "--sync", window, width, height)
        self._viewport_rect = None

    def state(self):
        """{'iconic': bool, 'zoomed': bool, 'foreground': bool} of the main window."""
        return {k: v == "1" for k, v in (line.split("\t") for line in self.driver("state"))}

    @contextlib.contextmanager
    def any_process(self):
        """Within it, message boxes and dialogs of any process count, a second pelterine.exe's among them."""
        self._driver_flags = ["-a"]
        try:
            yield
        finally:
            self._driver_flags = []

    def layout_problems(self):
        """What breaks the main window's layout: a control or view outside the client area, a view outside the
        "Skin" group, two controls that overlap, a left-aligned label narrower than its text. Empty when none."""
        controls, client = self.controls(), self.client_origin()["main"]
        is_group = lambda c: c.cls == "Button" and c.style & 0xF == 7  # noqa: E731  BS_GROUPBOX
        within = lambda c, l, t, r, b: l <= c.left and t <= c.top and c.right <= r and c.bottom <= b  # noqa: E731
        problems = []
        skin_group = next((c for c in controls if is_group(c) and c.text == "Skin"), None)
        for view in (c for c in controls if c.cls in ("SkinWindowClass", "PatternWindowClass", "ColourPanelWindowClass")):
            if not skin_group or not within(view, *skin_group[3:7]):
                problems.append("%r lies outside the Skin group %r" % (view, skin_group))
        for control in controls:
            if not within(control, 0, 0, client.width, client.height):
                problems.append("%r lies outside the client area %r" % (control, client))
        others = [c for c in controls if not is_group(c)]
        for i, a in enumerate(others):
            for b in others[i + 1:]:
                if a.left < b.right and b.left < a.right and a.top < b.bottom and b.top < a.bottom:
                    problems.append("%r overlaps %r" % (a, b))
        for label in (c for c in controls if c.cls == "Static" and c.style & 0x1F == 0 and c.text):   # SS_LEFT
            # The program measures in its own dialog font; this one may round a pixel the other way.
            needed = int(self.driver("text-width", label.text)[0]) - 1
            if label.right - label.left < needed:
                problems.append("%r is narrower than its text (%d pixels)" % (label, needed))
        return problems

    def client_origin(self):
        """Screen rectangles of the client areas: {'main': Rect, 'viewport': ..., 'skin': ..., 'pattern': ..., 'colour': ...}."""
        rects = {}
        for line in self.driver("client-origin"):
            name, *nums = line.split("\t")
            rects[name] = Rect(*map(int, nums))
        return rects

    def controls(self, dialog=None):
        """Every child of the main window, the views included, or of the program's dialog with the caption
        `dialog`, as Control(class, id, style, edges in pixels of its client area, the width its text needs on
        one line in the dialog font, text)."""
        found = []
        for line in self.driver("controls", *([dialog] if dialog else [])):
            cls, control_id, style, *numbers, text = line.split("\t")
            found.append(Control(cls, int(control_id), int(style, 16), *map(int, numbers), unescape(text)))
        return found

    def dialog_client(self, caption):
        """Screen rectangle of the client area of the program's dialog with this caption (not the main window)."""
        name, *nums = self.driver("client-origin", caption)[0].split("\t")
        return Rect(*map(int, nums))

    def dialogs(self):
        """The program's open dialogs other than the main window, topmost first: [Dialog(caption, enabled,
        window edges on the screen)]."""
        found = []
        for line in self.driver("dialogs"):
            caption, state, *edges = line.split("\t")
            found.append(Dialog(unescape(caption), state == "enabled", *map(int, edges)))
        return found

    def click_control(self, control_id, dialog=None):
        """A real left click (xdotool) on the middle of a control of the main window or of a dialog."""
        control = next(c for c in self.controls(dialog) if c.id == control_id)
        origin = self.dialog_client(dialog) if dialog else self.client_origin()["main"]
        self.click_at(origin.x + (control.left + control.right) // 2, origin.y + (control.top + control.bottom) // 2)

    def click_at(self, x, y, button=1):
        """A real click at a screen position."""
        self.xdotool("mousemove", "--sync", x, y, "click", button)

    def mouse(self, msg, x, y, wparam=None, window="skin"):
        """Sends a mouse message (move, lmove, rmove, ldown, lup, rdown, rup, ...) to a child window."""
        args = ["mouse", msg, x, y]
        if wparam is not None or window != "skin":
            args += [-1 if wparam is None else wparam, window]
        self.driver(*args)

    def capture(self, window="skin"):
        """Pixels of a child window (skin, pattern, viewport) or the main client area as shown on screen."""
        path = self.work / ("capture-%s.bmp" % window)
        self.driver("capture", window, wine_path(path))
        return read_bmp(path)

    def read_viewport(self):
        """The viewport as it shows on screen, read from the X server: what the user sees, under any Wine."""
        if self._viewport_rect is None:
            self._viewport_rect = self.client_origin()["viewport"]
        image = self.grab_screen(*self._viewport_rect)
        if self.work:
            image.save_ppm(self.work / "viewport.ppm")
        return image

    def grab_screen(self, x, y, width, height):
        """Pixels of a rectangle of the X screen (XGetImage on the root window: fast enough to follow frames)."""
        if self._x is None:
            self._x = _XScreen(self.display)
        return self._x.grab(x, y, width, height)

    # ---- message boxes

    def boxes(self):
        """Message boxes now open: a list of Box(caption, text, icon)."""
        return [Box(*[unescape(f) for f in line.split("\t")]) for line in self.driver("boxes") if line]

    def wait_box(self, timeout=DEFAULT_TIMEOUT):
        """Waits for at least one message box; returns the first."""
        code, out, err = self.run_driver("wait-box", int(timeout * 1000), timeout=timeout)
        if code != 0 or not out:
            raise HarnessError("no message box appeared within %.0f s%s" % (timeout, self.context("wait-box")))
        return Box(*[unescape(f) for f in out[0].split("\t")])

    def no_box_within(self, timeout):
        """True when no message box shows up during the whole interval (for things that must not happen)."""
        code, _, _ = self.run_driver("wait-box", int(timeout * 1000), timeout=timeout)
        return code != 0

    def press_box(self, button=1, caption=None):
        """Presses a button (IDOK = 1 ...) of the first message box, or of the first with this caption."""
        self.driver("press-box", button, *([caption] if caption is not None else []))

    def expect_box(self, caption, text, button=1, icon=None, timeout=DEFAULT_TIMEOUT):
        """Waits for a message box, checks its caption, text (and icon), then presses a button."""
        box = self.wait_box(timeout)
        if icon and box.icon != icon and (box.caption, box.text) == (caption, text):
            # The icon is told by its colours on screen: a box caught before it has painted shows none yet.
            def painted():
                seen = [b for b in self.boxes() if (b.caption, b.text) == (caption, text)]
                return seen[0] if seen and seen[0].icon == icon else None
            box = wait_until(painted, timeout) or box
        if box.caption != caption or box.text != text or (icon and box.icon != icon):
            raise HarnessError("expected message box %r / %r%s, saw %r%s" % (
                caption, text, " (%s icon)" % icon if icon else "", box, self.context("unexpected-box")))
        self.press_box(button, caption)
        return box

    # ---- choosers and dialogs

    def open_choose(self, path):
        self.driver("open-choose", wine_path(path) if os.path.isabs(str(path)) else path)

    def open_cancel(self):
        self.driver("open-cancel")

    def open_filters(self):
        """The display texts of the open chooser's file types, in order."""
        return [unescape(line) for line in self.driver("open-filters")]

    def save_choose(self, path, file_type=None):
        """Types the path and presses Save; file_type: the 1-based entry of the type list to choose first."""
        self.driver("save-choose", wine_path(path) if os.path.isabs(str(path)) else path,
                    *([file_type] if file_type is not None else []))

    def save_filters(self):
        """The display texts of the save chooser's file types, in order."""
        return [unescape(line) for line in self.driver("save-filters")]

    def save_cancel(self):
        self.driver("save-cancel")

    def color_choose(self, r, g, b, add=False):
        self.driver("color-choose", r, g, b, *(["add"] if add else []))

    def color_cancel(self):
        self.driver("color-cancel")

    def command(self, command_id):
        """Sends a command without a control of its own (a keyboard shortcut's) to the main window."""
        self.driver("command", command_id)

    def dialog_set_text(self, caption, control_id, text):
        self.driver("dialog-settext", caption, control_id, text)

    def dialog_press(self, caption, control_id):
        """Presses a button of one of the program's dialogs; returns None once it has closed, or the Box that
        opened instead."""
        out = self.driver("dialog-press", caption, control_id)
        if out and out[0].startswith("box\t"):
            return Box(*[unescape(f) for f in out[0].split("\t")[1:]])
        return None

    def color_read(self):
        """(r, g, b) as the open colour chooser shows them."""
        return tuple(int(v) for v in self.driver("color-read")[0].split("\t"))

    def color_ok(self):
        """OK on the colour chooser with the colour it shows."""
        self.driver("color-ok")

    def plugins_wait(self, timeout=DEFAULT_TIMEOUT):
        return self.driver("plugins-wait", int(timeout * 1000), timeout=timeout)[0]

    def plugins_list(self):
        """(entries in list order, selected index or -1)."""
        items, sel = [], -1
        for line in self.driver("plugins-list"):
            kind, _, value = line.partition("\t")
            if kind == "item":
                items.append(unescape(value))
            elif kind == "sel":
                sel = int(value)
        return items, sel

    def plugins_select(self, index):
        self.driver("plugins-select", index)

    def plugins_text(self, control_id):
        return unescape(self.driver("plugins-text", control_id)[0])

    def plugins_press(self, control_id):
        self.driver("plugins-press", control_id)

    # ---- the Layers panel

    def layer_choose(self, row):
        """Chooses a row of the layer list, the top layer being row 0."""
        self.driver("layer-choose", row)

    def layer_opacity(self, opacity):
        self.driver("layer-opacity", opacity)

    def layer_mode(self, index):
        self.driver("layer-mode", index)

    def layer_rows(self):
        """The layer list top first: (name, shown, active) a row."""
        rows = []
        for line in self.driver("layer-rows"):
            fields = line.split("\t")
            rows.append((unescape(fields[0]), fields[1] == "shown", "active" in fields[2:]))
        return rows

    # ---- real input through X

    def xdotool(self, *args):
        self._real_input = True
        try:
            r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, capture_output=True, text=True,
                               timeout=DEFAULT_TIMEOUT * 2)
        except subprocess.TimeoutExpired:
            raise HarnessError("xdotool %s did not finish%s" % (" ".join(map(str, args)), self.context("xdotool")))
        self.note("xdotool %s -> %d %s" % (" ".join(map(str, args)), r.returncode, r.stdout.strip()))
        if r.returncode != 0:
            raise HarnessError("xdotool %s failed: %s" % (" ".join(map(str, args)), r.stderr.strip()))
        return r.stdout

    def key(self, *keys):
        """Real key presses (X keysym names such as Tab, Return, shift+F5) to the focused window."""
        self.xdotool("key", "--clearmodifiers", *keys)

    def type_text(self, text):
        self.xdotool("type", "--clearmodifiers", text)

    def mouse_move(self, x, y):
        self.xdotool("mousemove", "--sync", x, y)

    def mouse_down(self, button=1):
        self.xdotool("mousedown", button)

    def mouse_up(self, button=1):
        self.xdotool("mouseup", button)


# ------------------------------------------------------------------ test case base

class SessionTestCase(unittest.TestCase):
    """Shares one Session across a test class; prints each test's duration and keeps the screen of failures."""

    session = None

    dpi = None   # a DPI other than Wine's 96 gives the class's session a Wine prefix of its own

    @classmethod
    def setUpClass(cls):
        cls._class_started = time.monotonic()
        cls.session = Session(cls.__name__, dpi=cls.dpi).__enter__()

    @classmethod
    def tearDownClass(cls):
        if cls.session:
            cls.session.__exit__(None, None, None)
            cls.session = None

    def setUp(self):
        self._started = time.monotonic()

    def tearDown(self):
        if self._failed():
            sys.stderr.write("\n  failure context:%s\n" % self.session.context(self._testMethodName))
        self.session.stop_program()
        sys.stderr.write("  [%s: %.1f s] " % (self._testMethodName, time.monotonic() - self._started))

    def _failed(self):
        # Failures of the test body (and of its subtests) are already in the result when tearDown runs.
        result = getattr(getattr(self, "_outcome", None), "result", None)
        recorded = list(getattr(result, "failures", [])) + list(getattr(result, "errors", []))
        return any(test is self or getattr(test, "test_case", None) is self for test, _ in recorded)

    def work_name(self):
        """A working folder name unique to this test."""
        return "%s.%s" % (type(self).__name__, self._testMethodName)
