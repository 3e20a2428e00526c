// The history menu against the real user32 and gdi32: entries as the menu
// holds them, previews, item lifetimes, measuring and drawing.
#include <gtest/gtest.h>

#include <stddef.h>
#include <string.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "history/history.h"
#include "resources/resource.h"

namespace
{

ClipItem *MakeItemW(const std::wstring &text)
{
    return CreateClipItem((DWORD)((text.size() + 1) * sizeof(wchar_t)), text.c_str(), 1);
}

ClipItem *MakeItemA(const std::string &text)
{
    return CreateClipItem((DWORD)(text.size() + 1), text.c_str(), 0);
}

struct MenuEntry {
    BOOL ok;
    UINT id;
    UINT type;
    ULONG_PTR data;
    std::wstring label;
};

MenuEntry ReadEntry(HMENU menu, UINT position)
{
    WCHAR text[16] = {0};
    MENUITEMINFOW info;
    memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_DATA | MIIM_STRING | MIIM_FTYPE;
    info.dwTypeData = text;
    info.cch = 16;
    MenuEntry entry;
    entry.ok = GetMenuItemInfoW(menu, position, TRUE, &info);
    entry.id = info.wID;
    entry.type = info.fType;
    entry.data = info.dwItemData;
    entry.label = text;
    return entry;
}

// Each test starts from an empty history with a menu; every item the test
// keeps in `held` carries one reference of the test's own.
class HistoryTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        ReleaseHistory();
        ASSERT_TRUE(CreateHistoryMenu());
        if (!MenuFont) {
            ASSERT_TRUE(CreateMenuFont());
        }
    }
    void TearDown() override
    {
        ReleaseHistory();
        for (size_t i = 0; i < held.size(); ++i)
            ReleaseClipItem(&held[i]);
        held.clear();
    }
    ClipItem *Hold(ClipItem *item)
    {
        EXPECT_TRUE(item != NULL);
        held.push_back(item);
        return item;
    }
    // Adds the items "item 0" .. "item n-1" in that order.
    void AddNumbered(int n)
    {
        for (int i = 0; i < n; ++i) {
            ClipItem *item = Hold(MakeItemW(L"item " + std::to_wstring(i)));
            ASSERT_TRUE(AddToHistory(item));
        }
    }
    std::vector<ClipItem *> held;
};

const wchar_t AccessCharacters[] = L"123456789ABCDEFG";

TEST_F(HistoryTest, EmptyUntilTheFirstCapture)
{
    EXPECT_TRUE(IsHistoryEmpty());
    EXPECT_EQ(0, GetMenuItemCount(HistoryMenu));
    ASSERT_TRUE(AddToHistory(Hold(MakeItemW(L"x"))));
    EXPECT_FALSE(IsHistoryEmpty());
    // Long after the first entry has left the menu the history is not empty.
    AddNumbered(40);
    EXPECT_FALSE(IsHistoryEmpty());
}

// The menu after n insertions: newest on top, labels by position, identifier
// and item data by slot, slot k % 16 for the k-th insertion.
TEST_F(HistoryTest, MenuAfterInsertions)
{
    const int counts[] = {1, 2, 15, 16, 17, 31, 32, 40};
    for (size_t c = 0; c < sizeof(counts) / sizeof(counts[0]); ++c) {
        int n = counts[c];
        SCOPED_TRACE(testing::Message() << n << " insertions");
        ReleaseHistory();
        ASSERT_TRUE(CreateHistoryMenu());
        size_t first = held.size();
        AddNumbered(n);

        int shown = n < 16 ? n : 16;
        ASSERT_EQ(shown, GetMenuItemCount(HistoryMenu));
        for (int p = 0; p < shown; ++p) {
            SCOPED_TRACE(testing::Message() << "position " << p);
            int k = n - 1 - p;
            int slot = k % 16;
            MenuEntry entry = ReadEntry(HistoryMenu, p);
            ASSERT_TRUE(entry.ok);
            EXPECT_EQ((UINT)(IDM_HISTORY_BASE + slot), entry.id);
            EXPECT_EQ((ULONG_PTR)&HistorySlots[slot], entry.data);
            EXPECT_TRUE(entry.type & MFT_OWNERDRAW);
            EXPECT_EQ(std::wstring(L"&") + AccessCharacters[p], entry.label);
            EXPECT_EQ(held[first + k], HistorySlots[slot].item);
            EXPECT_EQ(L"item " + std::to_wstring(k),
                      std::wstring((const wchar_t *)HistorySlots[slot].preview));
        }
    }
}

