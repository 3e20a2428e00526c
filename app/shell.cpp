// The main window class, the start-up error box and the shutdown routine.
#include <stdarg.h>
#include <stdio.h>

#include "app/app.h"
#include "clip/queue.h"
#include "fifo/fifo.h"
#include "history/history.h"
#include "history/tooltip.h"
#include "hotkeys/settings.h"
#include "resources/resource.h"
#include "tray/tray.h"

HANDLE InstanceMutex;

int RegisterMainWindowClass(void)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = AppInstance;
    wc.hIcon = LoadAppIcon(IDI_APP);
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"Corvane_KR_Class";
    wc.hIconSm = LoadAppIcon(IDI_APP_SMALL);
    return RegisterClassExW(&wc) != 0;
}

void ShowInitError(const wchar_t *format, ...)
{
    wchar_t text[512];
    va_list args;
    va_start(args, format);
    _vsnwprintf(text, 512, format, args);
    va_end(args);
    text[511] = 0;
    MessageBoxW(NULL, text, L"エラー", MB_ICONERROR);
}

// Runs during exit processing, after WinMain has returned, also after a failed
// start-up: every step accepts a resource that was never created, and none
// stops the ones after it.
int Shutdown(void)
{
    FIFO_ResetHook();
    UnregisterHotkeys();
    ClearPasteQueue();
    ReleaseHistory();
    if (TooltipWindow) {
        DestroyWindow(TooltipWindow);
        TooltipWindow = NULL;
    }
    if (MenuFont)
        DeleteObject(MenuFont);
    RemoveTrayIcon();
    SaveHotkeySettings();
    if (InstanceMutex)
        CloseHandle(InstanceMutex);
    return 0;
}
