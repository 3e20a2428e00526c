// What fifo.dll's keyboard hook costs every other program: this program's
// window receives keystrokes sent with SendInput, and the clock runs until
// the last one has arrived. A second process (this program started with
// "holder") installs the hook with FIFO_SetHook for a window of its own and
// removes it again between rounds, as the running program would, so the hook
// runs here as in any foreign application. For comparison the holder can
// instead install a hook that only passes keystrokes on (nullhook.dll): that
// is what any global keyboard hook costs here. Rounds of the three kinds
// alternate in one run.
//
//   hook_bench.exe [keys per round] [rounds per side]   (bench/run.sh)
#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

#include "bench_window.h"
#include "fifo/fifo.h"

enum { HOLDER_SET = WM_APP + 1, HOLDER_SET_NULL, HOLDER_RESET, HOLDER_COUNT };

static double Now(void)
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
}

// --- The holder: the stand-in for the running program ------------------------

static LONG HolderKeystrokes;
static HHOOK NullHook;

static int SetNullHook(void)
{
    if (NullHook)
        return 1;
    HMODULE module = LoadLibraryW(L"nullhook.dll");
    HOOKPROC proc = module ? (HOOKPROC)(void (*)(void))GetProcAddress(module, "NullHookProc") : NULL;
    NullHook = proc ? SetWindowsHookExW(WH_KEYBOARD, proc, module, 0) : NULL;
    return NullHook != NULL;
}

static int ResetHooks(void)
{
    if (NullHook && UnhookWindowsHookEx(NullHook))
        NullHook = NULL;
    return FIFO_ResetHook() && !NullHook;
}

static LRESULT CALLBACK HolderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case UM_KEYSTROKE:
        ++HolderKeystrokes;
        return 0;
    case HOLDER_SET:
        return ResetHooks() && FIFO_SetHook(window);
    case HOLDER_SET_NULL:
        return ResetHooks() && SetNullHook();
    case HOLDER_RESET:
        return ResetHooks();
    case HOLDER_COUNT: {
        LONG n = HolderKeystrokes;
        HolderKeystrokes = 0;
        return n;
    }
    case WM_DESTROY:
        ResetHooks();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static int RunHolder(void)
{
    if (!CreateBenchWindow(L"HookBenchHolder", HolderProc, L"", WS_POPUP, 0, 0, 1, 1, NULL))
        return 2;
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

// --- The receiving application -----------------------------------------------

static HWND Receiver;
static int Arrived;

static LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN || message == WM_KEYUP)
        ++Arrived;
    return DefWindowProcW(window, message, wParam, lParam);
}

// Ordinary letters: key down and up per key. With ctrl, each key is a
// Ctrl+letter chord (four events), as a copy or paste types them.
static std::vector<INPUT> Keystrokes(int keys, int ctrl)
{
    std::vector<INPUT> in;
    for (int i = 0; i < keys; ++i) {
        WORD letter = ctrl ? (WORD) "CXV"[i % 3] : (WORD)('A' + i % 26);
        WORD vk[4] = {VK_CONTROL, letter, letter, VK_CONTROL};
        int first = ctrl ? 0 : 1, last = ctrl ? 4 : 3;
        for (int k = first; k < last; ++k) {
            INPUT e = {};
            e.type = INPUT_KEYBOARD;
            e.ki.wVk = vk[k];
            e.ki.wScan = (WORD)MapVirtualKeyW(vk[k], 0);
            e.ki.dwFlags = k >= 2 ? KEYEVENTF_KEYUP : 0;
            in.push_back(e);
        }
    }
    return in;
}

