// probe.exe: the end-to-end tests' eyes and hands inside the Wine desktop.
// It reads one command per line on standard input and answers each with one
// line on standard output, so a test pays for one Wine start, not one per look.
//
//   clip                      the clipboard text: "W <utf-8>", "A <hex>" or "-"
//   clipowner                 class of the clipboard owner window, or "-"
//   setclip <utf-8>           put a UTF-16 text on the clipboard
//   setclipa <hex>            put only CF_TEXT on the clipboard: these bytes
//                             and a terminator (the system may add the other
//                             text formats, as Windows does)
//   clipa                     the CF_TEXT bytes as the clipboard hands them
//                             out, in hex, up to the terminator: "A <hex>",
//                             "-" or "busy"
//   find <class> <title>      top-level windows ("-" matches any): one line,
//                             entries "hwnd pid visible l t r b" joined by ";"
//   texts <hwnd>              the window's text and its children's texts, "|"-joined
//   edittext <hwnd>           text of the first EDIT child (or the window itself)
//   post <hwnd> <msg> <w> <l> PostMessageW, numbers in hex
//   send <hwnd> <msg> <w> <l> SendMessageTimeoutW (5 s), numbers in hex
//   click <hwnd> <id>         BM_CLICK on a dialog control
//   fakeshell                 create a "Shell_TrayWnd" that refuses every icon
//   holdclip <ms>             keep the clipboard open for ms, then close it
//   caret <hwnd>              screen point of the caret of the window's thread
//                             (left edge, middle): "x y", or "-"
//   hotkey <mod> <vk>         register a system-wide hotkey for this thread
//                             (hex), so that it is taken for other programs
//   child <hwnd> <id>         a dialog control: "hwnd visible l t r b" (screen), or "-"
//   focus <hwnd>              focus and active window of the window's thread:
//                             "focus active" (0 for none), or "-"
//   quit
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void Reply(const char *text)
{
    fputs(text, stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

static void Utf8(const wchar_t *text, char *out, int size)
{
    if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, out, size, NULL, NULL))
        out[0] = 0;
}

// Texts go out on one line: line breaks and tabs are escaped.
static void ReplyEscapedW(const char *prefix, const wchar_t *text)
{
    static char utf8[1 << 20];
    static char line[(1 << 21) + 16];
    Utf8(text, utf8, sizeof utf8);
    char *o = line + sprintf(line, "%s", prefix);
    for (const char *p = utf8; *p; ++p) {
        if (*p == '\\' || *p == '\r' || *p == '\n' || *p == '\t') {
            *o++ = '\\';
            *o++ = *p == '\r' ? 'r' : *p == '\n' ? 'n' : *p == '\t' ? 't' : '\\';
        } else {
            *o++ = *p;
        }
    }
    *o = 0;
    Reply(line);
}

// Narrow text goes out as "A " and its bytes in hex, up to the terminator.
static void ReplyHexA(const unsigned char *text)
{
    static char hex[1 << 20];
    char *o = hex + sprintf(hex, "A ");
    for (const unsigned char *p = text; *p && o < hex + sizeof hex - 4; ++p)
        o += sprintf(o, "%02x", *p);
    Reply(hex);
}

static void CmdClip(void)
{
    if (!OpenClipboard(NULL)) {
        Reply("busy");
        return;
    }
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    int ansiOnly = !IsClipboardFormatAvailable(CF_UNICODETEXT) && IsClipboardFormatAvailable(CF_TEXT);
    if (ansiOnly)
        data = GetClipboardData(CF_TEXT);
    const void *text = data ? GlobalLock(data) : NULL;
    if (!text) {
        Reply("-");
    } else if (ansiOnly) {
        ReplyHexA((const unsigned char *)text);
    } else {
        ReplyEscapedW("W ", (const wchar_t *)text);
    }
    if (data)
        GlobalUnlock(data);
    CloseClipboard();
}

static void CmdClipOwner(void)
{
    wchar_t name[256] = L"-";
    HWND owner = GetClipboardOwner();
    if (owner)
        GetClassNameW(owner, name, 256);
    ReplyEscapedW("", name);
}

// The block becomes the clipboard's only data: "ok", or "busy" (block freed).
static void ReplacePut(UINT format, HGLOBAL block)
{
    if (!OpenClipboard(NULL)) {
        GlobalFree(block);
        Reply("busy");
        return;
    }
    EmptyClipboard();
    SetClipboardData(format, block);
    CloseClipboard();
    Reply("ok");
}

static void CmdSetClip(const char *utf8)
{
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, NULL, 0);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, units * sizeof(wchar_t));
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, (wchar_t *)GlobalLock(block), units);
    GlobalUnlock(block);
    ReplacePut(CF_UNICODETEXT, block);
}

