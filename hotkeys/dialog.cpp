// The hotkey settings dialog. While one of its four fields has the focus, a
// keyboard hook on the GUI thread takes every keystroke away from the dialog
// and turns a key pressed together with Shift, Ctrl or Alt into a binding.
#include "hotkeys/dialog.h"

#include "app/app.h"

HotkeyBindings DialogHotkeys;
DWORD DialogModifierBits;
DWORD DialogLastKeystroke;

// The latest installed hook, for CallNextHookEx. Each dialog also keeps its
// own handle in DWLP_USER and removes exactly that one: the tray menu still
// works while the dialog is open, so a second dialog can open on top of the
// first, and each must take away only its own hook.
static HHOOK CaptureHook;

static const int FieldIds[BINDING_COUNT] = {IDC_HOTKEY_FIFO, IDC_HOTKEY_LOOP, IDC_HOTKEY_MENU,
                                            IDC_HOTKEY_LINE};

int SetHotkeyEditText(DWORD keyData, HWND edit, UINT modifiers)
{
    wchar_t text[HOTKEY_TEXT_LENGTH];
    int named = FormatHotkeyText(modifiers, keyData, text);
    SendMessageW(edit, WM_SETTEXT, 0, (LPARAM)text);
    return named;
}

// The binding whose field has the keyboard focus, or -1.
static int FocusedBinding(HWND *field)
{
    HWND focus = GetFocus();
    HWND parent = focus ? GetParent(focus) : NULL;
    if (!parent)
        return -1;
    for (int i = 0; i < BINDING_COUNT; ++i) {
        HWND control = GetDlgItem(parent, FieldIds[i]);
        if (control && control == focus) {
            *field = control;
            return i;
        }
    }
    return -1;
}

LRESULT CALLBACK HotkeyCaptureHook(int code, WPARAM wParam, LPARAM lParam)
{
    HWND field = NULL;
    int binding = code == HC_ACTION ? FocusedBinding(&field) : -1;
    if (binding < 0)
        return CallNextHookEx(CaptureHook, code, wParam, lParam);

    // From here on the keystroke never reaches the dialog: Tab, Enter,
    // Escape and Alt combinations included.
    DWORD previous = DialogModifierBits;
    DWORD flags = (DWORD)lParam;
    // A held key repeats with identical flags (only the first repeat
    // differs from the press); those are dropped.
    if (flags == DialogLastKeystroke)
        return 1;
    DialogLastKeystroke = flags;

    UINT key = (UINT)wParam;
    int modifierKey = key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU;
    if (modifierKey)
        UpdateModifierBits(2 * (int)(key - VK_SHIFT), &DialogModifierBits, flags);
    // After a capture everything is ignored up to and including the next
    // modifier press, which has just cleared the mark.
    if (previous & CAPTURED_MARK)
        return 1;

    // The bits from before this keystroke: a modifier's own press or release
    // is not counted yet.
    UINT modifiers = 0;
    if (previous & 0x30)
        modifiers |= MOD_ALT;
    if (previous & 0x0C)
        modifiers |= MOD_CONTROL;
    if (previous & 0x03)
        modifiers |= MOD_SHIFT;
    if (SetHotkeyEditText(modifierKey ? 0 : flags, field, modifiers)) {
        // The key is taken from the scan code rather than from wParam, which
        // an active input method may have replaced (VK_PROCESSKEY).
        DialogHotkeys.modifiers[binding] = (BYTE)modifiers;
        DialogHotkeys.keys[binding] = (WORD)MapVirtualKeyW((flags >> 16) & 0xFF, MAPVK_VSC_TO_VK);
        DialogModifierBits |= CAPTURED_MARK;
    } else {
        DialogHotkeys.modifiers[binding] = 0;
        DialogHotkeys.keys[binding] = 0;
    }
    return 1;
}

static INT_PTR OnInitDialog(HWND dialog)
{
    DialogHotkeys = HotkeySettings;
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD, HotkeyCaptureHook, NULL, GetCurrentThreadId());
    CaptureHook = hook;
    SetWindowLongPtrW(dialog, DWLP_USER, (LONG_PTR)hook);
    for (int i = 0; i < BINDING_COUNT; ++i) {
        HWND field = GetDlgItem(dialog, FieldIds[i]);
        if (field)
            SetHotkeyEditText(MapVirtualKeyW(DialogHotkeys.keys[i], MAPVK_VK_TO_VSC) << 16, field,
                              DialogHotkeys.modifiers[i]);
    }
    // TRUE lets the system put the focus on the FIFO field. Without the hook
    // nothing can be captured and the fields are left to plain editing.
    return hook != NULL;
}

INT_PTR CALLBACK HotkeyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_HOTKEY_OK:
            HotkeySettings = DialogHotkeys;
            EndDialog(dialog, IDC_HOTKEY_OK);
            return TRUE;
        case IDC_HOTKEY_CANCEL:
            EndDialog(dialog, IDC_HOTKEY_CANCEL);
            return TRUE;
        }
        // IDOK and IDCANCEL included: Enter and Escape do nothing.
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    case WM_DESTROY: {
        HHOOK hook = (HHOOK)GetWindowLongPtrW(dialog, DWLP_USER);
        UnhookWindowsHookEx(hook);
        if (hook == CaptureHook)
            CaptureHook = NULL;
        return FALSE;
    }
    }
    return FALSE;
}
