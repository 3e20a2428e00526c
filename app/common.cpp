// Program-wide handles and helpers that every part uses.
#include "app/app.h"

#include <stdarg.h>
#include <stdio.h>

HINSTANCE AppInstance;
HWND MainWindow;
DWORD LineDivision;

HICON LoadAppIcon(int number)
{
    return LoadIconW(AppInstance, MAKEINTRESOURCEW(number));
}

// The program normally has no standard output; when it is given one (a
// console, a pipe in the tests) each line is flushed at once so that it is
// seen when it happens, not at exit.
int Trace(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int result = vprintf(format, args);
    va_end(args);
    fflush(stdout);
    return result;
}

int TraceW(const wchar_t *format, ...)
{
    va_list args;
    va_start(args, format);
    int result = vwprintf(format, args);
    va_end(args);
    fflush(stdout);
    return result;
}

void UpdateModifierBits(int shift, DWORD *modifierBits, DWORD keystrokeFlags)
{
    DWORD bit = ((keystrokeFlags & 0x01000000) ? 2u : 1u) << shift;
    if (keystrokeFlags & 0x80000000)
        *modifierBits &= ~bit;
    else
        *modifierBits = (*modifierBits | bit) & ~0x80000000u;
}
