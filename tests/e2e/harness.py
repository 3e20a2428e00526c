"""What every end-to-end test needs: Corvane, notepad and the probe started
for real under Wine in the world that tests/world.sh set up, with xdotool for
the keyboard and the mouse. Every wait is bounded; every process a test
starts is ended by its id."""
import argparse
import os
import queue
import shutil
import subprocess
import sys
import threading
import time
import unittest

ARGS = None
_started = []  # Popen objects of this test run, ended at exit


def parse_args():
    global ARGS
    p = argparse.ArgumentParser()
    p.add_argument("--bin", required=True, help="folder of Corvane.exe, fifo.dll, probe.exe")
    p.add_argument("--work", required=True, help="this test's own folder")
    ARGS, rest = p.parse_known_args()
    return rest


def wait_for(what, timeout, interval=0.25, message="condition"):
    """Polls what() until it returns something true; fails after timeout s."""
    end = time.monotonic() + timeout
    while True:
        value = what()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out after %.0f s waiting for %s" % (timeout, message))
        time.sleep(interval)


def spawn(argv, cwd=None, stdout=None, stdin=None):
    proc = subprocess.Popen(argv, cwd=cwd, stdout=stdout or subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, stdin=stdin or subprocess.DEVNULL)
    _started.append(proc)
    return proc


def end(proc, timeout=10):
    """Ends a process this test started, by its id."""
    if proc.poll() is None:
        proc.kill()
    try:
        proc.wait(timeout)
    except subprocess.TimeoutExpired:
        pass


def end_all():
    for proc in _started:
        end(proc)


def xdo(*args, check=True):
    out = subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True,
                         timeout=30)
    if check and out.returncode:
        raise AssertionError("xdotool %s: %s" % (" ".join(map(str, args)), out.stderr.strip()))
    return out.stdout.strip()


def x_window(name, timeout=30):
    """The first X window whose name is exactly name."""
    pattern = "^%s$" % "".join("\\" + c if c in ".[]()*+?{}|^$\\" else c for c in name)
    ids = wait_for(lambda: xdo("search", "--name", pattern, check=False).split(),
                   timeout, message="X window %r" % name)
    return ids[0]


def x_geometry(window):
    out = xdo("getwindowgeometry", "--shell", window)
    g = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])