// Milliseconds from SendInput until every key message has been taken from
// the queue and handled; -1 when they do not all come within 10 s.
static double Round(std::vector<INPUT> &in)
{
    if (GetForegroundWindow() != Receiver)
        SetForegroundWindow(Receiver);
    SetFocus(Receiver);
    Arrived = 0;
    double start = Now();
    SendInput((UINT)in.size(), &in[0], sizeof(INPUT));
    while (Arrived < (int)in.size()) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (Arrived >= (int)in.size())
            break;
        if (Now() - start > 10000)
            return -1;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
    return Now() - start;
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

enum Kind { NO_HOOK, NULL_HOOK, FIFO_HOOK };

static void Measure(HWND holder, const char *what, int keys, int ctrl, int rounds)
{
    static const UINT install[3] = {HOLDER_RESET, HOLDER_SET_NULL, HOLDER_SET};
    // Each cycle runs every kind twice, mirrored, so that a drift of the
    // machine's load during the run weighs on all three alike.
    static const int order[6] = {FIFO_HOOK, NULL_HOOK, NO_HOOK, NO_HOOK, NULL_HOOK, FIFO_HOOK};
    std::vector<INPUT> in = Keystrokes(keys, ctrl);
    std::vector<double> times[3];
    long seen = 0, lost = 0, refused = 0;
    // One round of each first: a hook library is loaded into this process
    // at the first keystroke its hook sees.
    for (int r = -3; r < 2 * rounds * 3 / 2; ++r) {
        int kind = r < 0 ? r + 3 : order[r % 6];
        if (!SendMessageW(holder, install[kind], 0, 0))
            ++refused;
        SendMessageW(holder, HOLDER_COUNT, 0, 0);
        double ms = Round(in);
        // Sent messages overtake posted ones: give the holder time to take
        // the last notices before it is asked for their number.
        Sleep(50);
        long notices = (long)SendMessageW(holder, HOLDER_COUNT, 0, 0);
        if (r < 0)
            continue;
        if (ms < 0) {
            ++lost;
            continue;
        }
        times[kind].push_back(ms);
        if (kind == FIFO_HOOK)
            seen += notices;
    }
    SendMessageW(holder, HOLDER_RESET, 0, 0);
    double none = Median(times[NO_HOOK]), null = Median(times[NULL_HOOK]), fifo = Median(times[FIFO_HOOK]);
    double events = (double)in.size();
    printf("%s, %d key events per round, %d rounds of each kind, medians:\n", what, (int)in.size(),
           (int)times[FIFO_HOOK].size());
    printf("  no hook %.1f ms (%.0f us per event); a hook that only passes keys on %.1f ms (%.0f us); "
           "fifo.dll's hook %.1f ms (%.0f us)\n",
           none, none * 1000 / events, null, null * 1000 / events, fifo, fifo * 1000 / events);
    printf("  ratio fifo.dll's hook / no hook %.3f; pass-on hook / no hook %.3f; fifo.dll's hook / "
           "pass-on hook %.3f\n",
           none > 0 ? fifo / none : 0, none > 0 ? null / none : 0, null > 0 ? fifo / null : 0);
    printf("  notices that reached the holder: %ld of %ld; rounds timed out: %ld; hook changes refused: "
           "%ld\n",
           seen, (long)(events * times[FIFO_HOOK].size()), lost, refused);
    fflush(stdout);
}

int main(int argc, char **argv)
{
    if (argc > 1 && !strcmp(argv[1], "holder"))
        return RunHolder();
    int keys = argc > 1 ? atoi(argv[1]) : 200;
    int rounds = argc > 2 ? atoi(argv[2]) : 10;

    // The holder: this same program, from its own folder (fifo.dll is there).
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(NULL, path, MAX_PATH);
    wchar_t command[MAX_PATH + 16];
    swprintf(command, MAX_PATH + 16, L"\"%ls\" holder", path);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(path, command, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        printf("the holder did not start (%lu)\n", GetLastError());
        return 2;
    }
    HWND holder = NULL;
    for (int i = 0; i < 600 && !holder; ++i) {
        Sleep(50);
        holder = FindWindowW(L"HookBenchHolder", NULL);
    }
    if (!holder || !SendMessageW(holder, HOLDER_SET, 0, 0)) {
        printf("the holder could not install the hook\n");
        TerminateProcess(pi.hProcess, 2);
        return 2;
    }

    Receiver = CreateBenchWindow(L"HookBenchReceiver", ReceiverProc, L"hook bench",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200, NULL);
    SetForegroundWindow(Receiver);
    Sleep(300);

    Measure(holder, "ordinary letters", keys, 0, rounds);
    Measure(holder, "Ctrl+C, Ctrl+X, Ctrl+V chords", keys / 2, 1, rounds / 2 > 0 ? rounds / 2 : 1);

    PostMessageW(holder, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 2);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}