TEST_F(HistoryTest, SameItemTwiceGivesTwoEntries)
{
    ClipItem *item = Hold(MakeItemW(L"twice"));
    ASSERT_TRUE(AddToHistory(item));
    ASSERT_TRUE(AddToHistory(item));
    ASSERT_EQ(2, GetMenuItemCount(HistoryMenu));
    EXPECT_EQ((UINT)IDM_HISTORY_BASE + 1, ReadEntry(HistoryMenu, 0).id);
    EXPECT_EQ((UINT)IDM_HISTORY_BASE, ReadEntry(HistoryMenu, 1).id);
    EXPECT_EQ(item, HistorySlots[0].item);
    EXPECT_EQ(item, HistorySlots[1].item);
    EXPECT_EQ(3, item->RefCount);
}

// An item is held while its entry is in the menu and given up when the entry
// leaves it; the test's own reference shows what the history still holds.
TEST_F(HistoryTest, ItemsAreHeldWhileShown)
{
    AddNumbered(40);
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE(testing::Message() << "item " << i);
        EXPECT_EQ(i < 24 ? 1 : 2, held[i]->RefCount);
    }

    // The same item shown twice and leaving once keeps the other entry's hold.
    ClipItem *twice = Hold(MakeItemW(L"twice"));
    ASSERT_TRUE(AddToHistory(twice));
    ASSERT_TRUE(AddToHistory(twice));
    AddNumbered(15);
    EXPECT_EQ(2, twice->RefCount);
    AddNumbered(1);
    EXPECT_EQ(1, twice->RefCount);

    ReleaseHistory();
    for (size_t i = 0; i < held.size(); ++i)
        EXPECT_EQ(1, held[i]->RefCount);
}

struct PreviewCase {
    int utf16;
    size_t length;   // characters (units) of the text
    size_t expected; // units the preview holds before its zero
};

// The preview keeps the text's first 95 UTF-16 units or 190 bytes, whatever
// the slot held before.
TEST_F(HistoryTest, PreviewLengths)
{
    const PreviewCase cases[] = {
        {1, 0, 0}, {1, 1, 1}, {1, 94, 94},   {1, 95, 95},   {1, 96, 95},   {1, 300, 95},
        {0, 0, 0}, {0, 1, 1}, {0, 189, 189}, {0, 190, 190}, {0, 191, 190}, {0, 500, 190},
    };
    for (size_t c = 0; c < sizeof(cases) / sizeof(cases[0]); ++c) {
        const PreviewCase &row = cases[c];
        SCOPED_TRACE(testing::Message() << (row.utf16 ? "UTF-16 " : "ANSI ") << row.length);
        ReleaseHistory();
        ASSERT_TRUE(CreateHistoryMenu());
        HistorySlot &slot = HistorySlots[0];
        memset(slot.preview, 0xCC, sizeof(slot.preview));
        slot.terminator = 0xCCCC;

        if (row.utf16) {
            std::wstring text;
            for (size_t i = 0; i < row.length; ++i)
                text += (wchar_t)(0x3042 + i % 80); // hiragana and more
            ASSERT_TRUE(AddToHistory(Hold(MakeItemW(text))));
            const wchar_t *preview = (const wchar_t *)slot.preview;
            EXPECT_EQ(text.substr(0, row.expected), std::wstring(preview));
        } else {
            std::string text;
            for (size_t i = 0; i < row.length; ++i)
                text += (char)('a' + i % 26);
            ASSERT_TRUE(AddToHistory(Hold(MakeItemA(text))));
            const char *preview = (const char *)slot.preview;
            EXPECT_EQ(text.substr(0, row.expected), std::string(preview));
        }
        EXPECT_EQ(0, slot.terminator);
    }
}

TEST_F(HistoryTest, MenuFontAndMetrics)
{
    LOGFONTW font;
    ASSERT_EQ((int)sizeof(font), GetObjectW(MenuFont, sizeof(font), &font));
    EXPECT_EQ(12, font.lfHeight);
    EXPECT_EQ(FW_NORMAL, font.lfWeight);
    EXPECT_EQ(SHIFTJIS_CHARSET, font.lfCharSet);
    EXPECT_EQ(PROOF_QUALITY, font.lfQuality);
    EXPECT_STREQ(L"MS Gothic", font.lfFaceName);

    HDC screen = GetDC(NULL);
    HGDIOBJ previous = SelectObject(screen, MenuFont);
    TEXTMETRICW metrics;
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(NULL, screen);
    EXPECT_GT(MenuFontMetrics.tmHeight, 0);
    EXPECT_GT(MenuFontMetrics.tmMaxCharWidth, 0);
    EXPECT_EQ(metrics.tmHeight, MenuFontMetrics.tmHeight);
    EXPECT_EQ(metrics.tmMaxCharWidth, MenuFontMetrics.tmMaxCharWidth);
}

