// The hotkey dialog from its real template (resource 140): the fields it
// shows, the capture state machine driven through the hook procedure with
// keystrokes as the system delivers them, and what OK, Cancel and the close
// box leave in HotkeySettings.
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "hotkeys/dialog.h"
#include "hotkeys/settings.h"
#include "resources/resource.h"
#include "test_world.h"

namespace
{

// Keystroke flags as a WH_KEYBOARD hook gets them: repeat count 1, the scan
// code, bit 24 extended key, bit 29 Alt held, bit 30 key was down, bit 31
// released.
const DWORD EXTENDED = 1;
const DWORD ALT_HELD = 2;
const DWORD REPEAT = 4;

DWORD Down(DWORD scan, DWORD options = 0)
{
    return 1 | scan << 16 | (options & EXTENDED ? 1u << 24 : 0) | (options & ALT_HELD ? 1u << 29 : 0) |
           (options & REPEAT ? 1u << 30 : 0);
}

DWORD Up(DWORD scan, DWORD options = 0)
{
    return Down(scan, options) | 1u << 30 | 1u << 31;
}

const DWORD SCAN_CTRL = 0x1D, SCAN_SHIFT = 0x2A, SCAN_ALT = 0x38;

DWORD ScanOf(UINT key)
{
    return MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
}

// The layout's name of a key, as the dialog shows it.
std::wstring Name(UINT key)
{
    wchar_t name[32] = L"";
    GetKeyNameTextW((LONG)(ScanOf(key) << 16 | 0x02000000), name, 32);
    return name;
}

std::wstring Text(HWND window)
{
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

std::string Narrow(const std::wstring &text)
{
    char buffer[512];
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer, sizeof buffer, NULL, NULL);
    return buffer;
}

const int Fields[BINDING_COUNT] = {IDC_HOTKEY_FIFO, IDC_HOTKEY_LOOP, IDC_HOTKEY_MENU, IDC_HOTKEY_LINE};

HotkeyBindings Bindings(BYTE m0, WORD k0, BYTE m1, WORD k1, BYTE m2, WORD k2, BYTE m3, WORD k3)
{
    HotkeyBindings bindings = {{m0, m1, m2, m3}, {k0, k1, k2, k3}};
    return bindings;
}

std::string Hex(const HotkeyBindings &bindings)
{
    std::string text;
    char byte[4];
    for (size_t i = 0; i < sizeof bindings; ++i) {
        snprintf(byte, sizeof byte, i ? " %02X" : "%02X", ((const unsigned char *)&bindings)[i]);
        text += byte;
    }
    return text;
}

// The settings every test starts from: Alt+Z, Ctrl+Y, Shift+Alt+X, empty.
const HotkeyBindings Initial = Bindings(MOD_ALT, 'Z', MOD_CONTROL, 'Y', MOD_SHIFT | MOD_ALT, 'X', 0, 0);

// A modeless instance of the dialog: the same template, procedure and hook,
// with the test driving it between the messages.
class HotkeyDialogTest : public testing::Test
{
  protected:
    HWND dialog = NULL;

    void SetUp() override
    {
        DialogModifierBits = 0;
        DialogLastKeystroke = 0;
        HotkeySettings = Initial;
        dialog = Open();
        ASSERT_TRUE(dialog != NULL);
    }

    void TearDown() override
    {
        if (dialog)
            DestroyWindow(dialog);
    }

    static HWND Open(void)
    {
        HWND window = CreateDialogParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_HOTKEY), MainWindow,
                                         HotkeyDialogProc, 0);
        if (window) {
            ShowWindow(window, SW_SHOW);
            SetForegroundWindow(window);
        }
        return window;
    }

    HWND Field(int binding) const
    {
        return GetDlgItem(dialog, Fields[binding]);
    }

    void Focus(int binding) const
    {
        SetFocus(Field(binding));
        ASSERT_EQ(Field(binding), GetFocus());
    }

    // One keystroke through the capture hook, as the system calls it.
    static LRESULT Key(UINT key, DWORD flags)
    {
        return HotkeyCaptureHook(HC_ACTION, key, flags);
    }
};

