// The full-text tooltip: the text copy rules, the tooltip window and its
// tool, and the tip beside a highlighted entry of a menu on screen.
#include <gtest/gtest.h>

#include <string>

#include "menu_world.h"

#include <commctrl.h>
#include "test_world.h"

#include "app/app.h"
#include "history/history.h"
#include "history/tooltip.h"

namespace
{

TEST(CopyTipText, WideCutsAt1020UnitsAndTurnsTabsIntoSpaces)
{
    const std::wstring x1020(1020, L'x');
    const struct {
        std::wstring source, expected;
    } cases[] = {
        {L"", L""},
        {L"a\tb\t", L"a b "},
        {L"line 1\r\nline 2\n&amp; && \x65E5\x672C", L"line 1\r\nline 2\n&amp; && \x65E5\x672C"},
        {x1020, x1020},
        {x1020 + L"y", x1020 + L"..."},
        {x1020 + std::wstring(3000, L'z'), x1020 + L"..."},
        {std::wstring(1019, L'x') + L"\t", std::wstring(1019, L'x') + L" "},
        {std::wstring(1019, L'x') + L"\tz", std::wstring(1019, L'x') + L" ..."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "source of " << c.source.size() << " units");
        wchar_t destination[1100];
        wmemset(destination, 0x7777, 1100);
        EXPECT_EQ(destination, CopyTipTextW(destination, c.source.c_str()));
        EXPECT_EQ(c.expected, std::wstring(destination));
        // Nothing written past the terminator; never more than 1024 units.
        EXPECT_LE(c.expected.size() + 1, 1024u);
        EXPECT_EQ(0x7777, destination[c.expected.size() + 1]);
    }
}

TEST(CopyTipText, AnsiCutsAt2044BytesAndTurnsTabsIntoSpaces)
{
    const std::string x2044(2044, 'x');
    const struct {
        std::string source, expected;
    } cases[] = {
        {"", ""},
        {"\ta\tb", " a b"},
        {"line 1\r\nline 2\n& && \x93\xfa\x96\x7b", "line 1\r\nline 2\n& && \x93\xfa\x96\x7b"},
        {x2044, x2044},
        {x2044 + "y", x2044 + "..."},
        {x2044 + std::string(5000, 'z'), x2044 + "..."},
        {std::string(2043, 'x') + "\t", std::string(2043, 'x') + " "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "source of " << c.source.size() << " bytes");
        char destination[2100];
        memset(destination, 0x77, sizeof destination);
        EXPECT_EQ(destination, CopyTipTextA(destination, c.source.c_str()));
        EXPECT_EQ(c.expected, std::string(destination));
        EXPECT_LE(c.expected.size() + 1, 2048u);
        EXPECT_EQ(0x77, destination[c.expected.size() + 1]);
    }
}

TEST(ItemTooltipPoint, IsTheRightEdgePlusSixLevelWithTheTop)
{
    RECT rect = {100, 200, 220, 218};
    POINT point = ItemTooltipPoint(&rect);
    EXPECT_EQ(226, point.x);
    EXPECT_EQ(200, point.y);
}

// Asks the control about the main window's tool (id 0), its text into text.
static TTTOOLINFOW AskTool(UINT message, WPARAM wParam, wchar_t *text)
{
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = MainWindow;
    tool.uId = 0;
    tool.lpszText = text;
    text[0] = 0;
    SendMessageW(TooltipWindow, message, wParam, (LPARAM)&tool);
    return tool;
}

// The tool as the control holds it, with its text.
static TTTOOLINFOW ReadTool(wchar_t *text)
{
    return AskTool(TTM_GETTOOLINFOW, 0, text);
}

static std::wstring TipText(void)
{
    static wchar_t text[4096];
    AskTool(TTM_GETTEXTW, 4096, text);
    return text;
}

TEST(Tooltip, IsATopmostTrackingTooltipOfTheMainWindow)
{
    EnsureMenuWorld();
    ASSERT_TRUE(TooltipWindow);
    wchar_t className[32];
    GetClassNameW(TooltipWindow, className, 32);
    EXPECT_STREQ(L"tooltips_class32", className);
    LONG style = GetWindowLongW(TooltipWindow, GWL_STYLE);
    LONG exStyle = GetWindowLongW(TooltipWindow, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(TTS_NOPREFIX | TTS_ALWAYSTIP, style & (TTS_NOPREFIX | TTS_ALWAYSTIP));
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_FALSE(IsWindowVisible(TooltipWindow));
    EXPECT_EQ(1, SendMessageW(TooltipWindow, TTM_GETTOOLCOUNT, 0, 0));
    wchar_t text[1100];
    TTTOOLINFOW tool = ReadTool(text);
    EXPECT_EQ((UINT)TTF_TRACK, tool.uFlags);
    EXPECT_EQ(MainWindow, tool.hwnd);
    EXPECT_EQ(0u, tool.uId);
    EXPECT_EQ(1024, SendMessageW(TooltipWindow, TTM_GETMAXTIPWIDTH, 0, 0));

    // Text set either way comes back as the control's own copy.
    SetTooltipTextW(L"wide \x65E5\x672C & text");
    EXPECT_EQ(L"wide \x65E5\x672C & text", TipText());
    SetTooltipTextA("narrow & text");
    EXPECT_EQ(L"narrow & text", TipText());
}

// A menu of our own with history slots: ShowItemTooltip is given the menu.
static HistorySlot Slots[3];
static HMENU TestMenu;
static HWND TestOwner;

struct TipState {
    std::wstring text;
    int visible;
    POINT tip; // the tip's client origin: the frame is drawn around the point
    RECT entry;
};
static TipState States[6];

static TipState ReadTipState(int position)
{
    TipState state;
    state.text = TipText();
    state.visible = IsWindowVisible(TooltipWindow);
    state.tip.x = state.tip.y = 0;
    ClientToScreen(TooltipWindow, &state.tip);
    SetRectEmpty(&state.entry);
    if (position >= 0)
        GetMenuItemRect(NULL, TestMenu, position, &state.entry);
    return state;
}

// Runs inside the menu's modal loop, with the menu on screen.
static void WalkTheEntries(void)
{
    ShowItemTooltip(TestOwner, TestMenu, 1000);
    States[0] = ReadTipState(0);
    ShowItemTooltip(TestOwner, TestMenu, 1001);
    States[1] = ReadTipState(1);
    ShowItemTooltip(TestOwner, TestMenu, 1002); // no item data
    States[2] = ReadTipState(1);
    ShowItemTooltip(TestOwner, TestMenu, 4242); // not in the menu
    States[3] = ReadTipState(1);
    ShowItemTooltip(TestOwner, TestMenu, 1003); // a long text, on the last entry
    States[4] = ReadTipState(-1);
    HideTooltip();
    HideTooltip();
    States[5] = ReadTipState(-1);
}

static void TrackTestMenu(HWND owner)
{
    SetForegroundWindow(owner);
    TrackPopupMenuEx(TestMenu, 0, 300, 200, owner, NULL);
}

TEST(Tooltip, FollowsTheHighlightedEntryWithItsFullText)
{
    EnsureMenuWorld();
    std::wstring longText(1500, L'w');
    longText[3] = L'\t';
    ClipItem *items[3] = {MakeItemW(L"first\tline\r\nsecond & third"), MakeItemA("ansi\ttext"),
                          MakeItemW(longText.c_str())};
    Slots[0].item = items[0];
    Slots[1].item = items[1];
    Slots[2].item = items[2];
    // The previews say something else: the tip shows the items' own texts.
    memcpy(Slots[0].preview, L"preview", 16);
    memcpy(Slots[1].preview, "preview", 8);

    TestMenu = CreatePopupMenu();
    TestOwner = CreateMenuOwner();
    const struct {
        UINT id;
        HistorySlot *slot;
    } entries[] = {{1000, &Slots[0]}, {1001, &Slots[1]}, {1002, NULL}, {1003, &Slots[2]}};
    for (int i = 0; i < 4; ++i) {
        MENUITEMINFOW entry = {};
        entry.cbSize = sizeof entry;
        entry.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID;
        entry.fType = MFT_OWNERDRAW;
        entry.wID = entries[i].id;
        entry.dwItemData = (ULONG_PTR)entries[i].slot;
        InsertMenuItemW(TestMenu, i, TRUE, &entry);
    }
    for (auto &state : States)
        state = TipState();

    RunWithMenuOpen(TestOwner, TrackTestMenu, WalkTheEntries);

    std::wstring expectedLong = longText.substr(0, 1020) + L"...";
    expectedLong[3] = L' ';
    const struct {
        const wchar_t *what;
        std::wstring text;
        int visible;
        int entryOf; // whose entry the tip stands beside, -1: not checked
    } expected[] = {
        {L"first entry", L"first line\r\nsecond & third", 1, 0},
        {L"next entry (ANSI)", L"ansi text", 1, 1},
        {L"entry without data", L"ansi text", 1, 1},
        {L"unknown identifier", L"ansi text", 1, 1},
        // Wrapped at 1024 pixels, so wide that it is kept on screen instead.
        {L"long text", expectedLong, 1, -1},
        {L"hidden", expectedLong, 0, -1},
    };
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(testing::Message() << expected[i].what);
        EXPECT_EQ(expected[i].text, States[i].text);
        EXPECT_EQ(expected[i].visible, States[i].visible);
        if (expected[i].entryOf < 0)
            continue;
        const RECT &entry = States[expected[i].entryOf].entry;
        EXPECT_GT(entry.bottom, entry.top) << "the menu was not on screen";
        POINT point = ItemTooltipPoint(&entry);
        EXPECT_EQ(point.x, States[i].tip.x);
        EXPECT_EQ(point.y, States[i].tip.y);
    }

    DestroyMenu(TestMenu);
    DestroyWindow(TestOwner);
    for (auto &item : items)
        ReleaseClipItem(&item);
}

} // namespace
