"""The hotkey settings dialog with real keystrokes: what the fields show while
keys are pressed, what OK and Cancel leave in setting.dat, and that the
bindings the dialog leaves work at once."""
import os
import time
import unittest

import harness as h

TITLE = "ホットキー設定"
FIFO, LOOP, MENU, LINE, OK, CANCEL = 141, 142, 143, 144, 190, 191
NONE = "なし"


class Dialog(unittest.TestCase):
    def setUp(self):
        self.probe = h.Probe()
        self.addCleanup(self.probe.quit)

    def start(self):
        corvane, main = h.start_corvane(self.probe, h.fresh_dir(self._testMethodName), h.SETTINGS)
        self.addCleanup(corvane.stop)
        return corvane, main

    def setting(self, corvane):
        with open(os.path.join(corvane.workdir, "setting.dat"), "rb") as f:
            return f.read()

    # -- the dialog ---------------------------------------------------------

    def dialogs(self):
        return [w for w in self.probe.windows("#32770", TITLE) if w[2]]

    def open_dialog(self, main):
        self.assertEqual(self.probe.post(main, h.WM_COMMAND, h.IDM_HOTKEY), "ok")
        self.dialog = h.wait_for(self.dialogs, 20, message="the hotkey dialog")[0]
        # No window manager hands the keyboard to the dialog: the test gives
        # its X window the X focus itself, found by the window's position.
        l, t, r, b = self.dialog[3]
        candidates = []
        for xid in h.xdo("search", "--onlyvisible", "--classname", "corvane.exe", check=False).split():
            x, y, w, hh = h.x_geometry(xid)
            if l <= x < r and t <= y < b and x + w <= r + 1 and y + hh <= b + 1:
                candidates.append((w * hh, xid))
        self.assertTrue(candidates, "an X window for the dialog at %s" % (self.dialog[3],))
        self.dialog_x = max(candidates)[1]
        h.xdo("windowraise", self.dialog_x)
        h.xdo("windowfocus", "--sync", self.dialog_x)
        return self.dialog[0]

    def field(self, control):
        f = self.probe.ask("child", self.dialog[0], control).split()
        self.assertEqual(len(f), 6, "control %d of the dialog" % control)
        return f[0], tuple(int(v) for v in f[2:6])

    def text(self, control):
        return self.probe.edit_text(self.field(control)[0])

    def texts(self):
        return [self.text(c) for c in (FIFO, LOOP, MENU, LINE)]

    def focused(self):
        return self.probe.ask("focus", self.dialog[0]).split()[0]

    def click_into(self, control):
        hwnd, (l, t, r, b) = self.field(control)
        h.xdo("mousemove", (l + r) // 2, (t + b) // 2)
        h.xdo("click", 1)
        h.xdo("windowfocus", "--sync", self.dialog_x)
        h.wait_for(lambda: self.focused() == hwnd, 10, message="the focus in field %d" % control)

    def expect(self, control, text, message=""):
        h.wait_for(lambda: self.text(control) == text, 10,
                   message="%r in field %d %s(got %r)" % (text, control, message, self.text(control)))

    def keep(self, control, text, message=""):
        # Nothing is expected to happen: give the keystroke time to arrive.
        time.sleep(1)
        self.assertEqual(self.text(control), text, message)

    def down(self, key):
        h.xdo("keydown", key)
        time.sleep(0.3)

    def up(self, key):
        h.xdo("keyup", key)
        time.sleep(0.3)

    def press(self, key):
        h.xdo("key", key)
        time.sleep(0.3)

    def close_with(self, button):
        self.assertEqual(self.probe.ask("click", self.dialog[0], button), "ok")
        h.wait_for(lambda: not self.dialogs(), 20, message="the dialog to close")

    def notepad(self):
        return h.open_notepad(self, self.probe)

    # -- the cases ----------------------------------------------------------

    def test_captured_bindings_are_kept_by_ok_and_work_at_once(self):
        corvane, main = self.start()
        self.probe.post(main, h.WM_COMMAND, h.IDM_FIFO)
        corvane.wait_trace("Mode FIFO.\n")
        self.open_dialog(main)
        corvane.wait_trace("Mode off.\n")  # the dialog switches FIFO off
        self.assertEqual(self.texts(), ["Ctrl + Alt + F", "Ctrl + Alt + L", "Ctrl + Alt + H",
                                        "Ctrl + Alt + D"])

        # Ctrl alone empties the field, Ctrl+A is taken.
        self.click_into(FIFO)
        self.down("ctrl")
        self.expect(FIFO, NONE, "while Ctrl is down ")
        self.press("a")
        self.expect(FIFO, "Ctrl + A")
        self.up("ctrl")
        self.keep(FIFO, "Ctrl + A", "releasing Ctrl after the capture changes nothing")

        # After a capture a key alone does nothing, not even in another field;
        # the next modifier starts over.
        self.click_into(LOOP)
        self.press("b")
        self.keep(LOOP, "Ctrl + Alt + L", "B right after a capture")
        self.down("shift")
        self.keep(LOOP, "Ctrl + Alt + L", "the Shift press that ends the ignoring")
        self.press("b")
        self.expect(LOOP, "Shift + B")
        self.up("shift")

        # Alt+F4 is a binding like any other and the dialog stays.
        self.click_into(MENU)
        self.down("alt")
        self.press("F4")
        self.expect(MENU, "Alt + F4")
        self.up("alt")
        time.sleep(1)
        self.assertEqual(len(self.dialogs()), 1, "Alt+F4 must not close the dialog")

        # A bare key empties the binding; Tab does not move the focus and
        # Escape does not close the dialog.
        self.click_into(LINE)
        line = self.field(LINE)[0]
        self.down("shift")  # ends the ignoring after the capture above
        self.keep(LINE, "Ctrl + Alt + D")
        self.up("shift")  # a modifier's release shows what was held before it
        self.expect(LINE, "Shift + ", "after Shift alone ")
        self.press("c")
        self.expect(LINE, NONE, "after a bare C ")
        self.press("Tab")
        self.keep(LINE, NONE)
        self.assertEqual(self.focused(), line, "Tab must stay in the field")
        self.press("Escape")
        time.sleep(1)
        self.assertEqual(len(self.dialogs()), 1, "Escape must not close the dialog")
        self.assertEqual(self.focused(), line)
        self.assertEqual(self.texts(), ["Ctrl + A", "Shift + B", "Alt + F4", NONE])

        self.close_with(OK)
        corvane.wait_trace("FIFO: Ctrl + A(02, 0041)\n")
        corvane.wait_trace("Loop: Shift + B(04, 0042)\n")
        self.assertEqual(self.probe.windows("#32770", "警告"), [], "the new bindings register")

        # The new combinations work right away, and FIFO was left off: its
        # hotkey switches it on.
        pad = self.notepad()
        pad.keys("ctrl+a")
        corvane.wait_trace("Mode FIFO.\n", count=2)
        pad.keys("shift+b")
        corvane.wait_trace("Mode Loop.\n")
        pad.keys("ctrl+alt+f")  # the old FIFO binding is gone
        time.sleep(2)
        self.assertEqual(corvane.trace().count("Mode FIFO.\n"), 2, corvane.trace()[-300:])

        self.probe.post(main, h.WM_COMMAND, h.IDM_EXIT)
        self.assertEqual(corvane.exit_code(), 0)
        self.assertEqual(self.setting(corvane),
                         bytes([2, 4, 1, 0, 0x41, 0, 0x42, 0, 0x73, 0, 0, 0]))

    def test_cancel_keeps_the_old_bindings_and_leaves_fifo_off(self):
        corvane, main = self.start()
        self.probe.post(main, h.WM_COMMAND, h.IDM_FIFO)
        corvane.wait_trace("Mode FIFO.\n")
        self.open_dialog(main)
        corvane.wait_trace("Mode off.\n")
        self.click_into(FIFO)
        self.down("ctrl")
        self.press("a")
        self.up("ctrl")
        self.expect(FIFO, "Ctrl + A")
        self.close_with(CANCEL)

        # Opened again, the dialog shows the bindings in force, not the
        # dropped capture. The capture before still counts: a key alone is
        # ignored until a modifier is pressed. Right Ctrl is Ctrl.
        self.open_dialog(main)
        self.assertEqual(self.text(FIFO), "Ctrl + Alt + F")
        self.click_into(FIFO)
        self.press("x")
        self.keep(FIFO, "Ctrl + Alt + F", "a key right after the capture of the last opening")
        self.down("Control_R")
        self.press("z")
        self.expect(FIFO, "Ctrl + Z")
        self.up("Control_R")
        # The close box drops the capture too.
        self.probe.post(self.dialog[0], h.WM_CLOSE)
        h.wait_for(lambda: not self.dialogs(), 20, message="the dialog to close")

        # The old FIFO hotkey works and finds FIFO off; the dropped one is
        # nothing.
        pad = self.notepad()
        pad.keys("ctrl+a", "ctrl+z")
        time.sleep(2)
        self.assertEqual(corvane.trace().count("Mode FIFO.\n"), 1, corvane.trace()[-300:])
        pad.keys("ctrl+alt+f")
        corvane.wait_trace("Mode FIFO.\n", count=2)

        self.probe.post(main, h.WM_COMMAND, h.IDM_EXIT)
        self.assertEqual(corvane.exit_code(), 0)
        self.assertEqual(self.setting(corvane), h.SETTINGS)


if __name__ == "__main__":
    h.run_tests()
