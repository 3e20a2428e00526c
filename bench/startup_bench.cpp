// Start-up time to the tray icon. This program starts Corvane.exe and watches
// for its main window and then its tray icon: the icon exists once the tray
// accepts a modification of it (Shell_NotifyIcon NIM_MODIFY with nothing to
// change succeeds only for an icon the tray holds). For comparison it starts
// the least program that does the same visible thing, a second copy of itself
// that makes a hidden window and adds one icon, watched the same way. Starts
// of the two alternate; each program is closed, and its process waited for,
// before the next start.
//
//   startup_bench.exe [starts of each]   (Corvane.exe beside it; bench/run.sh)
#include <windows.h>

#include <algorithm>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

#include "bench_window.h"

static double Now(void)
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
}

// --- The least tray program ----------------------------------------------------

static NOTIFYICONDATAW ChildIcon;

static LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        Shell_NotifyIconW(NIM_DELETE, &ChildIcon);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static int RunChild(void)
{
    HWND window =
        CreateBenchWindow(L"StartupBenchChild", ChildProc, L"", WS_OVERLAPPEDWINDOW, 0, 0, 1, 1, NULL);
    if (!window)
        return 2;
    ChildIcon.cbSize = sizeof ChildIcon;
    ChildIcon.hWnd = window;
    ChildIcon.uID = 0;
    ChildIcon.uFlags = NIF_ICON | NIF_TIP;
    ChildIcon.hIcon = LoadIconW(NULL, (LPCWSTR)IDI_APPLICATION);
    lstrcpyW(ChildIcon.szTip, L"startup bench");
    Shell_NotifyIconW(NIM_ADD, &ChildIcon);
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

// --- The watcher -----------------------------------------------------------------

struct Target {
    const char *name;
    wchar_t path[MAX_PATH];
    wchar_t command[MAX_PATH + 16];
    const wchar_t *windowClass;
    UINT closeMessage;
    WPARAM closeParam;
    std::vector<double> window, icon;
    int failed;
};

static int IconExists(HWND window)
{
    NOTIFYICONDATAW probe = {};
    probe.cbSize = sizeof probe;
    probe.hWnd = window;
    probe.uID = 0;
    probe.uFlags = 0; // change nothing
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != 0;
}

static void Start(Target *t)
{
    // Corvane's trace lines go nowhere rather than into this console.
    static HANDLE nul = INVALID_HANDLE_VALUE;
    if (nul == INVALID_HANDLE_VALUE) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
        nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          OPEN_EXISTING, 0, NULL);
    }
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    double start = Now();
    if (!CreateProcessW(t->path, t->command, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi)) {
        ++t->failed;
        return;
    }
    HWND window = NULL;
    double windowAt = -1, iconAt = -1;
    while (Now() - start < 60000) {
        if (!window) {
            window = FindWindowW(t->windowClass, NULL);
            if (window)
                windowAt = Now() - start;
        }
        if (window && IconExists(window)) {
            iconAt = Now() - start;
            break;
        }
        Sleep(10);
    }
    if (iconAt < 0) {
        ++t->failed;
    } else {
        t->window.push_back(windowAt);
        t->icon.push_back(iconAt);
    }
    if (window)
        PostMessageW(window, t->closeMessage, t->closeParam, 0);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 2);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

static void Report(const Target &t)
{
    double lo = t.icon.empty() ? 0 : *std::min_element(t.icon.begin(), t.icon.end());
    double hi = t.icon.empty() ? 0 : *std::max_element(t.icon.begin(), t.icon.end());
    printf("%s: tray icon after median %.0f ms (%.0f to %.0f ms over %d starts, %d failed); main window "
           "after median %.0f ms\n",
           t.name, Median(t.icon), lo, hi, (int)t.icon.size(), t.failed, Median(t.window));
}

int main(int argc, char **argv)
{
    if (argc > 1 && !strcmp(argv[1], "child"))
        return RunChild();
    int starts = argc > 1 ? atoi(argv[1]) : 5;

    static Target corvane, child;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    lstrcpyW(child.path, self);
    swprintf(child.command, MAX_PATH + 16, L"\"%ls\" child", self);
    child.name = "least tray program (this bench's child)";
    child.windowClass = L"StartupBenchChild";
    child.closeMessage = WM_CLOSE;

    lstrcpyW(corvane.path, self);
    wchar_t *slash = wcsrchr(corvane.path, L'\\');
    lstrcpyW(slash ? slash + 1 : corvane.path, L"Corvane.exe");
    swprintf(corvane.command, MAX_PATH + 16, L"\"%ls\"", corvane.path);
    corvane.name = "Corvane.exe";
    corvane.windowClass = L"Corvane_KR_Class";
    corvane.closeMessage = WM_COMMAND;
    corvane.closeParam = 206; // the context menu's exit command

    if (FindWindowW(corvane.windowClass, NULL)) {
        printf("Corvane is running already: close it first\n");
        return 2;
    }
    // Corvane, child, child, Corvane, ...: a drift of the machine's load
    // weighs on both alike.
    for (int i = 0; i < 2 * starts; ++i) {
        int first = (i + 1) / 2 % 2 == 0;
        Start(first ? &corvane : &child);
    }
    Report(corvane);
    Report(child);
    double a = Median(corvane.icon), b = Median(child.icon);
    printf("Corvane's own share: %+.0f ms over the least tray program (ratio %.2f)\n", a - b,
           b > 0 ? a / b : 0);
    return 0;
}
