// The clip history and its owner-drawn menu.
#include "history/history.h"

#include <stdlib.h>
#include <string.h>

#include "resources/resource.h"

// The menu structures are passed to user32 with their size; the layout must
// be the one of the headers the system was built with.
static_assert(sizeof(MENUITEMINFOW) == 48, "MENUITEMINFOW is 48 bytes on 32-bit Windows");

// One captured item in the history. The list runs from the oldest capture to
// the newest and holds one reference per node.
struct HistoryNode {
    ClipItem *item;
    HistoryNode *next;
    HistoryNode *prev;
};

// Circular, with a sentinel that is empty (linked to itself) from the start.
static HistoryNode HistoryList = {NULL, &HistoryList, &HistoryList};

HistorySlot HistorySlots[HISTORY_SLOT_COUNT];
HMENU HistoryMenu;
HFONT MenuFont;
TEXTMETRICW MenuFontMetrics;

static unsigned NextHistorySlot;  // the slot the next insertion fills
static unsigned HistoryItemCount; // entries in the menu, 0 to 16
static unsigned MenuEntryCount;   // entries the menu holds while a batch runs
static unsigned PendingEntries;   // insertions not in the menu yet, at most 16
static int HistoryBatching;
static MENUITEMINFOW HistoryInsertTemplate;

// Labels are an ampersand and one access character, read and written in
// buffers of this many units.
#define LABEL_UNITS 8

int CreateHistoryMenu(void)
{
    HistoryMenu = CreatePopupMenu();
    if (!HistoryMenu)
        return 0;
    HistoryList.next = &HistoryList;
    HistoryList.prev = &HistoryList;
    HistoryItemCount = 0;
    MenuEntryCount = 0;
    PendingEntries = 0;

    memset(&HistoryInsertTemplate, 0, sizeof(HistoryInsertTemplate));
    HistoryInsertTemplate.cbSize = sizeof(HistoryInsertTemplate);
    HistoryInsertTemplate.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_DATA | MIIM_ID;
    HistoryInsertTemplate.fType = MFT_OWNERDRAW;
    return 1;
}

int CreateMenuFont(void)
{
    MenuFont = CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, PROOF_QUALITY, 0, L"MS Gothic");
    if (!MenuFont)
        return 0;
    HDC screen = GetDC(NULL);
    HGDIOBJ previous = SelectObject(screen, MenuFont);
    GetTextMetricsW(screen, &MenuFontMetrics);
    SelectObject(screen, previous);
    ReleaseDC(NULL, screen);
    return 1;
}

// The access character of the entry at a position below the top one.
static WCHAR AccessCharacter(unsigned position)
{
    return position <= 8 ? (WCHAR)(L'1' + position) : (WCHAR)(L'A' + position - 9);
}

static void RemoveNode(HistoryNode *node)
{
    node->prev->next = node->next;
    node->next->prev = node->prev;
    ReleaseClipItem(&node->item);
    free(node);
}

// Reads an entry's label (and identifier) into a buffer of LABEL_UNITS; info
// is left ready to write them back.
static BOOL ReadLabel(UINT item, BOOL byPosition, WCHAR *text, MENUITEMINFOW *info)
{
    memset(info, 0, sizeof(*info));
    info->cbSize = sizeof(*info);
    info->fMask = MIIM_STRING | MIIM_ID;
    info->dwTypeData = text;
    info->cch = LABEL_UNITS;
    return GetMenuItemInfoW(HistoryMenu, item, byPosition, info);
}

// Brings the menu up to the slots: the entries of the insertions not shown
// yet go on top, oldest first, the ones pushed past 16 leave at the bottom,
// and every entry below the top is labelled by its position. One insertion
// at a time this is the insert, remove and relabel of each AddToHistory; a
// batch of many lines does the same work once, for its last 16 only, and the
// menu ends exactly as it would have.
static void UpdateHistoryMenu(void)
{
    if (!PendingEntries)
        return;
    WCHAR label[LABEL_UNITS] = L"&1";
    HistoryInsertTemplate.dwTypeData = label;
    for (unsigned i = PendingEntries; i > 0; --i) {
        unsigned s = (NextHistorySlot - i) & 0x0F;
        HistoryInsertTemplate.wID = IDM_HISTORY_BASE + s;
        HistoryInsertTemplate.dwItemData = (ULONG_PTR)&HistorySlots[s];
        InsertMenuItemW(HistoryMenu, 0, TRUE, &HistoryInsertTemplate);
    }
    HistoryInsertTemplate.dwTypeData = NULL;
    MenuEntryCount += PendingEntries;
    PendingEntries = 0;
    for (; MenuEntryCount > HISTORY_SLOT_COUNT; --MenuEntryCount)
        RemoveMenu(HistoryMenu, HISTORY_SLOT_COUNT, MF_BYPOSITION);

    for (unsigned p = 1; p < HistoryItemCount && p <= HISTORY_SLOT_COUNT; ++p) {
        WCHAR text[LABEL_UNITS] = {0};
        MENUITEMINFOW info;
        if (ReadLabel(p, TRUE, text, &info) && info.cch >= 2) {
            text[1] = AccessCharacter(p);
            SetMenuItemInfoW(HistoryMenu, p, TRUE, &info);
        }
    }
}

