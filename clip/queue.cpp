// The paste queue, its cursor and the mode switches.
#include "clip/queue.h"

#include <stdlib.h>

#include "app/app.h"
#include "clip/detect.h"
#include "resources/resource.h"
#include "tray/tray.h"

// One per queued item: the node's holder owns one reference to it.
struct PasteNode {
    ClipItem *Item;
    PasteNode *Next;
    PasteNode *Prev;
};

DWORD PasteMode = PASTE_MODE_OFF;

// The list is circular through the sentinel, whose item is always empty:
// Next is the head, Prev the tail; empty when it points to itself.
static PasteNode Sentinel = {NULL, &Sentinel, &Sentinel};
// NULL exactly when the queue is empty. FIFO keeps it on the head; Loop
// moves it only by AdvancePasteCursor.
static PasteNode *Cursor;

void ClearPasteQueue(void)
{
    PasteNode *node = Sentinel.Next;
    while (node != &Sentinel) {
        PasteNode *next = node->Next;
        ReleaseClipItem(&node->Item);
        free(node);
        node = next;
    }
    Cursor = NULL;
    Sentinel.Next = &Sentinel;
    Sentinel.Prev = &Sentinel;
}

int AppendToPasteQueue(ClipItem *item)
{
    PasteNode *node = (PasteNode *)malloc(sizeof(PasteNode));
    if (!node)
        return 0;
    AddRefClipItem(item);
    node->Item = item;
    node->Next = &Sentinel;
    node->Prev = Sentinel.Prev;
    Sentinel.Prev->Next = node;
    Sentinel.Prev = node;
    if (!Cursor)
        Cursor = node;
    return 1;
}

int PeekPasteCursor(ClipItem **holder)
{
    ReleaseClipItem(holder);
    if (!Cursor)
        return 0;
    AddRefClipItem(Cursor->Item);
    *holder = Cursor->Item;
    return 1;
}

int PeekAfterPasteCursor(ClipItem **holder, int wrap)
{
    ReleaseClipItem(holder);
    if (!Cursor)
        return 0;
    PasteNode *next = Cursor->Next;
    if (next == &Sentinel) {
        if (!wrap)
            return 0;
        next = Sentinel.Next;
    }
    AddRefClipItem(next->Item);
    *holder = next->Item;
    return 1;
}

void RemovePasteHead(void)
{
    PasteNode *head = Sentinel.Next;
    if (head == &Sentinel)
        return;
    head->Next->Prev = head->Prev;
    head->Prev->Next = head->Next;
    ReleaseClipItem(&head->Item);
    free(head);
    Cursor = Sentinel.Next != &Sentinel ? Sentinel.Next : NULL;
}

void AdvancePasteCursor(void)
{
    if (!Cursor)
        return;
    Cursor = Cursor->Next;
    if (Cursor == &Sentinel)
        Cursor = Sentinel.Next;
}

int IsPasteQueueEmpty(void)
{
    return Sentinel.Next == &Sentinel;
}

int HasPasteCursor(void)
{
    return Cursor != NULL;
}

// Every switch runs all its steps, even to the mode already on, so that the
// tray, the check marks and the queue always agree with the mode.
static void SwitchMode(DWORD mode, int trayState, const char *trace)
{
    SetTrayState(trayState);
    // A Ctrl release the hook never reported (it is away while the hotkey
    // dialog is open) must not make a plain C or V count in the new mode.
    if (mode != PASTE_MODE_OFF)
        ResetKeystrokeState();
    PasteMode = mode;
    ClearPasteQueue();
    CheckMenuCommand(mode == PASTE_MODE_FIFO, IDM_FIFO);
    CheckMenuCommand(mode == PASTE_MODE_LOOP, IDM_LOOP);
    Trace("%s", trace);
}

void SetModeFifo(void)
{
    SwitchMode(PASTE_MODE_FIFO, TRAY_FIFO_COPYING, "Mode FIFO.\n");
}

void SetModeLoop(void)
{
    SwitchMode(PASTE_MODE_LOOP, TRAY_LOOP_COPYING, "Mode Loop.\n");
}

void SetModeOff(void)
{
    SwitchMode(PASTE_MODE_OFF, TRAY_OFF, "Mode off.\n");
}

void ToggleFifo(void)
{
    if (PasteMode & PASTE_MODE_FIFO_MASK)
        SetModeOff();
    else
        SetModeFifo();
}

void ToggleLoop(void)
{
    if (PasteMode & PASTE_MODE_LOOP_MASK)
        SetModeOff();
    else
        SetModeLoop();
}

void ToggleLineDivision(void)
{
    LineDivision ^= 1;
    CheckMenuCommand(LineDivision == 1, IDM_LINE);
    RefreshTrayTip();
}
