// The history popup and the paste into the previous window, with the real
// hook library, menus, clipboard and synthesised input.
#include <gtest/gtest.h>

#include "menu_world.h"
#include "test_world.h"

#include "app/app.h"
#include "fifo/fifo.h"
#include "history/history.h"
#include "history/popup.h"
#include "resources/resource.h"

namespace
{

TEST(PasteInputs, AreCtrlDownVDownVUpCtrlUpWithScanCodes)
{
    memset(PasteInputs, 0xCC, sizeof PasteInputs);
    BuildPasteInputs();
    const struct {
        WORD key;
        DWORD flags;
    } expected[4] = {{VK_CONTROL, 0}, {'V', 0}, {'V', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ((DWORD)INPUT_KEYBOARD, PasteInputs[i].type);
        EXPECT_EQ(expected[i].key, PasteInputs[i].ki.wVk);
        EXPECT_EQ(expected[i].flags, PasteInputs[i].ki.dwFlags);
        EXPECT_EQ((WORD)MapVirtualKeyW(expected[i].key, 0), PasteInputs[i].ki.wScan);
        EXPECT_NE(0, PasteInputs[i].ki.wScan);
        EXPECT_EQ(0u, PasteInputs[i].ki.time);
        EXPECT_EQ(0u, PasteInputs[i].ki.dwExtraInfo);
    }
}

TEST(CaretPopupPoint, IsTheCaretsLeftEdgeHalfWayDown)
{
    const struct {
        RECT caret;
        LONG x, y;
    } cases[] = {
        {{10, 20, 12, 35}, 10, 27},                             // odd height: rounded toward the top
        {{0, 0, 1, 16}, 0, 8},      {{-4, -10, -3, 5}, -4, -3}, // left of and above the client area
        {{3, 20, 4, 15}, 3, 18},                                // upside down: -5 / 2 truncates to -2
        {{7, 9, 7, 9}, 7, 9},                                   // empty caret
    };
    for (const auto &c : cases) {
        POINT point = CaretPopupPoint(&c.caret);
        EXPECT_EQ(c.x, point.x) << c.caret.top << ".." << c.caret.bottom;
        EXPECT_EQ(c.y, point.y) << c.caret.top << ".." << c.caret.bottom;
    }
}

class PopupTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        EnsureMenuWorld();
        memset(&Observed, 0, sizeof Observed);
        PasteOnIdle = 1;
        notify = CreateNotifyWindow();
        ASSERT_TRUE(notify);
    }
    void TearDown() override
    {
        // Whatever a test left waiting, the next one starts quiet.
        HIST_ResetHook();
        PasteDone = 1;
        PasteTarget = NULL;
        PumpMessages(50);
        DestroyWindow(notify);
        for (int i = 0; i < 3; ++i)
            if (targets[i])
                DestroyWindow(targets[i]);
    }
    // A visible target in the foreground, its queue worked through.
    HWND MakeTarget(int i)
    {
        targets[i] = CreatePasteTarget(200 + 40 * i, 150 + 40 * i);
        SetForegroundWindow(targets[i]);
        SetFocus(targets[i]);
        PumpMessages(100);
        return targets[i];
    }
    HWND notify = NULL;
    HWND targets[3] = {};
};

TEST_F(PopupTest, PickPastesOnceHoweverManyNoticesArrive)
{
    UINT id = AddHistoryText(L"picked text");
    HWND target = MakeTarget(0);
    PasteTarget = target;
    PasteHistoryEntry(notify, id);
    EXPECT_EQ(0, PasteDone);
    EXPECT_EQ(target, GetForegroundWindow());
    wchar_t clipboard[64];
    ReadClipboardW(clipboard, 64);
    EXPECT_STREQ(L"picked text", clipboard);

    // Notices beyond the hook's own, already queued when the first is handled.
    for (int i = 0; i < 5; ++i)
        PostMessageW(notify, UM_TARGET_IDLE, 0, 0);
    PumpMessages(600);
    EXPECT_GE(Observed.targetIdle, 5);
    EXPECT_EQ(1, Observed.ctrlV);
    EXPECT_EQ(target, Observed.ctrlVWindow);
    EXPECT_EQ(1, PasteDone);

    // The hook is gone: the target's quiet returns report nothing any more.
    int notices = Observed.targetIdle;
    SendQuietMessage(target);
    SendQuietMessage(target);
    PumpMessages(200);
    EXPECT_EQ(notices, Observed.targetIdle);
    EXPECT_EQ(1, Observed.ctrlV);
}

