// Helpers shared by the unit-test programs.
#ifndef CORVANE_TEST_WORLD_H
#define CORVANE_TEST_WORLD_H

#include <windows.h>

// A hidden top-level window with default processing; main() makes one the
// MainWindow before any test runs.
HWND CreateStandInMainWindow(void);
// Dispatches this thread's messages for the given time; returns how many.
int PumpMessages(DWORD milliseconds);

#endif
