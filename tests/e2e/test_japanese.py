"""A Japanese system: every Wine program of this test runs under a Japanese
locale, so the ANSI code page is 932. A program that offers only CF_TEXT with
Shift-JIS bytes is copied from; the history shows the text and pastes it back
unchanged, and FIFO gives the same bytes back in CF_TEXT. The hotkey trace
lines are code-page-932 bytes."""
import os
import time

import harness as h

# Set before anything starts: Wine takes the code page from the locale.
os.environ["LC_ALL"] = "ja_JP.UTF-8"

# Ctrl+Alt+F (FIFO), Loop left empty, Ctrl+Alt+H (Menu), Ctrl+Alt+D (Line).
SETTINGS = bytes([3, 0, 3, 3, 0x46, 0, 0, 0, 0x48, 0, 0x44, 0])
SETTLE = 1.5
TEXTS = ["日本語のテキスト", "ｶﾀｶﾅと全角　スペース～"]


class Japanese(h.CorvaneAndNotepad):
    SETTINGS = SETTINGS

    def copy_ansi(self, text):
        """The probe offers the Shift-JIS bytes as CF_TEXT only; Ctrl+C in the
        empty notepad copies nothing itself, so Corvane captures them."""
        self.assertEqual(self.probe.set_ansi(text.encode("cp932")), "ok")
        self.pad.keys("ctrl+c")
        time.sleep(SETTLE)

    def test_trace_lines_are_code_page_932(self):
        self.corvane.wait_trace("Menu: ")
        with open(self.corvane.trace_path, "rb") as f:
            raw = f.read()
        self.assertIn("Loop: なし(00, 0000)".encode("cp932"), raw)

    def test_ansi_copy_shows_in_the_history_and_pastes_back_unchanged(self):
        self.copy_ansi(TEXTS[0])
        self.pad.keys("ctrl+alt+h")
        menu = h.wait_for(lambda: [w for w in self.probe.windows("#32768")
                                   if w[2] and w[1] == self.pid], 20, message="the history menu")[0]
        l, t, r, b = menu[3]
        # Owner-drawn entries cannot be read from outside: the picture is
        # kept for a person, and the pick shows what the entry holds.
        h.shoot("history_japanese", (l, t, r, b))
        self.assertTrue(h.focus_corvane_popup(l, t), "the menu's X window")
        h.xdo("key", "1")
        h.wait_for(lambda: self.pad.text() == TEXTS[0], 20,
                   message="the Japanese text in notepad, got %r" % self.pad.text())
        self.assertEqual(self.probe.ansi_clipboard(), TEXTS[0].encode("cp932"))

    def test_fifo_gives_the_shift_jis_bytes_back(self):
        before = self.corvane.trace().count("Mode FIFO.\n")
        self.pad.keys("ctrl+alt+f")
        self.corvane.wait_trace("Mode FIFO.\n", count=before + 1)
        for text in TEXTS:
            self.copy_ansi(text)
        self.assertEqual(self.probe.ansi_clipboard(), TEXTS[0].encode("cp932"))
        self.pad.keys("ctrl+v")
        time.sleep(SETTLE)
        self.assertEqual(self.probe.ansi_clipboard(), TEXTS[1].encode("cp932"))
        self.pad.keys("ctrl+v")
        h.wait_for(lambda: self.pad.text() == "".join(TEXTS), 20,
                   message="both texts in copy order, got %r" % self.pad.text())
        self.corvane.wait_trace("Mode off.\n")
        self.assertEqual(self.probe.ansi_clipboard(), TEXTS[1].encode("cp932"))


if __name__ == "__main__":
    h.run_tests()
