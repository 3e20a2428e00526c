#include "clip_support.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include <gtest/gtest.h>

#include "app/app.h"
#include "history/history.h"
#include "resources/resource.h"
#include "tray/tray.h"

int PutClipboard(const std::vector<ClipFormatData> &formats)
{
    if (!OpenClipboard(MainWindow))
        return 0;
    EmptyClipboard();
    int ok = 1;
    for (size_t i = 0; i < formats.size(); ++i) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, formats[i].bytes.size());
        void *target = block ? GlobalLock(block) : NULL;
        if (!target) {
            ok = 0;
            break;
        }
        memcpy(target, formats[i].bytes.data(), formats[i].bytes.size());
        GlobalUnlock(block);
        if (!SetClipboardData(formats[i].format, block)) {
            GlobalFree(block);
            ok = 0;
        }
    }
    CloseClipboard();
    return ok;
}

int PutClipboardText(const wchar_t *text)
{
    return PutClipboard({{CF_UNICODETEXT, WideBytes(text, wcslen(text) + 1)}});
}

std::string ClipboardBlock(UINT format)
{
    std::string result = "<none>";
    if (!OpenClipboard(MainWindow))
        return "<not opened>";
    HANDLE data = GetClipboardData(format);
    const void *bytes = data ? GlobalLock(data) : NULL;
    if (bytes) {
        result = Bytes(bytes, GlobalSize(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return result;
}

std::wstring ClipboardText(void)
{
    std::string block = ClipboardBlock(CF_UNICODETEXT);
    if (block == "<none>" || block == "<not opened>")
        return L"<none>";
    std::wstring text(block.size() / 2, L'\0');
    memcpy(&text[0], block.data(), text.size() * 2);
    return text.substr(0, wcsnlen(text.c_str(), text.size()));
}

int EmptyTheClipboard(void)
{
    if (!OpenClipboard(MainWindow))
        return 0;
    EmptyClipboard();
    CloseClipboard();
    return 1;
}

std::string Bytes(const void *data, size_t size)
{
    return std::string((const char *)data, size);
}

std::string WideBytes(const wchar_t *text, size_t units)
{
    return Bytes(text, units * sizeof(wchar_t));
}

std::wstring ItemText(const ClipItem *item)
{
    if (!item)
        return L"<null>";
    if (item->IsUtf16)
        return std::wstring((const wchar_t *)item->Text, item->Size / 2 - 1);
    std::wstring text;
    for (DWORD i = 0; i + 1 < item->Size; ++i)
        text += (wchar_t)(unsigned char)item->Text[i];
    return text;
}

std::wstring Widen(const char *ascii)
{
    std::wstring text;
    for (; *ascii; ++ascii)
        text += (wchar_t)(unsigned char)*ascii;
    return text;
}


// The world every clip test runs in: the program's context menu, whose check
// marks the modes keep, the history menu, and a shell that takes
// every tray change without showing an icon.
static BOOL WINAPI AcceptTrayChange(DWORD, PNOTIFYICONDATAW)
{
    return TRUE;
}

namespace {
class ClipWorld : public testing::Environment {
public:
    void SetUp() override
    {
        HMENU menu = LoadMenuW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDR_CONTEXT_MENU));
        ContextMenu = GetSubMenu(menu, 0);
        ASSERT_NE(ContextMenu, nullptr);
        TrayNotify = AcceptTrayChange;
        ASSERT_TRUE(CreateHistoryMenu());
    }
    // The process leaves the clipboard without an owner, so that nothing on
    // the desktop asks the exiting window about it.
    void TearDown() override
    {
        if (OpenClipboard(NULL)) {
            EmptyClipboard();
            CloseClipboard();
        }
    }
};
testing::Environment *const World = testing::AddGlobalTestEnvironment(new ClipWorld);
} // namespace
