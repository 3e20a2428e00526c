// The notification-area icon, its states and context menu, and the version
// dialog.
#include "tray/tray.h"

#include <stddef.h>
#include <stdio.h>

#include "app/app.h"
#include "resources/resource.h"

// The record as the XP shell knows it: up to and including guidItem.
static const DWORD TRAY_RECORD_SIZE = offsetof(NOTIFYICONDATAW, guidItem) + sizeof(GUID);
static_assert(TRAY_RECORD_SIZE == 952, "the tray record is 952 bytes");
static_assert(sizeof(MENUITEMINFOW) == 48, "MENUITEMINFOW is 48 bytes");

static const UINT TRAY_FLAGS = NIF_MESSAGE | NIF_ICON | NIF_TIP;
static const UINT TRAY_BALLOON_TIMEOUT = 5000; // no balloon is ever shown

static const wchar_t *const StateNames[TRAY_STATE_COUNT] = {
    L"off", L"FIFO (coping)", L"FIFO (pasting)", L"Loop (coping)", L"Loop (pasting)",
};

// "シェル登録エラー(%d)\n" in code page 932, like every narrow trace line.
static const char AddErrorTrace[] = "\x83\x56\x83\x46\x83\x8b\x93\x6f\x98\x5e\x83\x47\x83\x89\x81\x5b(%d)\n";

HMENU ContextMenu;
int CurrentTrayState;
NOTIFYICONDATAW TrayRecord;

TrayNotifyFunction TrayNotify = Shell_NotifyIconW;
TraySleepFunction TraySleep = Sleep;

// Shared resource icons: never destroyed.
static HICON StateIcons[TRAY_STATE_COUNT];

void FormatTrayTip(wchar_t *tip, int state)
{
    _snwprintf(tip, TRAY_TIP_LENGTH, L"%s%s%s", L"Corvane - ", StateNames[state],
               LineDivision ? L" [Line division]" : L"");
    tip[TRAY_TIP_LENGTH - 1] = 0;
}

static void FillTrayRecord(void)
{
    ZeroMemory(&TrayRecord, sizeof TrayRecord);
    TrayRecord.cbSize = TRAY_RECORD_SIZE;
    TrayRecord.hWnd = MainWindow;
    TrayRecord.uID = 0;
    TrayRecord.uFlags = TRAY_FLAGS;
    TrayRecord.uCallbackMessage = UM_TRAY_NOTIFY;
    TrayRecord.hIcon = StateIcons[TRAY_OFF];
    TrayRecord.uTimeout = TRAY_BALLOON_TIMEOUT;
    FormatTrayTip(TrayRecord.szTip, TRAY_OFF);
}

int AddTrayIcon(void)
{
    for (int i = 0; i < TRAY_STATE_COUNT; ++i)
        StateIcons[i] = LoadAppIcon(IDI_TRAY_BASE + i);

    // At log-on the program may start before the shell: the tray then answers
    // ERROR_TIMEOUT or ERROR_NO_TOKEN. A timed-out add may still have made the
    // icon, so each retry first tries to modify it, and adds only when there
    // is nothing to modify; that way no second icon appears.
    DWORD error = 0;
    for (int attempt = 0; attempt < TRAY_ADD_ATTEMPTS; ++attempt) {
        FillTrayRecord();
        if (attempt > 0) {
            TraySleep(TRAY_RETRY_DELAY);
            if (TrayNotify(NIM_MODIFY, &TrayRecord))
                return 1;
        }
        if (TrayNotify(NIM_ADD, &TrayRecord))
            return 1;
        error = GetLastError();
        if (error != ERROR_TIMEOUT && error != ERROR_NO_TOKEN)
            break;
    }
    TrayRecord.cbSize = 0;
    Trace(AddErrorTrace, (int)error);
    return 0;
}

void SetTrayState(int state)
{
    // Callers pass the TrayState constants; anything else would index past
    // the tables.
    if (state < 0 || state >= TRAY_STATE_COUNT)
        return;
    TrayRecord.hIcon = StateIcons[state];
    FormatTrayTip(TrayRecord.szTip, state);
    TrayNotify(NIM_MODIFY, &TrayRecord);
    CurrentTrayState = state;
}

void RefreshTrayTip(void)
{
    FormatTrayTip(TrayRecord.szTip, CurrentTrayState);
    TrayNotify(NIM_MODIFY, &TrayRecord);
}

BOOL CheckMenuCommand(int check, UINT commandId)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    info.fState = (check & 1) ? MFS_CHECKED : 0;
    return SetMenuItemInfoW(ContextMenu, commandId, FALSE, &info);
}

void ShowTrayMenu(LPARAM lParam)
{
    if (LOWORD(lParam) != WM_RBUTTONDOWN)
        return;
    POINT point;
    GetCursorPos(&point);
    // A popup menu closes when the user clicks elsewhere only if its owner is
    // the foreground window; a tray icon's owner normally is not, so it is
    // made so first. The message posted afterwards makes the system switch
    // to this thread once more, without which the next time the menu opens
    // it may close again at once.
    SetForegroundWindow(MainWindow);
    SetFocus(MainWindow);
    TrackPopupMenuEx(ContextMenu, 0, point.x, point.y, MainWindow, NULL);
    PostMessageW(MainWindow, WM_NULL, 0, 0);
}

void RemoveTrayIcon(void)
{
    if (!TrayRecord.cbSize)
        return;
    TrayNotify(NIM_DELETE, &TrayRecord);
    TrayRecord.cbSize = 0;
}

INT_PTR CALLBACK VersionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}