static void CmdSetClipA(const char *hex)
{
    size_t bytes = strlen(hex) / 2;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes + 1);
    unsigned char *p = (unsigned char *)GlobalLock(block);
    for (size_t i = 0; i < bytes; ++i) {
        unsigned v = 0;
        sscanf(hex + 2 * i, "%2x", &v);
        p[i] = (unsigned char)v;
    }
    GlobalUnlock(block);
    ReplacePut(CF_TEXT, block);
}

static void CmdClipA(void)
{
    if (!OpenClipboard(NULL)) {
        Reply("busy");
        return;
    }
    HANDLE data = GetClipboardData(CF_TEXT);
    const unsigned char *text = data ? (const unsigned char *)GlobalLock(data) : NULL;
    if (!text) {
        Reply("-");
    } else {
        ReplyHexA(text);
        GlobalUnlock(data);
    }
    CloseClipboard();
}

struct FindState {
    wchar_t cls[256], title[256];
    char out[8192];
};

static BOOL CALLBACK FindProc(HWND window, LPARAM param)
{
    FindState *s = (FindState *)param;
    wchar_t cls[256], title[256];
    GetClassNameW(window, cls, 256);
    GetWindowTextW(window, title, 256);
    if ((s->cls[0] && wcscmp(s->cls, cls)) || (s->title[0] && wcscmp(s->title, title)))
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    RECT r;
    GetWindowRect(window, &r);
    size_t n = strlen(s->out);
    if (n + 128 < sizeof s->out)
        sprintf(s->out + n, "%s%lx %lu %d %ld %ld %ld %ld", n ? ";" : "", (unsigned long)(ULONG_PTR)window,
                (unsigned long)pid, IsWindowVisible(window) ? 1 : 0, r.left, r.top, r.right, r.bottom);
    return TRUE;
}

static void Wide(const char *utf8, wchar_t *out, int size)
{
    if (!strcmp(utf8, "-") || !MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out, size))
        out[0] = 0;
}

static void CmdFind(const char *cls, const char *title)
{
    static FindState s;
    Wide(cls, s.cls, 256);
    Wide(title, s.title, 256);
    s.out[0] = 0;
    EnumWindows(FindProc, (LPARAM)&s);
    Reply(s.out[0] ? s.out : "-");
}

static wchar_t TextsBuffer[65536];

static BOOL CALLBACK TextsProc(HWND child, LPARAM)
{
    size_t n = wcslen(TextsBuffer);
    if (n + 1024 >= 65536)
        return FALSE;
    TextsBuffer[n++] = L'|';
    GetWindowTextW(child, TextsBuffer + n, 1000);
    return TRUE;
}

static HWND ParseWindow(const char *text)
{
    return (HWND)(ULONG_PTR)strtoul(text, NULL, 16);
}

static void CmdTexts(const char *hwnd)
{
    HWND window = ParseWindow(hwnd);
    TextsBuffer[0] = 0;
    GetWindowTextW(window, TextsBuffer, 1000);
    EnumChildWindows(window, TextsProc, 0);
    ReplyEscapedW("", TextsBuffer);
}

static void CmdEditText(const char *hwnd)
{
    static wchar_t text[1 << 19];
    HWND window = ParseWindow(hwnd);
    HWND edit = FindWindowExW(window, NULL, L"Edit", NULL);
    text[0] = 0;
    SendMessageW(edit ? edit : window, WM_GETTEXT, sizeof text / sizeof text[0], (LPARAM)text);
    ReplyEscapedW("", text);
}

// A shell window that takes the tray protocol's WM_COPYDATA and says no.
static LRESULT CALLBACK RefusingShellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA)
        return FALSE;
    return DefWindowProcW(window, message, wParam, lParam);
}

// The fake shell lives on a thread of its own with a message loop, so that
// the tray protocol's sent messages are answered while the main thread waits
// for the next command.
static DWORD WINAPI FakeShellThread(LPVOID param)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RefusingShellProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"Shell_TrayWnd";
    RegisterClassW(&wc);
    HWND shell = CreateWindowExW(WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 1, 1, NULL, NULL,
                                 wc.hInstance, NULL);
    *(HWND *)param = shell;
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

static void CmdFakeShell(void)
{
    static HWND shell;
    HANDLE thread = CreateThread(NULL, 0, FakeShellThread, &shell, 0, NULL);
    for (int i = 0; i < 500 && !shell; ++i)
        Sleep(10);
    CloseHandle(thread);
    char line[64];
    sprintf(line, "%lx", (unsigned long)(ULONG_PTR)shell);
    Reply(shell ? line : "-");
}

