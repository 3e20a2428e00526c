// MainWindowProc on the real main window: each message goes to the operation
// the routing names, with the result the routing gives.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <io.h>
#include <stdio.h>
#include <string>

#include "app/app.h"
#include "clip/detect.h"
#include "clip/queue.h"
#include "fifo/fifo.h"
#include "history/history.h"
#include "history/popup.h"
#include "history/tooltip.h"
#include "hotkeys/dialog.h"
#include "hotkeys/settings.h"
#include "resources/resource.h"
#include "test_world.h"
#include "tray/tray.h"

namespace
{

std::string CreationTrace;

LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendMessageW(MainWindow, message, wParam, lParam);
}

int QuitPosted(WPARAM *wParam)
{
    MSG msg;
    if (!PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE))
        return 0;
    *wParam = msg.wParam;
    return 1;
}

// Closes the first dialog box of this process that appears within 10 s, with
// the given command, from another thread: the dialogs are modal.
struct DialogCloser {
    UINT command;
    wchar_t title[128];
    HANDLE thread;
};

BOOL CALLBACK FindOwnDialog(HWND window, LPARAM param)
{
    DWORD pid = 0;
    wchar_t cls[32];
    GetWindowThreadProcessId(window, &pid);
    GetClassNameW(window, cls, 32);
    if (pid == GetCurrentProcessId() && !wcscmp(cls, L"#32770") && IsWindowVisible(window)) {
        *(HWND *)param = window;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI CloseDialogLater(LPVOID param)
{
    DialogCloser *closer = (DialogCloser *)param;
    for (int i = 0; i < 200; ++i) {
        HWND dialog = NULL;
        EnumWindows(FindOwnDialog, (LPARAM)&dialog);
        if (dialog) {
            GetWindowTextW(dialog, closer->title, 128);
            PostMessageW(dialog, WM_COMMAND, closer->command, 0);
            return 1;
        }
        Sleep(50);
    }
    return 0;
}

void StartDialogCloser(DialogCloser *closer, UINT command)
{
    closer->command = command;
    closer->title[0] = 0;
    closer->thread = CreateThread(NULL, 0, CloseDialogLater, closer, 0, NULL);
}

DWORD FinishDialogCloser(DialogCloser *closer)
{
    DWORD closed = 0;
    WaitForSingleObject(closer->thread, 15000);
    GetExitCodeThread(closer->thread, &closed);
    CloseHandle(closer->thread);
    return closed;
}

class MainWindowProcTest : public testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        // The default bindings, as from a folder without setting.dat.
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        wcscat(folder, L"winproc_test");
        CreateDirectoryW(folder, NULL);
        DeleteFileW((std::wstring(folder) + L"\\setting.dat").c_str());
        SetCurrentDirectoryW(folder);
        LoadHotkeySettings();
        ASSERT_TRUE(RegisterMainWindowClass());
        HWND window = NULL;
        StdoutCapture output;
        window = CreateWindowExW(0, L"Corvane_KR_Class", L"Corvane", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, AppInstance, NULL);
        CreationTrace = output.Finish();
        ASSERT_TRUE(window != NULL);
        MainWindow = window;
        ASSERT_TRUE(CreateHistoryMenu());
        ASSERT_TRUE(CreateTooltip());
        ASSERT_TRUE(CreateMenuFont());
    }

    void SetUp() override
    {
        SetModeOff();
        if (LineDivision)
            ToggleLineDivision();
        WPARAM ignored;
        while (QuitPosted(&ignored)) {
        }
    }
};

TEST_F(MainWindowProcTest, CreationBuildsPasteInputsAndLoadsTheContextMenu)
{
    // Every message but WM_CREATE leaves one trace line while the window is
    // being created.
    EXPECT_NE(std::string::npos, CreationTrace.find("through message: 0081\n")) << CreationTrace;
    EXPECT_EQ(std::string::npos, CreationTrace.find("through message: 0001\n")) << CreationTrace;
    ASSERT_TRUE(ContextMenu != NULL);
    EXPECT_EQ((UINT)IDM_FIFO, GetMenuItemID(ContextMenu, 0));
    EXPECT_EQ('V', PasteInputs[1].ki.wVk);
    EXPECT_EQ((DWORD)KEYEVENTF_KEYUP, PasteInputs[3].ki.dwFlags);
}

