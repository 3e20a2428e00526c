// Entry of every unit-test program: the real Win32 API under Wine, with a
// hidden window standing in for the main window (clipboard owner, timers).
#include "test_world.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <sys/stat.h>

#include "app/app.h"

static LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateStandInMainWindow(void)
{
    static ATOM atom;
    if (!atom) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = StandInProc;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"Corvane_Test_StandIn";
        atom = RegisterClassW(&wc);
    }
    return CreateWindowExW(0, L"Corvane_Test_StandIn", L"stand-in", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL,
                           NULL, GetModuleHandleW(NULL), NULL);
}

StdoutCapture::StdoutCapture()
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"cvo", 0, path);
    fflush(stdout);
    saved = _dup(1);
    int fd = _wopen(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_TEXT, _S_IREAD | _S_IWRITE);
    _dup2(fd, 1);
    _close(fd);
}

std::string StdoutCapture::Finish(void)
{
    fflush(stdout);
    _dup2(saved, 1);
    _close(saved);
    std::string text;
    FILE *file = _wfopen(path, L"rb");
    if (file) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, n);
        fclose(file);
    }
    DeleteFileW(path);
    // The stream is in text mode.
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r')
            plain += text[i];
    return plain;
}

std::string CaptureStdout(void (*fn)(void))
{
    StdoutCapture output;
    fn();
    return output.Finish();
}

int PumpMessages(DWORD milliseconds)
{
    int count = 0;
    DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            ++count;
        }
        DWORD now = GetTickCount();
        if ((LONG)(end - now) <= 0)
            return count;
        MsgWaitForMultipleObjects(0, NULL, FALSE, end - now, QS_ALLINPUT);
    }
}

// GoogleTest's printer reports each failed assertion with OutputDebugStringA
// as well; Wine raises an exception for that, and under qemu-i386 unwinding
// it kills the test program after the first failure. This printer forwards
// everything to GoogleTest's own but prints the failures itself.
class FailurePrinter : public testing::TestEventListener
{
  public:
    explicit FailurePrinter(testing::TestEventListener *inner) : inner(inner)
    {
    }
    ~FailurePrinter() override
    {
        delete inner;
    }
    void OnTestProgramStart(const testing::UnitTest &u) override
    {
        inner->OnTestProgramStart(u);
    }
    void OnTestIterationStart(const testing::UnitTest &u, int i) override
    {
        inner->OnTestIterationStart(u, i);
    }
    void OnEnvironmentsSetUpStart(const testing::UnitTest &u) override
    {
        inner->OnEnvironmentsSetUpStart(u);
    }
    void OnEnvironmentsSetUpEnd(const testing::UnitTest &u) override
    {
        inner->OnEnvironmentsSetUpEnd(u);
    }
    void OnTestSuiteStart(const testing::TestSuite &s) override
    {
        inner->OnTestSuiteStart(s);
    }
    void OnTestCaseStart(const testing::TestCase &c) override
    {
        inner->OnTestCaseStart(c); // where this version prints its suite headers
    }
    void OnTestStart(const testing::TestInfo &t) override
    {
        inner->OnTestStart(t);
    }
    void OnTestPartResult(const testing::TestPartResult &r) override
    {
        if (r.type() == testing::TestPartResult::kSuccess)
            return;
        printf("%s:%d: %s\n%s\n", r.file_name() ? r.file_name() : "unknown file", r.line_number(),
               r.type() == testing::TestPartResult::kSkip ? "Skipped" : "Failure", r.message());
        fflush(stdout);
    }
    void OnTestEnd(const testing::TestInfo &t) override
    {
        inner->OnTestEnd(t);
    }
    void OnTestSuiteEnd(const testing::TestSuite &s) override
    {
        inner->OnTestSuiteEnd(s);
    }
    void OnTestCaseEnd(const testing::TestCase &c) override
    {
        inner->OnTestCaseEnd(c);
    }
    void OnEnvironmentsTearDownStart(const testing::UnitTest &u) override
    {
        inner->OnEnvironmentsTearDownStart(u);
    }
    void OnEnvironmentsTearDownEnd(const testing::UnitTest &u) override
    {
        inner->OnEnvironmentsTearDownEnd(u);
    }
    void OnTestIterationEnd(const testing::UnitTest &u, int i) override
    {
        inner->OnTestIterationEnd(u, i);
    }
    void OnTestProgramEnd(const testing::UnitTest &u) override
    {
        inner->OnTestProgramEnd(u);
    }

  private:
    testing::TestEventListener *inner;
};

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::TestEventListeners &listeners = testing::UnitTest::GetInstance()->listeners();
    listeners.Append(new FailurePrinter(listeners.Release(listeners.default_result_printer())));
    AppInstance = GetModuleHandleW(NULL);
    MainWindow = CreateStandInMainWindow();
    if (!MainWindow)
        return 2;
    return RUN_ALL_TESTS();
}