static void CmdCaret(const char *hwnd)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(ParseWindow(hwnd), NULL);
    if (!GetGUIThreadInfo(thread, &info) || !info.hwndCaret) {
        Reply("-");
        return;
    }
    POINT p = {info.rcCaret.left, info.rcCaret.top + (info.rcCaret.bottom - info.rcCaret.top) / 2};
    ClientToScreen(info.hwndCaret, &p);
    char line[64];
    sprintf(line, "%ld %ld", p.x, p.y);
    Reply(line);
}

static void CmdChild(const char *hwnd, const char *id)
{
    HWND child = GetDlgItem(ParseWindow(hwnd), atoi(id));
    RECT r;
    if (!child || !GetWindowRect(child, &r)) {
        Reply("-");
        return;
    }
    char line[128];
    sprintf(line, "%lx %d %ld %ld %ld %ld", (unsigned long)(ULONG_PTR)child, IsWindowVisible(child) ? 1 : 0,
            r.left, r.top, r.right, r.bottom);
    Reply(line);
}

// GetFocus only sees this thread; the GUI thread info sees any thread's.
static void CmdFocus(const char *hwnd)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(ParseWindow(hwnd), NULL);
    if (!thread || !GetGUIThreadInfo(thread, &info)) {
        Reply("-");
        return;
    }
    char line[64];
    sprintf(line, "%lx %lx", (unsigned long)(ULONG_PTR)info.hwndFocus,
            (unsigned long)(ULONG_PTR)info.hwndActive);
    Reply(line);
}

int main(void)
{
    static char line[1 << 16];
    Reply("ready");
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\r\n")] = 0;
        char *argv[6] = {};
        int argc = 0;
        for (char *p = line; *p && argc < 6;) {
            argv[argc++] = p;
            if (argc == 2 && !strcmp(argv[0], "setclip"))
                break; // the rest of the line is the text
            while (*p && *p != ' ')
                ++p;
            if (*p)
                *p++ = 0;
        }
        if (!argc)
            continue;
        const char *cmd = argv[0];
        if (!strcmp(cmd, "clip"))
            CmdClip();
        else if (!strcmp(cmd, "clipowner"))
            CmdClipOwner();
        else if (!strcmp(cmd, "setclip") && argc == 2)
            CmdSetClip(argv[1]);
        else if (!strcmp(cmd, "setclipa") && argc == 2)
            CmdSetClipA(argv[1]);
        else if (!strcmp(cmd, "clipa"))
            CmdClipA();
        else if (!strcmp(cmd, "find") && argc == 3)
            CmdFind(argv[1], argv[2]);
        else if (!strcmp(cmd, "texts") && argc == 2)
            CmdTexts(argv[1]);
        else if (!strcmp(cmd, "edittext") && argc == 2)
            CmdEditText(argv[1]);
        else if (!strcmp(cmd, "post") && argc == 5)
            Reply(PostMessageW(ParseWindow(argv[1]), strtoul(argv[2], NULL, 16), strtoul(argv[3], NULL, 16),
                               strtoul(argv[4], NULL, 16))
                      ? "ok"
                      : "failed");
        else if (!strcmp(cmd, "click") && argc == 3)
            Reply(PostMessageW(GetDlgItem(ParseWindow(argv[1]), atoi(argv[2])), BM_CLICK, 0, 0) ? "ok"
                                                                                                : "failed");
        else if (!strcmp(cmd, "fakeshell"))
            CmdFakeShell();
        else if (!strcmp(cmd, "holdclip") && argc == 2) {
            int opened = OpenClipboard(NULL);
            Reply(opened ? "held" : "busy");
            Sleep(atoi(argv[1]));
            if (opened)
                CloseClipboard();
        } else if (!strcmp(cmd, "send") && argc == 5) {
            DWORD_PTR result = 0;
            Reply(SendMessageTimeoutW(ParseWindow(argv[1]), strtoul(argv[2], NULL, 16),
                                      strtoul(argv[3], NULL, 16), strtoul(argv[4], NULL, 16),
                                      SMTO_ABORTIFHUNG, 5000, &result)
                      ? "ok"
                      : "failed");
        } else if (!strcmp(cmd, "caret") && argc == 2) {
            CmdCaret(argv[1]);
        } else if (!strcmp(cmd, "hotkey") && argc == 3) {
            static int id = 1;
            Reply(RegisterHotKey(NULL, id++, strtoul(argv[1], NULL, 16), strtoul(argv[2], NULL, 16))
                      ? "ok"
                      : "failed");
        } else if (!strcmp(cmd, "child") && argc == 3) {
            CmdChild(argv[1], argv[2]);
        } else if (!strcmp(cmd, "focus") && argc == 2) {
            CmdFocus(argv[1]);
        } else if (!strcmp(cmd, "quit")) {
            Reply("bye");
            return 0;
        } else
            Reply("?");
    }
    return 0;
}
