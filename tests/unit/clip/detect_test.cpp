// Copy and paste detection: the keystroke filter with the real timers of the
// stand-in main window, and capture and paste sequences on the real
// clipboard with the real history and tray modules.
#include <gtest/gtest.h>

#include "app/app.h"
#include "clip/detect.h"
#include "clip/queue.h"
#include "clip_support.h"
#include "history/history.h"
#include "tray/tray.h"

namespace
{

// Keystroke flags as the keyboard hook delivers them: repeat count 1, the
// scan code, bit 24 extended, bit 30 already down, bit 31 released.
const DWORD LCTRL_DOWN = 0x001D0001, LCTRL_UP = 0xC01D0001, LCTRL_REPEAT = 0x401D0001;
const DWORD RCTRL_DOWN = 0x011D0001, RCTRL_UP = 0xC11D0001;
const DWORD C_DOWN = 0x002E0001, C_UP = 0xC02E0001, C_REPEAT = 0x402E0001;
const DWORD X_DOWN = 0x002D0001, V_DOWN = 0x002F0001, V_UP = 0xC02F0001;
const DWORD SHIFT_DOWN = 0x002A0001, A_DOWN = 0x001E0001;

struct Key {
    WPARAM vk; // 0: ResetKeystrokeState instead of a keystroke
    DWORD flags;
};
const Key CtrlDown = {VK_CONTROL, LCTRL_DOWN}, CtrlUp = {VK_CONTROL, LCTRL_UP};
const Key CtrlRepeat = {VK_CONTROL, LCTRL_REPEAT};
const Key RCtrlDown = {VK_CONTROL, RCTRL_DOWN}, RCtrlUp = {VK_CONTROL, RCTRL_UP};
const Key CDown = {'C', C_DOWN}, CUp = {'C', C_UP}, CRepeat = {'C', C_REPEAT};
const Key XDown = {'X', X_DOWN}, VDown = {'V', V_DOWN}, VUp = {'V', V_UP};
const Key ShiftDown = {VK_SHIFT, SHIFT_DOWN}, ADown = {'A', A_DOWN};
const Key Reset = {0, 0};

struct TimerCount {
    int copy, paste, other;
};

// Takes the stand-in window's timers as the window procedure does: each one
// is killed when it fires. Also notes when the first copy timer fired.
TimerCount PumpTimers(DWORD milliseconds, DWORD *firstCopyAt = NULL)
{
    TimerCount count = {0, 0, 0};
    DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, MainWindow, WM_TIMER, WM_TIMER, PM_REMOVE)) {
            KillTimer(MainWindow, msg.wParam);
            if (msg.wParam == TIMER_COPY) {
                if (!count.copy && firstCopyAt)
                    *firstCopyAt = GetTickCount();
                ++count.copy;
            } else if (msg.wParam == TIMER_PASTE) {
                ++count.paste;
            } else {
                ++count.other;
            }
        }
        DWORD now = GetTickCount();
        if ((LONG)(end - now) <= 0)
            return count;
        MsgWaitForMultipleObjects(0, NULL, FALSE, end - now, QS_ALLINPUT);
    }
}

void Press(const std::vector<Key> &keys)
{
    for (const Key &key : keys) {
        if (key.vk)
            HandleKeystroke(key.vk, (LPARAM)key.flags);
        else
            ResetKeystrokeState();
    }
}

class Keystrokes : public testing::Test
{
  protected:
    void SetUp() override
    {
        ResetKeystrokeState();
        PumpTimers(0);
    }
    void TearDown() override
    {
        ResetKeystrokeState();
    }
};

struct KeyCase {
    const char *name;
    std::vector<Key> keys;
    int copy, paste;
    DWORD ctrlBits;
};