// Width of a text in the menu font as a single line, laid out from a
// 300-pixel rectangle the way the entries are.
LONG TextWidth(const void *text, int utf16)
{
    HDC dc = GetDC(MainWindow);
    HGDIOBJ previous = SelectObject(dc, MenuFont);
    RECT rect = {0, 0, 300, MenuFontMetrics.tmHeight};
    UINT format = DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX;
    if (utf16)
        DrawTextW(dc, (const wchar_t *)text, -1, &rect, format);
    else
        DrawTextA(dc, (const char *)text, -1, &rect, format);
    SelectObject(dc, previous);
    ReleaseDC(MainWindow, dc);
    return rect.right;
}

MEASUREITEMSTRUCT MeasureRequest(UINT id, ULONG_PTR data)
{
    MEASUREITEMSTRUCT mis;
    memset(&mis, 0, sizeof(mis));
    mis.CtlType = ODT_MENU;
    mis.itemID = id;
    mis.itemWidth = 777;
    mis.itemHeight = 555;
    mis.itemData = data;
    return mis;
}

TEST_F(HistoryTest, MeasureShortTexts)
{
    struct Case {
        const wchar_t *textW; // UTF-16 item when set
        const char *textA;
    };
    const Case cases[] = {
        {L"abc", NULL}, {L"", NULL},   {L"日本語のテキスト", NULL}, {L"a&b\tc", NULL}, {NULL, "abc"},
        {NULL, ""},     {NULL, "x&y"},
    };
    for (size_t c = 0; c < sizeof(cases) / sizeof(cases[0]); ++c) {
        const Case &row = cases[c];
        SCOPED_TRACE(testing::Message() << "case " << c);
        ReleaseHistory();
        ASSERT_TRUE(CreateHistoryMenu());
        ClipItem *item = Hold(row.textW ? MakeItemW(row.textW) : MakeItemA(row.textA));
        ASSERT_TRUE(AddToHistory(item));
        HistorySlot before = HistorySlots[0];

        MEASUREITEMSTRUCT mis = MeasureRequest(IDM_HISTORY_BASE, (ULONG_PTR)&HistorySlots[0]);
        MeasureHistoryItem(MainWindow, &mis);
        LONG width = row.textW ? TextWidth(row.textW, 1) : TextWidth(row.textA, 0);
        EXPECT_EQ((UINT)(MenuFontMetrics.tmMaxCharWidth + width + 12), mis.itemWidth);
        EXPECT_EQ((UINT)(MenuFontMetrics.tmHeight + 2), mis.itemHeight);
        if (row.textW && !*row.textW) {
            EXPECT_EQ((UINT)(MenuFontMetrics.tmMaxCharWidth + 12), mis.itemWidth);
        }
        // A text that fits stays as it was.
        EXPECT_EQ(0, memcmp(&before, &HistorySlots[0], sizeof(before)));
    }
}

TEST_F(HistoryTest, MeasureLeavesOtherRequestsAlone)
{
    ASSERT_TRUE(AddToHistory(Hold(MakeItemW(L"abc"))));
    const struct {
        UINT id;
        ULONG_PTR data;
    } cases[] = {
        {IDM_HISTORY_BASE - 1, (ULONG_PTR)&HistorySlots[0]},
        {IDM_HISTORY_BASE + 16, (ULONG_PTR)&HistorySlots[0]},
        {IDM_HISTORY_BASE, 0},
        {IDM_HOTKEY, 0},
    };
    for (size_t c = 0; c < sizeof(cases) / sizeof(cases[0]); ++c) {
        SCOPED_TRACE(testing::Message() << "id " << cases[c].id);
        MEASUREITEMSTRUCT mis = MeasureRequest(cases[c].id, cases[c].data);
        MeasureHistoryItem(MainWindow, &mis);
        EXPECT_EQ(777u, mis.itemWidth);
        EXPECT_EQ(555u, mis.itemHeight);
    }
}

