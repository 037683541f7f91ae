#!/usr/bin/env python3
"""Snapshots of a Wine prefix (its registry files and the files of drive C),
and what a later snapshot holds that an earlier one did not.

  prefix_snapshot.py take PREFIX SNAPSHOT.json
  prefix_snapshot.py added BEFORE.json AFTER.json [--ours REGEX]

"added" prints every registry value and key, file and folder of AFTER that
BEFORE lacks; with --ours it fails (exit 1) when one of them matches REGEX
(case-insensitive) or lies in Program Files, the Start menu or the classes
and uninstall keys of the registry, where nothing of Wine's own appears.
"""
import json
import os
import re
import sys

REGISTRY_FILES = ("system.reg", "user.reg", "userdef.reg")
# Places where only an installer of ours adds anything during the test.
OUR_PLACES = re.compile(
    r"^(file:drive_c/Program Files|file:drive_c/ProgramData/Microsoft/Windows/Start Menu"
    r"|file:drive_c/users/[^/]+/AppData/Roaming/Microsoft/Windows/Start Menu"
    r"|reg:[a-z.]+:Software\\\\Classes\\\\(CLSID|Interface|Component Categories|TypeLib|AppID)\\\\"
    r"|reg:[a-z.]+:Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\)",
    re.IGNORECASE)


def registry_entries(path, label):
    """Keys and values of a Wine registry file, without the times Wine stamps on keys."""
    entries = set()
    key = None
    with open(path, encoding="utf-8", errors="replace") as text:
        for line in text:
            line = line.rstrip("\n")
            if line.startswith("["):
                key = line[1:line.rfind("]")]
                entries.add(f"reg:{label}:{key}")
            elif key is not None and line and not line.startswith((";", "#", "@time")):
                entries.add(f"reg:{label}:{key} {line}")
    return entries


def file_entries(prefix):
    entries = set()
    drive = os.path.join(prefix, "drive_c")
    for folder, folders, files in os.walk(drive):
        relative = os.path.relpath(folder, prefix)
        for name in folders + files:
            entries.add(f"file:{relative}/{name}")
    return entries


def take(prefix, snapshot):
    entries = file_entries(prefix)
    for name in REGISTRY_FILES:
        path = os.path.join(prefix, name)
        if os.path.exists(path):
            entries |= registry_entries(path, name)
    with open(snapshot, "w", encoding="utf-8") as out:
        json.dump(sorted(entries), out, indent=0)


def added(before_path, after_path, ours):
    with open(before_path, encoding="utf-8") as before_file, open(after_path, encoding="utf-8") as after_file:
        before, after = set(json.load(before_file)), set(json.load(after_file))
    new = sorted(after - before)
    pattern = re.compile(ours, re.IGNORECASE) if ours else None
    found = [entry for entry in new if pattern and (pattern.search(entry) or OUR_PLACES.search(entry))]
    for entry in new:
        print(("OURS  " if entry in found else "      ") + entry)
    return 1 if found else 0


def main(argv):
    if len(argv) == 4 and argv[1] == "take":
        take(argv[2], argv[3])
        return 0
    if len(argv) in (4, 6) and argv[1] == "added":
        ours = argv[5] if len(argv) == 6 and argv[4] == "--ours" else None
        return added(argv[2], argv[3], ours)
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
