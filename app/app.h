// The application shell: start-up, shutdown, the hidden main window and the
// helpers every part uses.
#ifndef CORVANE_APP_H
#define CORVANE_APP_H

#include <windows.h>

// Private messages to the main window (UM_KEYSTROKE and UM_TARGET_IDLE come
// from fifo.dll, see fifo/fifo.h).
#define UM_TRAY_NOTIFY (WM_USER + 10)

// One-shot timers on the main window, killed as soon as they fire.
enum TimerId { TIMER_COPY = 1, TIMER_PASTE = 2 };
#define KEYSTROKE_DELAY_MS 80

// System-wide hotkey identifiers.
enum HotkeyId { HOTKEY_MENU = 2, HOTKEY_FIFO = 3, HOTKEY_LOOP = 4, HOTKEY_LINE = 5 };

// Set once during start-up; MainWindow only when CreateWindowExW has returned.
extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern HANDLE InstanceMutex;

// Line division: 0 or 1, 0 at every start, never saved. Only
// ToggleLineDivision changes it; the capture and the tray tooltip read it.
extern DWORD LineDivision;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
// Nonzero when the main window class is registered.
int RegisterMainWindowClass(void);
// The process-exit routine: releases what start-up acquired, always 0.
int Shutdown(void);
// The start-up error box, formatted into 512 UTF-16 units.
void ShowInitError(const wchar_t *format, ...);
// LoadIconW on AppInstance; empty when the resource is missing.
HICON LoadAppIcon(int number);
// Diagnostic lines on standard output; results are what vprintf returns.
int Trace(const char *format, ...);
int TraceW(const wchar_t *format, ...);

// The main window procedure: routes every message to the part that handles it.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Keeps a set of held modifier keys from keystroke flags as the keyboard
// hooks deliver them (bit 24 extended key, bit 31 released). The key's bit is
// 1 (non-extended) or 2 (extended), shifted left by shift. A press sets it and
// clears bit 31 of the value; a release clears only that bit.
void UpdateModifierBits(int shift, DWORD *modifierBits, DWORD keystrokeFlags);

#endif