TEST_F(HotkeyDialogTest, OpensWithTheCurrentBindingsAndTheFocusInTheFifoField)
{
    EXPECT_EQ(Hex(Initial), Hex(DialogHotkeys));
    const std::wstring expected[BINDING_COUNT] = {L"Alt + " + Name('Z'), L"Ctrl + " + Name('Y'),
                                                  L"Shift + Alt + " + Name('X'), L"なし"};
    for (int i = 0; i < BINDING_COUNT; ++i)
        EXPECT_EQ(Narrow(expected[i]), Narrow(Text(Field(i)))) << i;
    EXPECT_EQ(Field(BINDING_FIFO), GetFocus());
}

TEST_F(HotkeyDialogTest, TemplateHasTheFieldsLabelsAndButtonsInTabOrder)
{
    EXPECT_EQ("ホットキー設定", Narrow(Text(dialog)));
    struct Control {
        int id;
        const char *className;
        const char *text;
        RECT units; // x, y, width, height as the template gives them
    };
    const Control controls[] = {
        {-1, "Static", "FIFO 切替ホットキー：", {4, 6, 80, 8}},
        {IDC_HOTKEY_FIFO, "Edit", NULL, {89, 3, 92, 14}},
        {-1, "Static", "ループクリップホットキー：", {4, 22, 80, 8}},
        {IDC_HOTKEY_LOOP, "Edit", NULL, {89, 19, 92, 14}},
        {-1, "Static", "履歴ホットキー：", {4, 38, 80, 8}},
        {IDC_HOTKEY_MENU, "Edit", NULL, {89, 35, 92, 14}},
        {-1, "Static", "行分割切替ホットキー：", {4, 54, 80, 8}},
        {IDC_HOTKEY_LINE, "Edit", NULL, {89, 51, 92, 14}},
        {IDC_HOTKEY_OK, "Button", "OK", {74, 70, 50, 14}},
        {IDC_HOTKEY_CANCEL, "Button", "キャンセル", {131, 70, 50, 14}},
    };
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const Control &c : controls) {
        SCOPED_TRACE(c.id);
        ASSERT_TRUE(child != NULL);
        EXPECT_EQ(c.id, (int)(SHORT)GetDlgCtrlID(child));
        wchar_t name[32];
        GetClassNameW(child, name, 32);
        EXPECT_EQ(0, lstrcmpiW(name, std::wstring(c.className, c.className + strlen(c.className)).c_str()))
            << Narrow(name);
        LONG style = GetWindowLongW(child, GWL_STYLE);
        LONG exStyle = GetWindowLongW(child, GWL_EXSTYLE);
        EXPECT_TRUE(style & WS_VISIBLE);
        if (c.text) {
            EXPECT_EQ(c.text, Narrow(Text(child)));
        }
        if (c.id == -1) {
            EXPECT_TRUE(exStyle & WS_EX_RIGHT);
            EXPECT_TRUE(style & WS_GROUP);
            // The whole label shows on its one line in the dialog's font.
            HDC dc = GetDC(child);
            HGDIOBJ font = SelectObject(dc, (HGDIOBJ)SendMessageW(child, WM_GETFONT, 0, 0));
            std::wstring label = Text(child);
            SIZE extent = {};
            GetTextExtentPoint32W(dc, label.c_str(), (int)label.size(), &extent);
            SelectObject(dc, font);
            ReleaseDC(child, dc);
            RECT client;
            GetClientRect(child, &client);
            EXPECT_LE(extent.cx, client.right) << "label cut off";
        } else if (c.text) {
            EXPECT_EQ(BS_PUSHBUTTON, style & 0x0F); // not a default push button
            EXPECT_TRUE(style & WS_TABSTOP);
        } else {
            EXPECT_TRUE(style & WS_TABSTOP);
            EXPECT_TRUE(style & ES_AUTOHSCROLL);
            EXPECT_FALSE(style & ES_READONLY);
        }
        // The dialog manager converts position and size each on its own.
        RECT mapped = c.units;
        MapDialogRect(dialog, &mapped);
        RECT expected = {mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
        RECT actual;
        GetWindowRect(child, &actual);
        MapWindowPoints(NULL, dialog, (POINT *)&actual, 2);
        EXPECT_EQ(expected.left, actual.left);
        EXPECT_EQ(expected.top, actual.top);
        EXPECT_EQ(expected.right, actual.right);
        EXPECT_EQ(expected.bottom, actual.bottom);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_TRUE(child == NULL);
    RECT client, size = {0, 0, 186, 86};
    GetClientRect(dialog, &client);
    MapDialogRect(dialog, &size);
    EXPECT_EQ(size.right, client.right);
    EXPECT_EQ(size.bottom, client.bottom);
}

// One keystroke of a scripted sequence and what the FIFO field and binding
// show afterwards.
struct Step {
    const char *what;
    UINT key;
    DWORD flags;
    std::wstring text;
    BYTE modifiers;
    WORD code;
};

void RunSteps(HWND field, int binding, const Step *steps, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const Step &s = steps[i];
        SCOPED_TRACE(s.what);
        EXPECT_EQ(1, HotkeyCaptureHook(HC_ACTION, s.key, s.flags)); // always swallowed
        EXPECT_EQ(Narrow(s.text), Narrow(Text(field)));
        EXPECT_EQ(s.modifiers, DialogHotkeys.modifiers[binding]);
        EXPECT_EQ(s.code, DialogHotkeys.keys[binding]);
    }
}