TEST_F(Keystrokes, OnlyFreshKeyDownsWithCtrlHeldStartTheTimers)
{
    const KeyCase cases[] = {
        {"Ctrl+C", {CtrlDown, CDown}, 1, 0, 1},
        {"Ctrl+X", {CtrlDown, XDown}, 1, 0, 1},
        {"Ctrl+V", {CtrlDown, VDown}, 0, 1, 1},
        {"Ctrl+Shift+V counts as Ctrl+V", {CtrlDown, ShiftDown, VDown}, 0, 1, 1},
        {"C twice: one capture", {CtrlDown, CDown, CUp, CDown}, 1, 0, 1},
        {"C without Ctrl", {CDown}, 0, 0, 0},
        {"C after Ctrl was released", {CtrlDown, CtrlUp, CDown}, 0, 0, 0},
        {"Ctrl+A", {CtrlDown, ADown}, 0, 0, 1},
        {"release of C or V", {CtrlDown, CUp, VUp}, 0, 0, 1},
        {"automatic repeat of C", {CtrlDown, CRepeat}, 0, 0, 1},
        {"held C: the repeats add nothing", {CtrlDown, CDown, CRepeat, CRepeat}, 1, 0, 1},
        {"right Ctrl alone", {RCtrlDown, CDown}, 1, 0, 2},
        {"right Ctrl released", {RCtrlDown, RCtrlUp, VDown}, 0, 0, 0},
        {"both Ctrl, one released", {CtrlDown, RCtrlDown, CtrlUp, CDown}, 1, 0, 2},
        // The duplicate filter looks at the flags only.
        {"same flags as Ctrl, other key", {CtrlDown, {'C', LCTRL_DOWN}}, 0, 0, 1},
        {"same flags as C, key V", {CtrlDown, CDown, {'V', C_DOWN}}, 1, 0, 1},
        // A Ctrl release the hook never saw keeps Ctrl held, so later plain
        // C and V count (and the two timers run side by side) ...
        {"stale Ctrl", {CtrlDown, CDown, CUp, VDown, VUp}, 1, 1, 1},
        // ... until a mode is switched on, and then until Ctrl shows again.
        {"after a reset Ctrl is released", {CtrlDown, Reset, VDown}, 0, 0, 0},
        {"after a reset a Ctrl repeat holds it", {CtrlDown, Reset, CtrlRepeat, VDown}, 0, 1, 1},
        {"after a reset the same flags count again", {CtrlDown, Reset, CtrlDown, CDown}, 1, 0, 1},
    };
    for (const KeyCase &c : cases) {
        SCOPED_TRACE(c.name);
        ResetKeystrokeState();
        Press(c.keys);
        EXPECT_EQ(CtrlBits, c.ctrlBits);
        TimerCount got = PumpTimers(400);
        EXPECT_EQ(got.copy, c.copy);
        EXPECT_EQ(got.paste, c.paste);
        EXPECT_EQ(got.other, 0);
    }
}

TEST_F(Keystrokes, AFurtherKeyDownStartsTheDelayAgain)
{
    Press({CtrlDown, CDown, CUp});
    Sleep(50); // not pumped: the first timer is still pending
    Press({CDown});
    DWORD second = GetTickCount(), fired = 0;
    TimerCount got = PumpTimers(500, &fired);
    EXPECT_EQ(got.copy, 1);
    // 80 ms after the second C, not 30 ms (allowing for the tick's coarseness).
    EXPECT_GE(fired - second, (DWORD)KEYSTROKE_DELAY_MS - 16);
}

// --- Capture and paste on the real clipboard ----------------------------------

class Sequences : public ClipboardTest
{
  protected:
    // What a copy does: the application puts text there, then the timer fires.
    static void Copy(const wchar_t *text)
    {
        ASSERT_TRUE(PutClipboardText(text));
        CaptureCopiedText();
    }
    // The item of the history menu's entry at a position, 0 the newest.
    static ClipItem *HistoryItem(int position)
    {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_DATA;
        if (!GetMenuItemInfoW(HistoryMenu, position, TRUE, &info) || !info.dwItemData)
            return NULL;
        return ((HistorySlot *)info.dwItemData)->item;
    }
    static std::wstring History(int position)
    {
        return ItemText(HistoryItem(position));
    }
};

