"""FIFO, Loop and line division end to end: texts copied in notepad with the
real keys come back in notepad with Ctrl+V as the mode says."""
import harness as h

PASTE_SETTLE = 1.5  # seconds after a key for the 80 ms timer under emulation


class Queue(h.CorvaneAndNotepad):
    def command(self, command_id):
        self.probe.post(self.main, h.WM_COMMAND, command_id)

    def copy(self, text, key="ctrl+c"):
        """Types text over the selection, selects all and copies (or cuts) it."""
        self.pad.type(text)
        self.pad.keys("ctrl+a", key)
        h.time.sleep(PASTE_SETTLE)

    def clear(self):
        self.pad.keys("ctrl+a", "Delete")
        h.wait_for(lambda: self.pad.text() == "", 10, message="an empty document")

    def paste(self, times):
        for _ in range(times):
            self.pad.keys("ctrl+v")
            h.time.sleep(PASTE_SETTLE)

    def test_fifo_pastes_in_copy_order_then_switches_off(self):
        trace_before = self.corvane.trace().count("Mode FIFO.\n")
        h.choose_from_tray_menu(self.probe, first=True)  # FIFO 切り替え
        self.corvane.wait_trace("Mode FIFO.\n", count=trace_before + 1)
        self.pad.focus()
        self.copy("alpha")
        self.copy("bravo", key="ctrl+x")
        self.copy("charlie")
        self.assertEqual(self.probe.clipboard(), ("W", "alpha"), self.pad.text())
        self.clear()
        off_before = self.corvane.trace().count("Mode off.\n")
        self.paste(3)
        h.wait_for(lambda: self.pad.text() == "alphabravocharlie", 10,
                   message="the three texts in copy order, got %r" % self.pad.text())
        self.corvane.wait_trace("Mode off.\n", count=off_before + 1)
        self.assertEqual(self.probe.clip_text(), "charlie")

    def test_loop_cycles_through_the_copies(self):
        self.command(h.IDM_LOOP)
        self.corvane.wait_trace("Mode Loop.\n")
        off_before = self.corvane.trace().count("Mode off.\n")
        for text in ("one", "two", "three"):
            self.copy(text)
        self.clear()
        self.paste(5)
        h.wait_for(lambda: self.pad.text() == "onetwothreeonetwo", 10,
                   message="T1 T2 T3 T1 T2, got %r" % self.pad.text())
        self.command(h.IDM_LOOP)  # off again
        self.corvane.wait_trace("Mode off.\n", count=off_before + 1)

    def test_line_division_pastes_one_line_per_ctrl_v(self):
        fifo_before = self.corvane.trace().count("Mode FIFO.\n")
        self.command(h.IDM_LINE)
        self.command(h.IDM_FIFO)
        self.corvane.wait_trace("Mode FIFO.\n", count=fifo_before + 1)
        self.pad.type("first\nsecond\nthird")
        self.pad.keys("ctrl+a", "ctrl+c")
        h.time.sleep(PASTE_SETTLE)
        self.assertEqual(self.probe.clip_text(), "first")
        self.clear()
        self.paste(3)
        h.wait_for(lambda: self.pad.text() == "firstsecondthird", 10,
                   message="one line per paste, got %r" % self.pad.text())
        self.command(h.IDM_LINE)


if __name__ == "__main__":
    h.run_tests()
