// WinMain: brings the system up in its fixed order and runs the message loop.
#include "app/app.h"

#include <commctrl.h>
#include <locale.h>
#include <stdlib.h>

#include "fifo/fifo.h"
#include "history/history.h"
#include "history/tooltip.h"
#include "hotkeys/settings.h"
#include "tray/tray.h"

static const wchar_t InitErrorFormat[] = L"%sの初期化に失敗しました。";

// A start-up step of the failing kind: its name goes into the error box.
struct StartupStep {
    int (*run)(void);
    const wchar_t *name;
};

static int CreateMainWindow(void)
{
    // MainWindow is set only when creation has returned: until then the window
    // procedure takes its pre-creation path.
    HWND window = CreateWindowExW(0, L"Corvane_KR_Class", L"Corvane", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, AppInstance, NULL);
    MainWindow = window;
    return window != NULL;
}

static void ShutdownAtExit(void)
{
    Shutdown();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    (void)previous;
    (void)commandLine;
    (void)showCommand;
    AppInstance = instance;

    HANDLE running = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, L"Corvane_KR_Mutex");
    if (running) {
        // Left open on purpose: the process ends right away.
        MessageBoxW(NULL, L"Corvane は既に起動されています。", L"警告", MB_ICONWARNING);
        return 0;
    }
    InstanceMutex = CreateMutexW(NULL, TRUE, L"Corvane_KR_Mutex");
    setlocale(LC_ALL, "jpn");
    InitCommonControls();
    atexit(ShutdownAtExit);
    LoadHotkeySettings();

    // One step per line, in start-up order.
    // clang-format off
    static const StartupStep steps[] = {
        {RegisterMainWindowClass, L"ウインドウクラス"},
        {CreateMainWindow, L"ウインドウ"},
        {CreateHistoryMenu, L"クリップ履歴"},
        {CreateTooltip, L"ツールチップ"},
        {CreateMenuFont, L"メニューフォント"},
        {AddTrayIcon, L"タスクトレイアイコン"},
    };
    // clang-format on
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        if (!steps[i].run()) {
            ShowInitError(InitErrorFormat, steps[i].name);
            return -1;
        }
    }
    RegisterHotkeys();
    FIFO_SetHook(MainWindow);

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
}