TEST_F(Sequences, FifoPastesInCopyOrderThenSwitchesOff)
{
    CaptureStdout(SetModeFifo);
    const wchar_t *texts[] = {L"T1", L"T2", L"T3"};
    for (const wchar_t *text : texts) {
        SCOPED_TRACE(testing::Message() << "copy " << text);
        Copy(text);
        EXPECT_EQ(History(0), text);
        EXPECT_EQ(HistoryItem(0)->RefCount, 2); // history and queue
        EXPECT_EQ(ClipboardText(), L"T1");
        EXPECT_EQ(CurrentTrayState, TRAY_FIFO_COPYING);
    }
    ClipItem *t3 = HistoryItem(0);

    // Each paste takes what the clipboard holds, then the timer fires.
    EXPECT_EQ(CaptureStdout(AdvanceAfterPaste), "");
    EXPECT_EQ(ClipboardText(), L"T2");
    EXPECT_EQ(CurrentTrayState, TRAY_FIFO_PASTING);
    EXPECT_EQ(HistoryItem(2)->RefCount, 1); // T1 left the queue
    EXPECT_EQ(CaptureStdout(AdvanceAfterPaste), "");
    EXPECT_EQ(ClipboardText(), L"T3");
    EXPECT_EQ(CurrentTrayState, TRAY_FIFO_PASTING);
    EXPECT_EQ(PasteMode, PASTE_MODE_FIFO);

    EXPECT_EQ(CaptureStdout(AdvanceAfterPaste), "Mode off.\n");
    EXPECT_EQ(PasteMode, PASTE_MODE_OFF);
    EXPECT_EQ(CurrentTrayState, TRAY_OFF);
    EXPECT_EQ(ClipboardText(), L"T3"); // the text just pasted stays
    EXPECT_TRUE(IsPasteQueueEmpty());
    EXPECT_EQ(t3->RefCount, 1); // only the history holds it now
}

TEST_F(Sequences, PasteWithNothingQueued)
{
    // Off: nothing at all happens.
    ASSERT_TRUE(PutClipboardText(L"theirs"));
    SetTrayState(TRAY_FIFO_PASTING);
    EXPECT_EQ(CaptureStdout(AdvanceAfterPaste), "");
    EXPECT_EQ(CurrentTrayState, TRAY_FIFO_PASTING);
    EXPECT_EQ(ClipboardText(), L"theirs");

    // FIFO or Loop with an empty queue: the mode switches itself off.
    void (*modes[])(void) = {SetModeFifo, SetModeLoop};
    for (void (*mode)(void) : modes) {
        CaptureStdout(mode);
        EXPECT_EQ(CaptureStdout(AdvanceAfterPaste), "Mode off.\n");
        EXPECT_EQ(PasteMode, PASTE_MODE_OFF);
        EXPECT_EQ(CurrentTrayState, TRAY_OFF);
        EXPECT_EQ(ClipboardText(), L"theirs");
    }
}

TEST_F(Sequences, LoopPastesRoundAndAppendsLaterCopies)
{
    CaptureStdout(SetModeLoop);
    Copy(L"T1");
    Copy(L"T2");
    Copy(L"T3");
    EXPECT_EQ(ClipboardText(), L"T1");
    EXPECT_EQ(CurrentTrayState, TRAY_LOOP_COPYING);

    const wchar_t *round[] = {L"T2", L"T3", L"T1", L"T2"};
    for (const wchar_t *next : round) {
        AdvanceAfterPaste();
        EXPECT_EQ(ClipboardText(), next);
        EXPECT_EQ(CurrentTrayState, TRAY_LOOP_PASTING);
    }
    // The cursor is on T2: a new copy goes to the end, and the clipboard
    // keeps the cursor's item rather than the text just copied.
    Copy(L"T4");
    EXPECT_EQ(History(0), L"T4");
    EXPECT_EQ(ClipboardText(), L"T2");
    EXPECT_EQ(CurrentTrayState, TRAY_LOOP_COPYING);
    const wchar_t *after[] = {L"T3", L"T4", L"T1", L"T2"};
    for (const wchar_t *next : after) {
        AdvanceAfterPaste();
        EXPECT_EQ(ClipboardText(), next);
    }
    EXPECT_EQ(PasteMode, PASTE_MODE_LOOP);
}

