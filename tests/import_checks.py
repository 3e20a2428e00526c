#!/usr/bin/env python3
"""What the two deliverables need from Windows, as an XP loader sees it.

    import_checks.py imports.txt fifo.dll Corvane.exe [--update]

Every imported function (per DLL, by name or #ordinal) must be exactly the
committed list in imports.txt, so that a new import is a deliberate change
of that list. None may be one that Windows XP SP3 lacks: the loader would
refuse to start the program. The PE header must ask for no newer Windows
than XP (5.1), and fifo.dll, which the hooks load into other programs at
run time, must carry no TLS directory: XP's loader sets up static TLS only
for the modules present at process start.

--update rewrites the function lines of imports.txt from the binaries and
keeps its header; check each new line for XP before committing it.
"""
import difflib
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from binary_checks import PE  # noqa: E402

XP = (5, 1)
# The loader refuses images that claim a subsystem older than 3.10.
OLDEST = (3, 10)

# Functions that came after XP SP3 and that a C/C++ runtime or Win32 code of
# this kind is likely to pull in. Listed so that even a carelessly updated
# imports.txt cannot let one through.
AFTER_XP = {
    "kernel32.dll": """
        AcquireSRWLockExclusive AcquireSRWLockShared CancelIoEx CompareStringEx
        CreateEventExA CreateEventExW CreateMutexExA CreateMutexExW
        CreateSemaphoreExA CreateSemaphoreExW CreateSymbolicLinkW FlsAlloc FlsFree
        FlsGetValue FlsSetValue GetCurrentProcessorNumber GetErrorMode
        GetFileInformationByHandleEx GetFinalPathNameByHandleW GetLocaleInfoEx
        GetQueuedCompletionStatusEx GetSystemTimePreciseAsFileTime GetThreadId
        GetTickCount64 GetUserDefaultLocaleName InitOnceBeginInitialize
        InitOnceComplete InitOnceExecuteOnce InitializeConditionVariable
        InitializeCriticalSectionEx InitializeSRWLock LCIDToLocaleName LCMapStringEx
        LocaleNameToLCID QueryFullProcessImageNameW RaiseFailFastException
        ReleaseSRWLockExclusive ReleaseSRWLockShared SetFileInformationByHandle
        SetThreadErrorMode SleepConditionVariableCS SleepConditionVariableSRW
        TryAcquireSRWLockExclusive WakeAllConditionVariable WakeConditionVariable
        """,
    "user32.dll": """
        AddClipboardFormatListener ChangeWindowMessageFilter
        ChangeWindowMessageFilterEx GetDpiForWindow GetUpdatedClipboardFormats
        IsProcessDPIAware RemoveClipboardFormatListener SetProcessDPIAware
        SetProcessDpiAwarenessContext ShutdownBlockReasonCreate
        """,
    "shell32.dll": "SHGetKnownFolderPath Shell_NotifyIconGetRect",
    "comctl32.dll": "LoadIconMetric LoadIconWithScaleDown TaskDialog TaskDialogIndirect",
    # XP's msvcrt.dll predates the "secure" _s functions and the
    # invalid-parameter handler of later runtimes.
    "msvcrt.dll": """
        _fseeki64 _ftelli64 _get_invalid_parameter_handler
        _set_invalid_parameter_handler _snwprintf_s _vsnwprintf_s fopen_s memcpy_s
        sprintf_s strcpy_s swprintf_s wcscat_s wcscpy_s
        """,
}
AFTER_XP = {dll: set(names.split()) for dll, names in AFTER_XP.items()}

failures = []


def check(ok, what, detail=""):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        if detail:
            print(detail.rstrip("\n"))
        failures.append(what)


def header_versions(pe):
    """(magic, OS version, subsystem version) of the optional header."""
    opt = struct.unpack_from("<I", pe.data, 0x3C)[0] + 24
    magic = struct.unpack_from("<H", pe.data, opt)[0]
    os_major, os_minor = struct.unpack_from("<HH", pe.data, opt + 40)
    sub_major, sub_minor = struct.unpack_from("<HH", pe.data, opt + 48)
    return magic, (os_major, os_minor), (sub_major, sub_minor)


def import_lines(binary, pe):
    """One "binary dll function" line per import; DLL names in lower case,
    since the loader does not care and the linkers spell them variously."""
    lines = []
    for dll, funcs in pe.imports().items():
        lines += ["%s %s %s" % (binary, dll.lower(), f) for f in funcs]
    return sorted(lines)


def read_list(path):
    header, entries = [], []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                if not entries:  # the header; later comments are dropped
                    header.append(line)
                continue
            entries.append(line)
    return header, entries


def main(args):
    update = "--update" in args
    args = [a for a in args if a != "--update"]
    list_path, fifo_path, exe_path = args
    binaries = (("fifo.dll", PE(fifo_path)), ("Corvane.exe", PE(exe_path)))

    actual = []
    for name, pe in binaries:
        magic, os_version, sub_version = header_versions(pe)
        check(magic == 0x10B, name + " has a PE32 optional header (magic %#x)" % magic)
        for field, version in (("operating system", os_version), ("subsystem", sub_version)):
            check(OLDEST <= version <= XP, "%s asks for %s version %d.%d, at most %d.%d"
                  % (name, field, version[0], version[1], XP[0], XP[1]))
        actual += import_lines(name, pe)
    actual.sort()
    tls_rva, tls_size = binaries[0][1].dirs[9]
    check(tls_rva == 0 and tls_size == 0,
          "fifo.dll has no TLS directory (rva %#x, size %d)" % (tls_rva, tls_size))

    too_new = [line for line in actual
               if line.split(" ", 2)[2] in AFTER_XP.get(line.split(" ", 2)[1], ())]
    check(not too_new, "no import is of a function that Windows XP SP3 lacks",
          "".join("    %s\n" % line for line in too_new))

    header, committed = read_list(list_path)
    if update:
        with open(list_path, "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in header + actual))
        print("updated %s: %d imports" % (list_path, len(actual)))
        committed = actual
    check(committed == sorted(set(committed)),
          "%s is sorted (byte order) without duplicates" % os.path.basename(list_path))
    diff = "".join(difflib.unified_diff([l + "\n" for l in sorted(set(committed))],
                                        [l + "\n" for l in actual],
                                        "committed " + os.path.basename(list_path),
                                        "imported by the binaries"))
    check(not diff, "the imports are exactly the committed list (%d lines)" % len(committed),
          diff + ("\nA new import: check that Windows XP SP3 has it, then add its line."
                  if diff else ""))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
