// Capture costs, in process: the clipboard is filled, then CaptureCopiedText
// runs as the copy timer would run it. Prints wall times and memory.
//
//   capture_bench.exe   (run under Wine by bench/run.sh)
#include <windows.h>

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>

#include "bench_window.h"
#include "app/app.h"
#include "clip/clipitem.h"
#include "clip/detect.h"
#include "clip/queue.h"
#include "history/history.h"

static LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

static double Now(void)
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart / (double)f.QuadPart;
}

static PROCESS_MEMORY_COUNTERS_EX Memory(void)
{
    PROCESS_MEMORY_COUNTERS_EX m = {};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS *)&m, sizeof m);
    return m;
}

static int PutText(const char *text, size_t bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes + 1);
    if (!block)
        return 0;
    char *p = (char *)GlobalLock(block);
    memcpy(p, text, bytes);
    p[bytes] = 0;
    GlobalUnlock(block);
    if (!OpenClipboard(NULL)) {
        GlobalFree(block);
        return 0;
    }
    EmptyClipboard();
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
    return 1;
}

// The queue's length, counted by going once round with the cursor (which
// comes back to where it was).
static int QueueLength(void)
{
    ClipItem *first = NULL, *item = NULL;
    if (!PeekPasteCursor(&first))
        return 0;
    int n = 0;
    do {
        ++n;
        AdvancePasteCursor();
        PeekPasteCursor(&item);
    } while (item != first);
    ReleaseClipItem(&item);
    ReleaseClipItem(&first);
    return n;
}

int main(void)
{
    AppInstance = GetModuleHandleW(NULL);
    MainWindow = CreateBenchWindow(L"CaptureBench", StandInProc, L"", 0, 0, 0, 1, 1, HWND_MESSAGE);
    if (!MainWindow || !CreateHistoryMenu() || !CreateMenuFont())
        return 2;

    // 1 MB of text in one piece, mode off.
    static char text[(1 << 20) + 1];
    for (int i = 0; i < (1 << 20); ++i)
        text[i] = (char)('a' + i % 26);
    PutText(text, 1 << 20);
    double t0 = Now();
    CaptureCopiedText();
    double t1 = Now();
    printf("capture 1 MB text: %.1f ms\n", (t1 - t0) * 1000);

    // 100,000 lines with line division, FIFO mode.
    static char lines[100000 * 12 + 1];
    size_t n = 0;
    for (int i = 0; i < 100000; ++i)
        n += sprintf(lines + n, "line%06d\r\n", i);
    PutText(lines, n);
    ToggleLineDivision();
    SetModeFifo();
    PROCESS_MEMORY_COUNTERS_EX before = Memory();
    t0 = Now();
    CaptureCopiedText();
    t1 = Now();
    PROCESS_MEMORY_COUNTERS_EX after = Memory();
    printf("capture 100,000 lines, line division, FIFO: %.1f ms; peak committed memory %.1f MB "
           "(%.1f MB before)\n",
           (t1 - t0) * 1000, after.PeakPagefileUsage / 1048576.0, before.PagefileUsage / 1048576.0);
    int queued = QueueLength();
    wchar_t label[8] = {};
    GetMenuStringW(HistoryMenu, 0, label, 8, MF_BYPOSITION);
    printf("  queued %d items; menu %d entries, top \"%ls\" id %u\n", queued, GetMenuItemCount(HistoryMenu),
           label, GetMenuItemID(HistoryMenu, 0));
    SetModeOff();
    ToggleLineDivision();

    // 10,000 captures of a 100 KB text with the mode off.
    PutText(text, 100 * 1024);
    PROCESS_MEMORY_COUNTERS_EX m0 = Memory();
    t0 = Now();
    for (int i = 0; i < 10000; ++i)
        CaptureCopiedText();
    t1 = Now();
    PROCESS_MEMORY_COUNTERS_EX m1 = Memory();
    printf("10,000 captures of 100 KB, mode off: %.3f ms each; committed memory %.1f MB before, "
           "%.1f MB after (the 16 entries hold 16 x 100 KB = 1.6 MB)\n",
           (t1 - t0) * 1000 / 10000, m0.PagefileUsage / 1048576.0, m1.PagefileUsage / 1048576.0);
    ReleaseHistory();
    return 0;
}
