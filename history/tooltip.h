// The full-text tooltip beside the highlighted history entry: one tracking
// tool of the main window, positioned and shown explicitly.
#ifndef CORVANE_TOOLTIP_H
#define CORVANE_TOOLTIP_H

#include <windows.h>

// Null before CreateTooltip; the shutdown routine destroys it.
extern HWND TooltipWindow;

// Nonzero when the tooltip window exists with its tool registered.
int CreateTooltip(void);
// WM_MENUSELECT for a history entry: shows the entry's whole text at the
// entry's right edge + 6, level with its top. Entries without item data (or
// not in menu) leave the tooltip as it is.
void ShowItemTooltip(HWND window, HMENU menu, UINT itemId);
void HideTooltip(void);
void SetTooltipTextW(const wchar_t *text);
void SetTooltipTextA(const char *text);
// Screen coordinates.
void ShowTooltipAt(int x, int y);
// Where the tip goes for an entry's screen rectangle.
POINT ItemTooltipPoint(const RECT *itemRect);

// The tip text: tabs become spaces, everything else is copied as it is, and a
// text longer than 1020 units (2044 bytes) is cut there and ends in "...".
// The destination holds 1024 units (2048 bytes); both return it.
#define TIP_TEXT_LIMIT_W 1020
#define TIP_TEXT_LIMIT_A 2044
wchar_t *CopyTipTextW(wchar_t *destination, const wchar_t *source);
char *CopyTipTextA(char *destination, const char *source);

#endif