TEST_F(MainWindowProcTest, ResultsOfTheOwnerDrawAndIgnoredMessages)
{
    MEASUREITEMSTRUCT menuMeasure = {ODT_MENU, 0, 5, 33, 44, 0};
    MEASUREITEMSTRUCT buttonMeasure = {ODT_BUTTON, 0, 5, 33, 44, 0};
    DRAWITEMSTRUCT menuDraw = {};
    menuDraw.CtlType = ODT_MENU;
    DRAWITEMSTRUCT buttonDraw = {};
    buttonDraw.CtlType = ODT_BUTTON;
    struct Case {
        const char *what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result;
    } cases[] = {
        {"menu WM_MEASUREITEM, not a history entry", WM_MEASUREITEM, 0, (LPARAM)&menuMeasure, 1},
        {"control WM_MEASUREITEM", WM_MEASUREITEM, 0, (LPARAM)&buttonMeasure, 0},
        {"menu WM_DRAWITEM without slot", WM_DRAWITEM, 0, (LPARAM)&menuDraw, 0},
        {"control WM_DRAWITEM", WM_DRAWITEM, 0, (LPARAM)&buttonDraw, 0},
        {"unknown timer", WM_TIMER, 99, 0, 0},
        {"unknown hotkey", WM_HOTKEY, 9, 0, 0},
        {"tray left click", UM_TRAY_NOTIFY, 0, WM_LBUTTONDOWN, 0},
        {"tray right release", UM_TRAY_NOTIFY, 0, WM_RBUTTONUP, 0},
        {"menu select in another menu", WM_MENUSELECT, MAKEWPARAM(1000, 0), (LPARAM)ContextMenu, 0},
        {"command below 1000", WM_COMMAND, 999, 0, 0},
        {"default processing", WM_GETTEXTLENGTH, 0, 0, 7},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.result, Send(c.message, c.wParam, c.lParam)) << c.what;
    // The proposed size of a non-history entry stays.
    EXPECT_EQ(33u, menuMeasure.itemWidth);
    EXPECT_EQ(44u, menuMeasure.itemHeight);
    EXPECT_EQ(PASTE_MODE_OFF, PasteMode);
}

TEST_F(MainWindowProcTest, CommandsAndHotkeysSwitchTheModes)
{
    struct Step {
        const char *what;
        UINT message;
        WPARAM wParam;
        DWORD mode;
        DWORD lineDivision;
        int trayState;
    } steps[] = {
        {"FIFO command", WM_COMMAND, IDM_FIFO, PASTE_MODE_FIFO, 0, TRAY_FIFO_COPYING},
        {"Loop hotkey while FIFO", WM_HOTKEY, HOTKEY_LOOP, PASTE_MODE_LOOP, 0, TRAY_LOOP_COPYING},
        {"FIFO command from an accelerator, while Loop", WM_COMMAND, MAKEWPARAM(IDM_FIFO, 1), PASTE_MODE_FIFO,
         0, TRAY_FIFO_COPYING},
        {"commands 207, 999 and 0 do nothing", WM_COMMAND, 207, PASTE_MODE_FIFO, 0, TRAY_FIFO_COPYING},
        {"", WM_COMMAND, 999, PASTE_MODE_FIFO, 0, TRAY_FIFO_COPYING},
        {"", WM_COMMAND, 0, PASTE_MODE_FIFO, 0, TRAY_FIFO_COPYING},
        {"FIFO hotkey while FIFO", WM_HOTKEY, HOTKEY_FIFO, PASTE_MODE_OFF, 0, TRAY_OFF},
        {"Loop command", WM_COMMAND, IDM_LOOP, PASTE_MODE_LOOP, 0, TRAY_LOOP_COPYING},
        {"Loop command while Loop", WM_COMMAND, IDM_LOOP, PASTE_MODE_OFF, 0, TRAY_OFF},
        {"Line command", WM_COMMAND, IDM_LINE, PASTE_MODE_OFF, 1, TRAY_OFF},
        {"Line hotkey", WM_HOTKEY, HOTKEY_LINE, PASTE_MODE_OFF, 0, TRAY_OFF},
    };
    for (const Step &s : steps) {
        EXPECT_EQ(0, Send(s.message, s.wParam, 0)) << s.what;
        EXPECT_EQ(s.mode, PasteMode) << s.what;
        EXPECT_EQ(s.lineDivision, LineDivision) << s.what;
        EXPECT_EQ(s.trayState, CurrentTrayState) << s.what;
    }
}

TEST_F(MainWindowProcTest, ExitAndDestroyPostQuitWithZero)
{
    const UINT messages[] = {WM_COMMAND, WM_DESTROY};
    const WPARAM params[] = {IDM_EXIT, 0};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(0, Send(messages[i], params[i], 0));
        WPARAM code = 99;
        ASSERT_TRUE(QuitPosted(&code)) << "message " << messages[i];
        EXPECT_EQ(0u, code);
    }
    EXPECT_TRUE(IsWindow(MainWindow)) << "WM_DESTROY is only answered, nothing destroyed";
}

