// The benches' own windows: a class for the window procedure and its one
// window.
#ifndef CORVANE_BENCH_WINDOW_H
#define CORVANE_BENCH_WINDOW_H

#include <windows.h>

// Registers the class name with proc and creates its window (parent
// HWND_MESSAGE makes a message-only window); NULL when that fails.
static inline HWND CreateBenchWindow(const wchar_t *name, WNDPROC proc, const wchar_t *title, DWORD style,
                                     int x, int y, int width, int height, HWND parent)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
    return CreateWindowExW(0, name, title, style, x, y, width, height, parent, NULL, wc.hInstance, NULL);
}

#endif
