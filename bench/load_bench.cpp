// Load and leaks, in process: long runs of captures and pastes through the
// real clipboard and the main window's own timer routing (WM_TIMER with
// TIMER_COPY or TIMER_PASTE, as the 80 ms timers deliver them), with the
// history menu, the menu font and the tray icon in place as in the program.
// Per mode it prints the time per operation and the process's objects and
// memory before and after; growth after the mode is switched off again (the
// queue then holds nothing) is what a leak looks like.
//
//   load_bench.exe [operations]   (default 10000; run under Wine by bench/run.sh)
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
#include "tray/tray.h"

static HWND Editor; // owns the clipboard when the "application" copies

static double Now(void)
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart / (double)f.QuadPart;
}

// What an application's copy does: its own text on the clipboard, owned by
// its own window.
static int PutText(const wchar_t *text)
{
    SIZE_T bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block)
        return 0;
    memcpy(GlobalLock(block), text, bytes);
    GlobalUnlock(block);
    if (!OpenClipboard(Editor)) {
        GlobalFree(block);
        return 0;
    }
    EmptyClipboard();
    int ok = SetClipboardData(CF_UNICODETEXT, block) != NULL;
    if (!ok)
        GlobalFree(block);
    CloseClipboard();
    return ok;
}

// --- Object counts ----------------------------------------------------------
// GetGuiResources is what Windows offers. Wine answers 0 for both, so there
// the counts come from trying every handle value: as a GDI object, and as a
// menu or a window of this process (Wine takes a handle's low word alone as
// the handle). Each way is checked once against objects made on purpose.

static int UseGuiResources; // GetGuiResources gives real figures
static int GdiScanWorks;
static int UserScanWorks;

static int CountGdiObjects(void)
{
    int n = 0;
    for (UINT_PTR h = 1; h < 0x10000; ++h)
        n += GetObjectType((HGDIOBJ)h) != 0;
    return n;
}

static int CountUserObjects(void)
{
    DWORD self = GetCurrentProcessId();
    int n = 0;
    for (UINT_PTR h = 0x20; h < 0x10000; h += 2) {
        if (IsMenu((HMENU)h)) {
            ++n;
        } else if (IsWindow((HWND)h)) {
            DWORD pid = 0;
            GetWindowThreadProcessId((HWND)h, &pid);
            n += pid == self;
        }
    }
    return n;
}

static void CalibrateCounters(void)
{
    HANDLE self = GetCurrentProcess();
    UseGuiResources = GetGuiResources(self, GR_GDIOBJECTS) || GetGuiResources(self, GR_USEROBJECTS);
    if (UseGuiResources)
        return;
    HBRUSH brushes[40];
    HMENU menus[40];
    int gdi0 = CountGdiObjects(), user0 = CountUserObjects();
    for (int i = 0; i < 40; ++i) {
        brushes[i] = CreateSolidBrush(RGB(i, 0, 0));
        menus[i] = CreatePopupMenu();
    }
    int gdi1 = CountGdiObjects(), user1 = CountUserObjects();
    for (int i = 0; i < 40; ++i) {
        DeleteObject(brushes[i]);
        DestroyMenu(menus[i]);
    }
    GdiScanWorks = gdi1 - gdi0 == 40;
    UserScanWorks = user1 - user0 == 40;
}

struct Figures {
    int gdi, user;    // -1: not available
    double privateMB; // PrivateUsage, or PagefileUsage where that is 0
    double heapKB;    // bytes in busy blocks of every heap of the process
    int heapBlocks;
};

static int PrivateIsPagefile;

static void WalkHeaps(Figures *f)
{
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T bytes = 0;
    int blocks = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        PROCESS_HEAP_ENTRY e = {};
        if (!HeapLock(heaps[i]))
            continue;
        while (HeapWalk(heaps[i], &e)) {
            if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                bytes += e.cbData;
                ++blocks;
            }
        }
        HeapUnlock(heaps[i]);
    }
    f->heapKB = bytes / 1024.0;
    f->heapBlocks = blocks;
}

