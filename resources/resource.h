// Resource and command numbers of Corvane.exe, shared by the .rc script and
// the code.
#ifndef CORVANE_RESOURCE_H
#define CORVANE_RESOURCE_H

#define IDI_APP 100       // application icon: 256 (PNG), 32 and 16 pixels
#define IDI_APP_SMALL 101 // small application icon: 16 pixels
#define IDI_TRAY_BASE 110 // tray icons 110 to 114, one per TrayState
#define IDD_VERSION 120   // version dialog
#define IDD_HOTKEY 140    // hotkey settings dialog
#define IDR_CONTEXT_MENU 200

// Context-menu commands.
#define IDM_FIFO 201
#define IDM_LOOP 202
#define IDM_LINE 203
#define IDM_HOTKEY 204
#define IDM_VERSION 205
#define IDM_EXIT 206

// History entries are IDM_HISTORY_BASE + slot, 1000 to 1015.
#define IDM_HISTORY_BASE 1000

#endif