TEST_F(Sequences, LineDivisionRecordsEachNonEmptyLine)
{
    LineDivision = 1;
    CaptureStdout(SetModeFifo);
    ClipItem *top = HistoryItem(0);
    Copy(L"first line\r\n\r\nsecond\r\n");
    EXPECT_EQ(History(0), L"second");
    EXPECT_EQ(History(1), L"first line");
    EXPECT_EQ(HistoryItem(2), top); // the whole text is not recorded
    EXPECT_EQ(HistoryItem(0)->RefCount, 2);
    EXPECT_EQ(HistoryItem(1)->RefCount, 2);
    EXPECT_EQ(ClipboardText(), L"first line");
    EXPECT_EQ(CurrentTrayState, TRAY_FIFO_COPYING);
    AdvanceAfterPaste();
    EXPECT_EQ(ClipboardText(), L"second");

    // Mode off: the lines only go into the history, the clipboard stays.
    CaptureStdout(SetModeOff);
    Copy(L"a\r\nb\r\n");
    EXPECT_EQ(History(0), L"b");
    EXPECT_EQ(History(1), L"a");
    EXPECT_EQ(HistoryItem(0)->RefCount, 1);
    EXPECT_EQ(ClipboardText(), L"a\r\nb\r\n");
    EXPECT_EQ(CurrentTrayState, TRAY_OFF);
    EXPECT_TRUE(IsPasteQueueEmpty());

    // Only line breaks: nothing recorded, tray and clipboard untouched.
    CaptureStdout(SetModeFifo);
    SetTrayState(TRAY_FIFO_PASTING);
    top = HistoryItem(0);
    Copy(L"\r\n\r\n");
    EXPECT_EQ(HistoryItem(0), top);
    EXPECT_TRUE(IsPasteQueueEmpty());
    EXPECT_EQ(CurrentTrayState, TRAY_FIFO_PASTING);
    EXPECT_EQ(ClipboardText(), L"\r\n\r\n");
}

TEST_F(Sequences, CaptureWithTheModeOffOnlyRecordsHistory)
{
    SetTrayState(TRAY_LOOP_PASTING);
    Copy(L"same");
    ClipItem *first = HistoryItem(0);
    // A window that copies nothing: the clipboard's text once more, as a new item.
    CaptureCopiedText();
    EXPECT_NE(HistoryItem(0), first);
    EXPECT_EQ(History(0), L"same");
    EXPECT_EQ(HistoryItem(0)->RefCount, 1);
    // An empty text is an empty item.
    Copy(L"");
    EXPECT_EQ(HistoryItem(0)->Size, 2u);
    EXPECT_TRUE(IsPasteQueueEmpty());
    EXPECT_EQ(CurrentTrayState, TRAY_LOOP_PASTING);

    // No text on the clipboard: nothing happens at all.
    ClipItem *top = HistoryItem(0);
    ASSERT_TRUE(EmptyTheClipboard());
    CaptureStdout(SetModeFifo);
    CaptureCopiedText();
    EXPECT_EQ(HistoryItem(0), top);
    EXPECT_TRUE(IsPasteQueueEmpty());
    EXPECT_EQ(CurrentTrayState, TRAY_FIFO_COPYING);
}

// Another program's thread keeps the clipboard open from Hold to Release.
struct ClipboardHolder {
    HANDLE opened = CreateEventW(NULL, TRUE, FALSE, NULL);
    HANDLE release = CreateEventW(NULL, TRUE, FALSE, NULL);
    HANDLE thread = NULL;
    static DWORD WINAPI Run(LPVOID param)
    {
        ClipboardHolder *h = (ClipboardHolder *)param;
        if (!OpenClipboard(NULL))
            return 1;
        SetEvent(h->opened);
        WaitForSingleObject(h->release, 30000);
        CloseClipboard();
        return 0;
    }
    int Hold()
    {
        ResetEvent(release);
        ResetEvent(opened);
        thread = CreateThread(NULL, 0, Run, this, 0, NULL);
        return thread && WaitForSingleObject(opened, 5000) == WAIT_OBJECT_0;
    }
    void Release()
    {
        SetEvent(release);
        if (thread) {
            WaitForSingleObject(thread, 5000);
            CloseHandle(thread);
            thread = NULL;
        }
    }
    ~ClipboardHolder()
    {
        Release();
        CloseHandle(opened);
        CloseHandle(release);
    }
};

