// The paste queue: the items copied while a mode is on, in the order of
// capture, with the cursor that names the one to be pasted next; and the
// modes that decide how a paste moves through it.
#ifndef CORVANE_QUEUE_H
#define CORVANE_QUEUE_H

#include <windows.h>

#include "clip/clipitem.h"

// The mode only ever holds OFF, FIFO or LOOP; it is tested with the masks or
// against OFF.
static const DWORD PASTE_MODE_OFF = 0;
static const DWORD PASTE_MODE_FIFO = 1;
static const DWORD PASTE_MODE_LOOP = 16;
static const DWORD PASTE_MODE_FIFO_MASK = 0x03;
static const DWORD PASTE_MODE_LOOP_MASK = 0x30;

// Off at every start, never saved. Changed only by the mode operations below.
extern DWORD PasteMode;

// Releases every queued item; the queue is empty and has no cursor.
void ClearPasteQueue(void);
// Queues one more reference to the item behind the tail; the first item of an
// empty queue becomes the cursor. 0 when no node could be allocated.
int AppendToPasteQueue(ClipItem *item);
// Puts a reference to the cursor's item into the holder, releasing what it
// held; 0 (holder empty) when there is no cursor.
int PeekPasteCursor(ClipItem **holder);
// Puts a reference to the item that follows the cursor into the holder,
// releasing what it held: from the last item back to the first when wrap is
// nonzero. 0 (holder empty) when there is no cursor, or no following item and
// no wrap.
int PeekAfterPasteCursor(ClipItem **holder, int wrap);
// Drops the head; the cursor moves to the new head, or to none.
void RemovePasteHead(void);
// Moves the cursor on, from the last item back to the first. Only while there
// is a cursor.
void AdvancePasteCursor(void);
int IsPasteQueueEmpty(void);
// The cursor exists exactly while the queue is not empty.
int HasPasteCursor(void);

// Each one sets the tray state, empties the queue, sets the check marks of
// the FIFO and Loop commands and traces the new mode, whatever the mode was.
void SetModeFifo(void);
void SetModeLoop(void);
void SetModeOff(void);
// Off when that mode is on, else that mode (straight from the other one).
void ToggleFifo(void);
void ToggleLoop(void);
// Inverts LineDivision (app/app.h), its check mark and the tray tooltip; the
// mode and the queue stay as they are.
void ToggleLineDivision(void);

#endif
