// fifo.dll: the two global hooks and the messages they post back.
//
// The program installs and removes the hooks only through these four
// stdcall exports, imported from "fifo.dll" under their decorated names.
#ifndef CORVANE_FIFO_H
#define CORVANE_FIFO_H

#include <windows.h>

// Posted to the notification window by the keyboard hook: wParam is the
// virtual-key code, lParam the keystroke flags, both as the hook got them.
#define UM_KEYSTROKE (WM_USER + 100)
// Posted by the call-window-procedure-return hook when the target window has
// handled a sent message while its thread's queue was quiet.
#define UM_TARGET_IDLE (WM_USER + 101)

#ifdef __cplusplus
extern "C" {
#endif

#ifdef FIFO_BUILDING_DLL
#define FIFO_API
#else
#define FIFO_API __declspec(dllimport)
#endif

// 1: the keyboard hook is installed (now or before); 0: installation failed.
FIFO_API int WINAPI FIFO_SetHook(HWND notifyWindow);
// 1: no keyboard hook is installed any more; 0: removal failed.
FIFO_API int WINAPI FIFO_ResetHook(void);
// 1: the call-window-procedure-return hook is installed; 0: it failed.
FIFO_API int WINAPI HIST_SetHook(HWND notifyWindow, HWND targetWindow);
// 1: no call-window-procedure-return hook is installed any more.
FIFO_API int WINAPI HIST_ResetHook(void);

#ifdef __cplusplus
}
#endif

#endif
