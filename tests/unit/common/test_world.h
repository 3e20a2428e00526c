// Helpers shared by the unit-test programs.
#ifndef CORVANE_TEST_WORLD_H
#define CORVANE_TEST_WORLD_H

#include <windows.h>

#include <string>

// A hidden top-level window with default processing; main() makes one the
// MainWindow before any test runs.
HWND CreateStandInMainWindow(void);
// Dispatches this thread's messages for the given time; returns how many.
int PumpMessages(DWORD milliseconds);

// Collects what the program writes on standard output (the trace lines)
// from its construction to Finish, with line ends as "\n".
struct StdoutCapture {
    int saved;
    wchar_t path[MAX_PATH];

    StdoutCapture();
    std::string Finish(void);
};

// The output of one call.
std::string CaptureStdout(void (*fn)(void));

#endif