// The menu gives the target the foreground back before the pick is handled,
// so the pick itself must get the target to report: nothing else may come.
TEST_F(PopupTest, PickToTheForegroundTargetPastesWithoutOutsideTraffic)
{
    UINT id = AddHistoryText(L"quiet target");
    HWND target = MakeTarget(0);
    ASSERT_EQ(target, GetForegroundWindow());
    PasteTarget = target;
    PasteHistoryEntry(notify, id);
    PumpMessages(800);
    EXPECT_GE(Observed.targetIdle, 1);
    EXPECT_EQ(1, Observed.ctrlV);
    EXPECT_EQ(1, PasteDone);
}

TEST_F(PopupTest, PickWithoutTargetLeavesLaterPicksWorking)
{
    UINT first = AddHistoryText(L"no target");
    UINT second = AddHistoryText(L"real target");
    HWND target = MakeTarget(0);

    PasteTarget = NULL;
    PasteHistoryEntry(notify, first);
    wchar_t clipboard[64];
    ReadClipboardW(clipboard, 64);
    EXPECT_STREQ(L"no target", clipboard);
    // Nothing is waiting: no flag reset for notices that cannot come.
    EXPECT_EQ(1, PasteDone);
    SendQuietMessage(target);
    PumpMessages(300);
    EXPECT_EQ(0, Observed.targetIdle);
    EXPECT_EQ(0, Observed.ctrlV);

    // The next pick with a target installs its own hook and pastes.
    PasteTarget = target;
    PasteHistoryEntry(notify, second);
    SendQuietMessage(target);
    PumpMessages(600);
    ReadClipboardW(clipboard, 64);
    EXPECT_STREQ(L"real target", clipboard);
    EXPECT_GE(Observed.targetIdle, 1);
    EXPECT_EQ(1, Observed.ctrlV);
    EXPECT_EQ(target, Observed.ctrlVWindow);
    EXPECT_EQ(1, PasteDone);
}

// A target closed before its paste (before it went quiet, or while the menu
// was still open) must not keep later picks from pasting.
TEST_F(PopupTest, ClosedTargetsLeaveLaterPicksWorking)
{
    UINT ids[3] = {AddHistoryText(L"one"), AddHistoryText(L"two"), AddHistoryText(L"three")};
    for (int closedWhileMenuOpen = 0; closedWhileMenuOpen < 2; ++closedWhileMenuOpen) {
        SCOPED_TRACE(closedWhileMenuOpen ? "closed while the menu was open" : "closed before going quiet");
        memset(&Observed, 0, sizeof Observed);
        HWND gone = MakeTarget(0);
        PasteTarget = gone;
        if (closedWhileMenuOpen)
            DestroyWindow(gone);
        PasteHistoryEntry(notify, ids[closedWhileMenuOpen]);
        if (!closedWhileMenuOpen)
            DestroyWindow(gone);
        targets[0] = NULL;
        PumpMessages(300);
        EXPECT_EQ(0, Observed.ctrlV);

        HWND target = MakeTarget(1);
        PasteTarget = target;
        PasteHistoryEntry(notify, ids[2]);
        SendQuietMessage(target);
        PumpMessages(600);
        wchar_t clipboard[64];
        ReadClipboardW(clipboard, 64);
        EXPECT_STREQ(L"three", clipboard);
        EXPECT_EQ(1, Observed.ctrlV);
        EXPECT_EQ(target, Observed.ctrlVWindow);
        EXPECT_EQ(1, PasteDone);
        DestroyWindow(target);
        targets[1] = NULL;
    }
}

// Only a command of an entry in the menu is a pick.
TEST_F(PopupTest, CommandsOfNoEntryPasteNothing)
{
    UINT id = AddHistoryText(L"entry");
    HWND target = MakeTarget(0);
    const UINT strays[] = {id + 1, IDM_HISTORY_BASE + 16, IDM_HISTORY_BASE + 999, 0xFFFF};
    for (UINT stray : strays) {
        SCOPED_TRACE(stray);
        PasteTarget = target;
        PasteHistoryEntry(notify, stray);
        EXPECT_EQ(1, PasteDone);
        SendQuietMessage(target);
        PumpMessages(200);
        EXPECT_EQ(0, Observed.targetIdle);
        EXPECT_EQ(0, Observed.ctrlV);
    }
    // The entry itself still pastes.
    PasteHistoryEntry(notify, id);
    SendQuietMessage(target);
    PumpMessages(600);
    EXPECT_EQ(1, Observed.ctrlV);
}

