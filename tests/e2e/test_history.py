"""Hotkeys from setting.dat typed for real, the history popup at notepad's
caret with its full-text tooltip, and the pick that pastes into notepad."""
import os
import time
import unittest

import harness as h

SETTLE = 1.5


def visible(probe, cls, pid=None):
    return [w for w in probe.windows(cls) if w[2] and (pid is None or w[1] == pid)]


class History(unittest.TestCase):
    def setUp(self):
        self.probe = h.Probe()
        self.addCleanup(self.probe.quit)

    def start(self, settings=h.SETTINGS):
        corvane, _ = h.start_corvane(self.probe, h.fresh_dir(self._testMethodName), settings)
        self.addCleanup(corvane.stop)
        return corvane

    def notepad(self):
        return h.open_notepad(self, self.probe)

    def test_mode_hotkeys_switch_the_modes(self):
        corvane = self.start()
        pad = self.notepad()
        pad.keys("ctrl+alt+f")
        corvane.wait_trace("Mode FIFO.\n")
        pad.keys("ctrl+alt+l")
        corvane.wait_trace("Mode Loop.\n")
        pad.keys("ctrl+alt+f")
        corvane.wait_trace("Mode FIFO.\n", count=2)
        # Line division on: a two-line copy queues its lines, the clipboard
        # then holds the first.
        pad.keys("ctrl+alt+d")
        pad.type("north\nsouth")
        pad.keys("ctrl+a", "ctrl+c")
        h.wait_for(lambda: self.probe.clip_text() == "north", 20,
                   message="the first line on the clipboard, got %r" % (self.probe.clipboard(),))
        pad.keys("ctrl+alt+f")
        corvane.wait_trace("Mode off.\n")

    def test_history_popup_at_the_caret_pastes_the_chosen_entry_once(self):
        corvane = self.start()
        pad = self.notepad()
        for text in ("apple", "banana", "cherry"):
            pad.type(text)
            pad.keys("ctrl+a", "ctrl+c")
            time.sleep(SETTLE)
        pad.keys("ctrl+a", "Delete")
        h.wait_for(lambda: pad.text() == "", 10, message="an empty document")
        caret = self.probe.ask("caret", pad.hwnd)
        self.assertNotEqual(caret, "-")
        cx, cy = (int(v) for v in caret.split())
        pid = self.probe.windows("Corvane_KR_Class")[0][1]

        pad.keys("ctrl+alt+h")
        menu = h.wait_for(lambda: visible(self.probe, "#32768", pid), 20, message="the history menu")[0]
        l, t, r, b = menu[3]
        self.assertLessEqual(abs(l - cx), 4, "menu at the caret: %s vs %s" % (menu[3], caret))
        self.assertLessEqual(abs(t - cy), 4, "menu at the caret: %s vs %s" % (menu[3], caret))

        # Highlight the top entry with the pointer: the tooltip shows its whole
        # text beside the menu (WM_GETTEXT is the one question a tooltip
        # answers across processes).
        h.xdo("mousemove", l + 30, t + 8)
        tip = h.wait_for(lambda: [w for w in visible(self.probe, "tooltips_class32", pid)
                                  if self.probe.edit_text(w[0]) == "cherry"], 20,
                         message="the tooltip with the entry's text")[0]
        tl, tt, tr, tb = tip[3]
        self.assertTrue(r - 8 <= tl <= r + 12, "tooltip beside the menu: %s vs %s" % (tip[3], menu[3]))

        # The access character of the second entry picks "banana". There is
        # no window manager to hand the keyboard to the menu's X window: the
        # test gives it the X focus itself.
        self.assertTrue(h.focus_corvane_popup(l, t), "the menu's X window")
        h.xdo("key", "2")
        h.wait_for(lambda: pad.text() == "banana", 20,
                   message="notepad to receive the entry, got %r" % pad.text())
        time.sleep(2)  # later notices of the hook must not paste again
        self.assertEqual(pad.text(), "banana")
        self.assertEqual(self.probe.clip_text(), "banana")
        self.assertEqual(visible(self.probe, "tooltips_class32", pid), [])

    def test_history_hotkey_with_empty_history_opens_no_menu(self):
        self.start()
        pad = self.notepad()
        pad.keys("ctrl+alt+h")
        time.sleep(3)
        self.assertEqual([w for w in self.probe.windows("#32768") if w[2]], [])

    def test_busy_hotkey_warns_once_and_the_program_goes_on(self):
        self.assertEqual(self.probe.ask("hotkey", "3", "46"), "ok")  # Ctrl+Alt+F taken
        folder = h.fresh_dir(self._testMethodName)
        with open(os.path.join(folder, "setting.dat"), "wb") as f:
            f.write(h.SETTINGS)
        corvane = h.Corvane(folder)
        self.addCleanup(corvane.stop)
        self.assertIn("ホットキーの登録に失敗しました。", "|".join(h.answer_box(self.probe)))
        h.main_window(self.probe)
        h.tray_icon_point()
        corvane.wait_trace("don't set any hotkey.\n")
        self.assertIsNone(corvane.proc.poll())
        # The context menu still works: Exit ends the run normally.
        h.choose_from_tray_menu(self.probe, first=False)
        self.assertEqual(corvane.exit_code(), 0)


if __name__ == "__main__":
    h.run_tests()
