// Copy and paste detection.
#include "clip/detect.h"

#include "app/app.h"
#include "clip/clipitem.h"
#include "clip/queue.h"
#include "history/history.h"
#include "tray/tray.h"

DWORD LastKeystrokeFlags;
DWORD CtrlBits;

void ResetKeystrokeState(void)
{
    LastKeystrokeFlags = 0;
    CtrlBits = 0;
}

void HandleKeystroke(WPARAM virtualKey, LPARAM flags)
{
    // One keystroke may be reported more than once. Two real keystrokes in
    // a row differ in their flags (press and release, repeat count), so
    // equal flags mark a repeated report, whatever the key code says.
    if ((DWORD)flags == LastKeystrokeFlags)
        return;
    LastKeystrokeFlags = (DWORD)flags;
    if (virtualKey == VK_CONTROL) {
        UpdateModifierBits(0, &CtrlBits, (DWORD)flags);
        return;
    }
    // Fresh key-downs only: neither a release (bit 31) nor an automatic
    // repeat (bit 30).
    if (!CtrlBits || ((DWORD)flags & 0xC0000000))
        return;
    // The application copies or pastes only after it has picked the key up,
    // which is when the hook reports it: the clipboard is touched once the
    // timer fires. A further key-down restarts the same timer.
    if (virtualKey == 'C' || virtualKey == 'X')
        SetTimer(MainWindow, TIMER_COPY, KEYSTROKE_DELAY_MS, NULL);
    else if (virtualKey == 'V')
        SetTimer(MainWindow, TIMER_PASTE, KEYSTROKE_DELAY_MS, NULL);
}

static int CopyingTrayState(void)
{
    return (PasteMode & ~PASTE_MODE_FIFO_MASK) ? TRAY_LOOP_COPYING : TRAY_FIFO_COPYING;
}

// One line item goes into the history and, while queueing, the queue; the
// holder is emptied for the splitter's next line (which stores without
// releasing).
static void RecordLine(ClipItem **line, int queueing, int *queued)
{
    if (*line) {
        AddToHistory(*line);
        if (queueing) {
            AppendToPasteQueue(*line);
            ++*queued;
        }
    }
    ReleaseClipItem(line);
}

// Every non-empty line of the captured text becomes an item of its own; the
// text as a whole is recorded nowhere. Returns how many lines were queued.
static int CaptureLines(const ClipItem *captured, int queueing)
{
    ClipItem *line = NULL;
    int queued = 0;
    if (captured->IsUtf16) {
        const wchar_t *position = (const wchar_t *)captured->Text;
        while ((position = NextLineItemW(position, &line)) != NULL)
            RecordLine(&line, queueing, &queued);
    } else {
        const char *position = (const char *)captured->Text;
        while ((position = NextLineItemA(position, &line)) != NULL)
            RecordLine(&line, queueing, &queued);
    }
    return queued;
}

void CaptureCopiedText(void)
{
    ClipItem *captured = NULL;
    if (!ReadClipboardItem(&captured))
        return;
    int queueing = PasteMode != PASTE_MODE_OFF;
    if (LineDivision == 1) {
        // A copy of many lines would otherwise renumber the menu once per line.
        BeginHistoryBatch();
        int queued = CaptureLines(captured, queueing);
        EndHistoryBatch();
        if (queued > 0) {
            ClipItem *cursor = NULL;
            SetTrayState(CopyingTrayState());
            PeekPasteCursor(&cursor);
            WriteClipboardItem(cursor);
            ReleaseClipItem(&cursor);
        }
    } else {
        AddToHistory(captured);
        if (queueing) {
            AppendToPasteQueue(captured);
            SetTrayState(CopyingTrayState());
            // The clipboard is to hold what the next paste should give: the
            // cursor's item, which in Loop mode need not be the new one.
            PeekPasteCursor(&captured);
            WriteClipboardItem(captured);
        }
    }
    ReleaseClipItem(&captured);
}

// The queue moves on only once the clipboard holds the item to be pasted
// next. While another process holds the clipboard open, the application's own
// paste failed as well, so the paste changes nothing: moving on regardless
// would leave the pasted text on the clipboard and skip the next item.
void AdvanceAfterPaste(void)
{
    ClipItem *next = NULL;
    if (PasteMode == PASTE_MODE_OFF)
        return;
    if (PasteMode & PASTE_MODE_FIFO_MASK) {
        if (IsPasteQueueEmpty()) {
            SetModeOff();
            return;
        }
        // The clipboard keeps the text that was just pasted.
        if (!PeekAfterPasteCursor(&next, 0)) {
            RemovePasteHead();
            SetModeOff();
            return;
        }
        if (WriteClipboardItem(next)) {
            RemovePasteHead();
            SetTrayState(TRAY_FIFO_PASTING);
        }
    } else {
        if (!HasPasteCursor()) {
            SetModeOff();
            return;
        }
        PeekAfterPasteCursor(&next, 1);
        if (WriteClipboardItem(next)) {
            AdvancePasteCursor();
            SetTrayState(TRAY_LOOP_PASTING);
        }
    }
    ReleaseClipItem(&next);
}
