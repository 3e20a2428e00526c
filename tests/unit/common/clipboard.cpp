// The real clipboard for the unit tests, opened by the MainWindow of the
// test program.
#include "test_world.h"

#include <string.h>
#include <wchar.h>

#include "app/app.h"

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
