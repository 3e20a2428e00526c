// The notification-area icon: its five states, its tooltip, the context menu
// it opens and the version dialog.
#ifndef CORVANE_TRAY_H
#define CORVANE_TRAY_H

#include <windows.h>
#include <shellapi.h>

// Index of the icon and tooltip shown; icon resource IDI_TRAY_BASE + index.
enum TrayState { TRAY_OFF, TRAY_FIFO_COPYING, TRAY_FIFO_PASTING, TRAY_LOOP_COPYING, TRAY_LOOP_PASTING };
static const int TRAY_STATE_COUNT = 5;

// Adding the icon is retried while the shell is not ready yet.
static const int TRAY_ADD_ATTEMPTS = 32;
static const DWORD TRAY_RETRY_DELAY = 1000; // ms before each further attempt

// Length of the tooltip buffer (szTip), in UTF-16 units with the terminator.
static const int TRAY_TIP_LENGTH = 128;

// The context menu: the first popup of menu resource IDR_CONTEXT_MENU, set by
// the main window procedure while the main window is created.
extern HMENU ContextMenu;

// Read only outside this module. The state shown, 0 at start, written only by
// SetTrayState.
extern int CurrentTrayState;
// The record of every Shell_NotifyIconW call; cbSize 0 means the icon is not
// added.
extern NOTIFYICONDATAW TrayRecord;

// Loads the state icons and adds the icon showing TRAY_OFF. Nonzero when the
// icon was added. Blocks for up to about 31 s while the shell is not ready.
int AddTrayIcon(void);
// Shows a state's icon and tooltip and remembers it as current. An index
// outside TRAY_OFF..TRAY_LOOP_PASTING is ignored.
void SetTrayState(int state);
// Rebuilds the tooltip from the current state and LineDivision; the icon stays.
void RefreshTrayTip(void);
// "Corvane - " + the state's name + " [Line division]" while LineDivision is
// set, into TRAY_TIP_LENGTH units.
void FormatTrayTip(wchar_t *tip, int state);
// Sets (lowest bit of check set) or clears the check mark of a context-menu
// command; the result of SetMenuItemInfoW.
BOOL CheckMenuCommand(int check, UINT commandId);
// The UM_TRAY_NOTIFY handler: a right-button press opens the context menu at
// the pointer; every other notification does nothing.
void ShowTrayMenu(LPARAM lParam);
// Removes the icon if it was added.
void RemoveTrayIcon(void);
// The version dialog (IDD_VERSION): closes with IDOK or IDCANCEL.
INT_PTR CALLBACK VersionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// --- For tests only ---------------------------------------------------------
// The shell call and the sleep between attempts go through these so that the
// tests can play a shell that is not ready. The program never changes them:
// they point at Shell_NotifyIconW and Sleep.
typedef BOOL(WINAPI *TrayNotifyFunction)(DWORD message, PNOTIFYICONDATAW record);
typedef VOID(WINAPI *TraySleepFunction)(DWORD milliseconds);
extern TrayNotifyFunction TrayNotify;
extern TraySleepFunction TraySleep;

#endif
