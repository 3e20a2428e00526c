// The paste queue with its cursor, and the mode switches with what they show
// (the real tray module's state and the check marks of a context menu).
#include <gtest/gtest.h>

#include <string.h>

#include "app/app.h"
#include "clip/detect.h"
#include "clip/queue.h"
#include "clip_support.h"
#include "resources/resource.h"
#include "tray/tray.h"

namespace
{

int IsChecked(UINT command)
{
    return (GetMenuState(ContextMenu, command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

class PasteQueue : public testing::Test
{
  protected:
    void SetUp() override
    {
        ClearPasteQueue();
        items[0] = CreateClipItem(2, "A", 0);
        items[1] = CreateClipItem(2, "B", 0);
        items[2] = CreateClipItem(2, "C", 0);
    }
    void TearDown() override
    {
        ClearPasteQueue();
        for (ClipItem *&item : items) {
            EXPECT_EQ(item->RefCount, 1) << "the queue kept a reference";
            ReleaseClipItem(&item);
        }
    }
    // 'A'..'C' append that item, '>' advances, 'x' removes the head, 'c'
    // clears.
    void Run(const char *ops)
    {
        for (; *ops; ++ops) {
            switch (*ops) {
            case '>':
                AdvancePasteCursor();
                break;
            case 'x':
                RemovePasteHead();
                break;
            case 'c':
                ClearPasteQueue();
                break;
            default:
                ASSERT_TRUE(AppendToPasteQueue(items[*ops - 'A']));
                break;
            }
        }
    }
    // The cursor's item as a letter, '-' for none.
    char Cursor()
    {
        ClipItem *holder = NULL;
        int has = PeekPasteCursor(&holder);
        EXPECT_EQ(has, holder != NULL);
        EXPECT_EQ(has, HasPasteCursor());
        char letter = holder ? (char)holder->Text[0] : '-';
        ReleaseClipItem(&holder);
        return letter;
    }
    // The queue head to tail, emptying it: each removal of the head gives up
    // exactly one reference, which tells whose node it was.
    std::string Drain()
    {
        std::string order;
        while (!IsPasteQueueEmpty() && order.size() < 10) {
            LONG before[3];
            for (int i = 0; i < 3; ++i)
                before[i] = items[i]->RefCount;
            RemovePasteHead();
            for (int i = 0; i < 3; ++i) {
                if (items[i]->RefCount == before[i] - 1)
                    order += (char)('A' + i);
            }
            // FIFO relies on this: after a removal the cursor is the head.
            if (!IsPasteQueueEmpty()) {
                EXPECT_TRUE(HasPasteCursor());
            } else {
                EXPECT_FALSE(HasPasteCursor());
            }
        }
        return order;
    }
    ClipItem *items[3];
};

struct QueueCase {
    const char *ops;
    char cursor;
    const char *order; // head to tail
};

TEST_F(PasteQueue, OperationsKeepOrderAndCursor)
{
    const QueueCase cases[] = {
        {"", '-', ""},          {"A", 'A', "A"},
        {"ABC", 'A', "ABC"},  // later appends leave the cursor on the first
        {"AB>C", 'B', "ABC"}, // ... wherever it has moved to
        {"AB>", 'B', "AB"},     {"ABC>>", 'C', "ABC"},
        {"ABC>>>", 'A', "ABC"},                        // from the last back to the first
        {"A>>", 'A', "A"},                             // one node: it stays
        {"ABx", 'B', "B"},                             // the one left is head and cursor
        {"ABCx", 'B', "BC"},    {"ABC>>x", 'B', "BC"}, // the cursor moves to the new head
        {"Ax", '-', ""},        {"x", '-', ""},        // nothing to remove
        {"ABCc", '-', ""},      {"ABCcB", 'B', "B"},   // usable again after clearing
        {"AA", 'A', "AA"},                             // one node, one reference each
    };
    for (const QueueCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "ops \"" << c.ops << "\"");
        ClearPasteQueue();
        Run(c.ops);
        EXPECT_EQ(Cursor(), c.cursor);
        EXPECT_EQ(IsPasteQueueEmpty(), c.order[0] == 0);
        EXPECT_EQ(Drain(), c.order);
    }
}

TEST_F(PasteQueue, EachNodeHoldsOneReference)
{
    Run("ABA");
    EXPECT_EQ(items[0]->RefCount, 3);
    EXPECT_EQ(items[1]->RefCount, 2);
    EXPECT_EQ(items[2]->RefCount, 1);
    ClearPasteQueue();
    EXPECT_EQ(items[0]->RefCount, 1);
    EXPECT_EQ(items[1]->RefCount, 1);
    EXPECT_TRUE(IsPasteQueueEmpty());
    EXPECT_FALSE(HasPasteCursor());
}

TEST_F(PasteQueue, PeekReleasesWhatTheHolderHeld)
{
    ClipItem *holder = items[2];
    AddRefClipItem(holder);
    EXPECT_FALSE(PeekPasteCursor(&holder)); // empty queue
    EXPECT_EQ(holder, nullptr);
    EXPECT_EQ(items[2]->RefCount, 1);

    Run("AB>");
    holder = items[2];
    AddRefClipItem(holder);
    EXPECT_TRUE(PeekPasteCursor(&holder));
    EXPECT_EQ(holder, items[1]);
    EXPECT_EQ(items[1]->RefCount, 3); // test, node, holder
    EXPECT_EQ(items[2]->RefCount, 1);
    ReleaseClipItem(&holder);
}

// --- Modes --------------------------------------------------------------------

class Modes : public testing::Test
{
  protected:
    void SetUp() override
    {
        LineDivision = 0;
        item = CreateClipItem(2, "Q", 0);
    }
    void TearDown() override
    {
        CaptureStdout(SetModeOff);
        LineDivision = 0;
        CheckMenuCommand(0, IDM_LINE);
        ReleaseClipItem(&item);
    }
    ClipItem *item = NULL;
};

struct ModeCase {
    const char *name;
    void (*from)(void);
    void (*op)(void);
    DWORD mode;
    int tray;
    const char *trace;
};

TEST_F(Modes, EverySwitchSetsTrayChecksQueueAndTrace)
{
    const ModeCase cases[] = {
        {"off, SetModeFifo", SetModeOff, SetModeFifo, PASTE_MODE_FIFO, TRAY_FIFO_COPYING, "Mode FIFO.\n"},
        {"off, SetModeLoop", SetModeOff, SetModeLoop, PASTE_MODE_LOOP, TRAY_LOOP_COPYING, "Mode Loop.\n"},
        {"off, SetModeOff", SetModeOff, SetModeOff, PASTE_MODE_OFF, TRAY_OFF, "Mode off.\n"},
        {"off, ToggleFifo", SetModeOff, ToggleFifo, PASTE_MODE_FIFO, TRAY_FIFO_COPYING, "Mode FIFO.\n"},
        {"off, ToggleLoop", SetModeOff, ToggleLoop, PASTE_MODE_LOOP, TRAY_LOOP_COPYING, "Mode Loop.\n"},
        {"FIFO, SetModeFifo", SetModeFifo, SetModeFifo, PASTE_MODE_FIFO, TRAY_FIFO_COPYING, "Mode FIFO.\n"},
        {"FIFO, SetModeLoop", SetModeFifo, SetModeLoop, PASTE_MODE_LOOP, TRAY_LOOP_COPYING, "Mode Loop.\n"},
        {"FIFO, SetModeOff", SetModeFifo, SetModeOff, PASTE_MODE_OFF, TRAY_OFF, "Mode off.\n"},
        {"FIFO, ToggleFifo", SetModeFifo, ToggleFifo, PASTE_MODE_OFF, TRAY_OFF, "Mode off.\n"},
        {"FIFO, ToggleLoop", SetModeFifo, ToggleLoop, PASTE_MODE_LOOP, TRAY_LOOP_COPYING, "Mode Loop.\n"},
        {"Loop, SetModeFifo", SetModeLoop, SetModeFifo, PASTE_MODE_FIFO, TRAY_FIFO_COPYING, "Mode FIFO.\n"},
        {"Loop, SetModeLoop", SetModeLoop, SetModeLoop, PASTE_MODE_LOOP, TRAY_LOOP_COPYING, "Mode Loop.\n"},
        {"Loop, SetModeOff", SetModeLoop, SetModeOff, PASTE_MODE_OFF, TRAY_OFF, "Mode off.\n"},
        {"Loop, ToggleFifo", SetModeLoop, ToggleFifo, PASTE_MODE_FIFO, TRAY_FIFO_COPYING, "Mode FIFO.\n"},
        {"Loop, ToggleLoop", SetModeLoop, ToggleLoop, PASTE_MODE_OFF, TRAY_OFF, "Mode off.\n"},
    };
    for (const ModeCase &c : cases) {
        SCOPED_TRACE(c.name);
        CaptureStdout(c.from);
        // Something queued, a stale keystroke state, a tray state and a line
        // check mark that no switch should produce or touch.
        ASSERT_TRUE(AppendToPasteQueue(item));
        CtrlBits = 1;
        LastKeystrokeFlags = 0x001D0001;
        SetTrayState(TRAY_LOOP_PASTING);
        CheckMenuCommand(1, IDM_LINE);

        EXPECT_EQ(CaptureStdout(c.op), c.trace);
        EXPECT_EQ(PasteMode, c.mode);
        EXPECT_EQ(CurrentTrayState, c.tray);
        EXPECT_EQ(IsChecked(IDM_FIFO), c.mode == PASTE_MODE_FIFO);
        EXPECT_EQ(IsChecked(IDM_LOOP), c.mode == PASTE_MODE_LOOP);
        EXPECT_TRUE(IsChecked(IDM_LINE));
        EXPECT_TRUE(IsPasteQueueEmpty());
        EXPECT_FALSE(HasPasteCursor());
        EXPECT_EQ(item->RefCount, 1);
        // Switching a mode on forgets the keys; switching off leaves them.
        EXPECT_EQ(CtrlBits, c.mode == PASTE_MODE_OFF ? 1u : 0u);
        EXPECT_EQ(LastKeystrokeFlags, c.mode == PASTE_MODE_OFF ? 0x001D0001u : 0u);
        EXPECT_EQ(LineDivision, 0u);
    }
}

TEST_F(Modes, LineDivisionTogglesOnlyItsCheckAndTheTooltip)
{
    CaptureStdout(SetModeFifo);
    ASSERT_TRUE(AppendToPasteQueue(item));
    SetTrayState(TRAY_FIFO_PASTING);
    for (DWORD expected : {1u, 0u, 1u}) {
        SCOPED_TRACE(expected);
        EXPECT_EQ(CaptureStdout(ToggleLineDivision), "");
        EXPECT_EQ(LineDivision, expected);
        EXPECT_EQ(IsChecked(IDM_LINE), expected == 1);
        EXPECT_EQ(wcsstr(TrayRecord.szTip, L" [Line division]") != NULL, expected == 1);
        EXPECT_EQ(CurrentTrayState, TRAY_FIFO_PASTING);
        EXPECT_EQ(PasteMode, PASTE_MODE_FIFO);
        EXPECT_TRUE(IsChecked(IDM_FIFO));
        EXPECT_FALSE(IsChecked(IDM_LOOP));
        EXPECT_EQ(item->RefCount, 2); // still queued
        EXPECT_TRUE(HasPasteCursor());
    }
}

} // namespace
