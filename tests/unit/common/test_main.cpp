// Entry of every unit-test program: the real Win32 API under Wine, with a
// hidden window standing in for the main window (clipboard owner, timers).
#include "test_world.h"

#include <gtest/gtest.h>

#include "app/app.h"

static LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateStandInMainWindow(void)
{
    static ATOM atom;
    if (!atom) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = StandInProc;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"Corvane_Test_StandIn";
        atom = RegisterClassW(&wc);
    }
    return CreateWindowExW(0, L"Corvane_Test_StandIn", L"stand-in", WS_OVERLAPPEDWINDOW, 0, 0,
                           100, 100, NULL, NULL, GetModuleHandleW(NULL), NULL);
}

int PumpMessages(DWORD milliseconds)
{
    int count = 0;
    DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            ++count;
        }
        DWORD now = GetTickCount();
        if ((LONG)(end - now) <= 0)
            return count;
        MsgWaitForMultipleObjects(0, NULL, FALSE, end - now, QS_ALLINPUT);
    }
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    AppInstance = GetModuleHandleW(NULL);
    MainWindow = CreateStandInMainWindow();
    if (!MainWindow)
        return 2;
    return RUN_ALL_TESTS();
}
