// MainWindowProc: every event of the system arrives here as a message to the
// hidden main window and is handed to the part that handles it.
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
#include "tray/tray.h"

// Messages sent while CreateWindowExW has not returned yet.
static LRESULT PreCreationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        BuildPasteInputs();
        HMENU menu = LoadMenuW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDR_CONTEXT_MENU));
        ContextMenu = GetSubMenu(menu, 0);
    } else {
        Trace("through message: %04X\n", message);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The mode is switched off and the keyboard hook and hotkeys are away while
// the dialog is open; whichever way it closes, both come back with the
// bindings it leaves.
static void RunHotkeyDialog(void)
{
    SetModeOff();
    UnregisterHotkeys();
    FIFO_ResetHook();
    DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_HOTKEY), MainWindow, HotkeyDialogProc, 0);
    FIFO_SetHook(MainWindow);
    RegisterHotkeys();
}

static void OnCommand(WORD command)
{
    switch (command) {
    case IDM_FIFO:
        ToggleFifo();
        break;
    case IDM_LOOP:
        ToggleLoop();
        break;
    case IDM_LINE:
        ToggleLineDivision();
        break;
    case IDM_HOTKEY:
        RunHotkeyDialog();
        break;
    case IDM_VERSION:
        DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_VERSION), MainWindow, VersionDialogProc,
                        0);
        break;
    case IDM_EXIT:
        PostMessageW(MainWindow, WM_QUIT, 0, 0);
        break;
    default:
        if (command >= IDM_HISTORY_BASE)
            PasteHistoryEntry(MainWindow, command);
        break;
    }
}

static void OnHotkey(WPARAM id)
{
    switch (id) {
    case HOTKEY_MENU:
        ShowHistoryPopup(MainWindow);
        break;
    case HOTKEY_FIFO:
        ToggleFifo();
        break;
    case HOTKEY_LOOP:
        ToggleLoop();
        break;
    case HOTKEY_LINE:
        ToggleLineDivision();
        break;
    }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window != MainWindow)
        return PreCreationProc(window, message, wParam, lParam);

    switch (message) {
    case WM_DESTROY:
        PostMessageW(MainWindow, WM_QUIT, 0, 0);
        return 0;
    case WM_DRAWITEM:
        if (((const DRAWITEMSTRUCT *)lParam)->CtlType == ODT_MENU)
            DrawHistoryItem((const DRAWITEMSTRUCT *)lParam);
        return 0;
    case WM_MEASUREITEM:
        if (((const MEASUREITEMSTRUCT *)lParam)->CtlType != ODT_MENU)
            return 0;
        MeasureHistoryItem(window, (MEASUREITEMSTRUCT *)lParam);
        return 1;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_TIMER:
        KillTimer(MainWindow, wParam);
        if (wParam == TIMER_COPY)
            CaptureCopiedText();
        else if (wParam == TIMER_PASTE)
            AdvanceAfterPaste();
        return 0;
    case WM_MENUSELECT:
        if ((HMENU)lParam == HistoryMenu && LOWORD(wParam) >= IDM_HISTORY_BASE)
            ShowItemTooltip(window, (HMENU)lParam, LOWORD(wParam));
        else if (!lParam && HIWORD(wParam) == 0xFFFF)
            HideTooltip();
        return 0;
    case WM_HOTKEY:
        OnHotkey(wParam);
        return 0;
    case UM_TRAY_NOTIFY:
        ShowTrayMenu(lParam);
        return 0;
    case UM_KEYSTROKE:
        HandleKeystroke(wParam, lParam);
        return 0;
    case UM_TARGET_IDLE:
        SendPasteToTarget();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
