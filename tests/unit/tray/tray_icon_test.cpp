// The tray icon against the shell of the test world (Wine's explorer), and
// the start-up retries against a played shell that is not ready.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "resources/resource.h"
#include "tray/tray.h"

namespace
{

// One call of the shell as the module made it, with the record as it was
// at the time of the call.
struct NotifyCall {
    DWORD message;
    NOTIFYICONDATAW record;
    BOOL result;
};

std::vector<NotifyCall> Calls;
std::string Events; // 'A' add, 'M' modify, 'D' delete, 'S' sleep
std::vector<DWORD> Sleeps;

// The played shell: answers from the script, the last answer repeating.
struct Answer {
    BOOL result;
    DWORD error;
};
std::vector<Answer> Script;
int RecordNotPassed; // calls that did not pass the module's own record

char EventOf(DWORD message)
{
    return message == NIM_ADD ? 'A' : message == NIM_MODIFY ? 'M' : message == NIM_DELETE ? 'D' : '?';
}

BOOL Record(DWORD message, PNOTIFYICONDATAW record, BOOL result)
{
    NotifyCall call;
    call.message = message;
    call.record = *record;
    call.result = result;
    Calls.push_back(call);
    Events += EventOf(message);
    if (record != &TrayRecord)
        ++RecordNotPassed;
    return result;
}

// Forwards to the real shell and notes what it answered.
BOOL WINAPI SpyNotify(DWORD message, PNOTIFYICONDATAW record)
{
    return Record(message, record, Shell_NotifyIconW(message, record));
}

BOOL WINAPI PlayedNotify(DWORD message, PNOTIFYICONDATAW record)
{
    size_t index = Calls.size() < Script.size() ? Calls.size() : Script.size() - 1;
    Answer answer = Script[index];
    Record(message, record, answer.result);
    // Spoil the record after each attempt: the module has to fill it afresh
    // before the next one.
    if (message == NIM_ADD) {
        record->hIcon = (HICON)1;
        record->uFlags = 0;
        record->szTip[0] = L'X';
    }
    SetLastError(answer.error);
    return answer.result;
}

VOID WINAPI RecordSleep(DWORD milliseconds)
{
    Sleeps.push_back(milliseconds);
    Events += 'S';
}

// Whether the shell still holds an icon for the record's window and id.
BOOL ShellHasIcon(void)
{
    NOTIFYICONDATAW probe = TrayRecord;
    probe.cbSize = 952;
    return Shell_NotifyIconW(NIM_MODIFY, &probe);
}

std::wstring TipOf(const NOTIFYICONDATAW &record)
{
    return std::wstring(record.szTip);
}

class TrayTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        Calls.clear();
        Events.clear();
        Sleeps.clear();
        Script.clear();
        RecordNotPassed = 0;
        LineDivision = 0;
        TrayNotify = SpyNotify;
        TraySleep = RecordSleep;
    }

    void TearDown() override
    {
        TrayNotify = Shell_NotifyIconW;
        RemoveTrayIcon();
        // Back to the start state, without a shell to tell.
        Script.assign(1, Answer{TRUE, 0});
        TrayNotify = PlayedNotify;
        SetTrayState(TRAY_OFF);
        TrayNotify = Shell_NotifyIconW;
        TraySleep = Sleep;
        LineDivision = 0;
    }

    // Adds the icon through the real shell and forgets the calls made.
    void AddForReal()
    {
        ASSERT_TRUE(AddTrayIcon());
        ASSERT_TRUE(ShellHasIcon());
        Calls.clear();
        Events.clear();
    }

    // The record as the icon of the given state with the given tooltip.
    void ExpectShows(const NOTIFYICONDATAW &record, int state, const wchar_t *tip)
    {
        EXPECT_EQ(952u, record.cbSize);
        EXPECT_EQ(MainWindow, record.hWnd);
        EXPECT_EQ(0u, record.uID);
        EXPECT_EQ(7u, record.uFlags);
        EXPECT_EQ((UINT)UM_TRAY_NOTIFY, record.uCallbackMessage);
        EXPECT_TRUE(record.hIcon != NULL);
        EXPECT_EQ(LoadAppIcon(IDI_TRAY_BASE + state), record.hIcon) << "state " << state;
        EXPECT_EQ(std::wstring(tip), TipOf(record));
        EXPECT_EQ(5000u, record.uTimeout);
    }
};

struct TipCase {
    int state;
    DWORD lineDivision;
    const wchar_t *tip;
};

const TipCase TipCases[] = {
    {TRAY_OFF, 0, L"Corvane - off"},
    {TRAY_FIFO_COPYING, 0, L"Corvane - FIFO (coping)"},
    {TRAY_FIFO_PASTING, 0, L"Corvane - FIFO (pasting)"},
    {TRAY_LOOP_COPYING, 0, L"Corvane - Loop (coping)"},
    {TRAY_LOOP_PASTING, 0, L"Corvane - Loop (pasting)"},
    {TRAY_OFF, 1, L"Corvane - off [Line division]"},
    {TRAY_FIFO_COPYING, 1, L"Corvane - FIFO (coping) [Line division]"},
    {TRAY_FIFO_PASTING, 1, L"Corvane - FIFO (pasting) [Line division]"},
    {TRAY_LOOP_COPYING, 1, L"Corvane - Loop (coping) [Line division]"},
    {TRAY_LOOP_PASTING, 1, L"Corvane - Loop (pasting) [Line division]"},
};