TEST_F(MainWindowProcTest, TimersAreKilledThenCaptureAndPasteRun)
{
    ASSERT_TRUE(PutClipboardText(L"routed copy"));
    Send(WM_COMMAND, IDM_FIFO);
    SetTimer(MainWindow, TIMER_COPY, 60000, NULL);
    EXPECT_EQ(0, Send(WM_TIMER, TIMER_COPY));
    EXPECT_FALSE(KillTimer(MainWindow, TIMER_COPY)) << "the copy timer was killed";
    EXPECT_FALSE(IsHistoryEmpty());
    EXPECT_TRUE(HasPasteCursor());
    EXPECT_EQ(L"routed copy", ClipboardText());

    // The paste that consumes the only item switches FIFO off.
    SetTimer(MainWindow, TIMER_PASTE, 60000, NULL);
    EXPECT_EQ(0, Send(WM_TIMER, TIMER_PASTE));
    EXPECT_FALSE(KillTimer(MainWindow, TIMER_PASTE));
    EXPECT_EQ(PASTE_MODE_OFF, PasteMode);
}

TEST_F(MainWindowProcTest, KeystrokesGoToTheDetection)
{
    const LPARAM flags = 0x002E0001; // C pressed
    EXPECT_EQ(0, Send(UM_KEYSTROKE, 'C', flags));
    EXPECT_EQ((DWORD)flags, LastKeystrokeFlags);
}

TEST_F(MainWindowProcTest, HistoryCommandsPasteTheEntryAndMenuSelectShowsTheTip)
{
    ASSERT_TRUE(PutClipboardText(L"history entry"));
    Send(WM_TIMER, TIMER_COPY);
    ASSERT_FALSE(IsHistoryEmpty());
    UINT id = GetMenuItemID(HistoryMenu, 0);
    ASSERT_GE(id, (UINT)IDM_HISTORY_BASE);
    ASSERT_TRUE(PutClipboardText(L"something else"));
    PasteTarget = NULL;
    EXPECT_EQ(0, Send(WM_COMMAND, id));
    EXPECT_EQ(L"history entry", ClipboardText());
    // Every identifier from 1000 up reaches the paste, entry or not.
    EXPECT_EQ(0, Send(WM_COMMAND, 65535));

    EXPECT_EQ(0, Send(WM_MENUSELECT, MAKEWPARAM(id, MF_OWNERDRAW), (LPARAM)HistoryMenu));
    wchar_t text[64] = {};
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = MainWindow;
    tool.lpszText = text;
    SendMessageW(TooltipWindow, TTM_ENUMTOOLSW, 0, (LPARAM)&tool);
    SendMessageW(TooltipWindow, TTM_GETTEXTW, 64, (LPARAM)&tool);
    EXPECT_STREQ(L"history entry", text);
    // An identifier below 1000 in the history menu neither shows nor hides.
    EXPECT_EQ(0, Send(WM_MENUSELECT, MAKEWPARAM(5, 0), (LPARAM)HistoryMenu));
    EXPECT_EQ(0, Send(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0));
}

TEST_F(MainWindowProcTest, DialogsRunModallyAndTheHotkeyDialogRestoresTheHooks)
{
    DialogCloser closer;
    StartDialogCloser(&closer, IDOK);
    EXPECT_EQ(0, Send(WM_COMMAND, IDM_VERSION));
    EXPECT_TRUE(FinishDialogCloser(&closer));
    EXPECT_STREQ(L"バージョン情報", closer.title);

    // Cancelled or not, the hotkey dialog leaves the mode off and the hotkeys
    // registered again.
    Send(WM_COMMAND, IDM_FIFO);
    ASSERT_EQ(PASTE_MODE_FIFO, PasteMode);
    StartDialogCloser(&closer, IDC_HOTKEY_CANCEL);
    EXPECT_EQ(0, Send(WM_COMMAND, IDM_HOTKEY));
    EXPECT_TRUE(FinishDialogCloser(&closer)) << "the hotkey dialog opened";
    EXPECT_EQ(PASTE_MODE_OFF, PasteMode);
    int registered = 0;
    for (int i = 0; i < BINDING_COUNT; ++i)
        registered += HotkeyRegistrations[i].registered;
    EXPECT_EQ(BINDING_COUNT, registered);
    FIFO_ResetHook();
    UnregisterHotkeys();
}

} // namespace