TEST_F(HotkeyDialogTest, CaptureTakesTheModifiersHeldBeforeAKeyThenWaitsForTheNextModifierPress)
{
    Focus(BINDING_FIFO);
    const std::wstring ctrlA = L"Ctrl + " + Name('A'), shiftB = L"Shift + " + Name('B');
    const Step steps[] = {
        {"Ctrl down: nothing was held before it", VK_CONTROL, Down(SCAN_CTRL), L"なし", 0, 0},
        {"A down with Ctrl held: captured", 'A', Down(ScanOf('A')), ctrlA, MOD_CONTROL, 'A'},
        {"A up: ignored after the capture", 'A', Up(ScanOf('A')), ctrlA, MOD_CONTROL, 'A'},
        {"Ctrl up: ignored", VK_CONTROL, Up(SCAN_CTRL), ctrlA, MOD_CONTROL, 'A'},
        {"B alone: ignored", 'B', Down(ScanOf('B')), ctrlA, MOD_CONTROL, 'A'},
        {"B up: ignored", 'B', Up(ScanOf('B')), ctrlA, MOD_CONTROL, 'A'},
        {"Shift down: clears the mark, itself ignored", VK_SHIFT, Down(SCAN_SHIFT), ctrlA, MOD_CONTROL, 'A'},
        {"B with Shift held: captured", 'B', Down(ScanOf('B')), shiftB, MOD_SHIFT, 'B'},
        {"B up: ignored", 'B', Up(ScanOf('B')), shiftB, MOD_SHIFT, 'B'},
        {"Shift up: ignored", VK_SHIFT, Up(SCAN_SHIFT), shiftB, MOD_SHIFT, 'B'},
        {"Ctrl down after a capture: ignored", VK_CONTROL, Down(SCAN_CTRL), shiftB, MOD_SHIFT, 'B'},
        {"Ctrl up: the Ctrl it was, no key", VK_CONTROL, Up(SCAN_CTRL), L"Ctrl + ", 0, 0},
        {"Delete with nothing held: empties", VK_DELETE, Down(ScanOf(VK_DELETE), EXTENDED), L"なし", 0, 0},
    };
    RunSteps(Field(BINDING_FIFO), BINDING_FIFO, steps, sizeof steps / sizeof steps[0]);
    EXPECT_EQ(0u, DialogModifierBits);
    // The other bindings are untouched.
    for (int i = BINDING_LOOP; i < BINDING_COUNT; ++i) {
        EXPECT_EQ(Initial.modifiers[i], DialogHotkeys.modifiers[i]) << i;
        EXPECT_EQ(Initial.keys[i], DialogHotkeys.keys[i]) << i;
    }
    EXPECT_EQ(Hex(Initial), Hex(HotkeySettings)); // nothing committed yet
}

