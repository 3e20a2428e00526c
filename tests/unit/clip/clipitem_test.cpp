// Clip items, the line splitters and the transfer from and to the real
// clipboard (the stand-in main window opens and owns it).
#include <gtest/gtest.h>

#include <string.h>

#include "app/app.h"
#include "clip/clipitem.h"
#include "clip_support.h"

namespace
{

// --- Items --------------------------------------------------------------------

struct CreateCase {
    const char *name;
    DWORD isUtf16;
    std::string source; // bytes the source pointer sees; need not be terminated
    DWORD size;
    std::wstring text; // expected text
};

TEST(ClipItem, CreateCopiesSizeLessOneUnitAndTerminates)
{
    const CreateCase cases[] = {
        {"ansi", 0, "abc", 4, L"abc"},
        {"ansi empty", 0, "", 1, L""},
        {"ansi cut inside a longer text", 0, "abcdef", 3, L"ab"},
        {"wide", 1, WideBytes(L"日本", 2), 6, L"日本"},
        {"wide empty", 1, "", 2, L""},
        {"wide cut inside a longer text", 1, WideBytes(L"xyz", 3), 4, L"x"},
    };
    for (const CreateCase &c : cases) {
        SCOPED_TRACE(c.name);
        ClipItem *item = CreateClipItem(c.size, c.source.data(), c.isUtf16);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->RefCount, 1);
        EXPECT_EQ(item->IsUtf16, c.isUtf16);
        EXPECT_EQ(item->Size, c.size);
        EXPECT_EQ(ItemText(item), c.text);
        DWORD unit = c.isUtf16 ? 2 : 1;
        for (DWORD i = 0; i < unit; ++i)
            EXPECT_EQ(item->Text[c.size - 1 - i], 0);
        ReleaseClipItem(&item);
    }
}

TEST(ClipItem, SizeWithoutRoomForTheTerminatorIsRefused)
{
    const wchar_t text[] = L"ab";
    EXPECT_EQ(CreateClipItem(0, text, 0), nullptr);
    EXPECT_EQ(CreateClipItem(0, text, 1), nullptr);
    EXPECT_EQ(CreateClipItem(1, text, 1), nullptr);
    EXPECT_EQ(CreateClipItem(0xFFFFFFF8u, text, 0), nullptr);
}

TEST(ClipItem, ReferencesAreCountedAndTheHolderEmptied)
{
    ClipItem *empty = NULL;
    ReleaseClipItem(&empty);
    EXPECT_EQ(empty, nullptr);

    ClipItem *first = CreateClipItem(2, "x", 0);
    ASSERT_NE(first, nullptr);
    AddRefClipItem(first);
    ClipItem *second = first;
    EXPECT_EQ(first->RefCount, 2);
    ReleaseClipItem(&first);
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(second->RefCount, 1);
    EXPECT_EQ(ItemText(second), L"x");
    ReleaseClipItem(&second); // the last reference frees the block
    EXPECT_EQ(second, nullptr);
}

// --- Line splitters -----------------------------------------------------------

struct SplitCase {
    const char *text;
    std::vector<std::wstring> lines;
};

const SplitCase SplitCases[] = {
    {"a\r\n\r\nb", {L"a", L"b"}},
    {"\r\n\n\r", {}},
    {"", {}},
    {"abc", {L"abc"}},
    {"x", {L"x"}},
    {"a\rb\nc\r\n", {L"a", L"b", L"c"}},
    {"\r\n \t a \r\n", {L" \t a "}},
    {"one\n\n\n\r\rtwo words\r\n", {L"one", L"two words"}},
};

// Runs the splitter to its end, checking what each call returns.
template <typename Unit, typename Splitter>
void CheckSplit(const Unit *text, Splitter split, DWORD isUtf16, const SplitCase &c)
{
    std::vector<std::wstring> lines;
    const Unit *position = text;
    for (int calls = 0; calls < 20; ++calls) {
        ClipItem *line = NULL;
        const Unit *next = split(position, &line);
        if (!next) {
            EXPECT_EQ(line, nullptr);
            break;
        }
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->IsUtf16, isUtf16);
        EXPECT_EQ(line->RefCount, 1);
        std::wstring got = ItemText(line);
        EXPECT_EQ(line->Size, (got.size() + 1) * sizeof(Unit));
        // Scanning stops on the break or the terminator behind the line.
        EXPECT_TRUE(*next == 0 || *next == '\r' || *next == '\n');
        EXPECT_EQ(std::wstring(next - got.size(), next), got);
        lines.push_back(got);
        ReleaseClipItem(&line);
        position = next;
    }
    EXPECT_EQ(lines, c.lines);
}

TEST(LineSplitter, AnsiAndWideGiveTheNonEmptyLines)
{
    for (const SplitCase &c : SplitCases) {
        SCOPED_TRACE(testing::Message() << "text \"" << c.text << "\"");
        CheckSplit(c.text, NextLineItemA, 0, c);
        std::wstring wide = Widen(c.text);
        CheckSplit(wide.c_str(), NextLineItemW, 1, c);
    }
}

