// Helpers of the hotkey tests: combinations held by another process, the
// warning box of the registration closed by a watcher, bytes as hex.
#ifndef CORVANE_TEST_HOTKEY_SUPPORT_H
#define CORVANE_TEST_HOTKEY_SUPPORT_H

#include <windows.h>

#include <stdio.h>
#include <wchar.h>

#include <string>
#include <utility>
#include <vector>

// The test program started again as "--hold-hotkeys NAME MODS:VK ..." holds
// those combinations (system-wide, as another application would) until the
// event NAME.release is set, and sets NAME.held once it holds all of them.
struct HotkeyHolder {
    HANDLE process = NULL;
    HANDLE held = NULL;
    HANDLE release = NULL;

    // Nonzero when the other process holds every combination.
    int Start(const std::vector<std::pair<BYTE, WORD>> &combinations)
    {
        wchar_t base[64];
        swprintf(base, L"Corvane_Test_Hold_%lu", GetCurrentProcessId());
        held = CreateEventW(NULL, TRUE, FALSE, (std::wstring(base) + L".held").c_str());
        release = CreateEventW(NULL, TRUE, FALSE, (std::wstring(base) + L".release").c_str());
        wchar_t exe[MAX_PATH];
        GetModuleFileNameW(NULL, exe, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(exe) + L"\" --hold-hotkeys " + base;
        for (size_t i = 0; i < combinations.size(); ++i) {
            wchar_t arg[32];
            swprintf(arg, L" %x:%x", combinations[i].first, combinations[i].second);
            command += arg;
        }
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::vector<wchar_t> line(command.begin(), command.end());
        line.push_back(0);
        if (!CreateProcessW(exe, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info))
            return 0;
        CloseHandle(info.hThread);
        process = info.hProcess;
        HANDLE waits[2] = {held, process};
        return WaitForMultipleObjects(2, waits, FALSE, 60000) == WAIT_OBJECT_0;
    }

    ~HotkeyHolder()
    {
        if (release)
            SetEvent(release);
        if (process) {
            if (WaitForSingleObject(process, 20000) != WAIT_OBJECT_0)
                TerminateProcess(process, 3); // the holder must not outlive the test
            CloseHandle(process);
        }
        if (held)
            CloseHandle(held);
        if (release)
            CloseHandle(release);
    }
};

// What the watcher saw of the dialog boxes the GUI thread showed.
struct BoxWatch {
    DWORD guiThread;
    volatile LONG stop;
    std::vector<std::wstring> titles;
    std::vector<std::wstring> texts;
};

// Runs RegisterHotkeys with a watcher closing whatever boxes it shows.
BoxWatch RegisterWatched(void);

// The warning the registration shows when a binding is refused.
extern const wchar_t WarningText[];

// Bytes as upper-case hex pairs separated by spaces.
std::string Hex(const void *data, size_t size);

#endif
