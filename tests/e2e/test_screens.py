"""Screenshots of what a person sees: the tray icon in each of its five
states, the context menu, the history menu with its tooltip, the version
dialog and the hotkey dialog. The pictures go to the test's work folder for
a human to look at; the test checks that each window is there with its
expected title or text when it is shot."""
import time
import unittest

import harness as h

SETTLE = 1.5  # seconds after a key for the 80 ms timers under emulation
VERSION_OK, HOTKEY_FIFO, HOTKEY_CANCEL = 1, 141, 191


class Screens(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.probe = h.Probe()
        cls.corvane, cls.main = h.start_corvane(cls.probe, h.fresh_dir("corvane"), h.SETTINGS)
        cls.pid = cls.probe.windows("Corvane_KR_Class")[0][1]

    @classmethod
    def tearDownClass(cls):
        cls.probe.post(cls.main, h.WM_COMMAND, h.IDM_EXIT)
        cls.corvane.exit_code()
        cls.corvane.stop()
        cls.probe.quit()

    def visible(self, cls, title="-"):
        return [w for w in self.probe.windows(cls, title) if w[2] and w[1] == self.pid]

    def command(self, command_id):
        self.assertEqual(self.probe.post(self.main, h.WM_COMMAND, command_id), "ok")

    def close_menu(self, rect):
        """Escape to the menu's X window closes it, as it would for a person;
        failing that, a click away from everything shown (rect) ends it."""
        l, t, r, b = rect
        if h.focus_corvane_popup(l, t):
            h.xdo("key", "Escape")
        try:
            h.wait_for(lambda: not self.visible("#32768"), 5, message="the menu to close")
        except AssertionError:
            h.xdo("mousemove", max(r + 40, 300), max(b + 40, 300))
            h.xdo("click", 1)
            h.wait_for(lambda: not self.visible("#32768"), 10, message="the menu to close")

    def shoot_tray(self, name):
        tray = h.x_window("Wine System Tray")
        h.xdo("windowraise", tray)
        time.sleep(0.5)  # the icon repaints after the state change
        x, y, w, hh = h.x_geometry(tray)
        return h.shoot(name, (x, y, x + w, y + hh))

    def shoot_dialog(self, title, name, button):
        dialog = h.wait_for(lambda: self.visible("#32770", title), 20,
                            message="the dialog %r" % title)[0]
        time.sleep(0.5)
        path = h.shoot(name, dialog[3])
        texts = self.probe.texts(dialog[0])
        self.assertEqual(texts[0], title)
        self.assertEqual(self.probe.ask("click", dialog[0], button), "ok")
        h.wait_for(lambda: not self.visible("#32770", title), 20,
                   message="the dialog %r to close" % title)
        return path, texts

    def test_1_tray_menu(self):
        l, t, r, b = h.open_tray_menu(self.probe)
        self.assertTrue(self.visible("#32768"), "the menu is Corvane's")
        time.sleep(0.5)
        h.shoot("menu_context", (l, t, r, b))
        self.close_menu((l, t, r, b))

    def test_2_version_dialog(self):
        self.command(h.IDM_VERSION)
        _, texts = self.shoot_dialog("バージョン情報", "dialog_version", VERSION_OK)
        self.assertIn("Corvane, Version 1.03", texts)

    def test_3_hotkey_dialog(self):
        self.command(h.IDM_HOTKEY)
        dialog = h.wait_for(lambda: self.visible("#32770", "ホットキー設定"), 20,
                            message="the hotkey dialog")[0]
        # The fields are filled in once the dialog has started.
        fifo = self.probe.ask("child", dialog[0], HOTKEY_FIFO).split()[0]
        h.wait_for(lambda: self.probe.edit_text(fifo) == "Ctrl + Alt + F", 10,
                   message="the FIFO binding in its field")
        _, texts = self.shoot_dialog("ホットキー設定", "dialog_hotkey", HOTKEY_CANCEL)
        self.assertIn("キャンセル", texts)

    def test_4_tray_states_and_history(self):
        pad = h.Notepad(self.probe)
        self.addCleanup(pad.close)
        shots = [self.shoot_tray("tray_0_off")]

        self.command(h.IDM_FIFO)
        self.corvane.wait_trace("Mode FIFO.\n")
        shots.append(self.shoot_tray("tray_1_fifo"))

        # Three copies, then one paste: two left in the queue.
        pad.focus()
        for text in ("alpha", "bravo", "charlie"):
            pad.type(text)
            pad.keys("ctrl+a", "ctrl+c")
            time.sleep(SETTLE)
        pad.keys("ctrl+a", "Delete")
        pad.keys("ctrl+v")
        h.wait_for(lambda: pad.text() == "alpha", 10, message="the first paste, got %r" % pad.text())
        time.sleep(SETTLE)
        shots.append(self.shoot_tray("tray_2_fifo_pasted"))

        self.command(h.IDM_LOOP)
        self.corvane.wait_trace("Mode Loop.\n")
        shots.append(self.shoot_tray("tray_3_loop"))

        pad.focus()
        pad.keys("ctrl+a", "Delete")
        h.wait_for(lambda: pad.text() == "", 10, message="an empty document")
        for text in ("delta", "echo"):
            pad.type(text)
            pad.keys("ctrl+a", "ctrl+c")
            time.sleep(SETTLE)
        pad.keys("ctrl+a", "Delete")
        h.wait_for(lambda: pad.text() == "", 10, message="an empty document")
        pad.keys("ctrl+v")
        h.wait_for(lambda: pad.text() != "", 10, message="the paste in Loop")
        time.sleep(SETTLE)
        shots.append(self.shoot_tray("tray_4_loop_pasted"))

        pictures = []
        for path in shots:
            with open(path, "rb") as f:
                pictures.append(f.read())
        for i in range(len(pictures)):
            for j in range(i + 1, len(pictures)):
                self.assertNotEqual(pictures[i], pictures[j],
                                    "tray states %d and %d look the same" % (i, j))

        # The history popup with the tooltip of its top entry.
        pad.keys("ctrl+alt+h")
        menu = h.wait_for(lambda: self.visible("#32768"), 20, message="the history menu")[0]
        l, t, r, b = menu[3]
        h.xdo("mousemove", l + 30, t + 8)
        tip = h.wait_for(lambda: [w for w in self.visible("tooltips_class32")
                                  if self.probe.edit_text(w[0])], 20,
                         message="the tooltip of the top entry")[0]
        self.assertIn(self.probe.edit_text(tip[0]), ("echo", "delta"))
        time.sleep(0.5)
        tl, tt, tr, tb = tip[3]
        h.shoot("menu_history", (min(l, tl), min(t, tt), max(r, tr), max(b, tb)))
        self.close_menu((l, t, max(r, tr), max(b, tb)))


if __name__ == "__main__":
    h.run_tests()
