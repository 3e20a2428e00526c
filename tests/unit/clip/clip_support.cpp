#include "clip_support.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include <gtest/gtest.h>

#include "app/app.h"
#include "clip/queue.h"
#include "history/history.h"
#include "resources/resource.h"
#include "tray/tray.h"

void ClipboardTest::SetUp()
{
    LineDivision = 0;
    CaptureStdout(SetModeOff);
    ASSERT_TRUE(EmptyTheClipboard());
}

void ClipboardTest::TearDown()
{
    LineDivision = 0;
    CaptureStdout(SetModeOff);
    EmptyTheClipboard();
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

namespace
{
class ClipWorld : public testing::Environment
{
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
