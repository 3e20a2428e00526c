// Copy and paste detection: the keystroke notifications of the keyboard hook
// start a short timer, and when it fires the copied text is captured or the
// queue moves on after a paste.
#ifndef CORVANE_DETECT_H
#define CORVANE_DETECT_H

#include <windows.h>

// The flags of the last accepted notification, and the held Ctrl keys (bit 0
// left, bit 1 right). Both 0 at start.
extern DWORD LastKeystrokeFlags, CtrlBits;

// Both back to 0; the mode switches call it whenever a mode is switched on.
void ResetKeystrokeState(void);
// For UM_KEYSTROKE: a fresh C, X or V key-down while Ctrl is held (re)starts
// TIMER_COPY or TIMER_PASTE on MainWindow.
void HandleKeystroke(WPARAM virtualKey, LPARAM flags);
// For TIMER_COPY: the clipboard's text into the history and, while a mode is
// on, the queue; the clipboard then holds the queue's cursor item.
void CaptureCopiedText(void);
// For TIMER_PASTE: the queue moves on and the clipboard gets the next item;
// a FIFO queue that runs dry switches the mode off.
void AdvanceAfterPaste(void);

#endif