TEST_F(PopupTest, LaterPicksKeepWaitingForTheFirstTarget)
{
    UINT ids[3] = {AddHistoryText(L"one"), AddHistoryText(L"two"), AddHistoryText(L"three")};
    HWND first = MakeTarget(0);
    HWND later = MakeTarget(1);
    PasteOnIdle = 0;

    // Three picks before any notice is handled: the first target, none, another.
    PasteTarget = first;
    PasteHistoryEntry(notify, ids[0]);
    PasteTarget = NULL;
    PasteHistoryEntry(notify, ids[1]);
    PasteTarget = later;
    PasteHistoryEntry(notify, ids[2]);
    wchar_t clipboard[64];
    ReadClipboardW(clipboard, 64);
    EXPECT_STREQ(L"three", clipboard);
    EXPECT_EQ(0, PasteDone);
    PumpMessages(200);

    Observed.targetIdle = 0;
    SendQuietMessage(later);
    PumpMessages(100);
    EXPECT_EQ(0, Observed.targetIdle) << "the hook moved to the later target";
    SendQuietMessage(first);
    PumpMessages(100);
    EXPECT_GE(Observed.targetIdle, 1) << "the first target is no longer watched";

    // The notice pastes the last text once, wherever the focus now is.
    PasteOnIdle = 1;
    SendPasteToTarget();
    PumpMessages(200);
    EXPECT_EQ(1, Observed.ctrlV);
    EXPECT_EQ(1, PasteDone);
}

// What the popup looked like while it was open.
static HWND PopupWindow;
static RECT PopupRect;
static HWND ActiveDuringMenu;

static void RecordPopup(void)
{
    PopupWindow = FindPopupMenuWindow();
    if (PopupWindow)
        GetWindowRect(PopupWindow, &PopupRect);
    ActiveDuringMenu = GetForegroundWindow();
}

static void ResetPopupRecord(void)
{
    PopupWindow = NULL;
    SetRect(&PopupRect, -1, -1, -1, -1);
    ActiveDuringMenu = NULL;
}

TEST_F(PopupTest, MenuOpensAtTheCaretAndGivesTheForegroundBack)
{
    AddHistoryText(L"entry");
    HWND target = MakeTarget(0);
    ASSERT_TRUE(CreateCaret(target, NULL, 2, 15));
    ASSERT_TRUE(SetCaretPos(10, 20));
    ShowCaret(target);
    POINT expected = {10, 27};
    ClientToScreen(target, &expected);

    HWND owner = CreateMenuOwner();
    ResetPopupRecord();
    PasteTarget = NULL;
    int pasteDone = PasteDone;
    RunWithMenuOpen(owner, ShowHistoryPopup, RecordPopup);
    ASSERT_TRUE(PopupWindow) << "no popup menu was shown";
    EXPECT_EQ(expected.x, PopupRect.left);
    EXPECT_EQ(expected.y, PopupRect.top);
    EXPECT_EQ(owner, ActiveDuringMenu);
    EXPECT_EQ(target, PasteTarget);
    EXPECT_EQ(target, GetForegroundWindow());
    // Cancelled: nothing was picked, nothing waits.
    EXPECT_EQ(pasteDone, PasteDone);
    PumpMessages(200);
    EXPECT_EQ(0, Observed.targetIdle);
    EXPECT_EQ(0, Observed.ctrlV);
    DestroyCaret();
    DestroyWindow(owner);
}

TEST_F(PopupTest, MenuOpensAtTheMousePointerWithoutCaret)
{
    AddHistoryText(L"entry");
    HWND target = MakeTarget(0);
    DestroyCaret();
    ASSERT_TRUE(SetCursorPos(420, 380));
    PumpMessages(100);
    POINT cursor;
    GetCursorPos(&cursor);

    HWND owner = CreateMenuOwner();
    ResetPopupRecord();
    RunWithMenuOpen(owner, ShowHistoryPopup, RecordPopup);
    ASSERT_TRUE(PopupWindow) << "no popup menu was shown";
    EXPECT_EQ(cursor.x, PopupRect.left);
    EXPECT_EQ(cursor.y, PopupRect.top);
    EXPECT_EQ(target, PasteTarget);
    EXPECT_EQ(target, GetForegroundWindow());
    DestroyWindow(owner);
}

} // namespace