TEST_F(HotkeyDialogTest, RightCtrlAndRightAltCountAsCtrlAndAlt)
{
    Focus(BINDING_MENU);
    Key(VK_CONTROL, Down(SCAN_CTRL, EXTENDED));
    EXPECT_EQ(0x08u, DialogModifierBits);
    Key(VK_MENU, Down(SCAN_ALT, EXTENDED | ALT_HELD));
    EXPECT_EQ(0x28u, DialogModifierBits);
    Key('X', Down(ScanOf('X'), ALT_HELD));
    EXPECT_EQ(Narrow(L"Ctrl + Alt + " + Name('X')), Narrow(Text(Field(BINDING_MENU))));
    EXPECT_EQ(MOD_CONTROL | MOD_ALT, DialogHotkeys.modifiers[BINDING_MENU]);
    EXPECT_EQ('X', DialogHotkeys.keys[BINDING_MENU]);
    EXPECT_EQ(0x28u | CAPTURED_MARK, DialogModifierBits);
}

TEST_F(HotkeyDialogTest, DialogKeysAreSwallowedAndCapturedLikeAnyOther)
{
    Focus(BINDING_LOOP);
    // Tab, Escape and Enter with nothing held empty the binding; Alt+F4 is a
    // combination like any other and leaves the dialog open.
    const Step steps[] = {
        {"Tab", VK_TAB, Down(ScanOf(VK_TAB)), L"なし", 0, 0},
        {"Escape", VK_ESCAPE, Down(ScanOf(VK_ESCAPE)), L"なし", 0, 0},
        {"Enter", VK_RETURN, Down(ScanOf(VK_RETURN)), L"なし", 0, 0},
        {"Alt down", VK_MENU, Down(SCAN_ALT, ALT_HELD), L"なし", 0, 0},
        {"F4 with Alt", VK_F4, Down(ScanOf(VK_F4), ALT_HELD), L"Alt + " + Name(VK_F4), MOD_ALT, VK_F4},
    };
    RunSteps(Field(BINDING_LOOP), BINDING_LOOP, steps, sizeof steps / sizeof steps[0]);
    PumpMessages(50);
    EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog));
    EXPECT_EQ(Field(BINDING_LOOP), GetFocus());
}

TEST_F(HotkeyDialogTest, IdenticalFlagsAreDroppedAlsoInAnotherField)
{
    Focus(BINDING_FIFO);
    Key(VK_CONTROL, Down(SCAN_CTRL));
    EXPECT_EQ("なし", Narrow(Text(Field(BINDING_FIFO))));
    // The same flags again, now in the Loop field: dropped, the field keeps
    // its text and binding.
    Focus(BINDING_LOOP);
    EXPECT_EQ(1, Key(VK_CONTROL, Down(SCAN_CTRL)));
    EXPECT_EQ(Narrow(L"Ctrl + " + Name('Y')), Narrow(Text(Field(BINDING_LOOP))));
    EXPECT_EQ(MOD_CONTROL, DialogHotkeys.modifiers[BINDING_LOOP]);
    // The first automatic repeat differs (bit 30) and catches up with Ctrl.
    Key(VK_CONTROL, Down(SCAN_CTRL, REPEAT));
    EXPECT_EQ("Ctrl + ", Narrow(Text(Field(BINDING_LOOP))));
    EXPECT_EQ(0, DialogHotkeys.modifiers[BINDING_LOOP]);
    EXPECT_EQ(0, DialogHotkeys.keys[BINDING_LOOP]);
    // Later repeats carry the same flags and change nothing.
    SetWindowTextW(Field(BINDING_LOOP), L"marker");
    EXPECT_EQ(1, Key(VK_CONTROL, Down(SCAN_CTRL, REPEAT)));
    EXPECT_EQ("marker", Narrow(Text(Field(BINDING_LOOP))));
}