// A preview far wider than the 300 pixels is cut in place and given an
// ellipsis; the system may write up to four characters beyond the text it
// shortens, which must stay inside the slot.
TEST_F(HistoryTest, MeasureCutsAWidePreviewInsideItsSlot)
{
    static_assert(offsetof(HistorySlot, terminator) - offsetof(HistorySlot, preview) >=
                      HISTORY_PREVIEW_SIZE + 4 * sizeof(WCHAR),
                  "room for four more characters after the preview");
    for (int utf16 = 1; utf16 >= 0; --utf16) {
        SCOPED_TRACE(utf16 ? "UTF-16" : "ANSI");
        ReleaseHistory();
        ASSERT_TRUE(CreateHistoryMenu());
        ClipItem *wide = Hold(utf16 ? MakeItemW(std::wstring(300, L'W')) : MakeItemA(std::string(500, 'W')));
        ASSERT_TRUE(AddToHistory(wide));
        ASSERT_TRUE(AddToHistory(Hold(MakeItemW(L"neighbour"))));
        ASSERT_GT(TextWidth(HistorySlots[0].preview, utf16), 0);
        HistorySlot neighbour = HistorySlots[1];

        MEASUREITEMSTRUCT mis = MeasureRequest(IDM_HISTORY_BASE, (ULONG_PTR)&HistorySlots[0]);
        MeasureHistoryItem(MainWindow, &mis);

        EXPECT_EQ(0, memcmp(&neighbour, &HistorySlots[1], sizeof(neighbour)));
        EXPECT_EQ(0, HistorySlots[0].terminator);
        EXPECT_EQ(wide, HistorySlots[0].item);
        std::wstring cut;
        if (utf16) {
            cut = (const wchar_t *)HistorySlots[0].preview;
        } else {
            const char *text = (const char *)HistorySlots[0].preview;
            cut.assign(text, text + strlen(text));
        }
        ASSERT_GE(cut.size(), 4u);
        EXPECT_LT(cut.size(), 95u);
        EXPECT_TRUE(cut.compare(cut.size() - 3, 3, L"...") == 0 || cut[cut.size() - 1] == 0x2026)
            << "ends in " << (unsigned)cut[cut.size() - 1];
        EXPECT_EQ(L'W', cut[0]);

        LONG width = TextWidth(HistorySlots[0].preview, utf16);
        EXPECT_LE(width, 300);
        EXPECT_EQ((UINT)(MenuFontMetrics.tmMaxCharWidth + width + 12), mis.itemWidth);
        EXPECT_EQ((UINT)(MenuFontMetrics.tmHeight + 2), mis.itemHeight);

        // Measured again, the cut text fits and stays as it is.
        HistorySlot once = HistorySlots[0];
        MEASUREITEMSTRUCT again = MeasureRequest(IDM_HISTORY_BASE, (ULONG_PTR)&HistorySlots[0]);
        MeasureHistoryItem(MainWindow, &again);
        EXPECT_EQ(mis.itemWidth, again.itemWidth);
        EXPECT_EQ(0, memcmp(&once, &HistorySlots[0], sizeof(once)));
        EXPECT_EQ(0, memcmp(&neighbour, &HistorySlots[1], sizeof(neighbour)));
    }
}