TEST(LineSplitter, SingleLineEndsAtTheTerminator)
{
    const char ansi[] = "abc";
    ClipItem *line = NULL;
    EXPECT_EQ(NextLineItemA(ansi, &line), ansi + 3);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->Size, 4u);
    ReleaseClipItem(&line);
    EXPECT_EQ(NextLineItemA(ansi + 3, &line), nullptr);

    const wchar_t wide[] = L"abc";
    EXPECT_EQ(NextLineItemW(wide, &line), wide + 3);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->Size, 8u);
    ReleaseClipItem(&line);
    EXPECT_EQ(NextLineItemW(wide + 3, &line), nullptr);
}

// --- Clipboard ----------------------------------------------------------------

class Clipboard : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(EmptyTheClipboard());
    }
    void TearDown() override
    {
        ReleaseClipItem(&holder);
    }
    ClipItem *holder = NULL;
};

struct ReadCase {
    const char *name;
    std::vector<ClipFormatData> formats;
    DWORD isUtf16;
    DWORD size;
    std::wstring text;
};

TEST_F(Clipboard, ReadTakesTheTextUpToItsFirstZeroPreferringUtf16)
{
    const ReadCase cases[] = {
        {"utf-16", {{CF_UNICODETEXT, WideBytes(L"日本語 text", 9)}}, 1, 18, L"日本語 text"},
        {"both formats: utf-16 wins",
         {{CF_TEXT, Bytes("ansi", 5)}, {CF_UNICODETEXT, WideBytes(L"wide", 5)}},
         1,
         10,
         L"wide"},
        {"empty", {{CF_UNICODETEXT, WideBytes(L"", 1)}}, 1, 2, L""},
        {"zero inside", {{CF_UNICODETEXT, WideBytes(L"ab\0cd", 6)}}, 1, 6, L"ab"},
        // The system offers CF_TEXT as Unicode text too.
        {"ansi only", {{CF_TEXT, Bytes("ansi", 5)}}, 1, 10, L"ansi"},
    };
    for (const ReadCase &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(PutClipboard(c.formats));
        ASSERT_TRUE(ReadClipboardItem(&holder));
        ASSERT_NE(holder, nullptr);
        EXPECT_EQ(holder->RefCount, 1);
        EXPECT_EQ(holder->IsUtf16, c.isUtf16);
        EXPECT_EQ(holder->Size, c.size);
        EXPECT_EQ(ItemText(holder), c.text);
        ReleaseClipItem(&holder);
    }
}

// Data that another program put there without a terminator. Some systems
// terminate text formats themselves (Wine cuts the last unit); either way the
// item is the text up to the first zero or the end of the block.
TEST_F(Clipboard, UnterminatedDataEndsWithinTheBlock)
{
    const ClipFormatData cases[] = {
        {CF_UNICODETEXT, WideBytes(L"wxyz", 4)},
        {CF_UNICODETEXT, WideBytes(L"wxyz", 4) + "A"}, // odd block size
        {CF_TEXT, Bytes("abcd", 4)},
    };
    for (const ClipFormatData &c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format << ", " << c.bytes.size() << " bytes");
        ASSERT_TRUE(PutClipboard({c}));
        std::string block = ClipboardBlock(CF_UNICODETEXT);
        std::wstring offered(block.size() / 2, L'\0');
        memcpy(&offered[0], block.data(), offered.size() * 2);
        offered = offered.substr(0, wcsnlen(offered.c_str(), offered.size()));
        ASSERT_TRUE(ReadClipboardItem(&holder));
        EXPECT_EQ(holder->IsUtf16, 1u);
        EXPECT_EQ(ItemText(holder), offered);
        EXPECT_EQ(holder->Size, (offered.size() + 1) * 2);
        EXPECT_EQ(offered.substr(0, 3), c.format == CF_TEXT ? L"abc" : L"wxy");
        ReleaseClipItem(&holder);
    }
}

// Where the system hands data on as it got it, only the block's size bounds
// the text: here the bytes behind the block are not zero.
TEST(ClipboardMeasure, StopsAtTheFirstZeroOrTheBlockEnd)
{
    const char ansi[] = "abcdXYZ";
    EXPECT_EQ(MeasureClipboardText(ansi, 4, 0), 5u);
    EXPECT_EQ(MeasureClipboardText(ansi, 8, 0), 8u);
    EXPECT_EQ(MeasureClipboardText("ab\0cd", 6, 0), 3u);
    EXPECT_EQ(MeasureClipboardText(ansi, 0, 0), 1u);
    const wchar_t wide[] = L"wxyzXYZ";
    EXPECT_EQ(MeasureClipboardText(wide, 8, 1), 10u);
    EXPECT_EQ(MeasureClipboardText(wide, 9, 1), 10u); // a half unit is not text
    EXPECT_EQ(MeasureClipboardText(wide, 16, 1), 16u);
    EXPECT_EQ(MeasureClipboardText(L"w\0yz", 10, 1), 4u);
    EXPECT_EQ(MeasureClipboardText(wide, 1, 1), 2u);
}

