// The history popup and the paste into the window that was active before it.
#include "history/popup.h"

#include "clip/clipitem.h"
#include "fifo/fifo.h"
#include "history/history.h"

static_assert(sizeof(INPUT) == 28, "SendInput is given 28-byte keyboard records");
static_assert(sizeof(GUITHREADINFO) == 48, "GetGUIThreadInfo checks cbSize");

// Pause between the target going quiet and the keystrokes, so that the
// activation it has just handled has settled (focus restored to its control).
#define PASTE_DELAY_MS 150

INPUT PasteInputs[4];
HWND PasteTarget;
int PasteDone;
// The target the installed idle hook watches, from the pick that installed
// it until the keystrokes are sent; NULL while no pick waits.
static HWND WaitingTarget;

void MakeKeyInput(WORD virtualKey, DWORD flags, INPUT *input)
{
    input->type = INPUT_KEYBOARD;
    input->ki.wVk = virtualKey;
    // The virtual key is what gets injected (no KEYEVENTF_SCANCODE); the scan
    // code travels along for programs that look at it.
    input->ki.wScan = (WORD)MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    input->ki.dwFlags = flags;
    input->ki.time = 0;
    input->ki.dwExtraInfo = 0;
}

void BuildPasteInputs(void)
{
    MakeKeyInput(VK_CONTROL, 0, &PasteInputs[0]);
    MakeKeyInput('V', 0, &PasteInputs[1]);
    MakeKeyInput('V', KEYEVENTF_KEYUP, &PasteInputs[2]);
    MakeKeyInput(VK_CONTROL, KEYEVENTF_KEYUP, &PasteInputs[3]);
}

POINT CaretPopupPoint(const RECT *caret)
{
    POINT point;
    point.x = caret->left;
    point.y = caret->top + (caret->bottom - caret->top) / 2;
    return point;
}

void ShowHistoryPopup(HWND window)
{
    if (IsHistoryEmpty()) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    // The foreground thread is the one the user works in; its active window
    // gets the paste, its caret (if any) places the menu.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    BOOL known = GetGUIThreadInfo(0, &info);
    POINT point;
    if (known && info.hwndCaret) {
        point = CaretPopupPoint(&info.rcCaret);
        ClientToScreen(info.hwndCaret, &point);
    } else {
        GetCursorPos(&point);
    }
    PasteTarget = info.hwndActive;

    // A popup menu closes properly (click elsewhere, Esc) only while its
    // owner is the foreground window.
    SetForegroundWindow(window);
    SetFocus(window);
    TrackPopupMenuEx(HistoryMenu, 0, point.x, point.y, window, NULL);
    if (info.hwndActive)
        SetForegroundWindow(info.hwndActive);
}

void PasteHistoryEntry(HWND window, UINT commandId)
{
    MENUITEMINFOW entry = {};
    entry.cbSize = sizeof entry;
    entry.fMask = MIIM_DATA | MIIM_ID;
    // A command that names no entry (another program can post any number)
    // is nobody's pick: it must not paste the clipboard into the last target.
    if (!GetMenuItemInfoW(HistoryMenu, commandId, FALSE, &entry) || !entry.dwItemData)
        return;
    const HistorySlot *slot = (const HistorySlot *)entry.dwItemData;
    if (slot->item)
        WriteClipboardItem(slot->item);
    // Without a target nothing could ever report it quiet: a hook installed
    // for it would stay for the rest of the run, and since an installed hook
    // keeps its first target, no later pick would paste. The text is on the
    // clipboard; that is all this pick can do.
    // A waiting target that was closed before it went quiet never reports:
    // its hook would stay, keeping that target, and no later pick would paste.
    // A target closed while the menu was open is no target at all.
    if (WaitingTarget && !IsWindow(WaitingTarget)) {
        HIST_ResetHook();
        WaitingTarget = NULL;
        PasteDone = 1;
    }
    if (!PasteTarget || !IsWindow(PasteTarget))
        return;
    PasteDone = 0;
    // While an earlier pick still waits, its hook stays with its target and
    // this pick's keystrokes go out when that target goes quiet.
    HIST_SetHook(window, PasteTarget);
    if (!WaitingTarget)
        WaitingTarget = PasteTarget;
    SetForegroundWindow(PasteTarget);
    // The popup gave the target the foreground back as the menu closed, before
    // this pick installed the hook, so the line above usually changes nothing
    // and the target handles no message the hook could see: the pick would
    // wait for whatever next happens to be sent to it (under Wine, nothing).
    // Null messages, sent without waiting, are handled as soon as the target's
    // thread looks at its queue, and each return is a moment the hook tests.
    // The hook's queue test reports what arrived since the thread last looked:
    // the first return may still see the activation's traffic, the second
    // sees only what came after it.
    SendNotifyMessageW(PasteTarget, WM_NULL, 0, 0);
    SendNotifyMessageW(PasteTarget, WM_NULL, 0, 0);
}

void SendPasteToTarget(void)
{
    // The hook reports every quiet return until it is removed; the notices
    // already posted by then find PasteDone set.
    if (PasteDone)
        return;
    Sleep(PASTE_DELAY_MS);
    SendInput(4, PasteInputs, sizeof(INPUT));
    PasteDone = 1;
    HIST_ResetHook();
    WaitingTarget = NULL;
}
