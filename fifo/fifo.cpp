// The hook library. The hook procedures run inside every GUI process of the
// desktop, so they do nothing but read the shared slots and post.
#define FIFO_BUILDING_DLL
#include "fifo.h"

// One 16-byte section shared by every process that maps this file. The
// procedures running in foreign processes find the hook handles (for
// CallNextHookEx) and the windows to post to here.
// A struct keeps the four slots in this order (the compiler lays separate
// statics out as it likes); each slot is one aligned 32-bit store.
struct SharedSlots {
    HHOOK KeyboardHook;   // 0 when none is installed
    HHOOK CallWndRetHook; // 0 when none is installed
    HWND NotifyWindow;    // both procedures post here; the later Set wins
    HWND TargetWindow;    // the window the paste waits for
};
static SharedSlots Shared __attribute__((section("CVFIFO@1"), shared)) = {0, 0, 0, 0};

static HINSTANCE HookModule;

// Whether this process installed the hook whose handle sits in the shared
// slot. A handle that another process left (a run that ended while some
// application still held the library) is stale: only one instance of the
// program runs, so nobody else can own it, and trusting it would leave copy
// and paste detection dead for the whole run.
static int OwnKeyboardHook;
static int OwnCallWndRetHook;

static LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION)
        PostMessageW(Shared.NotifyWindow, UM_KEYSTROKE, wParam, lParam);
    return CallNextHookEx(Shared.KeyboardHook, code, wParam, lParam);
}

static LRESULT CALLBACK CallWndRetHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && ((CWPRETSTRUCT *)lParam)->hwnd == Shared.TargetWindow) {
        // Low word: what was added to this thread's queue since it was last
        // looked at. Zero means the target is about to go idle.
        if (LOWORD(GetQueueStatus(QS_ALLEVENTS)) == 0)
            PostMessageW(Shared.NotifyWindow, UM_TARGET_IDLE, wParam, lParam);
    }
    return CallNextHookEx(Shared.CallWndRetHook, code, wParam, lParam);
}

// Installs one hook afresh; the caller has stored the windows already, so no
// procedure runs without them.
static int SetHook(HHOOK *slot, int *own, int idHook, HOOKPROC proc)
{
    if (*slot)
        UnhookWindowsHookEx(*slot); // stale: its owner is gone
    *slot = SetWindowsHookExW(idHook, proc, HookModule, 0);
    *own = *slot != 0;
    return *slot != 0;
}

// A failed removal keeps the handle so that a later call tries again.
static int ResetHook(HHOOK *slot, int *own)
{
    if (!*slot)
        return 1;
    if (UnhookWindowsHookEx(*slot)) {
        *slot = 0;
        *own = 0;
    }
    return *slot == 0;
}

extern "C" int WINAPI FIFO_SetHook(HWND notifyWindow)
{
    if (Shared.KeyboardHook && OwnKeyboardHook)
        return 1;
    Shared.NotifyWindow = notifyWindow;
    return SetHook(&Shared.KeyboardHook, &OwnKeyboardHook, WH_KEYBOARD, KeyboardHookProc);
}

extern "C" int WINAPI FIFO_ResetHook(void)
{
    return ResetHook(&Shared.KeyboardHook, &OwnKeyboardHook);
}

extern "C" int WINAPI HIST_SetHook(HWND notifyWindow, HWND targetWindow)
{
    // An installed hook keeps watching its earlier target.
    if (Shared.CallWndRetHook && OwnCallWndRetHook)
        return 1;
    Shared.NotifyWindow = notifyWindow;
    Shared.TargetWindow = targetWindow;
    return SetHook(&Shared.CallWndRetHook, &OwnCallWndRetHook, WH_CALLWNDPROCRET, CallWndRetHookProc);
}

extern "C" int WINAPI HIST_ResetHook(void)
{
    return ResetHook(&Shared.CallWndRetHook, &OwnCallWndRetHook);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        HookModule = module;
    return TRUE;
}
