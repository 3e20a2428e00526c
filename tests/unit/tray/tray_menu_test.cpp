// The context menu and the version dialog, from the program's own resources
// (linked into this test program).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "resources/resource.h"
#include "tray/tray.h"

namespace
{

// Bounds every modal loop a test enters, so that a fault fails the test
// instead of hanging it.
const UINT LOOP_LIMIT_MS = 5000;

class ContextMenuTest : public testing::Test
{
  protected:
    HMENU menuBar = NULL;

    void SetUp() override
    {
        menuBar = LoadMenuW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDR_CONTEXT_MENU));
        ASSERT_TRUE(menuBar != NULL) << "menu 200 is not linked into the test program";
        ContextMenu = GetSubMenu(menuBar, 0);
        ASSERT_TRUE(ContextMenu != NULL);
    }

    void TearDown() override
    {
        ContextMenu = NULL;
        DestroyMenu(menuBar);
    }

    static int Checked(UINT commandId)
    {
        return (GetMenuState(ContextMenu, commandId, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
};

TEST_F(ContextMenuTest, ResourceHoldsTheCommandsUnchecked)
{
    const UINT ids[] = {IDM_FIFO, IDM_LOOP, IDM_LINE, IDM_HOTKEY, 0, IDM_VERSION, 0, IDM_EXIT};
    ASSERT_EQ(8, GetMenuItemCount(ContextMenu));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ids[i], GetMenuItemID(ContextMenu, i)) << "position " << i;
        UINT state = GetMenuState(ContextMenu, i, MF_BYPOSITION);
        EXPECT_EQ(ids[i] == 0, (state & MF_SEPARATOR) != 0) << "position " << i;
        if (ids[i]) {
            EXPECT_EQ(0u, state & (MF_CHECKED | MF_GRAYED)) << "position " << i;
        }
    }
}

TEST_F(ContextMenuTest, CheckMenuCommandSetsAndClearsOneItem)
{
    // 202 checked beforehand: nothing done to 201 or 203 may touch it.
    CheckMenuItem(ContextMenu, IDM_LOOP, MF_BYCOMMAND | MF_CHECKED);
    struct Step {
        int check;
        UINT commandId;
        int fifo, loop, line; // expected check marks afterwards
    };
    const Step steps[] = {
        {1, IDM_FIFO, 1, 1, 0}, {1, IDM_FIFO, 1, 1, 0},  {0, IDM_FIFO, 0, 1, 0},
        {3, IDM_LINE, 0, 1, 1}, // only the lowest bit counts
        {2, IDM_LINE, 0, 1, 0}, {-1, IDM_FIFO, 1, 1, 0}, {0, IDM_LOOP, 1, 0, 0},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message() << "check " << s.check << " on " << s.commandId);
        EXPECT_TRUE(CheckMenuCommand(s.check, s.commandId));
        EXPECT_EQ(s.fifo, Checked(IDM_FIFO));
        EXPECT_EQ(s.loop, Checked(IDM_LOOP));
        EXPECT_EQ(s.line, Checked(IDM_LINE));
    }
    // The item is found by its command, not by position 3 (the hotkey item).
    EXPECT_FALSE(CheckMenuCommand(1, 3));
    EXPECT_FALSE(Checked(IDM_HOTKEY));
}

// What reaches the main window while ShowTrayMenu runs.
struct MenuLog {
    int enteredLoop;
    HMENU initialisedPopup;
    RECT menuRect;
    std::vector<WPARAM> commands;
    int choose;   // when nonzero, the mnemonic to type into the open menu
    int limitHit; // the menu had to be closed by the time limit
};
MenuLog Log;
WNDPROC StandInProc;

LRESULT CALLBACK WatchingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ENTERMENULOOP:
        ++Log.enteredLoop;
        break;
    case WM_INITMENUPOPUP:
        Log.initialisedPopup = (HMENU)wParam;
        break;
    case WM_ENTERIDLE:
        // The menu is up and waiting for the user.
        if (wParam == MSGF_MENU) {
            GetWindowRect((HWND)lParam, &Log.menuRect);
            if (Log.choose)
                PostMessageW(window, WM_CHAR, Log.choose, 0);
            else
                EndMenu();
        }
        break;
    case WM_COMMAND:
        Log.commands.push_back(wParam);
        return 0;
    }
    return CallWindowProcW(StandInProc, window, message, wParam, lParam);
}

VOID CALLBACK CloseMenuLate(HWND, UINT, UINT_PTR, DWORD)
{
    Log.limitHit = 1;
    EndMenu();
}

class TrayMenuTest : public ContextMenuTest
{
  protected:
    void SetUp() override
    {
        ContextMenuTest::SetUp();
        Log = MenuLog();
        StandInProc = (WNDPROC)SetWindowLongPtrW(MainWindow, GWLP_WNDPROC, (LONG_PTR)WatchingProc);
        SetCursorPos(300, 200);
        PumpQueue();
    }

    void TearDown() override
    {
        SetWindowLongPtrW(MainWindow, GWLP_WNDPROC, (LONG_PTR)StandInProc);
        ContextMenuTest::TearDown();
    }

    // Shows the menu for one notification, a bound closing it if need be;
    // returns how many WM_NULL reached the main window afterwards.
    int Notify(LPARAM lParam)
    {
        UINT_PTR limit = SetTimer(NULL, 0, LOOP_LIMIT_MS, CloseMenuLate);
        ShowTrayMenu(lParam);
        KillTimer(NULL, limit);
        return PumpQueue();
    }

