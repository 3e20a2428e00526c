#!/usr/bin/env python3
"""Makes the release zip with cpack and checks it as a Windows user gets it.

    release_checks.py CPACK BUILD_DIR SOURCE_DIR

The zip is named after the version the version resource shows, holds one
folder with exactly Corvane.exe, fifo.dll and readme.txt, the binaries are
the ones just built, and the readme is fit for Notepad: UTF-8 with a byte
order mark, CRLF line ends only, no line wider than 79 columns, and every
Japanese text it quotes is one the program really shows.
"""
import os
import re
import subprocess
import sys
import unicodedata
import zipfile

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def width(line):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in line)


def program_texts(source):
    """The resource script (menu accelerators' & dropped, as the user sees
    them) and the product's C++ sources, as one text to search."""
    with open(os.path.join(source, "resources", "corvane.rc"), encoding="utf-8") as f:
        text = f.read().replace("&", "")
    for folder in ("app", "clip", "history", "tray", "hotkeys"):
        for name in sorted(os.listdir(os.path.join(source, folder))):
            if name.endswith(".cpp"):
                with open(os.path.join(source, folder, name), encoding="utf-8") as f:
                    text += f.read()
    return text


def main(cpack, build, source):
    with open(os.path.join(source, "resources", "corvane.rc"), encoding="utf-8") as f:
        version = re.search(r'VALUE "ProductVersion", "Ver ([0-9.]+)"', f.read()).group(1)
    folder = "Corvane-%s-win32" % version
    path = os.path.join(build, folder + ".zip")
    if os.path.exists(path):
        os.remove(path)
    run = subprocess.run([cpack, "--config", "CPackConfig.cmake"], cwd=build,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=240)
    print(run.stdout.rstrip())
    check(run.returncode == 0 and os.path.isfile(path),
          "cpack makes %s (exit %d)" % (os.path.basename(path), run.returncode))
    if failures:
        return 1

    with zipfile.ZipFile(path) as z:
        files = sorted(n for n in z.namelist() if not n.endswith("/"))
        expected = sorted(folder + "/" + n for n in ("Corvane.exe", "fifo.dll", "readme.txt"))
        check(files == expected, "the zip holds %s (%s)" % (expected, files))
        check(z.testzip() is None, "the zip's entries are intact")
        for name in ("Corvane.exe", "fifo.dll"):
            with open(os.path.join(build, "bin", name), "rb") as f:
                built = f.read()
            packed = z.read(folder + "/" + name) if folder + "/" + name in files else b""
            check(packed == built, "%s in the zip is the one built (%d bytes)" % (name, len(packed)))
        readme = z.read(folder + "/readme.txt") if folder + "/readme.txt" in files else b""

    bom = readme.startswith(b"\xef\xbb\xbf")
    check(bom, "readme.txt starts with the UTF-8 byte order mark")
    try:
        text = readme[3 if bom else 0:].decode("utf-8")
    except UnicodeDecodeError as e:
        check(False, "readme.txt is UTF-8 (%s)" % e)
        return 1
    bare = len(re.findall(r"\r(?!\n)|(?<!\r)\n", text))
    check(text.endswith("\r\n") and bare == 0 and text.count("\r\n") > 50,
          "readme.txt has CRLF line ends only (%d CRLF, %d bare CR or LF)"
          % (text.count("\r\n"), bare))
    lines = re.split(r"\r\n|\r|\n", text)
    wide = [l for l in lines if width(l) > 79]
    check(not wide, "readme.txt lines fit 79 columns (%s)" % wide[:3])
    check(lines[0] == "Corvane " + version, "readme.txt names version %s (%r)" % (version, lines[0][:40]))
    check("@" not in text, "readme.txt has no unreplaced @VARIABLE@")

    shown = program_texts(source)
    quoted = [q for q in re.findall(r'"([^"\r\n]+)"', text) if any(ord(c) > 127 for c in q)]
    unknown = [q for q in quoted if q not in shown]
    check(len(quoted) >= 10 and not unknown,
          "the %d Japanese texts readme.txt quotes are the program's own (unknown: %s)"
          % (len(quoted), unknown))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
