// The hotkey settings dialog (resource IDD_HOTKEY): four fields that capture
// key combinations as they are pressed, OK to keep them, Cancel to drop them.
#ifndef CORVANE_HOTKEYS_DIALOG_H
#define CORVANE_HOTKEYS_DIALOG_H

#include <windows.h>

#include "hotkeys/settings.h"

// Controls of the dialog template. The buttons are deliberately not IDOK and
// IDCANCEL, so that Enter and Escape never close the dialog.
#define IDC_HOTKEY_FIFO 141
#define IDC_HOTKEY_LOOP 142
#define IDC_HOTKEY_MENU 143
#define IDC_HOTKEY_LINE 144
#define IDC_HOTKEY_OK 190
#define IDC_HOTKEY_CANCEL 191

// Bit 31 of DialogModifierBits: a combination has been captured; every key is
// ignored until the next press of Shift, Ctrl or Alt clears it.
#define CAPTURED_MARK 0x80000000u

// The working copy of HotkeySettings: filled when the dialog opens, changed
// by the capture, copied back on OK.
extern HotkeyBindings DialogHotkeys;
// Held Shift (bits 0, 1), Ctrl (2, 3) and Alt (4, 5) as UpdateModifierBits
// keeps them, plus CAPTURED_MARK. Lives on from one opening to the next.
extern DWORD DialogModifierBits;
// Keystroke flags of the last keystroke the capture handled (a duplicate
// filter). Lives on from one opening to the next.
extern DWORD DialogLastKeystroke;

// The dialog procedure; DialogBoxParamW ends with IDC_HOTKEY_OK,
// IDC_HOTKEY_CANCEL or 0 (the close box).
INT_PTR CALLBACK HotkeyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The WH_KEYBOARD thread hook installed while the dialog exists: swallows
// every keystroke while one of the four fields has the focus.
LRESULT CALLBACK HotkeyCaptureHook(int code, WPARAM wParam, LPARAM lParam);
// Shows the combination in the edit control; nonzero when the key has a name.
int SetHotkeyEditText(DWORD keyData, HWND edit, UINT modifiers);

#endif
