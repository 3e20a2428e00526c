// Awkward clipboard texts through the whole capture: the real clipboard, the
// copy timer's handler, the history menu and the queue, and the queue's item
// written back for the next paste. Whatever an application leaves there, the
// capture takes it whole or not at all, and a paste gives back exactly the
// bytes captured.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "clip/detect.h"
#include "clip/queue.h"
#include "clip_support.h"
#include "history/history.h"
#include "tray/tray.h"

namespace
{

// The item of the history menu's entry at a position, 0 the newest.
HistorySlot *HistorySlotAt(int position)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    if (!GetMenuItemInfoW(HistoryMenu, position, TRUE, &info))
        return NULL;
    return (HistorySlot *)info.dwItemData;
}

ClipItem *HistoryItemAt(int position)
{
    HistorySlot *slot = HistorySlotAt(position);
    return slot ? slot->item : NULL;
}

std::wstring MenuLabel(int position)
{
    wchar_t text[16] = L"";
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 16;
    if (!GetMenuItemInfoW(HistoryMenu, position, TRUE, &info))
        return L"<none>";
    return text;
}

// One block of any size, 0 included (which PutClipboard cannot lock), as the
// only format on the clipboard. Nonzero when the clipboard took it.
int PutRawBlock(UINT format, const void *data, size_t size)
{
    if (!OpenClipboard(MainWindow))
        return 0;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    int ok = block != NULL;
    if (ok && size) {
        void *target = GlobalLock(block);
        ok = target != NULL;
        if (ok) {
            memcpy(target, data, size);
            GlobalUnlock(block);
        }
    }
    if (ok && !SetClipboardData(format, block))
        ok = 0;
    if (!ok && block)
        GlobalFree(block);
    CloseClipboard();
    return ok;
}

std::string ItemBytes(const ClipItem *item)
{
    return Bytes(item->Text, item->Size);
}

std::string TerminatedBytes(const std::wstring &text)
{
    return WideBytes(text.c_str(), text.size() + 1);
}

// Whether bytes begin with the units of text and one zero unit.
bool StartsWithTerminated(const void *bytes, size_t size, const wchar_t *text, size_t units)
{
    static const wchar_t zero = 0;
    return size >= (units + 1) * 2 && memcmp(bytes, text, units * 2) == 0 &&
           memcmp((const char *)bytes + units * 2, &zero, 2) == 0;
}

