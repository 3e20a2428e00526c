// Clip items: one captured text as a single reference-counted heap block,
// kept in the form the clipboard delivered it (UTF-16 or ANSI), and the
// transfer of items from and to the clipboard.
#ifndef CORVANE_CLIPITEM_H
#define CORVANE_CLIPITEM_H

#include <windows.h>

// Never changed after creation. The last unit of Text is zero and no unit
// before it is, so Text goes unchanged to the narrow or wide text functions.
struct ClipItem {
    volatile LONG RefCount; // holders; changed only by interlocked calls
    DWORD IsUtf16;          // 1: UTF-16 text (CF_UNICODETEXT); 0: ANSI (CF_TEXT)
    DWORD Size;             // bytes of Text, terminator included
    BYTE Text[1];           // Size bytes
};

// A holder is a ClipItem * that is either NULL or owns one reference.

// A new item with count 1 from size - 1 unit bytes of text plus a terminator,
// or NULL when the heap is exhausted.
ClipItem *CreateClipItem(DWORD size, const void *text, DWORD isUtf16);
void AddRefClipItem(ClipItem *item);
// Drops the holder's reference (freeing the item on the last) and empties it.
void ReleaseClipItem(ClipItem **holder);

// Nonzero when the clipboard's text was read into the holder (UTF-16 preferred).
// The text ends at its first zero unit or at the end of its global block.
int ReadClipboardItem(ClipItem **holder);
// Nonzero when the clipboard now holds the item's text in the item's format.
int WriteClipboardItem(const ClipItem *item);

// Line splitters: store the next non-empty line from position into the empty
// holder and return where scanning stopped, or NULL when no line is left.
const char *NextLineItemA(const char *position, ClipItem **holder);
const wchar_t *NextLineItemW(const wchar_t *position, ClipItem **holder);

// Bytes, terminator included, of the item for clipboard text of the given
// format in a global block of blockSize bytes (what ReadClipboardItem uses).
DWORD MeasureClipboardText(const void *data, SIZE_T blockSize, DWORD isUtf16);

#endif
