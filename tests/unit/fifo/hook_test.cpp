// fifo.dll's keyboard hook in this process: keys sent with SendInput to a
// window of ours pass the hook like typed ones and come back as UM_KEYSTROKE.
#include <windows.h>

#include <gtest/gtest.h>

#include "fifo/fifo.h"

namespace
{

// Started again as "--install-and-die", the test program installs the hook
// and ends without removing it: the system drops the hook with the process,
// but its handle stays in the shared slots, which this process keeps mapped.
int InstallHookAndDieIfAsked(void)
{
    if (!wcsstr(GetCommandLineW(), L"--install-and-die"))
        return 0;
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    TerminateProcess(GetCurrentProcess(), FIFO_SetHook(window) ? 7 : 8);
    return 1;
}
const int ChildMode = InstallHookAndDieIfAsked();

struct Received {
    HWND window;
    int keystrokes;
} Seen[2];

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_KEYSTROKE && wParam == 'Q')
        for (Received &r : Seen)
            if (r.window == window)
                ++r.keystrokes;
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateRecordingWindow(int index)
{
    static ATOM atom;
    if (!atom) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"FifoHookTest";
        atom = RegisterClassW(&wc);
    }
    HWND window = CreateWindowExW(0, L"FifoHookTest", L"fifo hook test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  100, 100, 200, 100, NULL, NULL, GetModuleHandleW(NULL), NULL);
    Seen[index].window = window;
    Seen[index].keystrokes = 0;
    return window;
}

// Presses and releases Q in the given window and waits up to 5 s for the
// reports: returns when a press and a release of Q reached some window.
void TypeQ(HWND window)
{
    SetForegroundWindow(window);
    SetFocus(window);
    INPUT in[2] = {};
    for (int i = 0; i < 2; ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wVk = 'Q';
        in[i].ki.wScan = (WORD)MapVirtualKeyW('Q', 0);
        in[i].ki.dwFlags = i ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(2, in, sizeof(INPUT));
    DWORD end = GetTickCount() + 5000;
    while ((LONG)(end - GetTickCount()) > 0 && Seen[0].keystrokes + Seen[1].keystrokes < 2) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
    }
}

TEST(FifoHook, AHandleLeftByAnEndedRunIsReplacedNotTrusted)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(NULL, exe, MAX_PATH);
    wchar_t line[MAX_PATH + 32];
    swprintf(line, MAX_PATH + 32, L"\"%ls\" --install-and-die", exe);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(CreateProcessW(exe, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &child));
    DWORD waited = WaitForSingleObject(child.hProcess, 60000);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(child.hProcess, 9); // the child must not outlive the test
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    ASSERT_EQ(WAIT_OBJECT_0, waited);
    ASSERT_EQ(7u, code) << "the child installed its hook";

    HWND window = CreateRecordingWindow(0);
    EXPECT_EQ(1, FIFO_SetHook(window));
    TypeQ(window);
    EXPECT_EQ(2, Seen[0].keystrokes) << "a fresh hook reports the press and the release";
    EXPECT_EQ(1, FIFO_ResetHook());
    DestroyWindow(window);
}

TEST(FifoHook, ASecondSetKeepsTheFirstWindowAndResetIsIdempotent)
{
    HWND first = CreateRecordingWindow(0);
    HWND second = CreateRecordingWindow(1);
    EXPECT_EQ(1, FIFO_SetHook(first));
    EXPECT_EQ(1, FIFO_SetHook(second));
    TypeQ(second);
    EXPECT_EQ(2, Seen[0].keystrokes);
    EXPECT_EQ(0, Seen[1].keystrokes);
    EXPECT_EQ(1, FIFO_ResetHook());
    EXPECT_EQ(1, FIFO_ResetHook()) << "nothing installed any more";
    EXPECT_EQ(1, HIST_ResetHook());
    // Removed: keys no longer come back.
    Seen[0].keystrokes = 0;
    TypeQ(first);
    EXPECT_EQ(0, Seen[0].keystrokes);
    DestroyWindow(first);
    DestroyWindow(second);
}

} // namespace