TEST_F(HotkeyDialogTest, KeystrokesOutsideTheFieldsAreLeftAlone)
{
    SetFocus(GetDlgItem(dialog, IDC_HOTKEY_OK));
    ASSERT_EQ(GetDlgItem(dialog, IDC_HOTKEY_OK), GetFocus());
    EXPECT_EQ(0, Key(VK_CONTROL, Down(SCAN_CTRL)));
    EXPECT_EQ(0u, DialogModifierBits);
    EXPECT_EQ(0u, DialogLastKeystroke);
    // In a field, only HC_ACTION calls are taken.
    Focus(BINDING_FIFO);
    EXPECT_EQ(0, HotkeyCaptureHook(HC_NOREMOVE, VK_CONTROL, Down(SCAN_CTRL)));
    EXPECT_EQ(0u, DialogModifierBits);
    EXPECT_EQ(Hex(Initial), Hex(DialogHotkeys));
}

TEST_F(HotkeyDialogTest, TheCaptureMarkOutlivesTheDialog)
{
    Focus(BINDING_FIFO);
    Key(VK_CONTROL, Down(SCAN_CTRL));
    Key('A', Down(ScanOf('A')));
    Key('A', Up(ScanOf('A')));
    Key(VK_CONTROL, Up(SCAN_CTRL));
    ASSERT_EQ(CAPTURED_MARK, DialogModifierBits);
    DestroyWindow(dialog);

    dialog = Open();
    ASSERT_TRUE(dialog != NULL);
    Focus(BINDING_FIFO);
    const std::wstring shown = L"Alt + " + Name('Z');
    const Step steps[] = {
        {"the first key of the new opening is ignored", 'B', Down(ScanOf('B')), shown, MOD_ALT, 'Z'},
        {"Ctrl down clears the mark", VK_CONTROL, Down(SCAN_CTRL), shown, MOD_ALT, 'Z'},
        {"then capturing resumes", 'B', Down(ScanOf('B')), L"Ctrl + " + Name('B'), MOD_CONTROL, 'B'},
    };
    RunSteps(Field(BINDING_FIFO), BINDING_FIFO, steps, sizeof steps / sizeof steps[0]);
}

// --- real keystrokes through the installed hook -----------------------------

void Type(const std::vector<std::pair<WORD, int>> &keys)
{
    for (size_t i = 0; i < keys.size(); ++i) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = keys[i].first;
        input.ki.wScan = (WORD)ScanOf(keys[i].first);
        input.ki.dwFlags = keys[i].second ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &input, sizeof input);
    }
    PumpMessages(300);
}

const int DOWN = 0, UP = 1;

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The same template without the hotkey procedure: a keystroke typed into its
// FIFO field arrives as text unless a capture hook is still installed.
std::string TypedIntoPlainField(void)
{
    HWND plain = CreateDialogParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_HOTKEY), MainWindow,
                                    PlainDialogProc, 0);
    if (!plain)
        return "<no dialog>";
    ShowWindow(plain, SW_SHOW);
    SetForegroundWindow(plain);
    HWND field = GetDlgItem(plain, IDC_HOTKEY_FIFO);
    SetFocus(field);
    Type({{'Q', DOWN}, {'Q', UP}});
    std::string text = Narrow(Text(field));
    DestroyWindow(plain);
    return text;
}

TEST_F(HotkeyDialogTest, RealKeystrokesAreCapturedAndTheHookGoesWithTheDialog)
{
    Focus(BINDING_FIFO);
    Type({{VK_CONTROL, DOWN}, {'A', DOWN}, {'A', UP}, {VK_CONTROL, UP}});
    EXPECT_EQ(Narrow(L"Ctrl + " + Name('A')), Narrow(Text(Field(BINDING_FIFO))));
    EXPECT_EQ(MOD_CONTROL, DialogHotkeys.modifiers[BINDING_FIFO]);
    EXPECT_EQ('A', DialogHotkeys.keys[BINDING_FIFO]);
    // Tab is swallowed too: the focus stays in the field.
    Type({{VK_SHIFT, DOWN}, {VK_SHIFT, UP}, {VK_TAB, DOWN}, {VK_TAB, UP}});
    EXPECT_EQ(Field(BINDING_FIFO), GetFocus());
    EXPECT_EQ("なし", Narrow(Text(Field(BINDING_FIFO))));

    DestroyWindow(dialog);
    dialog = NULL;
    EXPECT_EQ("q", TypedIntoPlainField());
}

