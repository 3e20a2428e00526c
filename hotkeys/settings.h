// The four hotkey bindings: the record kept in setting.dat, its registration
// with the system for the main window, and the text of a key combination.
#ifndef CORVANE_HOTKEYS_SETTINGS_H
#define CORVANE_HOTKEYS_SETTINGS_H

#include <windows.h>

// The one order of the bindings: of the record's fields, of the file, of
// every loop over them.
enum HotkeyBindingIndex {
    BINDING_FIFO = 0,
    BINDING_LOOP = 1,
    BINDING_MENU = 2,
    BINDING_LINE = 3,
    BINDING_COUNT = 4
};

// Laid out exactly as setting.dat is (12 bytes, little-endian, no header):
// the four RegisterHotKey modifier values (MOD_ALT 1, MOD_CONTROL 2,
// MOD_SHIFT 4; 0 for an empty binding), then the four virtual-key codes.
struct HotkeyBindings {
    BYTE modifiers[BINDING_COUNT];
    WORD keys[BINDING_COUNT];
};
static_assert(sizeof(HotkeyBindings) == 12, "HotkeyBindings is the 12-byte file record");

// Loaded at start-up, changed only when the hotkey dialog is confirmed,
// saved at shutdown. The dialog copies it whole in and out.
extern HotkeyBindings HotkeySettings;

// Registration state of one binding: the hotkey id it is registered under
// and whether it is. Other parts may read HotkeyRegistrations (binding order).
struct HotkeyBinding {
    SHORT id;        // 0 unless registered
    WORD registered; // 1 while registered, else 0
};
extern HotkeyBinding HotkeyRegistrations[BINDING_COUNT];

// Fills HotkeySettings from setting.dat in the current directory, or with the
// defaults when the file cannot supply a whole record. Never reports.
void LoadHotkeySettings(void);
// Writes HotkeySettings to setting.dat in the current directory; a file that
// cannot be created is skipped without a message.
void SaveHotkeySettings(void);
// Traces and registers the four bindings for MainWindow; one warning box when
// any of them cannot be registered (the others stay registered).
void RegisterHotkeys(void);
// Unregisters exactly the bindings that are registered.
void UnregisterHotkeys(void);

// Size of the buffers FormatHotkeyText writes into, in UTF-16 units.
#define HOTKEY_TEXT_LENGTH 128
// The text of a combination: "Shift + ", "Ctrl + ", "Alt + " as the low byte
// of modifiers has them, then the layout's name of the key given as keystroke
// flags (scan code in bits 16 to 23, bit 24 extended key); "なし" when the
// modifiers are empty. Nonzero exactly when the key has a name.
int FormatHotkeyText(UINT modifiers, DWORD keyData, wchar_t *text);

#endif
