// Helpers of the hotkey tests.
#include "hotkey_support.h"

#include <shellapi.h>

#include "hotkeys/settings.h"

// The holder's side of HotkeyHolder: a start with --hold-hotkeys never
// reaches the tests.
static int HoldHotkeysIfAsked(void)
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3 || wcscmp(argv[1], L"--hold-hotkeys") != 0)
        return 0;
    int held = 1;
    for (int i = 3; i < argc; ++i) {
        unsigned modifiers = 0, key = 0;
        if (swscanf(argv[i], L"%x:%x", &modifiers, &key) != 2 || !RegisterHotKey(NULL, i, modifiers, key))
            held = 0;
    }
    std::wstring base = argv[2];
    HANDLE heldEvent = OpenEventW(EVENT_MODIFY_STATE, FALSE, (base + L".held").c_str());
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, (base + L".release").c_str());
    if (held && heldEvent)
        SetEvent(heldEvent);
    if (release)
        WaitForSingleObject(release, 120000);
    ExitProcess(held ? 0 : 1);
}
static const int HolderMode = HoldHotkeysIfAsked();

// The box is modal on the GUI thread: a helper thread finds every dialog box
// the GUI thread shows, notes its title and text and closes it.
static BOOL CALLBACK FindDialogBox(HWND window, LPARAM found)
{
    wchar_t name[16];
    if (IsWindowVisible(window) && GetClassNameW(window, name, 16) && !wcscmp(name, L"#32770")) {
        *(HWND *)found = window;
        return FALSE;
    }
    return TRUE;
}

static DWORD WINAPI WatchBoxes(void *parameter)
{
    BoxWatch *watch = (BoxWatch *)parameter;
    DWORD end = GetTickCount() + 60000;
    while (!watch->stop && (LONG)(end - GetTickCount()) > 0) {
        HWND box = NULL;
        EnumThreadWindows(watch->guiThread, FindDialogBox, (LPARAM)&box);
        if (!box) {
            Sleep(20);
            continue;
        }
        wchar_t text[512] = L"";
        GetWindowTextW(box, text, 512);
        watch->titles.push_back(text);
        text[0] = 0;
        GetDlgItemTextW(box, 0xFFFF, text, 512);
        watch->texts.push_back(text);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 250 && IsWindow(box); ++i)
            Sleep(20);
    }
    return 0;
}

BoxWatch RegisterWatched(void)
{
    BoxWatch watch;
    watch.guiThread = GetCurrentThreadId();
    watch.stop = 0;
    HANDLE thread = CreateThread(NULL, 0, WatchBoxes, &watch, 0, NULL);
    RegisterHotkeys();
    InterlockedExchange(&watch.stop, 1);
    WaitForSingleObject(thread, 20000);
    CloseHandle(thread);
    return watch;
}

const wchar_t WarningText[] = L"ホットキーの登録に失敗しました。\n"
                              L"他のアプリケーションでホットキーが使用されている可能性があります。\n"
                              L"使用されているアプリケーションの設定の変更もしくは終了させるか、\n"
                              L"Corvane の設定を変更してください。";

std::string Hex(const void *data, size_t size)
{
    std::string text;
    char byte[4];
    for (size_t i = 0; i < size; ++i) {
        snprintf(byte, sizeof byte, i ? " %02X" : "%02X", ((const unsigned char *)data)[i]);
        text += byte;
    }
    return text;
}
