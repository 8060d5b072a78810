#!/usr/bin/env python3
"""Checks the tree's #include lines against the folder rules.

Usage: check_includes.py ROOT     prints one line per include that breaks a rule, exit 1
       check_includes.py --self-test

Includes run down inside core/ (base, chip, link, adapters and sim, eeprom); gui/ and cli/
include core/, never the other way; a page never includes another page; core/ and cli/
include no Qt. Includes are root-relative, so the folder of an include is its path.
"""

import pathlib
import re
import sys
import tempfile

# Folder -> the folders it may include (its own always). Longest prefix wins.
CORE = ["core/base", "core/chip", "core/link", "core/adapters", "core/sim", "core/eeprom",
        "core/monitor"]
ALLOWED = {
    "core/base": [],
    "core/chip": [],
    "core/link": ["core/base", "core/chip"],
    "core/sim": ["core/base", "core/chip", "core/link"],
    "core/adapters": ["core/base", "core/chip", "core/link", "core/sim"],
    "core/eeprom": CORE,
    "core/monitor": ["core/base", "core/chip"],
    "gui/widgets": ["core"],
    "gui/dialogs": ["core", "gui/widgets"],
    "gui/pages/control": ["core", "gui/widgets"],
    "gui/pages/eeprom": ["core", "gui/widgets"],
    "gui/pages/registers": ["core", "gui/widgets"],
    "gui/monitor": ["core", "gui/widgets"],
    "gui/app": ["core", "gui"],
    "cli": ["core"],
}
NO_QT = ("core", "cli")
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^Q[A-Za-z]|^Qt")


def within(path, folder):
    return path == folder or path.startswith(folder + "/")


def folder_of(path):
    matches = [f for f in ALLOWED if within(path, f)]
    return max(matches, key=len) if matches else None


def violations(root):
    root = pathlib.Path(root)
    found = []
    for top in ("core", "gui", "cli"):
        for file in sorted((root / top).rglob("*")):
            if file.suffix not in SOURCE_SUFFIXES:
                continue
            rel = file.relative_to(root).as_posix()
            folder = folder_of(rel)
            lines = file.read_text(encoding="utf-8", errors="replace").splitlines()
            for number, line in enumerate(lines, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                kind, target = m.groups()
                where = f"{rel}:{number}: {target}"
                if kind == "<":
                    if QT_HEADER.match(target) and any(within(rel, t) for t in NO_QT):
                        found.append(f"{where}: no Qt under {rel.split('/')[0]}/")
                    continue
                if folder is None:
                    found.append(f"{where}: {rel} lies in no known folder")
                elif not target.startswith(("core/", "gui/", "cli/")):
                    found.append(f"{where}: includes are root-relative")
                elif not (within(target, folder)
                          or any(within(target, f) for f in ALLOWED[folder])):
                    found.append(f"{where}: {folder}/ may not include it")
    return found


def self_test():
    files = {
        "core/chip/a.h": '#include <array>\n#include "core/base/x.h"\n',
        "core/link/b.cpp": '#include "core/link/b.h"\n#include "core/chip/a.h"\n',
        "core/link/c.cpp": '#include "core/eeprom/e.h"\n',
        "core/sim/d.cpp": '#include <QColor>\n#include "core/adapters/f.h"\n',
        "core/eeprom/e.cpp": '#include "gui/widgets/w.h"\n',
        "gui/pages/eeprom/p.cpp": ('#include <QWidget>\n#include "core/link/b.h"\n'
                                   '#include "gui/widgets/w.h"\n'
                                   '#include "gui/pages/registers/s.h"\n'),
        "gui/widgets/w.cpp": '#include "gui/app/form2.h"\n',
        "gui/app/m.cpp": '#include "gui/pages/eeprom/p.h"\n#include "cli/x.h"\n',
        "cli/main.cpp": '#include "core/eeprom/e.h"\n#include "local.h"\n',
    }
    expected = [
        "core/chip/a.h:2", "core/eeprom/e.cpp:1", "core/link/c.cpp:1", "core/sim/d.cpp:1",
        "core/sim/d.cpp:2", "cli/main.cpp:2", "gui/app/m.cpp:2", "gui/pages/eeprom/p.cpp:4",
        "gui/widgets/w.cpp:1",
    ]
    with tempfile.TemporaryDirectory() as tmp:
        for name, text in files.items():
            path = pathlib.Path(tmp) / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        got = sorted(v.split(": ")[0] for v in violations(tmp))
    if got != sorted(expected):
        print("self-test: expected", sorted(expected), "got", got)
        return 1
    return 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    if len(argv) != 2:
        print(__doc__)
        return 2
    found = violations(argv[1])
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