    // Dispatches what is waiting; counts the WM_NULL posts to the main window.
    int PumpQueue()
    {
        int nulls = 0;
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == MainWindow && msg.message == WM_NULL)
                ++nulls;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return nulls;
    }
};

TEST_F(TrayMenuTest, RightButtonPressOpensTheMenuAtThePointer)
{
    const LPARAM presses[] = {WM_RBUTTONDOWN, MAKELPARAM(WM_RBUTTONDOWN, 0x1234)};
    for (LPARAM lParam : presses) {
        SCOPED_TRACE(testing::Message() << "lParam " << std::hex << lParam);
        Log = MenuLog();
        // The menu's owner gets a message after the menu has closed.
        EXPECT_EQ(1, Notify(lParam));

        EXPECT_EQ(1, Log.enteredLoop);
        EXPECT_EQ(ContextMenu, Log.initialisedPopup);
        EXPECT_FALSE(Log.limitHit);
        EXPECT_EQ(300, Log.menuRect.left);
        EXPECT_EQ(200, Log.menuRect.top);
        EXPECT_TRUE(Log.commands.empty()) << "closed without a choice";
    }
}

TEST_F(TrayMenuTest, ChosenItemReachesTheMainWindow)
{
    Log.choose = 'x';
    Notify(WM_RBUTTONDOWN);
    EXPECT_FALSE(Log.limitHit);
    ASSERT_EQ(1u, Log.commands.size());
    EXPECT_EQ((WPARAM)IDM_EXIT, LOWORD(Log.commands[0]));
}

TEST_F(TrayMenuTest, OtherNotificationsDoNothing)
{
    const UINT others[] = {WM_RBUTTONUP,     WM_RBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONUP,
                           WM_LBUTTONDBLCLK, WM_MBUTTONDOWN,   WM_MOUSEMOVE,   WM_CONTEXTMENU};
    for (UINT message : others) {
        SCOPED_TRACE(testing::Message() << "message " << std::hex << message);
        Log = MenuLog();
        EXPECT_EQ(0, Notify(message));
        EXPECT_EQ(0, Log.enteredLoop);
        EXPECT_TRUE(Log.initialisedPopup == NULL);
    }
}

// The version dialog, closed in each way a user can.
enum CloseWay { CLOSE_OK_BUTTON, CLOSE_ENTER, CLOSE_ESCAPE, CLOSE_BOX };
CloseWay Way;
HWND OpenDialog;
int FocusOnOk;
wchar_t DialogTitle[64];

BOOL CALLBACK FindDialog(HWND window, LPARAM)
{
    wchar_t className[16];
    if (GetClassNameW(window, className, 16) && wcscmp(className, L"#32770") == 0 &&
        IsWindowVisible(window)) {
        OpenDialog = window;
        return FALSE;
    }
    return TRUE;
}

VOID CALLBACK CloseDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    OpenDialog = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, 0);
    if (!OpenDialog)
        return;
    GetWindowTextW(OpenDialog, DialogTitle, 64);
    HWND ok = GetDlgItem(OpenDialog, IDOK);
    FocusOnOk = GetFocus() == ok;
    switch (Way) {
    case CLOSE_OK_BUTTON:
        SendMessageW(ok, BM_CLICK, 0, 0);
        break;
    case CLOSE_ENTER:
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
        break;
    case CLOSE_ESCAPE:
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        break;
    case CLOSE_BOX:
        PostMessageW(OpenDialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

VOID CALLBACK EndDialogLate(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    if (OpenDialog)
        EndDialog(OpenDialog, 99);
}

TEST(VersionDialog, ClosesWithOkAndCancelInEveryWay)
{
    struct Case {
        CloseWay way;
        const char *name;
        INT_PTR result;
    };
    const Case cases[] = {
        {CLOSE_OK_BUTTON, "OK button", IDOK},
        {CLOSE_ENTER, "Enter", IDOK},
        {CLOSE_ESCAPE, "Escape", IDCANCEL},
        {CLOSE_BOX, "close box", IDCANCEL},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Way = c.way;
        OpenDialog = NULL;
        FocusOnOk = 0;
        DialogTitle[0] = 0;
        UINT_PTR act = SetTimer(NULL, 0, 200, CloseDialog);
        UINT_PTR limit = SetTimer(NULL, 0, LOOP_LIMIT_MS, EndDialogLate);
        INT_PTR result = DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_VERSION), MainWindow,
                                         VersionDialogProc, 0);
        KillTimer(NULL, act);
        KillTimer(NULL, limit);
        EXPECT_EQ(c.result, result);
        EXPECT_TRUE(OpenDialog != NULL) << "the dialog did not open";
        EXPECT_TRUE(FocusOnOk);
        EXPECT_EQ(std::wstring(L"バージョン情報"), std::wstring(DialogTitle));
    }
}

TEST(VersionDialog, OtherMessagesAreLeftToTheDialogManager)
{
    EXPECT_TRUE(VersionDialogProc(NULL, WM_INITDIALOG, 0, 0));
    EXPECT_FALSE(VersionDialogProc(NULL, WM_COMMAND, MAKEWPARAM(IDM_VERSION, 0), 0));
    EXPECT_FALSE(VersionDialogProc(NULL, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), 0));
    EXPECT_FALSE(VersionDialogProc(NULL, WM_CLOSE, 0, 0));
    EXPECT_FALSE(VersionDialogProc(NULL, WM_PAINT, 0, 0));
}

} // namespace
