"""Faults Corvane must live through: killed hard while notepad holds
fifo.dll, a paste target closed before its paste, the clipboard held open by
another program, every hotkey taken, and a setting.dat that cannot be written."""
import os
import random
import shutil
import subprocess
import time
import unittest

import harness as h

# The built-in bindings as the trace shows them: Alt+Convert, Ctrl+Convert,
# Alt+Nonconvert, Ctrl+katakana/hiragana.
DEFAULTS = [(1, 0x1C), (2, 0x1C), (1, 0x1D), (2, 0xF2)]
SETTLE = 1.5


class Faults(unittest.TestCase):
    def setUp(self):
        self.probe = h.Probe()
        self.addCleanup(self.probe.quit)

    def start(self, folder=None, settings=h.SETTINGS, trace_dir=None):
        corvane, main = h.start_corvane(self.probe, folder or h.fresh_dir(self._testMethodName),
                                        settings, trace_dir)
        self.addCleanup(corvane.stop)
        return corvane, main

    def notepad(self):
        return h.open_notepad(self, self.probe)

    def boxes(self, pid):
        return [w for w in self.probe.windows("#32770") if w[1] == pid and w[2]]

    def copy(self, pad, text):
        pad.type(text)
        pad.keys("ctrl+a", "ctrl+c")
        time.sleep(SETTLE)

    def clear(self, pad):
        pad.keys("ctrl+a", "Delete")
        h.wait_for(lambda: pad.text() == "", 10, message="an empty document")

    def paste(self, pad, times=1):
        for _ in range(times):
            pad.keys("ctrl+v")
            time.sleep(SETTLE)

    def fifo_on(self, corvane, main):
        before = corvane.trace().count("Mode FIFO.\n")
        self.probe.post(main, h.WM_COMMAND, h.IDM_FIFO)
        corvane.wait_trace("Mode FIFO.\n", count=before + 1)

    def test_killed_hard_then_started_again_in_the_same_notepad(self):
        first, main = self.start(h.fresh_dir(self._testMethodName, "first"))
        pad = self.notepad()
        self.fifo_on(first, main)
        pad.focus()
        self.copy(pad, "before")
        h.wait_for(lambda: self.probe.ask("clipowner") == "Corvane_KR_Class", 20,
                   message="the copy captured")
        first.stop()  # SIGKILL: no shutdown, the hook handle stays in the shared section
        h.wait_for(lambda: not self.probe.windows("Corvane_KR_Class"), 30,
                   message="the killed program's window to go")

        # Notepad, with the library still mapped, goes on working.
        self.clear(pad)
        self.copy(pad, "alone")
        pad.keys("End", "ctrl+v")
        h.wait_for(lambda: pad.text() == "alonealone", 20,
                   message="notepad's own copy and paste, got %r" % pad.text())

        # A new run detects copies and pastes in that same notepad at once.
        second, main = self.start(h.fresh_dir(self._testMethodName, "second"))
        pad.focus()
        self.fifo_on(second, main)
        pad.focus()
        self.clear(pad)
        self.copy(pad, "first")
        self.copy(pad, "second")
        self.clear(pad)
        self.paste(pad, 2)
        h.wait_for(lambda: pad.text() == "firstsecond", 20,
                   message="both copies pasted in order, got %r" % pad.text())
        second.wait_trace("Mode off.\n")

    def test_paste_target_closed_before_the_paste(self):
        corvane, _ = self.start()
        pad = self.notepad()
        self.copy(pad, "kept")
        pid = self.probe.windows("Corvane_KR_Class")[0][1]
        pad.keys("ctrl+alt+h")
        menu = h.wait_for(lambda: [w for w in self.probe.windows("#32768") if w[2] and w[1] == pid],
                          20, message="the history menu")[0]
        pad.close()  # the target goes while its menu is open
        h.wait_for(lambda: not [w for w in self.probe.windows("Notepad") if w[0] == pad.hwnd], 20,
                   message="notepad to go")
        l, t = menu[3][:2]
        self.assertTrue(h.focus_corvane_popup(l, t), "the menu's X window")
        h.xdo("key", "1")
        h.wait_for(lambda: not [w for w in self.probe.windows("#32768") if w[2]], 20,
                   message="the menu to close")
        # Nothing hangs: the main window answers at once.
        time.sleep(2)
        self.assertEqual(self.probe.ask("send", self.probe.windows("Corvane_KR_Class")[0][0], "0", "0", "0"),
                         "ok")
        self.assertEqual(self.probe.clip_text(), "kept")

        # The next pick pastes into another notepad.
        other = self.notepad()
        self.copy(other, "next")
        self.clear(other)
        other.keys("ctrl+alt+h")
        menu = h.wait_for(lambda: [w for w in self.probe.windows("#32768") if w[2] and w[1] == pid],
                          20, message="the history menu again")[0]
        self.assertTrue(h.focus_corvane_popup(*menu[3][:2]), "the menu's X window")
        h.xdo("key", "2")  # "kept", below "next"
        h.wait_for(lambda: other.text() == "kept", 20,
                   message="the entry in the second notepad, got %r" % other.text())
        self.assertIsNone(corvane.proc.poll())

    def hold_clipboard(self, ms):
        self.assertEqual(self.probe.ask("holdclip", ms), "held")

    def wait_released(self):
        # The probe answers again once it has closed the clipboard.
        self.probe.ask("find", "-", "no such window", timeout=30)

    def test_clipboard_held_open_by_another_program(self):
        corvane, main = self.start()
        pad = self.notepad()
        self.fifo_on(corvane, main)
        pad.focus()
        self.copy(pad, "one")
        self.copy(pad, "two")
        self.clear(pad)

        # A paste while the clipboard is held: notepad cannot paste, and the
        # queue must not move on.
        self.hold_clipboard(4000)
        pad.keys("ctrl+v")
        self.wait_released()
        self.assertEqual(pad.text(), "")
        self.assertEqual(self.probe.clip_text(), "one")
        self.paste(pad, 2)
        h.wait_for(lambda: pad.text() == "onetwo", 20,
                   message="no item skipped, got %r" % pad.text())
        corvane.wait_trace("Mode off.\n")

        # A copy while it is held captures nothing; the next copy works.
        # (Under Wine notepad's own copy gets through: its SetClipboardData
        # succeeds without an open clipboard, which Windows refuses. Corvane
        # reads the clipboard by opening it, and that fails.)
        self.fifo_on(corvane, main)
        pad.focus()
        self.hold_clipboard(4000)
        pad.keys("ctrl+a", "ctrl+c")
        self.wait_released()
        time.sleep(SETTLE)
        off = corvane.trace().count("Mode off.\n")
        self.paste(pad)  # nothing was queued: FIFO ends at this paste
        corvane.wait_trace("Mode off.\n", count=off + 1)
        self.fifo_on(corvane, main)
        pad.focus()
        self.clear(pad)
        self.copy(pad, "three")
        self.clear(pad)
        self.paste(pad)
        h.wait_for(lambda: pad.text() == "three", 20,
                   message="the copy after the held one, got %r" % pad.text())
        corvane.wait_trace("Mode off.\n", count=off + 2)
        self.assertIsNone(corvane.proc.poll())

    def test_all_four_hotkeys_taken(self):
        for modifiers, key in DEFAULTS:
            self.assertEqual(self.probe.ask("hotkey", "%x" % modifiers, "%x" % key), "ok")
        folder = h.fresh_dir(self._testMethodName)
        corvane = h.Corvane(folder)
        self.addCleanup(corvane.stop)
        self.assertIn("ホットキーの登録に失敗しました。", "|".join(h.answer_box(self.probe)))
        h.main_window(self.probe)
        h.tray_icon_point()
        self.assertEqual(corvane.trace().count("don't set any hotkey.\n"), 1)
        # The context menu is all there is, and it works.
        h.choose_from_tray_menu(self.probe, first=True)
        corvane.wait_trace("Mode FIFO.\n")
        h.choose_from_tray_menu(self.probe, first=False)
        self.assertEqual(corvane.exit_code(), 0)
        with open(os.path.join(folder, "setting.dat"), "rb") as f:
            saved = f.read()
        self.assertEqual(saved, bytes([m for m, _ in DEFAULTS]) +
                         b"".join(k.to_bytes(2, "little") for _, k in DEFAULTS))

    def test_odd_setting_files_start_and_leave_a_whole_record(self):
        defaults = bytes([m for m, _ in DEFAULTS]) + b"".join(k.to_bytes(2, "little") for _, k in DEFAULTS)
        rng = random.Random(20261211)
        noise = bytes(rng.randrange(256) for _ in range(12))
        cases = [(b"", defaults), (b"\x03", defaults), (h.SETTINGS[:11], defaults),
                 (h.SETTINGS + b"\xff", h.SETTINGS), (noise, noise)]
        for given, kept in cases:
            with self.subTest(given=given.hex()):
                folder = h.fresh_dir(self._testMethodName, given.hex() or "empty")
                with open(os.path.join(folder, "setting.dat"), "wb") as f:
                    f.write(given)
                corvane = h.Corvane(folder)
                self.addCleanup(corvane.stop)
                main = h.main_window(self.probe)
                # Random bindings may be refused: the warning (traced just
                # before it shows) is answered.
                corvane.wait_trace("Line: ")
                time.sleep(2)
                if "don't set any hotkey.\n" in corvane.trace():
                    h.answer_box(self.probe)
                h.tray_icon_point()
                self.exit_silently(corvane, main)
                with open(os.path.join(folder, "setting.dat"), "rb") as f:
                    self.assertEqual(f.read(), kept)

    def assert_defaults_traced(self, corvane):
        for name, (modifiers, key) in zip(("FIFO", "Loop", "Menu", "Line"), DEFAULTS):
            corvane.wait_trace("(%02x, %04x)\n" % (modifiers, key))
            self.assertRegex(corvane.trace(), r"%s: .*\(%02x, %04x\)\n" % (name, modifiers, key))

    def exit_silently(self, corvane, main):
        pid = self.probe.windows("Corvane_KR_Class")[0][1]
        self.probe.post(main, h.WM_COMMAND, h.IDM_EXIT)
        deadline = time.monotonic() + 60
        while corvane.proc.poll() is None and time.monotonic() < deadline:
            self.assertEqual(self.boxes(pid), [], "a box at exit")
            time.sleep(0.2)
        self.assertEqual(corvane.exit_code(), 0)

    def make_read_only(self, folder):
        """True when the folder now refuses new files, even to root."""
        if os.geteuid() == 0:
            if subprocess.run(["chattr", "+i", folder], capture_output=True).returncode:
                return False
            self.addCleanup(subprocess.run, ["chattr", "-i", folder], capture_output=True)
        else:
            os.chmod(folder, 0o555)
            self.addCleanup(os.chmod, folder, 0o755)
        try:
            open(os.path.join(folder, "probe-write"), "wb").close()
        except OSError:
            return True
        os.remove(os.path.join(folder, "probe-write"))
        return False

    def test_setting_dat_cannot_be_written(self):
        traces = h.fresh_dir(self._testMethodName, "traces")
        # A read-only folder: the exit is silent, the next start takes the
        # built-in bindings.
        folder = h.fresh_dir(self._testMethodName, "read-only")
        corvane, main = self.start(folder, settings=None, trace_dir=traces)
        if not self.make_read_only(folder):
            self.skipTest("cannot make a folder read-only here")
        self.exit_silently(corvane, main)
        self.assertFalse(os.path.exists(os.path.join(folder, "setting.dat")))
        corvane, main = self.start(folder, settings=None, trace_dir=traces)
        self.assert_defaults_traced(corvane)
        self.exit_silently(corvane, main)

        # A folder that vanished while the program ran.
        folder = h.fresh_dir(self._testMethodName, "vanishing")
        corvane, main = self.start(folder, trace_dir=traces)
        shutil.rmtree(folder)
        self.exit_silently(corvane, main)
        self.assertFalse(os.path.exists(folder))
        os.makedirs(folder)
        corvane, main = self.start(folder, settings=None, trace_dir=traces)
        self.assert_defaults_traced(corvane)
        self.exit_silently(corvane, main)


if __name__ == "__main__":
    h.run_tests()