// While the clipboard is held open the application cannot paste either: the
// paste must leave the queue, the tray and the clipboard as they were, so
// that the next Ctrl+V pastes the item that was due.
TEST_F(Sequences, PasteWhileTheClipboardIsHeldMovesNothing)
{
    void (*modes[])(void) = {SetModeFifo, SetModeLoop};
    for (void (*mode)(void) : modes) {
        SCOPED_TRACE(mode == SetModeFifo ? "FIFO" : "Loop");
        CaptureStdout(mode);
        Copy(L"T1");
        Copy(L"T2");
        int copying = CurrentTrayState;
        ClipboardHolder holder;
        ASSERT_TRUE(holder.Hold());
        EXPECT_EQ(CaptureStdout(AdvanceAfterPaste), "");
        // And a copy meanwhile captures nothing.
        CaptureCopiedText();
        holder.Release();
        EXPECT_EQ(CurrentTrayState, copying);
        EXPECT_EQ(ClipboardText(), L"T1");
        EXPECT_EQ(History(0), L"T2");
        ClipItem *cursor = NULL;
        ASSERT_TRUE(PeekPasteCursor(&cursor));
        EXPECT_EQ(ItemText(cursor), L"T1");
        ReleaseClipItem(&cursor);

        // Free again: the paste goes on where it stopped.
        AdvanceAfterPaste();
        EXPECT_EQ(ClipboardText(), L"T2");
        EXPECT_EQ(CurrentTrayState, mode == SetModeFifo ? TRAY_FIFO_PASTING : TRAY_LOOP_PASTING);
    }
    // The last queued item needs no clipboard: FIFO ends even while it is held.
    CaptureStdout(SetModeFifo);
    Copy(L"only");
    ClipboardHolder holder;
    ASSERT_TRUE(holder.Hold());
    EXPECT_EQ(CaptureStdout(AdvanceAfterPaste), "Mode off.\n");
    holder.Release();
    EXPECT_TRUE(IsPasteQueueEmpty());
    EXPECT_EQ(ClipboardText(), L"only");
}

TEST(Queue, PeekAfterTheCursor)
{
    ClearPasteQueue();
    ClipItem *item = NULL;
    EXPECT_FALSE(PeekAfterPasteCursor(&item, 1));
    ClipItem *a = CreateClipItem(4, L"a", 1), *b = CreateClipItem(4, L"b", 1);
    ASSERT_TRUE(AppendToPasteQueue(a));
    EXPECT_FALSE(PeekAfterPasteCursor(&item, 0)); // nothing follows, no wrap
    EXPECT_TRUE(item == NULL);
    EXPECT_TRUE(PeekAfterPasteCursor(&item, 1)); // wraps to itself
    EXPECT_EQ(item, a);
    ASSERT_TRUE(AppendToPasteQueue(b));
    EXPECT_TRUE(PeekAfterPasteCursor(&item, 0));
    EXPECT_EQ(item, b);
    EXPECT_EQ(b->RefCount, 3); // the test, the queue, the holder
    AdvancePasteCursor();
    EXPECT_FALSE(PeekAfterPasteCursor(&item, 0));
    EXPECT_TRUE(PeekAfterPasteCursor(&item, 1));
    EXPECT_EQ(item, a);
    ReleaseClipItem(&item);
    ClearPasteQueue();
    EXPECT_EQ(a->RefCount, 1);
    EXPECT_EQ(b->RefCount, 1);
    ReleaseClipItem(&a);
    ReleaseClipItem(&b);
}

} // namespace