int AddToHistory(ClipItem *item)
{
    HistoryNode *node = (HistoryNode *)malloc(sizeof(HistoryNode));
    if (!node)
        return 0;
    AddRefClipItem(item);
    node->item = item;
    node->prev = HistoryList.prev;
    node->next = &HistoryList;
    HistoryList.prev->next = node;
    HistoryList.prev = node;

    unsigned s = NextHistorySlot;
    HistorySlot *slot = &HistorySlots[s];
    slot->item = item;
    memcpy(slot->preview, item->Text, item->Size < HISTORY_PREVIEW_SIZE ? item->Size : HISTORY_PREVIEW_SIZE);
    // A full-length preview ends at the room after it.
    memset(slot->preview + HISTORY_PREVIEW_SIZE, 0, HISTORY_PREVIEW_ROOM);
    slot->terminator = 0;

    NextHistorySlot = (s + 1) & 0x0F;
    if (HistoryItemCount >= HISTORY_SLOT_COUNT) {
        // The oldest entry, the one that had slot s, leaves the menu. Its item
        // is the list's oldest (the list gains and loses a node exactly when
        // the menu does), and nothing in the menu shows it any more: give it
        // up now rather than keep every capture of the run until exit.
        RemoveNode(HistoryList.next);
    } else {
        ++HistoryItemCount;
    }
    if (PendingEntries < HISTORY_SLOT_COUNT)
        ++PendingEntries;
    if (!HistoryBatching)
        UpdateHistoryMenu();
    return 1;
}

void BeginHistoryBatch(void)
{
    HistoryBatching = 1;
}

void EndHistoryBatch(void)
{
    HistoryBatching = 0;
    UpdateHistoryMenu();
}

int IsHistoryEmpty(void)
{
    return HistoryList.next == &HistoryList;
}

void MeasureHistoryItem(HWND window, MEASUREITEMSTRUCT *mis)
{
    HDC dc = GetDC(window);
    HGDIOBJ previous = MenuFont ? SelectObject(dc, MenuFont) : NULL;
    RECT rect = {0, 0, 300, MenuFontMetrics.tmHeight};
    HistorySlot *slot = (HistorySlot *)mis->itemData;
    if (slot && mis->itemID >= IDM_HISTORY_BASE && mis->itemID < IDM_HISTORY_BASE + HISTORY_SLOT_COUNT) {
        // DT_MODIFYSTRING writes the cut form (text and ellipsis) back into
        // the preview, so drawing shows what was measured and the next
        // measurement finds it short enough. The room after the preview takes
        // the up to four extra characters the system may write.
        UINT format = DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX | DT_END_ELLIPSIS | DT_MODIFYSTRING;
        if (slot->item && slot->item->IsUtf16)
            DrawTextW(dc, (LPCWSTR)slot->preview, -1, &rect, format);
        else
            DrawTextA(dc, (LPCSTR)slot->preview, -1, &rect, format);
        mis->itemWidth = MenuFontMetrics.tmMaxCharWidth + rect.right + 12;
        mis->itemHeight = MenuFontMetrics.tmHeight + 2;
    }
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(window, dc);
}

int ApplyItemColors(HDC dc, int backgroundIndex, int textIndex)
{
    SetBkColor(dc, GetSysColor(backgroundIndex));
    SetTextColor(dc, GetSysColor(textIndex));
    return backgroundIndex + 1;
}

void DrawHistoryItem(const DRAWITEMSTRUCT *dis)
{
    HDC dc = dis->hDC;
    HGDIOBJ previous = MenuFont ? SelectObject(dc, MenuFont) : NULL;
    RECT rect = dis->rcItem;
    const HistorySlot *slot = (const HistorySlot *)dis->itemData;
    WCHAR label[LABEL_UNITS] = {0};
    MENUITEMINFOW info;
    if (slot && ReadLabel(dis->itemID, FALSE, label, &info)) {
        // Only a plain highlight gets the highlight colours; a highlight with
        // any further state bit is drawn like an ordinary entry.
        int brush = dis->itemState == ODS_SELECTED ? ApplyItemColors(dc, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT)
                                                   : ApplyItemColors(dc, COLOR_MENU, COLOR_MENUTEXT);
        FillRect(dc, &dis->rcItem, (HBRUSH)(INT_PTR)brush);
        rect.left += 8;
        rect.top += 1;
        // Without DT_NOPREFIX: the ampersand underlines the access character.
        DrawTextW(dc, label, -1, &rect, DT_SINGLELINE);
        rect.left += MenuFontMetrics.tmMaxCharWidth + 4;
        if (slot->item && slot->item->IsUtf16)
            DrawTextW(dc, (LPCWSTR)slot->preview, -1, &rect, DT_NOPREFIX | DT_SINGLELINE);
        else
            DrawTextA(dc, (LPCSTR)slot->preview, -1, &rect, DT_NOPREFIX | DT_SINGLELINE);
    }
    if (previous)
        SelectObject(dc, previous);
}

void ReleaseHistory(void)
{
    int count = HistoryMenu ? GetMenuItemCount(HistoryMenu) : 0;
    while (HistoryList.next != &HistoryList)
        RemoveNode(HistoryList.next);
    HistoryItemCount = 0;
    MenuEntryCount = 0;
    PendingEntries = 0;
    HistoryBatching = 0;
    // The slots would point at freed items: the history starts over.
    NextHistorySlot = 0;
    for (unsigned s = 0; s < HISTORY_SLOT_COUNT; ++s)
        HistorySlots[s].item = NULL;
    for (int i = 0; i < count; ++i)
        RemoveMenu(HistoryMenu, 0, MF_BYPOSITION);
    if (HistoryMenu) {
        DestroyMenu(HistoryMenu);
        HistoryMenu = NULL;
    }
}