TEST_F(HotkeyDialogTest, ADialogOpenedOnTopOfAnotherRemovesOnlyItsOwnHook)
{
    HWND second = Open();
    ASSERT_TRUE(second != NULL);
    DestroyWindow(second);
    // The first dialog still captures...
    SetForegroundWindow(dialog);
    Focus(BINDING_LOOP);
    Type({{VK_SHIFT, DOWN}, {'B', DOWN}, {'B', UP}, {VK_SHIFT, UP}});
    EXPECT_EQ(MOD_SHIFT, DialogHotkeys.modifiers[BINDING_LOOP]);
    EXPECT_EQ('B', DialogHotkeys.keys[BINDING_LOOP]);
    // ...and takes its hook away when it goes.
    DestroyWindow(dialog);
    dialog = NULL;
    EXPECT_EQ("q", TypedIntoPlainField());
}

// --- closing, as DialogBoxParamW runs it -----------------------------------

// What a scripted modal run does once the dialog is up.
enum Closing { CLICK_OK, CLICK_CANCEL, CLOSE_BOX };
Closing ScriptClosing;
int ScriptCaptures;
int StillOpenAfterStandardCommands;

INT_PTR CALLBACK ScriptedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        INT_PTR result = HotkeyDialogProc(dialog, message, wParam, lParam);
        // The modal loop shows the dialog once its queue is empty; a timer
        // comes only after that (EndDialog hides the dialog again).
        SetTimer(dialog, 1, 100, NULL);
        return result;
    }
    if (message != WM_TIMER || wParam != 1)
        return HotkeyDialogProc(dialog, message, wParam, lParam);
    KillTimer(dialog, 1);

    if (ScriptCaptures) {
        SetFocus(GetDlgItem(dialog, IDC_HOTKEY_LINE));
        HotkeyCaptureHook(HC_ACTION, VK_CONTROL, Down(SCAN_CTRL));
        HotkeyCaptureHook(HC_ACTION, 'A', Down(ScanOf('A')));
    }
    // The standard commands of Enter and Escape do nothing.
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    StillOpenAfterStandardCommands = IsWindowVisible(dialog);
    switch (ScriptClosing) {
    case CLICK_OK:
        SendMessageW(GetDlgItem(dialog, IDC_HOTKEY_OK), BM_CLICK, 0, 0);
        break;
    case CLICK_CANCEL:
        SendMessageW(GetDlgItem(dialog, IDC_HOTKEY_CANCEL), BM_CLICK, 0, 0);
        break;
    case CLOSE_BOX:
        SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
    return TRUE;
}

TEST(HotkeyDialogClosing, OkCommitsTheWholeWorkingCopyCancelAndCloseCommitNothing)
{
    const HotkeyBindings captured =
        Bindings(Initial.modifiers[0], Initial.keys[0], Initial.modifiers[1], Initial.keys[1],
                 Initial.modifiers[2], Initial.keys[2], MOD_CONTROL, 'A');
    struct Case {
        const char *name;
        Closing closing;
        int captures;
        INT_PTR result;
        HotkeyBindings settings;
    };
    const Case cases[] = {
        {"OK after a capture", CLICK_OK, 1, IDC_HOTKEY_OK, captured},
        {"OK without keystrokes", CLICK_OK, 0, IDC_HOTKEY_OK, Initial},
        {"Cancel after a capture", CLICK_CANCEL, 1, IDC_HOTKEY_CANCEL, Initial},
        {"close box after a capture", CLOSE_BOX, 1, 0, Initial},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DialogModifierBits = 0;
        DialogLastKeystroke = 0;
        HotkeySettings = Initial;
        ScriptClosing = c.closing;
        ScriptCaptures = c.captures;
        StillOpenAfterStandardCommands = 0;
        INT_PTR result = DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_HOTKEY), MainWindow,
                                         ScriptedDialogProc, 0);
        EXPECT_EQ(c.result, result);
        EXPECT_TRUE(StillOpenAfterStandardCommands);
        EXPECT_EQ(Hex(c.settings), Hex(HotkeySettings));
    }
}

} // namespace
