#include "menu_world.h"

#include <commctrl.h>
#include <string.h>
#include <wchar.h>

#include "app/app.h"
#include "fifo/fifo.h"
#include "history/history.h"
#include "history/popup.h"
#include "history/tooltip.h"

Seen Observed;
int PasteOnIdle;

static void (*MenuAction)(void);

enum { TIMER_ACTION = 7, TIMER_GIVE_UP = 8 };

static LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_TARGET_IDLE) {
        ++Observed.targetIdle;
        if (PasteOnIdle)
            SendPasteToTarget();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN && wParam == 'V' && (GetKeyState(VK_CONTROL) & 0x8000)) {
        ++Observed.ctrlV;
        Observed.ctrlVWindow = window;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MEASUREITEM:
        if (((MEASUREITEMSTRUCT *)lParam)->CtlType == ODT_MENU) {
            ((MEASUREITEMSTRUCT *)lParam)->itemWidth = 120;
            ((MEASUREITEMSTRUCT *)lParam)->itemHeight = 18;
            return TRUE;
        }
        break;
    case WM_DRAWITEM:
        return 0;
    case WM_TIMER:
        KillTimer(window, wParam);
        if (wParam == TIMER_ACTION && MenuAction) {
            void (*action)(void) = MenuAction;
            MenuAction = NULL;
            action();
        }
        EndMenu();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static void RegisterTestClass(const wchar_t *name, WNDPROC proc)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

void EnsureMenuWorld(void)
{
    static int ready;
    if (ready)
        return;
    ready = 1;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterTestClass(L"Corvane_Test_Notify", NotifyProc);
    RegisterTestClass(L"Corvane_Test_Target", TargetProc);
    RegisterTestClass(L"Corvane_Test_Owner", OwnerProc);
    CreateHistoryMenu();
    CreateTooltip();
    BuildPasteInputs();
}

HWND CreateNotifyWindow(void)
{
    return CreateWindowExW(0, L"Corvane_Test_Notify", L"notify", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, NULL,
                           NULL, GetModuleHandleW(NULL), NULL);
}

HWND CreatePasteTarget(int x, int y)
{
    HWND window = CreateWindowExW(0, L"Corvane_Test_Target", L"target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x,
                                  y, 300, 200, NULL, NULL, GetModuleHandleW(NULL), NULL);
    UpdateWindow(window);
    return window;
}

HWND CreateMenuOwner(void)
{
    return CreateWindowExW(0, L"Corvane_Test_Owner", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, NULL, NULL,
                           GetModuleHandleW(NULL), NULL);
}

void RunWithMenuOpen(HWND owner, void (*menuCall)(HWND owner), void (*action)(void))
{
    MenuAction = action;
    SetTimer(owner, TIMER_ACTION, 300, NULL);
    SetTimer(owner, TIMER_GIVE_UP, 5000, NULL);
    menuCall(owner);
    KillTimer(owner, TIMER_ACTION);
    KillTimer(owner, TIMER_GIVE_UP);
    MenuAction = NULL;
}

static BOOL CALLBACK FindMenuProc(HWND window, LPARAM found)
{
    wchar_t name[16];
    if (IsWindowVisible(window) && GetClassNameW(window, name, 16) && !wcscmp(name, L"#32768")) {
        *(HWND *)found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindPopupMenuWindow(void)
{
    HWND found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindMenuProc, (LPARAM)&found);
    if (!found)
        EnumWindows(FindMenuProc, (LPARAM)&found);
    return found;
}

ClipItem *MakeItemW(const wchar_t *text)
{
    return CreateClipItem((DWORD)(wcslen(text) + 1) * 2, text, 1);
}

ClipItem *MakeItemA(const char *text)
{
    return CreateClipItem((DWORD)strlen(text) + 1, text, 0);
}

UINT AddHistoryText(const wchar_t *text)
{
    ClipItem *item = MakeItemW(text);
    AddToHistory(item);
    ReleaseClipItem(&item);
    return GetMenuItemID(HistoryMenu, 0);
}

void ReadClipboardW(wchar_t *buffer, int size)
{
    buffer[0] = 0;
    if (!OpenClipboard(NULL))
        return;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t *text = data ? (const wchar_t *)GlobalLock(data) : NULL;
    if (text) {
        lstrcpynW(buffer, text, size);
        GlobalUnlock(data);
    }
    CloseClipboard();
}

void SendQuietMessage(HWND target)
{
    GetQueueStatus(QS_ALLEVENTS);
    SendMessageW(target, WM_NULL, 0, 0);
}
