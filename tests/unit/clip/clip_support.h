// Helpers of the clip tests: the real clipboard, opened by the stand-in main
// window, and items compared as text.
#ifndef CORVANE_TEST_CLIP_SUPPORT_H
#define CORVANE_TEST_CLIP_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

#include "test_world.h"

#include "clip/clipitem.h"

struct ClipFormatData {
    UINT format;
    std::string bytes; // exactly what goes into the global block
};

// Replaces the clipboard's contents with the given formats; nonzero on success.
int PutClipboard(const std::vector<ClipFormatData> &formats);
int PutClipboardText(const wchar_t *text);
// The bytes of a format's global block as the clipboard hands it out (the
// whole block), or "<none>" when it offers no such data.
std::string ClipboardBlock(UINT format);
// The clipboard's UTF-16 text up to its terminator, or "<none>".
std::wstring ClipboardText(void);
int EmptyTheClipboard(void);

std::string Bytes(const void *data, size_t size);
std::string WideBytes(const wchar_t *text, size_t units);
// The item's text without its terminator, widened byte by byte when ANSI.
std::wstring ItemText(const ClipItem *item);
std::wstring Widen(const char *ascii);


#endif