TEST_F(TrayTest, TooltipOfEveryStateWithAndWithoutLineDivision)
{
    EXPECT_EQ(0, TRAY_OFF);
    EXPECT_EQ(1, TRAY_FIFO_COPYING);
    EXPECT_EQ(2, TRAY_FIFO_PASTING);
    EXPECT_EQ(3, TRAY_LOOP_COPYING);
    EXPECT_EQ(4, TRAY_LOOP_PASTING);
    for (const TipCase &c : TipCases) {
        LineDivision = c.lineDivision;
        wchar_t tip[TRAY_TIP_LENGTH + 1];
        wmemset(tip, L'#', TRAY_TIP_LENGTH + 1);
        FormatTrayTip(tip, c.state);
        EXPECT_EQ(std::wstring(c.tip), std::wstring(tip)) << "state " << c.state;
        EXPECT_EQ(L'#', tip[TRAY_TIP_LENGTH]) << "wrote past the tooltip";
    }
}

TEST_F(TrayTest, AddShowsTheOffStateAtOnce)
{
    ASSERT_EQ(TRAY_OFF, CurrentTrayState);
    ASSERT_TRUE(AddTrayIcon());
    EXPECT_EQ("A", Events) << "one add, no sleep";
    ASSERT_EQ(1u, Calls.size());
    EXPECT_TRUE(Calls[0].result);
    EXPECT_EQ(0, RecordNotPassed);
    ExpectShows(Calls[0].record, TRAY_OFF, L"Corvane - off");
    ExpectShows(TrayRecord, TRAY_OFF, L"Corvane - off");

    // The rest of the record is empty: no state, no balloon, no GUID.
    NOTIFYICONDATAW empty = {};
    EXPECT_EQ(0u, TrayRecord.dwState);
    EXPECT_EQ(0u, TrayRecord.dwStateMask);
    EXPECT_EQ(0, memcmp(empty.szInfo, TrayRecord.szInfo, sizeof empty.szInfo));
    EXPECT_EQ(0, memcmp(empty.szInfoTitle, TrayRecord.szInfoTitle, sizeof empty.szInfoTitle));
    EXPECT_EQ(0u, TrayRecord.dwInfoFlags);
    EXPECT_EQ(0, memcmp(&empty.guidItem, &TrayRecord.guidItem, sizeof empty.guidItem));

    EXPECT_TRUE(ShellHasIcon());
    EXPECT_EQ(TRAY_OFF, CurrentTrayState);
}

TEST_F(TrayTest, SetTrayStateShowsEachStateAndRemembersIt)
{
    AddForReal();
    const int order[] = {TRAY_FIFO_COPYING, TRAY_FIFO_PASTING, TRAY_FIFO_PASTING,
                         TRAY_LOOP_COPYING, TRAY_LOOP_PASTING, TRAY_OFF};
    for (int state : order) {
        Calls.clear();
        SetTrayState(state);
        ASSERT_EQ(1u, Calls.size()) << "state " << state;
        EXPECT_EQ((DWORD)NIM_MODIFY, Calls[0].message);
        EXPECT_TRUE(Calls[0].result) << "the shell refused state " << state;
        ExpectShows(Calls[0].record, state, TipCases[state].tip);
        EXPECT_EQ(state, CurrentTrayState);
    }
    EXPECT_EQ(0, RecordNotPassed);
}

TEST_F(TrayTest, LineDivisionChangesOnlyTheTooltip)
{
    AddForReal();
    SetTrayState(TRAY_FIFO_PASTING);
    Calls.clear();
    Events.clear();

    LineDivision = 1;
    RefreshTrayTip();
    LineDivision = 0;
    RefreshTrayTip();

    ASSERT_EQ(2u, Calls.size());
    EXPECT_EQ("MM", Events);
    EXPECT_TRUE(Calls[0].result);
    EXPECT_TRUE(Calls[1].result);
    ExpectShows(Calls[0].record, TRAY_FIFO_PASTING, L"Corvane - FIFO (pasting) [Line division]");
    ExpectShows(Calls[1].record, TRAY_FIFO_PASTING, L"Corvane - FIFO (pasting)");
    EXPECT_EQ(TRAY_FIFO_PASTING, CurrentTrayState);

    // The suffix stays with later state changes while line division is on.
    LineDivision = 1;
    SetTrayState(TRAY_LOOP_COPYING);
    EXPECT_EQ(std::wstring(L"Corvane - Loop (coping) [Line division]"), TipOf(Calls.back().record));
}

TEST_F(TrayTest, StateIsRememberedWhenTheShellRefuses)
{
    Script.assign(1, Answer{FALSE, ERROR_ACCESS_DENIED});
    TrayNotify = PlayedNotify;
    SetTrayState(TRAY_LOOP_PASTING);
    EXPECT_EQ("M", Events);
    EXPECT_EQ(TRAY_LOOP_PASTING, CurrentTrayState);
}