// A 32-bit top-down DIB selected into a memory context, so that pixels read
// back exactly as drawn.
class DrawTest : public HistoryTest
{
  protected:
    enum { Width = 240, Height = 24 };
    void SetUp() override
    {
        HistoryTest::SetUp();
        BITMAPINFO bmi;
        memset(&bmi, 0, sizeof(bmi));
        bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
        bmi.bmiHeader.biWidth = Width;
        bmi.bmiHeader.biHeight = -Height;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(NULL);
        ASSERT_TRUE(dc != NULL);
        bitmap = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, (void **)&bits, NULL, 0);
        ASSERT_TRUE(bitmap != NULL);
        oldBitmap = SelectObject(dc, bitmap);
    }
    void TearDown() override
    {
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
        HistoryTest::TearDown();
    }
    void Clear()
    {
        GdiFlush();
        for (int i = 0; i < Width * Height; ++i)
            bits[i] = Sentinel;
    }
    COLORREF Pixel(int x, int y)
    {
        GdiFlush();
        DWORD v = bits[y * Width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // Pixels of columns [left, right) whose colour is not the given one.
    int CountOther(int left, int right, COLORREF colour)
    {
        int count = 0;
        for (int y = 0; y < Height; ++y)
            for (int x = left; x < right; ++x)
                count += Pixel(x, y) != colour;
        return count;
    }
    DRAWITEMSTRUCT DrawRequest(UINT id, UINT state, ULONG_PTR data)
    {
        DRAWITEMSTRUCT dis;
        memset(&dis, 0, sizeof(dis));
        dis.CtlType = ODT_MENU;
        dis.itemID = id;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = state;
        dis.hwndItem = (HWND)HistoryMenu;
        dis.hDC = dc;
        SetRect(&dis.rcItem, 0, 0, Width, Height);
        dis.itemData = data;
        return dis;
    }
    static const DWORD Sentinel = 0x00010203; // RGB(1, 2, 3)
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
    DWORD *bits;
};

TEST_F(DrawTest, ColoursByState)
{
    ASSERT_NE(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_MENU));
    const struct {
        UINT state;
        int background;
        int text;
    } cases[] = {
        {ODS_SELECTED, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
        {ODS_SELECTED | ODS_FOCUS, COLOR_MENU, COLOR_MENUTEXT},
        {ODS_SELECTED | ODS_CHECKED, COLOR_MENU, COLOR_MENUTEXT},
        {0, COLOR_MENU, COLOR_MENUTEXT},
        {ODS_FOCUS, COLOR_MENU, COLOR_MENUTEXT},
    };
    for (int utf16 = 1; utf16 >= 0; --utf16) {
        ReleaseHistory();
        ASSERT_TRUE(CreateHistoryMenu());
        ASSERT_TRUE(AddToHistory(Hold(utf16 ? MakeItemW(L"Wide テキスト") : MakeItemA("Narrow text"))));
        for (size_t c = 0; c < sizeof(cases) / sizeof(cases[0]); ++c) {
            SCOPED_TRACE(testing::Message() << (utf16 ? "UTF-16" : "ANSI") << " state " << cases[c].state);
            Clear();
            HGDIOBJ fontBefore = GetCurrentObject(dc, OBJ_FONT);
            DRAWITEMSTRUCT dis = DrawRequest(IDM_HISTORY_BASE, cases[c].state, (ULONG_PTR)&HistorySlots[0]);
            DrawHistoryItem(&dis);

            COLORREF background = GetSysColor(cases[c].background);
            EXPECT_EQ(background, Pixel(Width - 1, Height - 1));
            EXPECT_EQ(background, Pixel(0, 0));
            EXPECT_EQ(background, GetBkColor(dc));
            EXPECT_EQ(GetSysColor(cases[c].text), GetTextColor(dc));
            EXPECT_EQ(fontBefore, GetCurrentObject(dc, OBJ_FONT));
            // Nothing left of the label; the label and the preview each in
            // their own column.
            int labelLeft = 8, previewLeft = 8 + MenuFontMetrics.tmMaxCharWidth + 4;
            EXPECT_EQ(0, CountOther(0, labelLeft, background));
            EXPECT_GT(CountOther(labelLeft, previewLeft, background), 0);
            EXPECT_GT(CountOther(previewLeft, Width, background), 0);
        }
    }
}

TEST_F(DrawTest, NothingDrawnWithoutSlotOrLabel)
{
    ASSERT_TRUE(AddToHistory(Hold(MakeItemW(L"abc"))));
    const struct {
        UINT id;
        ULONG_PTR data;
    } cases[] = {
        {IDM_HISTORY_BASE, 0}, {IDM_HISTORY_BASE + 7, (ULONG_PTR)&HistorySlots[7]}, // not in the menu
    };
    for (size_t c = 0; c < sizeof(cases) / sizeof(cases[0]); ++c) {
        SCOPED_TRACE(testing::Message() << "case " << c);
        Clear();
        DRAWITEMSTRUCT dis = DrawRequest(cases[c].id, ODS_SELECTED, cases[c].data);
        DrawHistoryItem(&dis);
        EXPECT_EQ(0, CountOther(0, Width, RGB(1, 2, 3)));
    }
}

TEST_F(DrawTest, ApplyItemColorsGivesTheBrush)
{
    EXPECT_EQ(COLOR_HIGHLIGHT + 1, ApplyItemColors(dc, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), GetBkColor(dc));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHTTEXT), GetTextColor(dc));
    EXPECT_EQ(COLOR_MENU + 1, ApplyItemColors(dc, COLOR_MENU, COLOR_MENUTEXT));
    EXPECT_EQ(GetSysColor(COLOR_MENU), GetBkColor(dc));
    EXPECT_EQ(GetSysColor(COLOR_MENUTEXT), GetTextColor(dc));
}

