"""Start-up, the single instance, the exit through the tray menu, a failing
start-up step, and keystrokes of another program reaching Corvane."""
import os
import unittest

import harness as h


class Shell(unittest.TestCase):
    def setUp(self):
        self.probe = h.Probe()

    def tearDown(self):
        self.probe.quit()

    def start(self, name):
        corvane = h.Corvane(h.fresh_dir(self._testMethodName, name))
        self.addCleanup(corvane.stop)
        return corvane

    def test_second_instance_warns_once_and_ends_with_0(self):
        first = self.start("first")
        h.main_window(self.probe)
        h.tray_icon_point()
        second = self.start("second")
        texts = h.answer_box(self.probe, "Corvane は既に起動されています。")
        self.assertIn("Corvane は既に起動されています。", texts)
        self.assertEqual(second.exit_code(), 0)
        self.assertIsNone(first.proc.poll(), "the first instance keeps running")
        self.assertEqual(len(self.probe.windows("Corvane_KR_Class")), 1)
        # The second one never got as far as writing settings.
        self.assertFalse(os.path.exists(os.path.join(second.workdir, "setting.dat")))

    def test_exit_from_tray_menu(self):
        corvane = self.start("run")
        h.main_window(self.probe)
        h.choose_from_tray_menu(self.probe, first=False)
        self.assertEqual(corvane.exit_code(), 0)
        setting = os.path.join(corvane.workdir, "setting.dat")
        self.assertEqual(os.path.getsize(setting), 12)
        self.assertEqual(self.probe.windows("Corvane_KR_Class"), [])
        # The icon left the tray: Wine hides its stand-in tray when empty.
        h.wait_for(lambda: not h.xdo("search", "--onlyvisible", "--name", "^Wine System Tray$",
                                     check=False), 20, message="the tray icon to go")

    def test_failed_tray_step_shows_one_error_and_ends_with_minus_1(self):
        shell = h.Probe()
        self.addCleanup(shell.quit)
        self.assertNotEqual(shell.ask("fakeshell"), "-")
        corvane = self.start("noshell")
        texts = h.answer_box(self.probe, "タスクトレイアイコンの初期化に失敗しました。", title="エラー")
        self.assertIn("タスクトレイアイコンの初期化に失敗しました。", "|".join(texts))
        self.assertEqual(corvane.exit_code(), 255)  # -1 as Wine reports it
        # Shutdown still ran during exit processing.
        self.assertEqual(os.path.getsize(os.path.join(corvane.workdir, "setting.dat")), 12)
        self.assertEqual(self.probe.windows("#32770", "エラー"), [])

    def test_keystrokes_in_notepad_reach_corvane(self):
        corvane = self.start("keys")
        main = h.main_window(self.probe)
        h.tray_icon_point()
        pad = h.open_notepad(self, self.probe)
        # FIFO on with nothing queued: the next Ctrl+V anywhere switches it off.
        self.probe.post(main, h.WM_COMMAND, h.IDM_FIFO)
        corvane.wait_trace("Mode FIFO.\n")
        pad.keys("ctrl+v")
        corvane.wait_trace("Mode off.\n")
        # A copy in notepad is captured: in FIFO mode Corvane writes the
        # clipboard back, so it becomes its owner.
        self.probe.post(main, h.WM_COMMAND, h.IDM_FIFO)
        corvane.wait_trace("Mode FIFO.\n", count=2)
        pad.type("hello")
        pad.keys("ctrl+a", "ctrl+c")
        h.wait_for(lambda: self.probe.ask("clipowner") == "Corvane_KR_Class", 20,
                   message="Corvane to capture the copy")
        self.assertEqual(self.probe.clip_text(), "hello")


if __name__ == "__main__":
    h.run_tests()
