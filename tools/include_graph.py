#!/usr/bin/env python3
"""Checks the program's include graph: layers that depend one way, no circle of source files that include
one another's headers, and a header named after every source file. Prints what breaks a rule; exit 1 if anything.

A unit is a source file with its header (paint/brush.cpp + paint/brush.h). Unit A depends on unit B when A's
source or header includes B's header."""

import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
# The floors, from the ground up: a folder may include only the folders below it (and resources/).
FOLDERS = ["plugin-api", "shell", "picture", "texture", "uv", "paint", "skin", "plugins", "viewport", "app"]
# Source files without a header of their own: the entry.
NO_HEADER = {"app/main.cpp", "picture/stb_codecs.cpp"}


def includes(path):
    return re.findall(r'^#include "([^"]+)"', path.read_text(errors="replace"), re.M)


def unit_cycles(deps):
    """Each group of units that reach one another through their includes (Tarjan's strongly connected
    components), as one path around it."""
    index, low, stack, on_stack, cycles = {}, {}, [], set(), []

    def visit(unit):
        index[unit] = low[unit] = len(index)
        stack.append(unit)
        on_stack.add(unit)
        for other in sorted(deps.get(unit, ())):
            if other not in index:
                visit(other)
                low[unit] = min(low[unit], low[other])
            elif other in on_stack:
                low[unit] = min(low[unit], index[other])
        if low[unit] == index[unit]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == unit:
                    break
            if len(group) > 1:
                cycles.append(sorted(group))

    for unit in sorted(deps):
        if unit not in index:
            visit(unit)
    return cycles


def main():
    problems = []
    units = {}
    for folder in FOLDERS:
        for path in sorted((ROOT / folder).glob("*.[ch]*")):
            rel = path.relative_to(ROOT).as_posix()
            unit = rel.rsplit(".", 1)[0]
            units.setdefault(unit, set()).update(includes(path))
            if path.suffix == ".cpp" and rel not in NO_HEADER:
                header = unit + ".h"
                if not (ROOT / header).is_file():
                    problems.append("%s has no header %s" % (rel, header))
                elif (includes(path) or [None])[0] != header:
                    problems.append("%s does not include %s first" % (rel, header))
    for unit, incs in units.items():
        folder = unit.split("/")[0]
        for inc in incs:
            target = inc.split("/")[0]
            if target in (folder, "resources") or inc.rsplit(".", 1)[0] == unit:
                continue
            if target in FOLDERS and FOLDERS.index(target) > FOLDERS.index(folder):
                problems.append("%s includes %s: %s is above %s" % (unit, inc, target, folder))
    deps = {u: {i.rsplit(".", 1)[0] for i in incs if i.rsplit(".", 1)[0] in units and i.rsplit(".", 1)[0] != u}
            for u, incs in units.items()}
    for cycle in unit_cycles(deps):
        problems.append("these depend on each other in a circle: %s" % " -> ".join(cycle + cycle[:1]))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