TEST_F(TrayTest, StateOutsideTheTableIsIgnored)
{
    Script.assign(1, Answer{TRUE, 0});
    TrayNotify = PlayedNotify;
    SetTrayState(TRAY_FIFO_COPYING);
    Events.clear();
    SetTrayState(5);
    SetTrayState(-1);
    EXPECT_EQ("", Events);
    EXPECT_EQ(TRAY_FIFO_COPYING, CurrentTrayState);
}

TEST_F(TrayTest, RemoveDeletesTheIconOnlyWhenAdded)
{
    AddForReal();
    RemoveTrayIcon();
    ASSERT_EQ("D", Events);
    EXPECT_TRUE(Calls[0].result);
    EXPECT_EQ(952u, Calls[0].record.cbSize);
    EXPECT_EQ(MainWindow, Calls[0].record.hWnd);
    EXPECT_FALSE(ShellHasIcon());
    EXPECT_EQ(0u, TrayRecord.cbSize);

    // Removed already, or never added: the shell is not asked.
    Events.clear();
    RemoveTrayIcon();
    EXPECT_EQ("", Events);

    Script.assign(1, Answer{FALSE, ERROR_ACCESS_DENIED});
    TrayNotify = PlayedNotify;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(AddTrayIcon());
    testing::internal::GetCapturedStdout();
    Events.clear();
    RemoveTrayIcon();
    EXPECT_EQ("", Events);
}

// Adding at start-up while the shell is not ready.
struct RetryCase {
    const char *name;
    std::vector<Answer> answers; // per call, the last one repeating
    std::string events;          // expected calls and sleeps in order
    int added;
    DWORD tracedError; // the error in the trace line; 0: no line
};

// The first add, then each further attempt: sleep, modify, add.
std::string Attempts(int count)
{
    std::string events = "A";
    for (int i = 1; i < count; ++i)
        events += "SMA";
    return events;
}

std::vector<Answer> FailingCalls(int count, DWORD error)
{
    return std::vector<Answer>(count, Answer{FALSE, error});
}

std::vector<Answer> Then(std::vector<Answer> answers, Answer last)
{
    answers.push_back(last);
    return answers;
}

const Answer Accepted = {TRUE, 0};

std::string TraceLine(DWORD error)
{
    if (!error)
        return "";
    // "シェル登録エラー(%d)\n" in code page 932.
    return "\x83\x56\x83\x46\x83\x8b\x93\x6f\x98\x5e\x83\x47\x83\x89\x81\x5b(" + std::to_string(error) +
           ")\n";
}

TEST_F(TrayTest, AddRetriesOnlyWhileTheShellIsNotReady)
{
    const RetryCase cases[] = {
        {"first add accepted", {Accepted}, "A", 1, 0},
        {"timed-out add made the icon: modify, no second add",
         {{FALSE, ERROR_TIMEOUT}, Accepted},
         "ASM",
         1,
         0},
        {"timed out, nothing to modify, add accepted",
         {{FALSE, ERROR_TIMEOUT}, {FALSE, ERROR_ACCESS_DENIED}, Accepted},
         "ASMA",
         1,
         0},
        {"shell never ready", FailingCalls(1, ERROR_NO_TOKEN), Attempts(32), 0, ERROR_NO_TOKEN},
        {"accepted at the last attempt", Then(FailingCalls(62, ERROR_NO_TOKEN), Accepted), Attempts(32), 1,
         0},
        {"any other error fails at once", {{FALSE, ERROR_ACCESS_DENIED}}, "A", 0, ERROR_ACCESS_DENIED},
        {"other error after a retry: the add's error counts",
         {{FALSE, ERROR_NO_TOKEN}, {FALSE, ERROR_TIMEOUT}, {FALSE, ERROR_INVALID_PARAMETER}},
         "ASMA",
         0,
         ERROR_INVALID_PARAMETER},
    };
    for (const RetryCase &c : cases) {
        SCOPED_TRACE(c.name);
        Calls.clear();
        Events.clear();
        Sleeps.clear();
        RecordNotPassed = 0;
        Script = c.answers;
        TrayNotify = PlayedNotify;

        testing::internal::CaptureStdout();
        int added = AddTrayIcon();
        std::string output = testing::internal::GetCapturedStdout();

        EXPECT_EQ(c.added, added != 0);
        EXPECT_EQ(c.events, Events);
        EXPECT_EQ(std::vector<DWORD>(Sleeps.size(), TRAY_RETRY_DELAY), Sleeps);
        EXPECT_EQ(c.added ? 952u : 0u, TrayRecord.cbSize);
        EXPECT_EQ(TraceLine(c.tracedError), output);
        // Every attempt sends the full record of the off state again.
        EXPECT_EQ(0, RecordNotPassed);
        for (const NotifyCall &call : Calls)
            ExpectShows(call.record, TRAY_OFF, L"Corvane - off");
    }
    EXPECT_EQ(TRAY_OFF, CurrentTrayState);
}

} // namespace
