// The hotkey bindings: setting.dat, registration for the main window, and the
// text of a combination (for the trace and the hotkey dialog).
#include "hotkeys/settings.h"

#include <stdio.h>
#include <wchar.h>

#include "app/app.h"

HotkeyBindings HotkeySettings;
HotkeyBinding HotkeyRegistrations[BINDING_COUNT];

// Alt+Convert, Ctrl+Convert, Alt+Nonconvert, Ctrl+katakana/hiragana
// (VK_OEM_COPY on Japanese keyboards).
static const HotkeyBindings DefaultSettings = {
    {MOD_ALT, MOD_CONTROL, MOD_ALT, MOD_CONTROL},
    {VK_CONVERT, VK_CONVERT, VK_NONCONVERT, VK_OEM_COPY},
};

static const char *const TraceNames[BINDING_COUNT] = {"FIFO", "Loop", "Menu", "Line"};
static const int HotkeyIds[BINDING_COUNT] = {HOTKEY_FIFO, HOTKEY_LOOP, HOTKEY_MENU, HOTKEY_LINE};

static const wchar_t RegisterWarning[] =
    L"ホットキーの登録に失敗しました。\n"
    L"他のアプリケーションでホットキーが使用されている可能性があります。\n"
    L"使用されているアプリケーションの設定の変更もしくは終了させるか、\n"
    L"Corvane の設定を変更してください。";

static const wchar_t NoKeyText[] = L"なし";

void LoadHotkeySettings(void)
{
    // The record is the file: one 12-byte block, taken as it is. Anything
    // short of a whole record counts as no file; bytes after it are ignored.
    FILE *file = fopen("setting.dat", "rb");
    if (!file || fread(&HotkeySettings, sizeof HotkeySettings, 1, file) != 1)
        HotkeySettings = DefaultSettings;
    if (file)
        fclose(file);
}

void SaveHotkeySettings(void)
{
    FILE *file = fopen("setting.dat", "wb");
    if (!file)
        return;
    fwrite(&HotkeySettings, sizeof HotkeySettings, 1, file);
    fclose(file);
}

// The record says registered exactly while the system holds the hotkey for
// us: an id that was released once is never released again, since by then
// the same id on the main window may belong to a newer registration.
static void UnregisterHotkeyBinding(HotkeyBinding *binding)
{
    if (!binding->registered)
        return;
    UnregisterHotKey(MainWindow, binding->id);
    binding->id = 0;
    binding->registered = 0;
}

// The binding goes to the system as it is, empty ones included: the system
// decides whether it counts. A registration the record still holds is
// released first, because the system would keep it beside the new one.
static int RegisterHotkeyBinding(int id, HotkeyBinding *binding, BYTE modifiers, WORD key)
{
    UnregisterHotkeyBinding(binding);
    if (RegisterHotKey(MainWindow, id, modifiers, key)) {
        binding->id = (SHORT)id;
        binding->registered = 1;
    }
    return binding->registered;
}

static void TraceHotkeyBinding(const char *name, WORD key, BYTE modifiers)
{
    wchar_t text[HOTKEY_TEXT_LENGTH];
    FormatHotkeyText(modifiers, MapVirtualKeyW(key, MAPVK_VK_TO_VSC) << 16, text);
    // msvcrt's wide printf: %S takes the narrow name, %s the wide text.
    TraceW(L"%S: %s(%02x, %04x)\n", name, text, modifiers, key);
}

void RegisterHotkeys(void)
{
    for (int i = 0; i < BINDING_COUNT; ++i)
        TraceHotkeyBinding(TraceNames[i], HotkeySettings.keys[i], HotkeySettings.modifiers[i]);
    int registered = 0;
    for (int i = 0; i < BINDING_COUNT; ++i)
        registered += RegisterHotkeyBinding(HotkeyIds[i], &HotkeyRegistrations[i],
                                            HotkeySettings.modifiers[i], HotkeySettings.keys[i]);
    if (registered < BINDING_COUNT) {
        // One box for any number of failures; the rest stay registered.
        Trace("don't set any hotkey.\n");
        MessageBoxW(NULL, RegisterWarning, L"警告", MB_ICONWARNING);
    }
}

void UnregisterHotkeys(void)
{
    for (int i = 0; i < BINDING_COUNT; ++i)
        UnregisterHotkeyBinding(&HotkeyRegistrations[i]);
}

int FormatHotkeyText(UINT modifiers, DWORD keyData, wchar_t *text)
{
    text[0] = 0;
    BYTE value = (BYTE)modifiers;
    if (!value) {
        wcscpy(text, NoKeyText);
        return 0;
    }
    if (value & MOD_SHIFT)
        wcscat(text, L"Shift + ");
    if (value & MOD_CONTROL)
        wcscat(text, L"Ctrl + ");
    if (value & MOD_ALT)
        wcscat(text, L"Alt + ");
    // Bit 25 (do not care) gives the left and right Shift and Ctrl keys one
    // name. The name is at most 31 units, so the text stays far inside the
    // buffer.
    wchar_t name[32];
    int length = GetKeyNameTextW((LONG)(keyData | 0x02000000), name, 32);
    if (length > 0) {
        name[31] = 0;
        wcscat(text, name);
    }
    if (!text[0])
        wcscpy(text, NoKeyText);
    return length > 0;
}
