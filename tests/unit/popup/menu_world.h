// Windows of the popup and tooltip tests: a notification window standing in
// for the main window's handling of UM_TARGET_IDLE, paste targets that count
// the Ctrl+V they receive, and a menu owner that can act while a popup menu's
// modal loop runs.
#ifndef CORVANE_TEST_MENU_WORLD_H
#define CORVANE_TEST_MENU_WORLD_H

#include <windows.h>

#include "clip/clipitem.h"

// What the windows below have seen.
struct Seen {
    int targetIdle; // UM_TARGET_IDLE at the notification window
    int ctrlV;      // V pressed with Ctrl held, at any paste target
    HWND ctrlVWindow;
};
extern Seen Observed;
// When nonzero the notification window answers UM_TARGET_IDLE as the main
// window does (SendPasteToTarget); otherwise it only counts.
extern int PasteOnIdle;

// Once per process: common controls, the history menu and the tooltip.
void EnsureMenuWorld(void);
HWND CreateNotifyWindow(void);
// A visible top-level window at the given screen position that counts Ctrl+V.
HWND CreatePasteTarget(int x, int y);
// A hidden window that answers WM_MEASUREITEM for owner-drawn entries with
// 120 x 18 pixels and runs the given action once the menu is on screen.
HWND CreateMenuOwner(void);
// Runs TrackPopupMenuEx-based code (menuCall) with owner; after about 300 ms
// inside the menu's modal loop, action runs and then the menu is ended. Both
// are bounded: the menu is ended at the latest after 5 s.
void RunWithMenuOpen(HWND owner, void (*menuCall)(HWND owner), void (*action)(void));
// The popup menu window currently shown by this thread, or NULL.
HWND FindPopupMenuWindow(void);
// A new item (count 1) holding the text and its terminator.
ClipItem *MakeItemW(const wchar_t *text);
ClipItem *MakeItemA(const char *text);
// Adds a UTF-16 text to the history and returns its entry's identifier.
UINT AddHistoryText(const wchar_t *text);
// The clipboard's UTF-16 text (empty when there is none) into a buffer.
void ReadClipboardW(wchar_t *buffer, int size);
// Empties the changed-bits of this thread's queue, then sends target a
// message, so the idle hook sees a quiet queue.
void SendQuietMessage(HWND target);

#endif
