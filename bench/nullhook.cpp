// A keyboard hook that does nothing but pass the keystroke on: what any
// global hook costs under this system, for comparison with fifo.dll's.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK NullHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(NULL, code, wParam, lParam);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    (void)module;
    (void)reason;
    (void)reserved;
    return TRUE;
}