class Probe:
    """probe.exe, answering one line per command."""

    def __init__(self):
        self.proc = spawn(["wine", os.path.join(ARGS.bin, "probe.exe")], stdout=subprocess.PIPE,
                          stdin=subprocess.PIPE)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        assert self._line(60) == "ready"

    def _read(self):
        for raw in self.proc.stdout:
            self.lines.put(raw.decode("utf-8", "replace").rstrip("\r\n"))
        self.lines.put(None)

    def _line(self, timeout):
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise AssertionError("probe did not answer within %d s" % timeout)
        if line is None:
            raise AssertionError("probe ended")
        return line

    def ask(self, *words, timeout=30):
        self.proc.stdin.write((" ".join(str(w) for w in words) + "\n").encode("utf-8"))
        self.proc.stdin.flush()
        return self._line(timeout)

    def windows(self, cls="-", title="-"):
        """[(hwnd, pid, visible, (l, t, r, b))] of matching top-level windows."""
        out = self.ask("find", cls, title)
        if out == "-":
            return []
        result = []
        for entry in out.split(";"):
            f = entry.split()
            result.append((f[0], int(f[1]), f[2] == "1", tuple(int(v) for v in f[3:7])))
        return result

    def texts(self, hwnd):
        return unescape(self.ask("texts", hwnd)).split("|")

    def clipboard(self):
        """('W', text), ('A', bytes), None (no text) or 'busy'."""
        out = self.ask("clip")
        if out in ("-", "busy"):
            return None if out == "-" else out
        kind, _, rest = out.partition(" ")
        return (kind, unescape(rest)) if kind == "W" else (kind, bytes.fromhex(rest))

    def set_ansi(self, data):
        """Puts only CF_TEXT with these bytes on the clipboard."""
        return self.ask("setclipa", data.hex())

    def ansi_clipboard(self):
        """The CF_TEXT bytes the clipboard hands out, None or 'busy'."""
        out = self.ask("clipa")
        if out in ("-", "busy"):
            return None if out == "-" else out
        return bytes.fromhex(out[2:])

    def clip_text(self):
        c = self.clipboard()
        return c[1] if isinstance(c, tuple) and c[0] == "W" else None

    def edit_text(self, hwnd):
        return unescape(self.ask("edittext", hwnd))

    def post(self, hwnd, message, wparam=0, lparam=0):
        return self.ask("post", hwnd, "%x" % message, "%x" % wparam, "%x" % lparam)

    def quit(self):
        try:
            self.ask("quit", timeout=10)
        except AssertionError:
            pass
        end(self.proc)


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            out.append({"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}[text[i + 1]])
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


# Ctrl+Alt+F (FIFO), Ctrl+Alt+L (Loop), Ctrl+Alt+H (Menu), Ctrl+Alt+D (Line):
# modifiers first, then the keys, little-endian.
SETTINGS = bytes([3, 3, 3, 3, 0x46, 0, 0x4C, 0, 0x48, 0, 0x44, 0])

WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
IDM_FIFO, IDM_LOOP, IDM_LINE, IDM_HOTKEY, IDM_VERSION, IDM_EXIT = range(201, 207)


class Corvane:
    """One run of Corvane.exe from its own working folder, its trace captured."""

    def __init__(self, workdir, name="corvane", trace_dir=None):
        os.makedirs(workdir, exist_ok=True)
        self.workdir = workdir
        self.trace_path = os.path.join(trace_dir or workdir, name + ".trace")
        self.trace_file = open(self.trace_path, "wb")
        self.proc = spawn(["wine", os.path.join(ARGS.bin, "Corvane.exe")], cwd=workdir,
                          stdout=self.trace_file)

    def trace(self):
        with open(self.trace_path, "rb") as f:
            return f.read().decode("cp932", "replace").replace("\r\n", "\n")

    def wait_trace(self, line, timeout=20, count=1):
        wait_for(lambda: self.trace().count(line) >= count, timeout,
                 message="trace line %r (x%d); trace so far: %r" % (line, count, self.trace()[-400:]))

    def exit_code(self, timeout=60):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("Corvane did not end within %d s" % timeout)

    def stop(self):
        end(self.proc)
        self.trace_file.close()


def start_corvane(probe, folder, settings=None, trace_dir=None):
    """Corvane.exe started in folder (given this setting.dat first, unless
    None), once its main window and tray icon are there: (Corvane, window)."""
    if settings is not None:
        with open(os.path.join(folder, "setting.dat"), "wb") as f:
            f.write(settings)
    corvane = Corvane(folder, trace_dir=trace_dir)
    main = main_window(probe)
    tray_icon_point()
    return corvane, main


HOTKEY_WARNING = "ホットキーの登録に失敗しました。"


def answer_box(probe, containing=HOTKEY_WARNING, title="警告", timeout=60):
    """Waits for the one message box of that title to show its text (the box
    exists before its dialog procedure has filled it in), closes it and
    returns its texts."""
    boxes = wait_for(lambda: probe.windows("#32770", title), timeout, message="the %s box" % title)
    assert len(boxes) == 1, boxes
    texts = wait_for(lambda: [t for t in [probe.texts(boxes[0][0])] if containing in "|".join(t)],
                     20, message="the box's text %r" % containing)[0]
    probe.post(boxes[0][0], WM_CLOSE)
    wait_for(lambda: not [w for w in probe.windows("#32770", title) if w[2]], 20,
             message="the %s box to close" % title)
    return texts


def main_window(probe, timeout=60):
    """The hidden main window, once start-up has got that far."""
    return wait_for(lambda: probe.windows("Corvane_KR_Class"), timeout,
                    message="Corvane's main window")[0][0]


def tray_icon_point(timeout=60):
    """Screen point of the first icon in Wine's stand-alone tray window,
    raised above the windows that may cover it (there is no window manager)."""
    window = x_window("Wine System Tray", timeout)
    xdo("windowraise", window)
    x, y, w, h = x_geometry(window)
    return x + 10, y + h // 2


def focus_corvane_popup(left, top):
    """Gives the X focus to Corvane's visible X window whose top-left corner
    is (left, top), such as a popup menu: with no window manager nothing else
    hands it the keyboard. False when there is none."""
    ids = [w for w in xdo("search", "--onlyvisible", "--classname", "corvane.exe", check=False).split()
           if x_geometry(w)[:2] == (left, top)]
    if ids:
        xdo("windowfocus", ids[0])
    return bool(ids)


def open_tray_menu(probe):
    """Right-button press on the tray icon; returns the context menu's
    screen rectangle once it shows."""
    px, py = tray_icon_point()
    xdo("mousemove", px, py)
    xdo("click", 3)
    return wait_for(lambda: [w for w in probe.windows("#32768") if w[2]], 20,
                    message="the context menu")[0][3]


def choose_from_tray_menu(probe, first=True):
    """Opens the context menu and clicks its first item (FIFO) or its last
    (Exit); the menu's rectangle is all a test sees of it from outside."""
    l, t, r, b = open_tray_menu(probe)
    xdo("mousemove", l + 20, t + 10 if first else b - 8)
    time.sleep(0.3)
    xdo("click", 1)
    wait_for(lambda: not [w for w in probe.windows("#32768") if w[2]], 20,
             message="the context menu to close")


class Notepad:
    """Wine's 32-bit notepad, so that fifo.dll is mapped into it as on 32-bit Windows."""

    def __init__(self, probe):
        self.probe = probe
        before = {w[0] for w in probe.windows("Notepad")}
        self.proc = spawn(["wine", "C:\\windows\\syswow64\\notepad.exe"])
        self.hwnd = wait_for(lambda: [w[0] for w in probe.windows("Notepad") if w[0] not in before],
                             60, message="notepad")[0]
        # "Untitled - Notepad", or its translation under another locale.
        self.xid = x_window(probe.texts(self.hwnd)[0])

    def focus(self):
        # A click in the document, as a person would after using the tray
        # menu (which gave Corvane the foreground), then the X focus.
        x, y, w, h = x_geometry(self.xid)
        xdo("mousemove", x + w // 2, y + h // 2)
        xdo("click", 1)
        xdo("windowfocus", "--sync", self.xid)
        time.sleep(0.3)

    def text(self):
        return self.probe.edit_text(self.hwnd)

    def type(self, text):
        xdo("type", "--delay", 60, text)

    def keys(self, *keys):
        for k in keys:
            xdo("key", "--delay", 60, k)
            time.sleep(0.15)

    def close(self):
        end(self.proc)


def shoot(name, rect):
    """Saves the screen rectangle (l, t, r, b) as <work>/<name>.png."""
    l, t, r, b = rect
    path = os.path.join(ARGS.work, name + ".png")
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (r - l, b - t, l, t),
                    "+repage", path], check=True, timeout=30, capture_output=True)
    assert os.path.getsize(path) > 0, path
    return path


def open_notepad(test, probe):
    """A notepad with the keyboard, closed when the test ends."""
    pad = Notepad(probe)
    test.addCleanup(pad.close)
    pad.focus()
    return pad


class CorvaneAndNotepad(unittest.TestCase):
    """One Corvane (with the class's SETTINGS, when not None) for all the
    tests of a class, and a fresh notepad with the keyboard for each test."""
    SETTINGS = None

    @classmethod
    def setUpClass(cls):
        cls.probe = Probe()
        cls.corvane, cls.main = start_corvane(cls.probe, fresh_dir("corvane"), cls.SETTINGS)
        cls.pid = cls.probe.windows("Corvane_KR_Class")[0][1]

    @classmethod
    def tearDownClass(cls):
        cls.corvane.stop()
        cls.probe.quit()

    def setUp(self):
        self.pad = open_notepad(self, self.probe)


def fresh_dir(*parts):
    path = os.path.join(ARGS.work, *parts)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def run_tests():
    """Runs the unittest cases of the calling script; ends what they started."""
    rest = parse_args()
    os.makedirs(ARGS.work, exist_ok=True)
    try:
        program = unittest.main(module="__main__", argv=[sys.argv[0]] + rest, exit=False,
                                verbosity=2)
    finally:
        end_all()
    sys.exit(0 if program.result.wasSuccessful() else 1)