static Figures Measure(void)
{
    Figures f;
    HANDLE self = GetCurrentProcess();
    if (UseGuiResources) {
        f.gdi = (int)GetGuiResources(self, GR_GDIOBJECTS);
        f.user = (int)GetGuiResources(self, GR_USEROBJECTS);
    } else {
        f.gdi = GdiScanWorks ? CountGdiObjects() : -1;
        f.user = UserScanWorks ? CountUserObjects() : -1;
    }
    PROCESS_MEMORY_COUNTERS_EX m = {};
    m.cb = sizeof m;
    GetProcessMemoryInfo(self, (PROCESS_MEMORY_COUNTERS *)&m, sizeof m);
    // Wine leaves PrivateUsage 0; its PagefileUsage is the process's
    // committed memory, which is the same figure.
    PrivateIsPagefile = m.PrivateUsage == 0;
    f.privateMB = (PrivateIsPagefile ? m.PagefileUsage : m.PrivateUsage) / 1048576.0;
    WalkHeaps(&f);
    return f;
}

static void PrintCount(const char *what, int before, int after)
{
    if (before < 0)
        printf("  %s objects: n/a", what);
    else
        printf("  %s objects: %d -> %d (%+d)", what, before, after, after - before);
}

// Heap growth of one GetClipboardData call on an unchanged clipboard: the
// system's own, which every reading program pays (see MeasureReadCost).
static double ReadGrowthKB, ReadGrowthBlocks;

static void PrintFigures(const Figures &before, const Figures &after, int reads)
{
    PrintCount("GDI", before.gdi, after.gdi);
    PrintCount("USER", before.user, after.user);
    double kb = after.heapKB - before.heapKB;
    int blocks = after.heapBlocks - before.heapBlocks;
    printf("\n  %s: %.2f MB -> %.2f MB (%+.2f MB)\n",
           PrivateIsPagefile ? "committed memory (PagefileUsage)" : "private bytes", before.privateMB,
           after.privateMB, after.privateMB - before.privateMB);
    printf("  heap in use: %.1f KB in %d blocks -> %.1f KB in %d blocks (%+.1f KB, %+d blocks); beyond what "
           "%d clipboard reads leave: %+.1f KB, %+.0f blocks\n",
           before.heapKB, before.heapBlocks, after.heapKB, after.heapBlocks, kb, blocks, reads,
           kb - reads * ReadGrowthKB, blocks - reads * ReadGrowthBlocks);
}

// --- The runs ----------------------------------------------------------------

static int Operations = 10000;

static void Timer(UINT_PTR id)
{
    SendMessageW(MainWindow, WM_TIMER, id, 0);
}

// The time of the timer message alone, the application's copy excluded.
static double Captures(int lines, int round)
{
    double spent = 0;
    wchar_t text[96];
    for (int i = 0; i < Operations; ++i) {
        if (lines == 1)
            swprintf(text, 96, L"round %d copy %d", round, i);
        else
            swprintf(text, 96, L"round %d copy %d line 1\r\nround %d copy %d line 2\r\n", round, i, round, i);
        PutText(text);
        double t = Now();
        Timer(TIMER_COPY);
        spent += Now() - t;
    }
    return spent;
}

static double Pastes(void)
{
    double t = Now();
    for (int i = 0; i < Operations; ++i)
        Timer(TIMER_PASTE);
    return Now() - t;
}

// The clipboard's text now, for the end-of-run check of where a queue stands.
static void ClipboardText(wchar_t *text, int units)
{
    text[0] = 0;
    if (!OpenClipboard(Editor))
        return;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t *p = data ? (const wchar_t *)GlobalLock(data) : NULL;
    if (p) {
        lstrcpynW(text, p, units);
        GlobalUnlock(data);
    }
    CloseClipboard();
}

static int Round;

static void RunMode(const char *name, void (*switchOn)(void), int lineDivision)
{
    ++Round;
    Figures before = Measure();
    if (lineDivision)
        ToggleLineDivision();
    switchOn();
    double copy = Captures(lineDivision ? 2 : 1, Round);
    double paste = switchOn == SetModeOff ? 0 : Pastes();
    wchar_t now[64];
    ClipboardText(now, 64);
    const char *modeAfter = PasteMode == PASTE_MODE_OFF    ? "off"
                            : PasteMode == PASTE_MODE_FIFO ? "FIFO"
                                                           : "Loop";
    SetModeOff();
    if (lineDivision)
        ToggleLineDivision();
    Figures after = Measure();
    printf("%s: %d captures %.3f ms each", name, Operations, copy * 1000 / Operations);
    if (switchOn != SetModeOff)
        printf(", %d pastes %.3f ms each; then mode %s, clipboard \"%ls\"", Operations,
               paste * 1000 / Operations, modeAfter, now);
    printf("\n");
    PrintFigures(before, after, Operations + 1); // the captures and ClipboardText
    fflush(stdout);
}

