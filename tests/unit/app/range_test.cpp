// Messages the main window procedure has no use for, on the real main window:
// commands no menu has, history identifiers no entry carries, timers and
// hotkeys nobody set, menu selections from other menus, tray notices that are
// not a right-button press. None of them crashes, changes the mode, the queue,
// the history or the clipboard, and each gets the result the routing gives
// (0, or default processing for messages it does not handle).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "clip/detect.h"
#include "clip/queue.h"
#include "fifo/fifo.h"
#include "history/history.h"
#include "history/popup.h"
#include "history/tooltip.h"
#include "resources/resource.h"
#include "test_world.h"
#include "tray/tray.h"

namespace
{

std::string Narrow(const std::wstring &text)
{
    std::string narrow;
    for (wchar_t unit : text)
        narrow += unit < 0x80 ? (char)unit : '?';
    return narrow;
}

std::wstring TooltipText(void)
{
    wchar_t text[128] = {};
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.lpszText = text;
    if (!SendMessageW(TooltipWindow, TTM_ENUMTOOLSW, 0, (LPARAM)&tool))
        return L"<no tool>";
    tool.lpszText = text;
    SendMessageW(TooltipWindow, TTM_GETTEXTW, 128, (LPARAM)&tool);
    return text;
}

LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageW(MainWindow, message, wParam, lParam);
}

// Everything a stray message could disturb, as one comparable text.
std::string Snapshot(void)
{
    std::ostringstream out;
    ClipItem *cursor = NULL;
    PeekPasteCursor(&cursor);
    out << "mode " << PasteMode << ", line division " << LineDivision << ", queue "
        << (IsPasteQueueEmpty() ? "empty" : "filled") << ", cursor " << (void *)cursor;
    ReleaseClipItem(&cursor);
    out << ", tray " << CurrentTrayState << ", history " << GetMenuItemCount(HistoryMenu) << " entries";
    for (int i = 0; i < GetMenuItemCount(HistoryMenu); ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_DATA | MIIM_ID;
        GetMenuItemInfoW(HistoryMenu, i, TRUE, &info);
        const HistorySlot *slot = (const HistorySlot *)info.dwItemData;
        out << " " << info.wID << ":" << (slot ? slot->item : NULL) << "/"
            << (slot && slot->item ? slot->item->RefCount : 0);
    }
    out << ", clipboard \"" << Narrow(ClipboardText()) << "\", tooltip \"" << Narrow(TooltipText()) << "\" "
        << (IsWindowVisible(TooltipWindow) ? "shown" : "hidden") << ", keys " << LastKeystrokeFlags << "/"
        << CtrlBits << ", target " << PasteTarget << ", done " << PasteDone << ", checks";
    const UINT commands[] = {IDM_FIFO, IDM_LOOP, IDM_LINE};
    for (UINT command : commands)
        out << " " << ((GetMenuState(ContextMenu, command, MF_BYCOMMAND) & MF_CHECKED) != 0);
    MSG msg;
    if (PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE))
        out << ", QUIT POSTED";
    return out.str();
}

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::string Describe(const Message &m)
{
    std::ostringstream out;
    out << "message 0x" << std::hex << m.message << " wParam 0x" << m.wParam << " lParam 0x" << m.lParam;
    return out.str();
}

// The real main window, class and all, with the history menu, the tooltip
// and the menu font, as start-up leaves them. Another suite of this program
// may have made them already; what this one makes it gives back, so that the
// window class can be registered again by a suite after it. The history
// starts empty either way.
class StrayMessages : public testing::Test
{
  protected:
    static HWND previous;
    static int ownWindow, ownTooltip, ownFont;