// On a Japanese system (ANSI code page 932) an ANSI item holds Shift-JIS
// bytes; its entry must measure and look exactly like the same text held as
// UTF-16. Run with Wine under a Japanese locale (the unit.history.ja test);
// elsewhere the bytes mean other characters and the test is skipped.
TEST_F(DrawTest, AnsiPreviewInTheJapaneseCodePage)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "ANSI code page " << GetACP();
    const struct {
        const char *sjis;
        const wchar_t *text;
    } cases[] = {
        {"\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67", L"日本語のテキスト"},
        {"\xb6\xc5 abc \x81\x40\x81\x60",
         L"\uff76\uff85 abc \u3000\uff5e"}, // ｶﾅ, ideographic space, full-width tilde
    };
    for (size_t c = 0; c < sizeof(cases) / sizeof(cases[0]); ++c) {
        SCOPED_TRACE(testing::Message() << "case " << c);
        std::vector<DWORD> pixels[2];
        UINT widths[2];
        for (int utf16 = 0; utf16 < 2; ++utf16) {
            ReleaseHistory();
            ASSERT_TRUE(CreateHistoryMenu());
            ASSERT_TRUE(AddToHistory(Hold(utf16 ? MakeItemW(cases[c].text) : MakeItemA(cases[c].sjis))));
            MEASUREITEMSTRUCT mis;
            memset(&mis, 0, sizeof(mis));
            mis.CtlType = ODT_MENU;
            mis.itemID = IDM_HISTORY_BASE;
            mis.itemData = (ULONG_PTR)&HistorySlots[0];
            MeasureHistoryItem(MainWindow, &mis);
            widths[utf16] = mis.itemWidth;
            Clear();
            DRAWITEMSTRUCT dis = DrawRequest(IDM_HISTORY_BASE, 0, (ULONG_PTR)&HistorySlots[0]);
            DrawHistoryItem(&dis);
            GdiFlush();
            pixels[utf16].assign(bits, bits + Width * Height);
        }
        EXPECT_EQ(widths[1], widths[0]);
        EXPECT_TRUE(pixels[1] == pixels[0]) << "the ANSI entry looks different";
        int preview = 0; // the preview drew something at all
        for (int i = 0; i < Width * Height; ++i)
            preview += pixels[0][i] != pixels[0][0];
        EXPECT_GT(preview, 0);
    }
}

TEST_F(HistoryTest, ReleaseGivesUpEverythingAndDestroysTheMenu)
{
    AddNumbered(20);
    HMENU menu = HistoryMenu;
    ReleaseHistory();
    EXPECT_FALSE(IsMenu(menu));
    EXPECT_TRUE(HistoryMenu == NULL);
    EXPECT_TRUE(IsHistoryEmpty());
    for (size_t i = 0; i < held.size(); ++i)
        EXPECT_EQ(1, held[i]->RefCount);
    for (int s = 0; s < HISTORY_SLOT_COUNT; ++s)
        EXPECT_TRUE(HistorySlots[s].item == NULL);

    // A new menu starts over at slot 0.
    ASSERT_TRUE(CreateHistoryMenu());
    ClipItem *item = Hold(MakeItemW(L"again"));
    ASSERT_TRUE(AddToHistory(item));
    ASSERT_EQ(1, GetMenuItemCount(HistoryMenu));
    EXPECT_EQ((UINT)IDM_HISTORY_BASE, ReadEntry(HistoryMenu, 0).id);
    EXPECT_EQ(item, HistorySlots[0].item);
}

// As after a start-up that stopped before the menu was created.
TEST_F(HistoryTest, ReleaseWithoutMenu)
{
    ReleaseHistory();
    ASSERT_TRUE(HistoryMenu == NULL);
    ReleaseHistory();
    EXPECT_TRUE(HistoryMenu == NULL);
    EXPECT_TRUE(IsHistoryEmpty());

    // Items taken without a menu are still given back.
    ClipItem *item = Hold(MakeItemA("no menu"));
    AddToHistory(item);
    EXPECT_EQ(2, item->RefCount);
    ReleaseHistory();
    EXPECT_EQ(1, item->RefCount);
    EXPECT_TRUE(IsHistoryEmpty());
}

} // namespace
