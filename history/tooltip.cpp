// The full-text tooltip of the history menu.
#include "history/tooltip.h"

#include <commctrl.h>

#include "app/app.h"
#include "clip/clipitem.h"
#include "history/history.h"

static_assert(sizeof(TTTOOLINFOW) == 48, "the tool record carries lpReserved");

HWND TooltipWindow;

// The one tool: the main window's tool 0. Every message about it passes a
// record with only these fields (and the text, when it is set).
static void InitToolRecord(TTTOOLINFOW *tool, UINT flags)
{
    ZeroMemory(tool, sizeof *tool);
    tool->cbSize = sizeof *tool;
    tool->uFlags = flags;
    tool->hwnd = MainWindow;
    tool->uId = 0;
}

int CreateTooltip(void)
{
    HWND tip = CreateWindowExW(WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, NULL,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, AppInstance, NULL);
    if (!tip)
        return 0;
    // Above the menu, which is topmost itself.
    SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    // A tracking tool is placed and shown only when told, never by the mouse.
    TTTOOLINFOW tool;
    InitToolRecord(&tool, TTF_TRACK);
    SendMessageW(tip, TTM_ADDTOOLW, 0, (LPARAM)&tool);
    // A maximum width makes the tip multi-line: it wraps there and breaks at
    // each line break of the text.
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 1024);
    TooltipWindow = tip;
    return 1;
}

void SetTooltipTextW(const wchar_t *text)
{
    TTTOOLINFOW tool;
    InitToolRecord(&tool, 0);
    tool.lpszText = (wchar_t *)text;
    SendMessageW(TooltipWindow, TTM_UPDATETIPTEXTW, 0, (LPARAM)&tool);
}

// The message number tells the control that the text is ANSI (system code
// page); the record has the same layout either way.
void SetTooltipTextA(const char *text)
{
    TTTOOLINFOW tool;
    InitToolRecord(&tool, 0);
    tool.lpszText = (wchar_t *)(void *)text;
    SendMessageW(TooltipWindow, TTM_UPDATETIPTEXTA, 0, (LPARAM)&tool);
}

// Deactivating first makes the control take the new position and size from
// scratch when it is activated again.
void ShowTooltipAt(int x, int y)
{
    TTTOOLINFOW tool;
    InitToolRecord(&tool, 0);
    ShowWindow(TooltipWindow, SW_HIDE);
    SendMessageW(TooltipWindow, TTM_TRACKACTIVATE, FALSE, (LPARAM)&tool);
    SendMessageW(TooltipWindow, TTM_TRACKPOSITION, 0, MAKELPARAM((WORD)x, (WORD)y));
    SendMessageW(TooltipWindow, TTM_TRACKACTIVATE, TRUE, (LPARAM)&tool);
}

void HideTooltip(void)
{
    TTTOOLINFOW tool;
    InitToolRecord(&tool, 0);
    ShowWindow(TooltipWindow, SW_HIDE);
    SendMessageW(TooltipWindow, TTM_TRACKACTIVATE, FALSE, (LPARAM)&tool);
}

POINT ItemTooltipPoint(const RECT *itemRect)
{
    POINT point;
    point.x = itemRect->right + 6;
    point.y = itemRect->top;
    return point;
}

wchar_t *CopyTipTextW(wchar_t *destination, const wchar_t *source)
{
    int count = 0;
    while (count < TIP_TEXT_LIMIT_W && source[count]) {
        destination[count] = source[count] == L'\t' ? L' ' : source[count];
        ++count;
    }
    if (source[count]) {
        destination[count++] = L'.';
        destination[count++] = L'.';
        destination[count++] = L'.';
    }
    destination[count] = 0;
    return destination;
}

char *CopyTipTextA(char *destination, const char *source)
{
    int count = 0;
    while (count < TIP_TEXT_LIMIT_A && source[count]) {
        destination[count] = source[count] == '\t' ? ' ' : source[count];
        ++count;
    }
    if (source[count]) {
        destination[count++] = '.';
        destination[count++] = '.';
        destination[count++] = '.';
    }
    destination[count] = 0;
    return destination;
}

void ShowItemTooltip(HWND window, HMENU menu, UINT itemId)
{
    // The rectangle is asked for by position; without a match the position
    // is one past the last entry and the lookup below finds nothing.
    int count = GetMenuItemCount(menu);
    int position = 0;
    while (position < count && GetMenuItemID(menu, position) != itemId)
        ++position;

    MENUITEMINFOW entry = {};
    entry.cbSize = sizeof entry;
    entry.fMask = MIIM_DATA | MIIM_ID;
    if (!GetMenuItemInfoW(menu, position, TRUE, &entry) || !entry.dwItemData)
        return;
    const ClipItem *item = ((const HistorySlot *)entry.dwItemData)->item;
    if (!item)
        return;

    // For a popup menu on screen, no window means the menu's own window.
    // Given the owner instead, some systems map the entry's rectangle from
    // the owner's client area, and the tip lands far from the menu; the
    // owner is the fallback for a menu that is not shown.
    RECT rect = {};
    if (!GetMenuItemRect(NULL, menu, position, &rect))
        GetMenuItemRect(window, menu, position, &rect);

    // The slot's preview is only the start of the text; the tip shows the
    // item's own text, cut at the buffer's limit.
    union {
        wchar_t wide[1024];
        char narrow[2048];
    } text;
    if (item->IsUtf16)
        SetTooltipTextW(CopyTipTextW(text.wide, (const wchar_t *)item->Text));
    else
        SetTooltipTextA(CopyTipTextA(text.narrow, (const char *)item->Text));

    POINT point = ItemTooltipPoint(&rect);
    ShowTooltipAt(point.x, point.y);
}
