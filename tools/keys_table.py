#!/usr/bin/env python3
"""Checks that the user guide's table of keys (docs/guide/keys.md) names every shortcut the program has: each
entry of the main window's accelerator table, and each function, navigation or bracket key the program's
sources handle by its virtual-key name. Prints what is missing and exits 1; exits 0 when the table is complete."""
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PROGRAM_FOLDERS = ("app", "shell", "skin", "paint", "viewport", "plugins", "texture", "uv")
# Virtual keys as the table writes them.
NAMED = {"VK_HOME": "Home", "VK_END": "End", "VK_DELETE": "Delete", "VK_OEM_4": "[", "VK_OEM_6": "]",
         "VK_RETURN": "Enter", "VK_ESCAPE": "Esc", "VK_TAB": "Tab", "VK_SPACE": "Space"}


def key_name(token):
    token = token.strip()
    if token.startswith('"'):
        return token.strip('"')
    numpad = re.fullmatch(r"VK_NUMPAD(\d)", token)
    if numpad:
        return numpad.group(1)
    function = re.fullmatch(r"VK_(F\d+)", token)
    if function:
        return function.group(1)
    return NAMED.get(token, token)


def accelerators(rc_text):
    """Each accelerator of IDA_MAIN as the table writes it, e.g. "Ctrl+Shift+Z"."""
    block = re.search(r"IDA_MAIN ACCELERATORS\s*BEGIN(.*?)END", rc_text, re.S)
    if not block:
        sys.exit("keys_table.py: no IDA_MAIN accelerator table in resources/pelterine.rc")
    keys = []
    for line in block.group(1).splitlines():
        fields = [f.strip() for f in line.split("//")[0].split(",") if f.strip()]
        if len(fields) < 3:
            continue
        mods = [m for m, flag in (("Ctrl", "CONTROL"), ("Shift", "SHIFT"), ("Alt", "ALT")) if flag in fields[2:]]
        keys.append("+".join(mods + [key_name(fields[0])]))
    return keys


def handled_keys():
    """Function, navigation and bracket keys the sources compare a message's key against."""
    keys = set()
    for folder in PROGRAM_FOLDERS:
        for path in (ROOT / folder).glob("*.cpp"):
            for token in re.findall(r"\bVK_(?:F\d+|HOME|END|OEM_4|OEM_6)\b", path.read_text(encoding="utf-8")):
                keys.add(key_name(token))
    return keys


def table_keys(markdown):
    """Every key combination a row of the table names, backticks dropped."""
    names = set()
    for line in markdown.splitlines():
        if not line.startswith("|"):
            continue
        cells = [c.strip().replace("`", "") for c in line.strip().strip("|").split("|")]
        if len(cells) < 2:
            continue
        for part in re.split(r",|/|\.\.\.", cells[1]):
            names.add(part.strip())
    return names


def main():
    rc_text = (ROOT / "resources" / "pelterine.rc").read_text(encoding="utf-8")
    listed = table_keys((ROOT / "docs" / "guide" / "keys.md").read_text(encoding="utf-8"))
    singles = {k.split("+")[-1] for k in listed}
    missing = [k for k in accelerators(rc_text) if k not in listed]
    missing += sorted(k for k in handled_keys() if k not in singles)
    if missing:
        print("docs/guide/keys.md does not name: " + ", ".join(missing))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