// The non-empty lines of a text, every run of CR and LF a break.
std::vector<std::wstring> Lines(const std::wstring &text)
{
    std::vector<std::wstring> lines;
    std::wstring line;
    for (wchar_t unit : text) {
        if (unit == L'\r' || unit == L'\n') {
            if (!line.empty())
                lines.push_back(line);
            line.clear();
        } else {
            line += unit;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// What the history keeps of an item for its entry: the first 190 bytes of
// its text, or all of it with the terminator, then zeros to the slot's end.
void ExpectPreviewOf(const HistorySlot *slot, const ClipItem *item)
{
    size_t kept = item->Size < HISTORY_PREVIEW_SIZE ? item->Size : HISTORY_PREVIEW_SIZE;
    EXPECT_EQ(Bytes(slot->preview, kept), Bytes(item->Text, kept));
    if (kept == HISTORY_PREVIEW_SIZE) {
        EXPECT_EQ(Bytes(slot->preview + HISTORY_PREVIEW_SIZE, HISTORY_PREVIEW_ROOM),
                  std::string(HISTORY_PREVIEW_ROOM, '\0'));
    }
    EXPECT_EQ(slot->terminator, 0);
}

class BadClipboard : public ClipboardTest
{
};

struct TextCase {
    const char *name;
    std::vector<ClipFormatData> formats;
    DWORD lineDivision;
    // The items the capture is to make, in copy order. With boundedByBlock
    // the one item is whatever the offered block holds up to its first zero
    // or its end (systems differ in terminating text formats themselves),
    // and items[0] is only the start it must have.
    std::vector<std::wstring> items;
    bool boundedByBlock;
};

std::string Utf16(const std::wstring &text)
{
    return WideBytes(text.c_str(), text.size());
}

// 94 units, then a surrogate pair (U+1F600) across the 95-unit preview cut.
const std::wstring PairAtCut = std::wstring(94, L'p') + L"\xD83D\xDE00" + L"tail";
const std::wstring PairBeforeCut = std::wstring(93, L'q') + L"\xD83D\xDE00" + L"tail";

const TextCase TextCases[] = {
    {"empty text", {{CF_UNICODETEXT, Utf16(std::wstring(1, L'\0'))}}, 0, {L""}, false},
    {"empty ANSI text", {{CF_TEXT, std::string(1, '\0')}}, 0, {L""}, false},
    {"UTF-16 without terminator", {{CF_UNICODETEXT, Utf16(L"wxyz")}}, 0, {L"wxy"}, true},
    {"UTF-16 without terminator, odd size", {{CF_UNICODETEXT, Utf16(L"wxyz") + "A"}}, 0, {L"wxy"}, true},
    {"one odd byte", {{CF_UNICODETEXT, "A"}}, 0, {L""}, true},
    {"ANSI without terminator", {{CF_TEXT, "abcd"}}, 0, {L"abc"}, true},
    {"ANSI without terminator, lines", {{CF_TEXT, "ab\r\ncd"}}, 1, {L"ab"}, true},
    {"zero inside UTF-16", {{CF_UNICODETEXT, Utf16(std::wstring(L"ab\0cd\0", 6))}}, 0, {L"ab"}, false},
    {"zero inside ANSI", {{CF_TEXT, std::string("ab\0cd\0", 6)}}, 0, {L"ab"}, false},
    {"zero inside, lines after it",
     {{CF_UNICODETEXT, Utf16(std::wstring(L"a\r\nb\0c\r\nd\0", 10))}},
     1,
     {L"a", L"b"},
     false},
    {"lone CR, division off", {{CF_UNICODETEXT, Utf16(std::wstring(L"a\rb", 4))}}, 0, {L"a\rb"}, false},
    {"lone CR", {{CF_UNICODETEXT, Utf16(std::wstring(L"a\rb", 4))}}, 1, {L"a", L"b"}, false},
    {"lone LF", {{CF_UNICODETEXT, Utf16(std::wstring(L"a\nb", 4))}}, 1, {L"a", L"b"}, false},
    {"only a CR", {{CF_UNICODETEXT, Utf16(std::wstring(L"\r", 2))}}, 1, {}, false},
    {"only an LF", {{CF_UNICODETEXT, Utf16(std::wstring(L"\n", 2))}}, 1, {}, false},
    {"breaks at both ends",
     {{CF_UNICODETEXT, Utf16(std::wstring(L"\n\rx\r\r\n\ny\n", 10))}},
     1,
     {L"x", L"y"},
     false},
    {"empty text, lines", {{CF_UNICODETEXT, Utf16(std::wstring(1, L'\0'))}}, 1, {}, false},
    {"tabs", {{CF_UNICODETEXT, Utf16(std::wstring(L"\ta\t\tb\t", 7))}}, 0, {L"\ta\t\tb\t"}, false},
    {"tabs, lines", {{CF_UNICODETEXT, Utf16(std::wstring(L"\t\r\n\tc", 6))}}, 1, {L"\t", L"\tc"}, false},
    {"ampersands", {{CF_UNICODETEXT, Utf16(std::wstring(L"&a && b&", 9))}}, 0, {L"&a && b&"}, false},
    {"surrogate pair",
     {{CF_UNICODETEXT, Utf16(std::wstring(L"x\xD83D\xDE00y", 5))}},
     0,
     {L"x\xD83D\xDE00y"},
     false},
    {"lone surrogates",
     {{CF_UNICODETEXT, Utf16(std::wstring(L"\xDE00x\xD83D", 4))}},
     0,
     {L"\xDE00x\xD83D"},
     false},
    {"pair across the preview cut", {{CF_UNICODETEXT, Utf16(PairAtCut + L'\0')}}, 0, {PairAtCut}, false},
    {"pair before the preview cut",
     {{CF_UNICODETEXT, Utf16(PairBeforeCut + L'\0')}},
     0,
     {PairBeforeCut},
     false},
};

TEST_F(BadClipboard, EveryTextIsCapturedWholeAndPastedBackByteForByte)
{
    for (const TextCase &c : TextCases) {
        SCOPED_TRACE(c.name);
        LineDivision = c.lineDivision;
        CaptureStdout(SetModeFifo);
        ASSERT_TRUE(PutClipboard(c.formats));
        std::vector<std::wstring> expected = c.items;
        if (c.boundedByBlock) {
            std::wstring offered = ClipboardText();
            EXPECT_EQ(offered.substr(0, c.items[0].size()), c.items[0]) << "offered";
            if (c.lineDivision)
                expected = Lines(offered);
            else
                expected.assign(1, offered);
        }
        ClipItem *before = HistoryItemAt(0);
        std::wstring beforeText = before ? ItemText(before) : L"<none>";
        std::string untouched = ClipboardBlock(CF_UNICODETEXT);
        SetTrayState(TRAY_FIFO_PASTING); // only a capture that queues changes it

        CaptureCopiedText();

        // The history: one entry per item, newest on top, each with its
        // preview, and what was there before one place further down.
        const int n = (int)expected.size();
        for (int i = 0; i < n; ++i) {
            SCOPED_TRACE(testing::Message() << "item " << i);
            HistorySlot *slot = HistorySlotAt(n - 1 - i);
            ASSERT_NE(slot, nullptr);
            ClipItem *item = slot->item;
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(item->IsUtf16, 1u);
            EXPECT_EQ(ItemBytes(item), TerminatedBytes(expected[i]));
            EXPECT_EQ(item->RefCount, 2) << "history and queue";
            ExpectPreviewOf(slot, item);
        }
        EXPECT_EQ(HistoryItemAt(n), before);
        if (before) {
            EXPECT_EQ(ItemText(before), beforeText);
        }

        if (n == 0) {
            EXPECT_TRUE(IsPasteQueueEmpty());
            EXPECT_EQ(ClipboardBlock(CF_UNICODETEXT), untouched);
            EXPECT_EQ(CurrentTrayState, TRAY_FIFO_PASTING);
            continue;
        }
        // Each paste finds exactly the captured bytes on the clipboard (the
        // system may round the block up), then the queue moves on.
        EXPECT_EQ(CurrentTrayState, TRAY_FIFO_COPYING);
        for (int i = 0; i < n; ++i) {
            SCOPED_TRACE(testing::Message() << "paste " << i);
            std::string block = ClipboardBlock(CF_UNICODETEXT);
            std::string bytes = TerminatedBytes(expected[i]);
            ASSERT_GE(block.size(), bytes.size());
            EXPECT_EQ(block.substr(0, bytes.size()), bytes);
            EXPECT_EQ(GetClipboardOwner(), MainWindow);
            CaptureStdout(AdvanceAfterPaste);
        }
        EXPECT_EQ(PasteMode, PASTE_MODE_OFF) << "the queue ran dry";
        // The last text pasted stays on the clipboard.
        EXPECT_EQ(ClipboardText(), expected[n - 1]);
    }
}

// A block of no bytes at all holds not even a terminator: the capture takes
// it as an empty text or leaves everything as it was.
TEST_F(BadClipboard, ZeroByteBlockIsAnEmptyTextOrNothing)
{
    const UINT formats[] = {CF_UNICODETEXT, CF_TEXT};
    for (UINT format : formats) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        CaptureStdout(SetModeFifo);
        ClipItem *before = HistoryItemAt(0);
        int taken = PutRawBlock(format, "", 0);
        CaptureCopiedText();
        ClipItem *top = HistoryItemAt(0);
        if (top == before) {
            printf("[ info ] format %u: a 0-byte block is %s\n", format,
                   taken ? "not captured" : "refused by the clipboard");
            EXPECT_TRUE(IsPasteQueueEmpty());
            EXPECT_EQ(CurrentTrayState, TRAY_FIFO_COPYING) << "left as the mode switch set it";
            continue;
        }
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(ItemBytes(top), std::string(2, '\0'));
        EXPECT_EQ(HistoryItemAt(1), before);
        std::string block = ClipboardBlock(CF_UNICODETEXT);
        ASSERT_GE(block.size(), 2u);
        EXPECT_EQ(block.substr(0, 2), std::string(2, '\0'));
    }
}

// The entry's label is the menu's own ("&1" on top) whatever the text; the
// preview keeps the text's ampersands and tabs as they are, and measuring
// lays it out without prefix processing, so "&&" takes two characters'
// room and no character of the text becomes an access key.
TEST_F(BadClipboard, AmpersandsStayTextAndTheLabelsStayTheMenus)
{
    if (!MenuFont) {
        ASSERT_TRUE(CreateMenuFont());
    }
    const std::wstring texts[] = {L"&&", L"a&b && c&"};
    for (const std::wstring &text : texts) {
        SCOPED_TRACE(testing::Message() << "text of " << text.size() << " units");
        ASSERT_TRUE(PutClipboardText(text.c_str()));
        CaptureCopiedText();
        ASSERT_NE(HistoryItemAt(1), nullptr) << "two entries at least";
        EXPECT_EQ(MenuLabel(0), L"&1");
        EXPECT_EQ(MenuLabel(1), L"&2");
        HistorySlot *slot = HistorySlotAt(0);
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(std::wstring((const wchar_t *)slot->preview), text);

        MEASUREITEMSTRUCT mis = {ODT_MENU, 0, GetMenuItemID(HistoryMenu, 0), 1, 1, (ULONG_PTR)slot};
        MeasureHistoryItem(MainWindow, &mis);
        HDC dc = GetDC(MainWindow);
        HGDIOBJ previous = SelectObject(dc, MenuFont);
        SIZE whole = {}, once = {};
        GetTextExtentPoint32W(dc, text.c_str(), (int)text.size(), &whole);
        GetTextExtentPoint32W(dc, L"&", 1, &once);
        SelectObject(dc, previous);
        ReleaseDC(MainWindow, dc);
        EXPECT_EQ(mis.itemWidth, (UINT)(MenuFontMetrics.tmMaxCharWidth + whole.cx + 12));
        EXPECT_EQ(std::wstring((const wchar_t *)slot->preview), text) << "short enough: not cut";
        if (text == L"&&") {
            EXPECT_EQ(whole.cx, 2 * once.cx);
        }
    }
}

// The preview is cut by bytes: a pair across the 95-unit cut leaves its high
// half as the preview's last unit (a lone surrogate, shown as one unknown
// character), a pair before the cut stays whole. Measuring may shorten the
// preview further; it stays terminated inside its slot either way, and the
// item itself keeps the whole text.
TEST_F(BadClipboard, PreviewCutOfASurrogatePairStaysInsideTheSlot)
{
    if (!MenuFont) {
        ASSERT_TRUE(CreateMenuFont());
    }
    struct Case {
        const std::wstring *text;
        wchar_t last; // unit 94 of the preview
    } cases[] = {{&PairAtCut, 0xD83D}, {&PairBeforeCut, 0xDE00}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "pair at unit " << c.text->find(L'\xD83D'));
        ASSERT_TRUE(PutClipboardText(c.text->c_str()));
        CaptureCopiedText();
        HistorySlot *slot = HistorySlotAt(0);
        ASSERT_NE(slot, nullptr);
        const wchar_t *preview = (const wchar_t *)slot->preview;
        EXPECT_EQ(std::wstring(preview), c.text->substr(0, 95));
        EXPECT_EQ(preview[94], c.last);

        MEASUREITEMSTRUCT mis = {ODT_MENU, 0, GetMenuItemID(HistoryMenu, 0), 1, 1, (ULONG_PTR)slot};
        MeasureHistoryItem(MainWindow, &mis);
        size_t units = wcsnlen(preview, (HISTORY_PREVIEW_SIZE + HISTORY_PREVIEW_ROOM) / 2);
        EXPECT_LT(units, (size_t)(HISTORY_PREVIEW_SIZE + HISTORY_PREVIEW_ROOM) / 2);
        EXPECT_EQ(slot->terminator, 0);
        EXPECT_GT(mis.itemWidth, (UINT)MenuFontMetrics.tmMaxCharWidth + 12);
        EXPECT_EQ(ItemText(slot->item), *c.text);
        int lone = 0;
        for (size_t i = 0; i < units; ++i) {
            bool high = preview[i] >= 0xD800 && preview[i] < 0xDC00;
            bool low = preview[i] >= 0xDC00 && preview[i] < 0xE000;
            if (high && !(i + 1 < units && preview[i + 1] >= 0xDC00 && preview[i + 1] < 0xE000))
                ++lone;
            if (low && !(i > 0 && preview[i - 1] >= 0xD800 && preview[i - 1] < 0xDC00))
                ++lone;
        }
        printf("[ info ] pair at unit %u: measured preview of %u units, %d lone surrogate(s)\n",
               (unsigned)c.text->find(L'\xD83D'), (unsigned)units, lone);
    }
}

// 64 MiB of text, with and without line division: taken whole, and the
// paste gives back every byte, or refused with nothing changed.
TEST_F(BadClipboard, SixtyFourMegabytesAreTakenWholeOrNotAtAll)
{
    const size_t units = 32u * 1024 * 1024; // terminator included
    std::wstring text(units - 1, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = (wchar_t)(L'a' + i % 26);
    // Line division: a line break every 256 KiB.
    const size_t lineUnits = 128u * 1024;
    std::wstring lines = text;
    for (size_t i = lineUnits; i < lines.size(); i += lineUnits + 2) {
        lines[i] = L'\r';
        lines[i + 1] = L'\n';
    }

    for (DWORD division = 0; division < 2; ++division) {
        SCOPED_TRACE(division ? "line division" : "whole text");
        const std::wstring &source = division ? lines : text;
        LineDivision = division;
        CaptureStdout(SetModeFifo);
        ClipItem *before = HistoryItemAt(0);
        DWORD start = GetTickCount();
        if (!PutRawBlock(CF_UNICODETEXT, source.c_str(), units * 2)) {
            printf("[ info ] 64 MiB: the clipboard refuses the block\n");
            continue;
        }
        DWORD put = GetTickCount();
        CaptureCopiedText();
        DWORD captured = GetTickCount();
        printf("[ info ] 64 MiB %s: put %lu ms, capture %lu ms\n", division ? "in lines" : "whole",
               (unsigned long)(put - start), (unsigned long)(captured - put));
        fflush(stdout);
        ClipItem *top = HistoryItemAt(0);
        if (top == before) {
            printf("[ info ] 64 MiB: not captured\n");
            EXPECT_TRUE(IsPasteQueueEmpty());
            continue;
        }
        ASSERT_NE(top, nullptr);
        // The expected items: the whole text, or each line without its break.
        std::vector<std::pair<size_t, size_t>> parts; // offset, units
        if (!division) {
            parts.push_back(std::make_pair((size_t)0, source.size()));
        } else {
            for (size_t at = 0; at < source.size();) {
                size_t end = source.find(L'\r', at);
                if (end == std::wstring::npos)
                    end = source.size();
                parts.push_back(std::make_pair(at, end - at));
                at = end + 2;
            }
        }
        EXPECT_EQ(top->Size, (parts.back().second + 1) * 2);
        EXPECT_TRUE(StartsWithTerminated(top->Text, top->Size, source.c_str() + parts.back().first,
                                         parts.back().second));
        for (size_t i = 0; i < parts.size(); ++i) {
            std::string block = ClipboardBlock(CF_UNICODETEXT);
            ASSERT_TRUE(StartsWithTerminated(block.data(), block.size(), source.c_str() + parts[i].first,
                                             parts[i].second))
                << "paste " << i << " of " << parts.size();
            CaptureStdout(AdvanceAfterPaste);
        }
        printf("[ info ] 64 MiB %s: %u item(s) pasted back in %lu ms\n", division ? "in lines" : "whole",
               (unsigned)parts.size(), (unsigned long)(GetTickCount() - captured));
        EXPECT_EQ(PasteMode, PASTE_MODE_OFF);
    }
    EmptyTheClipboard();
}

} // namespace
