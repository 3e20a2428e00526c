// Clip items and their transfer from and to the clipboard.
#include "clip/clipitem.h"

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include "app/app.h"

ClipItem *CreateClipItem(DWORD size, const void *text, DWORD isUtf16)
{
    DWORD unit = 1u << (isUtf16 ? 1 : 0);
    // A size without room for the terminator would make the copy below
    // underflow; a size near 4 GiB would wrap the allocation.
    if (size < unit || size > MAXDWORD - offsetof(ClipItem, Text))
        return NULL;
    ClipItem *item = (ClipItem *)malloc(offsetof(ClipItem, Text) + size);
    if (!item)
        return NULL;
    item->RefCount = 1;
    item->IsUtf16 = isUtf16 ? 1 : 0;
    item->Size = size;
    // The source need not be terminated here: the line splitters pass the
    // start of a line inside a longer text.
    memcpy(item->Text, text, size - unit);
    memset(item->Text + size - unit, 0, unit);
    return item;
}

void AddRefClipItem(ClipItem *item)
{
    InterlockedIncrement(&item->RefCount);
}

void ReleaseClipItem(ClipItem **holder)
{
    ClipItem *item = *holder;
    if (!item)
        return;
    *holder = NULL;
    if (InterlockedDecrement(&item->RefCount) == 0)
        free(item);
}

// Another program may have put data there with no terminator at all, so the
// scan ends at the end of the global block too; the item then ends there and
// gets the terminator that the data lacked.
DWORD MeasureClipboardText(const void *data, SIZE_T blockSize, DWORD isUtf16)
{
    if (isUtf16) {
        const wchar_t *text = (const wchar_t *)data;
        SIZE_T limit = blockSize / sizeof(wchar_t);
        SIZE_T length = 0;
        while (length < limit && text[length])
            ++length;
        return (DWORD)((length + 1) * sizeof(wchar_t));
    }
    const char *text = (const char *)data;
    SIZE_T length = 0;
    while (length < blockSize && text[length])
        ++length;
    return (DWORD)(length + 1);
}

int ReadClipboardItem(ClipItem **holder)
{
    // Asked before opening, so that a clipboard without text is never opened.
    int hasAnsi = IsClipboardFormatAvailable(CF_TEXT);
    int hasUnicode = IsClipboardFormatAvailable(CF_UNICODETEXT);
    if (!hasAnsi && !hasUnicode)
        return 0;
    if (!OpenClipboard(MainWindow))
        return 0;
    // UTF-16 whenever it is offered: the system synthesises CF_TEXT from it
    // in the current code page, which can lose characters.
    HANDLE data = GetClipboardData(hasUnicode ? CF_UNICODETEXT : CF_TEXT);
    if (!data) {
        CloseClipboard();
        return 0;
    }
    const void *text = GlobalLock(data);
    if (!text) {
        CloseClipboard();
        return 0;
    }
    DWORD size = MeasureClipboardText(text, GlobalSize(data), hasUnicode);
    ClipItem *item = CreateClipItem(size, text, hasUnicode ? 1 : 0);
    ReleaseClipItem(holder);
    *holder = item;
    GlobalUnlock(data);
    CloseClipboard();
    return item != NULL;
}

int WriteClipboardItem(const ClipItem *item)
{
    if (!item)
        return 0;
    // Filled before the clipboard is opened, so that the clipboard stays open
    // only for emptying and handing over.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, item->Size);
    if (!block)
        return 0;
    void *target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return 0;
    }
    memcpy(target, item->Text, item->Size);
    GlobalUnlock(block);
    if (!OpenClipboard(MainWindow)) {
        GlobalFree(block);
        return 0;
    }
    EmptyClipboard();
    // On success the block belongs to the system; on refusal it is still
    // ours, and the clipboard is left empty rather than holding the text.
    int written = SetClipboardData(item->IsUtf16 ? CF_UNICODETEXT : CF_TEXT, block) != NULL;
    if (!written)
        GlobalFree(block);
    CloseClipboard();
    return written;
}

// The two splitters are the same scan on bytes and on 16-bit units.
template <typename Unit>
static const Unit *NextLineItem(const Unit *position, ClipItem **holder, DWORD isUtf16)
{
    while (*position == '\r' || *position == '\n')
        ++position;
    if (!*position)
        return NULL;
    const Unit *end = position;
    while (*end && *end != '\r' && *end != '\n')
        ++end;
    *holder = CreateClipItem((DWORD)((end - position + 1) * sizeof(Unit)), position, isUtf16);
    return end;
}

const char *NextLineItemA(const char *position, ClipItem **holder)
{
    return NextLineItem(position, holder, 0);
}

const wchar_t *NextLineItemW(const wchar_t *position, ClipItem **holder)
{
    return NextLineItem(position, holder, 1);
}
