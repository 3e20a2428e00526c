// The history popup: the history menu at the caret of the window the user
// works in, and the paste of a chosen entry into that window through the
// clipboard and a synthesised Ctrl+V once the window's thread has gone quiet.
#ifndef CORVANE_POPUP_H
#define CORVANE_POPUP_H

#include <windows.h>

// Ctrl down, V down, V up, Ctrl up; built once with the keyboard layout of
// the moment (BuildPasteInputs, while the main window is created).
extern INPUT PasteInputs[4];
// The active window of the foreground thread when the popup opened; null
// when none was found.
extern HWND PasteTarget;
// 0 from a pick until its keystrokes are sent, then 1: each pick pastes once.
extern int PasteDone;

// One keyboard record: the key, its scan code in the current layout, flags.
void MakeKeyInput(WORD virtualKey, DWORD flags, INPUT *input);
void BuildPasteInputs(void);
// Where the menu's top-left corner goes for a caret rectangle: its left edge,
// half-way down (client coordinates of the caret window).
POINT CaretPopupPoint(const RECT *caret);
// The history hotkey: beeps when the history is empty, else pops the history
// menu up at the caret (or the mouse pointer) with window as its owner.
void ShowHistoryPopup(HWND window);
// A history entry was chosen: its text goes to the clipboard and, when there
// is a target, window is told (UM_TARGET_IDLE) once the target has gone quiet.
void PasteHistoryEntry(HWND window, UINT commandId);
// UM_TARGET_IDLE: sends Ctrl+V for the first notice after a pick only.
void SendPasteToTarget(void);

#endif