TEST_F(Clipboard, ReadReplacesWhatTheHolderHeld)
{
    ClipItem *old = CreateClipItem(4, "old", 0);
    AddRefClipItem(old);
    holder = old;
    ASSERT_TRUE(PutClipboardText(L"new"));
    ASSERT_TRUE(ReadClipboardItem(&holder));
    EXPECT_EQ(ItemText(holder), L"new");
    EXPECT_EQ(old->RefCount, 1); // the holder's reference was given up
    ReleaseClipItem(&old);
}

TEST_F(Clipboard, ReadWithoutTextLeavesTheHolderUntouched)
{
    holder = CreateClipItem(4, "old", 0);
    ClipItem *before = holder;
    // Empty, then with a format that is not text.
    EXPECT_FALSE(ReadClipboardItem(&holder));
    EXPECT_EQ(holder, before);
    ASSERT_TRUE(PutClipboard({{RegisterClipboardFormatW(L"Corvane test format"), "xyz"}}));
    EXPECT_FALSE(ReadClipboardItem(&holder));
    EXPECT_EQ(holder, before);
    EXPECT_EQ(holder->RefCount, 1);
}

struct WriteCase {
    const char *name;
    DWORD isUtf16;
    std::string text; // terminator included
};

TEST_F(Clipboard, WriteCopiesExactlyTheItemInItsOwnFormat)
{
    const WriteCase cases[] = {
        {"ansi", 0, Bytes("ansi text", 10)},
        {"ansi empty", 0, Bytes("", 1)},
        {"utf-16", 1, WideBytes(L"日本語", 4)},
        {"utf-16 empty", 1, WideBytes(L"", 1)},
    };
    for (const WriteCase &c : cases) {
        SCOPED_TRACE(c.name);
        ClipItem *item = CreateClipItem((DWORD)c.text.size(), c.text.data(), c.isUtf16);
        ASSERT_TRUE(PutClipboard({{CF_TEXT, Bytes("previous", 9)}}));
        ASSERT_TRUE(WriteClipboardItem(item));
        // Owner now the main window, and the block holds the item's bytes,
        // terminator included (the system may round the block up).
        EXPECT_EQ(GetClipboardOwner(), MainWindow);
        std::string block = ClipboardBlock(c.isUtf16 ? CF_UNICODETEXT : CF_TEXT);
        ASSERT_GE(block.size(), c.text.size());
        EXPECT_EQ(block.substr(0, c.text.size()), c.text);
        // Read back: the same text (as UTF-16, which the system offers too).
        ASSERT_TRUE(ReadClipboardItem(&holder));
        EXPECT_EQ(ItemText(holder), ItemText(item));
        ReleaseClipItem(&holder);
        ReleaseClipItem(&item);
    }
}

TEST_F(Clipboard, WritingNoneChangesNothing)
{
    ASSERT_TRUE(PutClipboardText(L"kept"));
    EXPECT_FALSE(WriteClipboardItem(NULL));
    EXPECT_EQ(ClipboardText(), L"kept");
}

// Another thread holding the clipboard open stands in for another process:
// OpenClipboard fails the same way for both.
struct Holder {
    HANDLE opened, release;
    int ok;
};

DWORD WINAPI HoldClipboardOpen(void *param)
{
    Holder *h = (Holder *)param;
    h->ok = OpenClipboard(NULL);
    SetEvent(h->opened);
    WaitForSingleObject(h->release, 10000);
    if (h->ok)
        CloseClipboard();
    return 0;
}

TEST_F(Clipboard, BusyClipboardFailsAtOnceAndIsLeftAlone)
{
    ASSERT_TRUE(PutClipboardText(L"theirs"));
    Holder h = {CreateEventW(NULL, TRUE, FALSE, NULL), CreateEventW(NULL, TRUE, FALSE, NULL), 0};
    HANDLE thread = CreateThread(NULL, 0, HoldClipboardOpen, &h, 0, NULL);
    WaitForSingleObject(h.opened, 10000);
    ASSERT_TRUE(h.ok);

    holder = CreateClipItem(4, "old", 0);
    ClipItem *before = holder;
    EXPECT_FALSE(ReadClipboardItem(&holder));
    EXPECT_EQ(holder, before);
    ClipItem *item = CreateClipItem(5, "mine", 0);
    EXPECT_FALSE(WriteClipboardItem(item));
    ReleaseClipItem(&item);

    SetEvent(h.release);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(h.opened);
    CloseHandle(h.release);
    EXPECT_EQ(ClipboardText(), L"theirs");
}

} // namespace
