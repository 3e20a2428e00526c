// Latency of the copy and the paste, end to end: this program is the editor.
// It types Ctrl+C (Ctrl+V) into its own EDIT control with SendInput, the
// keystroke passes fifo.dll's hook in this process like any other, and the
// clock stops when Corvane has written the clipboard.
//
//   latency_bench.exe [rounds]   (Corvane must be running; bench/run.sh)
#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

#include "bench_window.h"

// The clipboard listener is Vista's (the program targets XP; the bench need not).
extern "C" BOOL WINAPI AddClipboardFormatListener(HWND window);
#ifndef WM_CLIPBOARDUPDATE
#define WM_CLIPBOARDUPDATE 0x031D
#endif

static HWND Corvane;
static HWND Edit;
static int CorvaneWrote;

static double Now(void)
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
}

static LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLIPBOARDUPDATE && GetClipboardOwner() == Corvane)
        CorvaneWrote = 1;
    return DefWindowProcW(window, message, wParam, lParam);
}

static void Keys(WORD key)
{
    INPUT in[4] = {};
    const WORD vk[4] = {VK_CONTROL, key, key, VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wVk = vk[i];
        in[i].ki.wScan = (WORD)MapVirtualKeyW(vk[i], 0);
        in[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, in, sizeof(INPUT));
}

// Pumps messages until Corvane has written the clipboard; ms or -1 after 5 s.
static double WaitForCorvane(double start)
{
    CorvaneWrote = 0;
    while (!CorvaneWrote) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (CorvaneWrote)
            break;
        if (Now() - start > 5000)
            return -1;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 1, QS_ALLINPUT);
    }
    return Now() - start;
}

static void Report(const char *what, std::vector<double> v)
{
    int lost = (int)std::count(v.begin(), v.end(), -1.0);
    v.erase(std::remove(v.begin(), v.end(), -1.0), v.end());
    if (v.empty()) {
        printf("%s: no round completed\n", what);
        return;
    }
    std::sort(v.begin(), v.end());
    printf("%s: median %.1f ms, worst %.1f ms over %d rounds (%d lost); design delay 80 ms, "
           "median +%.1f ms\n",
           what, v[v.size() / 2], v.back(), (int)v.size(), lost, v[v.size() / 2] - 80);
}

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 50;
    Corvane = FindWindowW(L"Corvane_KR_Class", NULL);
    if (!Corvane) {
        printf("Corvane is not running\n");
        return 2;
    }
    HWND editor = CreateBenchWindow(L"LatencyEditor", EditorProc, L"latency editor",
                                    WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 200, 400, 200, NULL);
    Edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 380, 160, editor,
                           NULL, GetModuleHandleW(NULL), NULL);
    AddClipboardFormatListener(editor);
    SetForegroundWindow(editor);
    SetFocus(Edit);
    PostMessageW(Corvane, WM_COMMAND, 201, 0); // FIFO on
    Sleep(500);

    std::vector<double> copies, pastes;
    for (int i = 0; i <= rounds; ++i) {
        wchar_t text[32];
        swprintf(text, 32, L"copy %d", i);
        SetWindowTextW(Edit, text);
        SendMessageW(Edit, EM_SETSEL, 0, -1);
        double t = Now();
        Keys('C');
        double ms = WaitForCorvane(t);
        if (i)
            copies.push_back(ms); // the first round warms up
        Sleep(100);
    }
    // rounds + 1 items are queued: each paste but the last leaves one to write.
    for (int i = 0; i < rounds; ++i) {
        double t = Now();
        Keys('V');
        pastes.push_back(WaitForCorvane(t));
        Sleep(100);
    }
    Report("Ctrl+C key-down to the clipboard holding the cursor item", copies);
    Report("Ctrl+V key-down to the clipboard holding the next item", pastes);
    PostMessageW(Corvane, WM_COMMAND, 201, 0); // FIFO off again
    return 0;
}