    static void SetUpTestSuite()
    {
        previous = MainWindow;
        wchar_t name[64] = L"";
        GetClassNameW(MainWindow, name, 64);
        ownWindow = wcscmp(name, L"Corvane_KR_Class") != 0;
        if (ownWindow) {
            ASSERT_TRUE(RegisterMainWindowClass());
            StdoutCapture output; // the pre-creation path traces every message
            HWND window =
                CreateWindowExW(0, L"Corvane_KR_Class", L"Corvane", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, AppInstance, NULL);
            output.Finish();
            ASSERT_TRUE(window != NULL);
            MainWindow = window;
        }
        ReleaseHistory();
        ASSERT_TRUE(CreateHistoryMenu());
        ownTooltip = TooltipWindow == NULL;
        if (ownTooltip) {
            ASSERT_TRUE(CreateTooltip());
        }
        ownFont = MenuFont == NULL;
        if (ownFont) {
            ASSERT_TRUE(CreateMenuFont());
        }
    }

    static void TearDownTestSuite()
    {
        CaptureStdout(SetModeOff);
        if (ownTooltip && TooltipWindow) {
            DestroyWindow(TooltipWindow);
            TooltipWindow = NULL;
        }
        if (ownFont && MenuFont) {
            DeleteObject(MenuFont);
            MenuFont = NULL;
        }
        if (ownWindow) {
            ReleaseHistory();
            HWND window = MainWindow;
            MainWindow = previous;
            StdoutCapture output; // no longer the main window: traced, no quit request
            DestroyWindow(window);
            output.Finish();
            UnregisterClassW(L"Corvane_KR_Class", AppInstance);
        }
        MSG msg;
        while (PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    void SetUp() override
    {
        PasteTarget = NULL;
        if (!LineDivision)
            ToggleLineDivision(); // a toggle by mistake would show
        CaptureStdout(SetModeFifo);
    }

    void TearDown() override
    {
        if (LineDivision)
            ToggleLineDivision();
        CaptureStdout(SetModeOff);
    }

    static void Copy(const wchar_t *text)
    {
        ASSERT_TRUE(PutClipboardText(text));
        Send(WM_TIMER, TIMER_COPY, 0);
    }

    // Sends each message, expecting its result and no change anywhere.
    static void SendAll(const std::vector<Message> &messages, LRESULT result)
    {
        std::string before = Snapshot();
        for (const Message &m : messages) {
            ASSERT_EQ(result, Send(m.message, m.wParam, m.lParam)) << Describe(m);
            ASSERT_EQ(before, Snapshot()) << Describe(m);
        }
    }

    static std::vector<Message> Commands(void)
    {
        std::vector<Message> messages;
        for (UINT id = IDM_EXIT + 1; id < IDM_HISTORY_BASE; ++id)
            messages.push_back({WM_COMMAND, id, 0});
        // The notification code and lParam are not looked at.
        messages.push_back({WM_COMMAND, MAKEWPARAM(207, 1), (LPARAM)0x12345678});
        messages.push_back({WM_COMMAND, MAKEWPARAM(999, 0xFFFF), -1});
        messages.push_back({WM_COMMAND, 0, 0});
        return messages;
    }

    // History identifiers that no entry of a menu with this many entries has.
    static std::vector<Message> HistoryCommands(int entries)
    {
        std::vector<Message> messages;
        for (UINT id = IDM_HISTORY_BASE + entries; id < IDM_HISTORY_BASE + 40; ++id)
            messages.push_back({WM_COMMAND, id, 0});
        const UINT distant[] = {2000, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF};
        for (UINT id : distant) {
            messages.push_back({WM_COMMAND, id, 0});
            messages.push_back({WM_COMMAND, MAKEWPARAM(id, 1), (LPARAM)MainWindow});
        }
        return messages;
    }
};
HWND StrayMessages::previous;
int StrayMessages::ownWindow, StrayMessages::ownTooltip, StrayMessages::ownFont;

TEST_F(StrayMessages, CommandsNoMenuHasDoNothing)
{
    ASSERT_TRUE(IsHistoryEmpty());
    ASSERT_TRUE(PutClipboardText(L"theirs"));
    // An empty history: every identifier from 1000 up is past its entries.
    SendAll(Commands(), 0);
    SendAll(HistoryCommands(0), 0);

    // A full history (17 captures, so the identifiers have come round once)
    // and three texts queued.
    CaptureStdout(SetModeOff);
    for (int i = 0; i < 14; ++i) {
        wchar_t text[16];
        swprintf(text, L"H%d", i);
        Copy(text);
    }
    CaptureStdout(SetModeFifo);
    Copy(L"T1");
    Copy(L"T2");
    Copy(L"T3");
    ASSERT_EQ(16, GetMenuItemCount(HistoryMenu));
    ASSERT_EQ(L"T1", ClipboardText());
    SendAll(Commands(), 0);
    SendAll(HistoryCommands(HISTORY_SLOT_COUNT), 0);

    // The queue still pastes its three texts in order.
    const wchar_t *next[] = {L"T2", L"T3"};
    for (const wchar_t *text : next) {
        Send(WM_TIMER, TIMER_PASTE, 0);
        EXPECT_EQ(text, ClipboardText());
    }
    Send(WM_TIMER, TIMER_PASTE, 0);
    EXPECT_EQ(PASTE_MODE_OFF, PasteMode);
}

TEST_F(StrayMessages, TimersAndHotkeysNobodySetDoNothing)
{
    Copy(L"queued");
    std::vector<Message> messages;
    const WPARAM timers[] = {0, 3, 4, 99, 0xFFFF, 0x10001, 0x7FFFFFFF, (WPARAM)-1};
    for (WPARAM id : timers)
        messages.push_back({WM_TIMER, id, 0});
    const WPARAM hotkeys[] = {
        0, 1, 6, 7, 99, 0xBFFF, 0xC000, 0xFFFF, (WPARAM)IDHOT_SNAPWINDOW, (WPARAM)IDHOT_SNAPDESKTOP, 0x10003};
    for (WPARAM id : hotkeys)
        messages.push_back({WM_HOTKEY, id, MAKELPARAM(MOD_CONTROL, 'C')});
    SendAll(messages, 0);

    // A stray timer message kills the timer it names, and only that one.
    ASSERT_TRUE(SetTimer(MainWindow, 77, 60000, NULL));
    ASSERT_TRUE(SetTimer(MainWindow, TIMER_COPY, 60000, NULL));
    ASSERT_TRUE(SetTimer(MainWindow, TIMER_PASTE, 60000, NULL));
    SendAll({{WM_TIMER, 77, 0}, {WM_TIMER, 78, 0}}, 0);
    EXPECT_FALSE(KillTimer(MainWindow, 77));
    EXPECT_TRUE(KillTimer(MainWindow, TIMER_COPY));
    EXPECT_TRUE(KillTimer(MainWindow, TIMER_PASTE));
}

TEST_F(StrayMessages, MenuSelectionsFromOtherMenusLeaveTheTooltip)
{
    Copy(L"entry shown");
    UINT id = GetMenuItemID(HistoryMenu, 0);
    ASSERT_GE(id, (UINT)IDM_HISTORY_BASE);
    // A menu of someone else's with entries that look like history entries,
    // item data included.
    HMENU other = CreatePopupMenu();
    ASSERT_TRUE(other != NULL);
    HistorySlot fake = {};
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_DATA | MIIM_STRING;
    item.wID = id;
    item.dwItemData = (ULONG_PTR)&fake;
    item.dwTypeData = (LPWSTR)L"other";
    ASSERT_TRUE(InsertMenuItemW(other, 0, TRUE, &item));

    std::vector<Message> messages;
    const UINT ids[] = {0,     5, 999, IDM_HISTORY_BASE, id, IDM_HISTORY_BASE + 15, IDM_HISTORY_BASE + 16,
                        0xFFFE};
    const UINT flags[] = {0, MF_HILITE, MF_OWNERDRAW | MF_HILITE, MF_POPUP};
    for (UINT selected : ids)
        for (UINT flag : flags)
            messages.push_back({WM_MENUSELECT, MAKEWPARAM(selected, flag), (LPARAM)other});
    // The close form only counts without a menu.
    messages.push_back({WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), (LPARAM)other});
    messages.push_back({WM_MENUSELECT, MAKEWPARAM(id, 0xFFFF), (LPARAM)ContextMenu});
    // No menu, but not closed either.
    messages.push_back({WM_MENUSELECT, MAKEWPARAM(id, 0), 0});
    messages.push_back({WM_MENUSELECT, MAKEWPARAM(0xFFFF, 0xFFFE), 0});
    // The history menu itself with identifiers none of its entries has.
    const UINT absent[] = {IDM_HISTORY_BASE + 16, IDM_HISTORY_BASE + 17, 2000, 0xFFFF};
    for (UINT selected : absent)
        messages.push_back({WM_MENUSELECT, MAKEWPARAM(selected, MF_HILITE), (LPARAM)HistoryMenu});

    // With the tip hidden, and with it showing the history entry's text.
    EXPECT_EQ(0, Send(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0));
    SendAll(messages, 0);
    EXPECT_EQ(0, Send(WM_MENUSELECT, MAKEWPARAM(id, MF_HILITE | MF_OWNERDRAW), (LPARAM)HistoryMenu));
    ASSERT_EQ(L"entry shown", TooltipText());
    SendAll(messages, 0);

    // The close form, repeated, hides the tip and changes nothing else.
    EXPECT_EQ(0, Send(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0));
    EXPECT_FALSE(IsWindowVisible(TooltipWindow));
    SendAll({{WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0}, {WM_MENUSELECT, MAKEWPARAM(id, 0xFFFF), 0}}, 0);
    DestroyMenu(other);
}

TEST_F(StrayMessages, TrayNoticesOtherThanARightPressDoNothing)
{
    Copy(L"queued");
    const LPARAM notices[] = {0,
                              WM_MOUSEMOVE,
                              WM_LBUTTONDOWN,
                              WM_LBUTTONUP,
                              WM_LBUTTONDBLCLK,
                              WM_RBUTTONUP,
                              WM_RBUTTONDBLCLK,
                              WM_MBUTTONDOWN,
                              WM_CONTEXTMENU,
                              NIN_SELECT,
                              NIN_KEYSELECT,
                              NIN_BALLOONSHOW,
                              NIN_BALLOONUSERCLICK,
                              0xFFFF,
                              MAKELPARAM(WM_LBUTTONDOWN, WM_RBUTTONDOWN),
                              MAKELPARAM(0, WM_RBUTTONDOWN),
                              0x7FFFFFFF,
                              -1};
    std::vector<Message> messages;
    for (LPARAM notice : notices) {
        messages.push_back({UM_TRAY_NOTIFY, 0, notice});
        messages.push_back({UM_TRAY_NOTIFY, 0xDEADBEEF, notice});
    }
    // A context menu opened by mistake would wait here for the user.
    SendAll(messages, 0);
}

// Private message numbers next to the ones the routing knows get default
// processing, and leave everything as it was.
TEST_F(StrayMessages, NeighboursOfThePrivateMessagesGetDefaultProcessing)
{
    Copy(L"queued");
    const UINT numbers[] = {WM_USER,
                            UM_TRAY_NOTIFY - 1,
                            UM_TRAY_NOTIFY + 1,
                            UM_KEYSTROKE - 1,
                            UM_TARGET_IDLE + 1,
                            WM_APP,
                            WM_APP + 10,
                            0xC123,
                            0xFFFF};
    std::string before = Snapshot();
    for (UINT number : numbers) {
        Message m = {number, 0x1234, 0x5678};
        LRESULT expected = DefWindowProcW(MainWindow, number, m.wParam, m.lParam);
        EXPECT_EQ(expected, Send(number, m.wParam, m.lParam)) << Describe(m);
        EXPECT_EQ(before, Snapshot()) << Describe(m);
    }
}

} // namespace
