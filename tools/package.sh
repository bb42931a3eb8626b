#!/usr/bin/env bash
# Makes the release a Windows user downloads, build/pelterine-VERSION-win64.zip, from the Windows build's staged
# working folder (build/win/dist) and the repository's documents:
#   pelterine.exe, plugins\*.dll     the program and its shipped plugins, statically linked
#   _test_boite_tex.vmr, super_pattern_01.bmp    the default model and pattern
#   README.txt                       how to run it, the quick tour of README.md and the keys of the user guide,
#                                    as plain text
#   LICENSE.txt                      the licence
#   sdk\                             for plugin authors: the contract header, the mesh helper, the example plugin
#                                    (builds with one command there), plugincheck.exe
#   docs\*.md                        docs/plugins.md and the formats it links to
# The version is the project's, written by the build into build/win/pelterine-version.txt.
# Usage: tools/package.sh [windows build folder] [output folder, by default the build folder's parent]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win_build=$(cd "${1:-$root/build/win}" && pwd)
out_dir=$(cd "${2:-$win_build/..}" && pwd)
python3 - "$root" "$win_build" "$out_dir" <<'PYTHON'
import re
import sys
import zipfile
from pathlib import Path

root, win_build, out_dir = Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3])
dist = win_build / "dist"
version = (win_build / "pelterine-version.txt").read_text().strip()
if not re.fullmatch(r"\d+\.\d+\.\d+", version):
    sys.exit("package.sh: no version in %s" % (win_build / "pelterine-version.txt"))
plugins = sorted((dist / "plugins").glob("*.dll"))
if not (dist / "pelterine.exe").is_file() or not plugins:
    sys.exit("package.sh: build the Windows build first (tools/build.sh): %s is incomplete" % dist)


def plain(markdown):
    """README.md's markdown as the plain text Notepad shows: no backticks, bold or link targets; tables as lines."""
    lines = []
    for line in markdown.splitlines():
        if re.fullmatch(r"\|[-| ]+\|", line.strip()):
            continue
        if line.startswith("|"):
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            line = "  " + " - ".join(c for c in cells if c)
        line = re.sub(r"\[([^\]]+)\]\(([^)]+)\)", r"\2", line)
        line = line.replace("`", "").replace("**", "")
        lines.append(re.sub(r"\bdocs/([\w.-]+)", r"docs\\\1", line))   # the zip's folders, as Windows names them
    return "\n".join(lines)


def section(markdown, title):
    found = re.search(r"^## %s\n(.*?)(?=^## )" % re.escape(title), markdown, re.S | re.M)
    if not found:
        sys.exit("package.sh: README.md has no section \"%s\"" % title)
    return found.group(1).strip()


readme_md = (root / "README.md").read_text(encoding="utf-8")
keys_md = (root / "docs" / "guide" / "keys.md").read_text(encoding="utf-8")
readme = """Pelterine %s
%s

Pelterine paints the texture (skin) of a 3D model while it shows the result on the model itself.

Running it
----------
Unpack this zip into any folder (its name may hold spaces and letters of any language) and run pelterine.exe.
That folder is Pelterine's working folder: keep the files of the zip together in it. Pelterine needs 64-bit
Windows 7 or later and nothing else to be installed. Windows may warn that the program comes from an unknown
publisher the first time: "More info", then "Run anyway".

Quick tour
----------
%s

Keys and mouse
--------------
%s

Writing a model plugin: docs\\plugins.md and the kit in sdk\\.
""" % (version, "=" * len("Pelterine " + version), plain(section(readme_md, "Quick tour")),
       plain(keys_md.split("\n", 1)[1].strip()))

files = [(dist / "pelterine.exe", "pelterine.exe")]
files += [(p, "plugins/" + p.name) for p in plugins]
files += [(dist / name, name) for name in ("_test_boite_tex.vmr", "super_pattern_01.bmp")]
files += [(root / "plugin-api" / "plugin_api.h", "sdk/plugin_api.h"), (win_build / "sdk" / "plugincheck.exe", "sdk/plugincheck.exe")]
files += [(root / "sdk" / name, "sdk/" + name) for name in ("sk_mesh.h", "sk_mesh.c")]
files += [(root / "sdk" / "example" / name, "sdk/example/" + name)
          for name in ("ply_example.c", "ply_example.def", "build.sh", "CMakeLists.txt", "cube.ply")]
files += [(root / "docs" / name, "docs/" + name)
          for name in ("plugins.md", "vmr-format.md", "obj-format.md", "md2-format.md")]
texts = [("README.txt", readme), ("LICENSE.txt", (root / "LICENSE").read_text(encoding="utf-8"))]

target = out_dir / ("pelterine-%s-win64.zip" % version)
partial = target.with_suffix(".zip.part")
with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as zf:
    for source, name in files:
        if not source.is_file():
            sys.exit("package.sh: missing %s" % source)
        zf.write(source, name)
        if name.endswith(".sh"):   # runnable as it is once unpacked on Linux
            zf.getinfo(name).external_attr = (0o100755 << 16)
    for name, text in texts:
        # Windows line ends and a byte-order mark, so Notepad of any age shows the lines and the "×" as they are.
        zf.writestr(name, text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8-sig"))
partial.replace(target)
print(target)
PYTHON
