#!/usr/bin/env python3
"""Checks the two deliverables as files: exports, imports, sections, resources.

    binary_checks.py fifo.dll Corvane.exe
"""
import struct
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "comctl32.dll",
               "msvcrt.dll"}
FIFO_EXPORTS = {1: "_FIFO_ResetHook@0", 2: "_FIFO_SetHook@4", 3: "_HIST_ResetHook@0",
                4: "_HIST_SetHook@8"}
FIFO_USER32 = {"CallNextHookEx", "GetQueueStatus", "PostMessageW", "SetWindowsHookExW",
               "UnhookWindowsHookEx"}

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


class PE:
    def __init__(self, path):
        self.data = open(path, "rb").read()
        d = self.data
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        self.machine, count = struct.unpack_from("<HH", d, pe + 4)
        optsize = struct.unpack_from("<H", d, pe + 20)[0]
        self.subsystem = struct.unpack_from("<H", d, pe + 24 + 68)[0]
        dirs = pe + 24 + 96
        self.dirs = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(16)]
        self.sections = []
        for i in range(count):
            off = pe + 24 + optsize + 40 * i
            name, vsize, va, rsize, rptr = struct.unpack_from("<8sIIII", d, off)
            flags = struct.unpack_from("<I", d, off + 36)[0]
            self.sections.append((name.rstrip(b"\0").decode(), vsize, va, rsize, rptr, flags))

    def offset(self, rva):
        for _, vsize, va, rsize, rptr, _ in self.sections:
            if va <= rva < va + max(vsize, rsize):
                return rptr + rva - va
        raise ValueError(hex(rva))

    def cstr(self, rva):
        o = self.offset(rva)
        return self.data[o:self.data.index(b"\0", o)].decode()

    def exports(self):
        rva, _ = self.dirs[0]
        o = self.offset(rva)
        name_rva, base, nfuncs, nnames, funcs, names, ords = struct.unpack_from("<IIIIIII", self.data, o + 12)
        result = {}
        for i in range(nnames):
            n = struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)[0]
            idx = struct.unpack_from("<H", self.data, self.offset(ords) + 2 * i)[0]
            result[base + idx] = self.cstr(n)
        return self.cstr(name_rva), result

    def imports(self):
        rva, _ = self.dirs[1]
        o = self.offset(rva)
        result = {}
        while True:
            lookup, _, _, name, thunk = struct.unpack_from("<IIIII", self.data, o)
            if not name:
                return result
            funcs = []
            t = self.offset(lookup or thunk)
            while True:
                entry = struct.unpack_from("<I", self.data, t)[0]
                if not entry:
                    break
                funcs.append("#%d" % (entry & 0xFFFF) if entry & 0x80000000 else self.cstr(entry + 2))
                t += 4
            result[self.cstr(name)] = funcs
            o += 20

    def resources(self):
        """(type, id, language) of every resource."""
        rva, _ = self.dirs[2]
        base = self.offset(rva)
        out = []

        def walk(o, path):
            named, ids = struct.unpack_from("<HH", self.data, base + o + 12)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", self.data, base + o + 16 + 8 * i)
                key = ident if not ident & 0x80000000 else "name"
                if target & 0x80000000:
                    walk(target & 0x7FFFFFFF, path + [key])
                else:
                    out.append(tuple(path + [key]))

        walk(0, [])
        return out


def main(fifo_path, exe_path):
    fifo = PE(fifo_path)
    exe = PE(exe_path)
    for name, pe in (("fifo.dll", fifo), ("Corvane.exe", exe)):
        check(pe.machine == 0x14C, name + " is a 32-bit x86 image")
        imports = pe.imports()
        extra = {d for d in imports if d.lower() not in SYSTEM_DLLS | {"fifo.dll"}}
        check(not extra, name + " needs only system DLLs and fifo.dll (extra: %s)" % sorted(extra))

    dll_name, exports = fifo.exports()
    check(dll_name == "fifo.dll", "export table names fifo.dll (%s)" % dll_name)
    check(exports == FIFO_EXPORTS, "fifo.dll exports and ordinals (%s)" % exports)
    shared = [s for s in fifo.sections if s[0] == "CVFIFO@1"]
    check(len(shared) == 1 and shared[0][1] == 16 and shared[0][5] == 0xD0000040,
          "section CVFIFO@1: 16 bytes, flags 0xD0000040 (%s)" % [(hex(s[1]), hex(s[5])) for s in shared])
    fifo_imports = fifo.imports()
    check(set(fifo_imports) == {"USER32.dll"} and set(fifo_imports["USER32.dll"]) == FIFO_USER32,
          "fifo.dll calls only the five user32 functions (%s)" % fifo_imports)
    res = set(fifo.resources())
    check((24, 2, 0x409) in res, "fifo.dll manifest 2, language 0x0409")
    check((16, 1, 0x411) in res, "fifo.dll version resource, language 0x0411")

    exe_imports = exe.imports()
    check(sorted(exe_imports.get("fifo.dll", [])) == sorted(FIFO_EXPORTS.values()),
          "Corvane.exe imports the four decorated names from fifo.dll (%s)" % exe_imports.get("fifo.dll"))
    check(exe.subsystem == 2, "Corvane.exe is a GUI program")
    res = set(exe.resources())
    for kind, ident, what in ((14, 100, "icon 100"), (14, 101, "icon 101"), (24, 1, "manifest 1"),
                              (16, 1, "version"), (4, 200, "menu 200"), (5, 120, "dialog 120"),
                              (5, 140, "dialog 140")) + tuple((14, n, "icon %d" % n) for n in range(110, 115)):
        check((kind, ident, 0x411) in res, "Corvane.exe %s, language 0x0411" % what)

    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
