// Helpers shared by the unit-test programs.
#ifndef CORVANE_TEST_WORLD_H
#define CORVANE_TEST_WORLD_H

#include <windows.h>

#include <string>
#include <vector>

// A hidden top-level window with default processing; main() makes one the
// MainWindow before any test runs.
HWND CreateStandInMainWindow(void);
// Dispatches this thread's messages for the given time; returns how many.
int PumpMessages(DWORD milliseconds);

// Collects what the program writes on standard output (the trace lines)
// from its construction to Finish, with line ends as "\n".
struct StdoutCapture {
    int saved;
    wchar_t path[MAX_PATH];

    StdoutCapture();
    std::string Finish(void);
};

// The output of one call.
std::string CaptureStdout(void (*fn)(void));

// The real clipboard, opened by MainWindow.
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

#endif
