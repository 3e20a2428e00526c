// The clip history: the captured items and the 16-entry owner-drawn history
// menu that offers the most recent ones, newest on top, with the menu font and
// the measuring and drawing of its entries.
#ifndef CORVANE_HISTORY_H
#define CORVANE_HISTORY_H

#include <windows.h>

#include "clip/clipitem.h"

#define HISTORY_SLOT_COUNT 16
// Bytes of an item's text kept for its menu entry: 95 UTF-16 units or 190
// ANSI bytes.
#define HISTORY_PREVIEW_SIZE 190
// DrawText with DT_MODIFYSTRING may write up to four characters more than the
// text it shortens; this much room (four UTF-16 units) follows the preview
// so that the shortened form stays inside its own slot.
#define HISTORY_PREVIEW_ROOM 8

// Ties one menu entry (identifier IDM_HISTORY_BASE + index, item data = the
// slot's address) to the item it shows. The history keeps item alive while
// the entry is in the menu; the slot itself holds no reference.
struct HistorySlot {
    ClipItem *item;
    // The start of the item's text in its own encoding, ended by a zero unit
    // within preview or by terminator. Measuring may shorten it in place.
    BYTE preview[HISTORY_PREVIEW_SIZE + HISTORY_PREVIEW_ROOM];
    WORD terminator; // always 0
};

// Read by the popup and the tooltip: entries' item data point into this.
extern HistorySlot HistorySlots[HISTORY_SLOT_COUNT];
extern HMENU HistoryMenu;
// Deleted by the shutdown routine; NULL until CreateMenuFont.
extern HFONT MenuFont;
extern TEXTMETRICW MenuFontMetrics;

// Nonzero unless the popup menu cannot be created.
int CreateHistoryMenu(void);
// Nonzero unless the font cannot be created.
int CreateMenuFont(void);
// Puts the item (never NULL) on top of the menu, taking a reference; zero
// when nothing was added.
int AddToHistory(ClipItem *item);
// Between these two, AddToHistory updates the slots but leaves the menu for
// EndHistoryBatch, which brings it to exactly the state that adding the items
// one by one gives. For captures of many lines.
void BeginHistoryBatch(void);
void EndHistoryBatch(void);
// Nonzero until the first item has been added.
int IsHistoryEmpty(void);
// WM_MEASUREITEM and WM_DRAWITEM for the menu's entries.
void MeasureHistoryItem(HWND window, MEASUREITEMSTRUCT *mis);
void DrawHistoryItem(const DRAWITEMSTRUCT *dis);
// Gives up every item the history holds and destroys the menu.
void ReleaseHistory(void);
// Sets the context's background and text colours to the two system colours;
// returns backgroundIndex + 1, the system-colour brush of the background.
int ApplyItemColors(HDC dc, int backgroundIndex, int textIndex);

#endif