// The system's share: GetClipboardData alone, the clipboard unchanged, as
// often as the runs read it. Under Wine each call leaves one block behind
// whatever the caller does with the handle.
static void MeasureReadCost(void)
{
    const int calls = 1000;
    PutText(L"read cost");
    Figures before = Measure();
    for (int i = 0; i < calls; ++i) {
        if (OpenClipboard(Editor)) {
            GetClipboardData(CF_UNICODETEXT);
            CloseClipboard();
        }
    }
    Figures after = Measure();
    ReadGrowthKB = (after.heapKB - before.heapKB) / calls;
    ReadGrowthBlocks = (double)(after.heapBlocks - before.heapBlocks) / calls;
    printf("the system's own cost of a clipboard read: %d GetClipboardData calls (nothing of this "
           "program) leave %+.1f KB in %+d heap blocks, %.2f KB per call\n",
           calls, after.heapKB - before.heapKB, after.heapBlocks - before.heapBlocks, ReadGrowthKB);
}

// Where a queueing capture's time goes: its two calls to other processes,
// the tray update and the clipboard write, timed alone.
static void TimeParts(void)
{
    const int calls = 1000;
    double t = Now();
    for (int i = 0; i < calls; ++i)
        SetTrayState(i & 1 ? TRAY_FIFO_COPYING : TRAY_OFF);
    double tray = Now() - t;
    ClipItem *item = CreateClipItem(sizeof L"part", L"part", 1);
    t = Now();
    for (int i = 0; i < calls; ++i)
        WriteClipboardItem(item);
    double write = Now() - t;
    ReleaseClipItem(&item);
    t = Now();
    for (int i = 0; i < calls; ++i) {
        ClipItem *read = NULL;
        ReadClipboardItem(&read);
        ReleaseClipItem(&read);
    }
    double read = Now() - t;
    SetTrayState(TRAY_OFF);
    printf("parts, %d calls each: tray icon update %.3f ms, clipboard write %.3f ms, clipboard read "
           "%.3f ms\n",
           calls, tray * 1000 / calls, write * 1000 / calls, read * 1000 / calls);
}

static LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

int main(int argc, char **argv)
{
    if (argc > 1)
        Operations = atoi(argv[1]);
    AppInstance = GetModuleHandleW(NULL);
    Editor = CreateBenchWindow(L"LoadBenchEditor", EditorProc, L"", 0, 0, 0, 1, 1, HWND_MESSAGE);
    // The program's own start-up steps that the runs touch.
    if (!RegisterMainWindowClass())
        return 2;
    HWND window =
        CreateWindowExW(0, L"Corvane_KR_Class", L"Corvane load bench", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, AppInstance, NULL);
    MainWindow = window;
    if (!MainWindow || !CreateHistoryMenu() || !CreateMenuFont() || !AddTrayIcon())
        return 2;

    double t = Now();
    CalibrateCounters();
    printf("object counts from %s (one count takes %.0f ms)\n",
           UseGuiResources ? "GetGuiResources"
           : GdiScanWorks && UserScanWorks
               ? "a scan of every GDI and USER handle value (GetGuiResources answers 0)"
               : "partly nowhere (GetGuiResources answers 0)",
           (Now() - t) * 1000 / 4);

    MeasureReadCost();
    TimeParts();
    // Warm-up: the history full, every path taken once, so that the first
    // mode's figures do not carry the process's first allocations.
    int saved = Operations;
    Operations = 100;
    RunMode("warm-up", SetModeFifo, 1);
    RunMode("warm-up", SetModeLoop, 0);
    Operations = saved;
    fflush(stdout);

    RunMode("mode off", SetModeOff, 0);
    RunMode("FIFO", SetModeFifo, 0);
    RunMode("Loop", SetModeLoop, 0);
    RunMode("line division, FIFO", SetModeFifo, 1);

    RemoveTrayIcon();
    ReleaseHistory();
    return 0;
}
