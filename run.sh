#!/usr/bin/env bash
# Builds Pelterine and starts it: natively on Windows, under Wine elsewhere. Without a display it runs on a
# virtual one, saves a screenshot of the main window, prints its path and closes the program.
set -euo pipefail
cd "$(dirname "$0")"
case "$(uname -s)" in
  MINGW*|MSYS*|CYGWIN*)
    cmake -S . -B build/win -G "MinGW Makefiles" && cmake --build build/win
    cd build/win/dist && exec ./pelterine.exe ;;
esac
tools/deps.sh
tools/build.sh --win-only
if [ -z "${DISPLAY:-}" ]; then
  exec python3 tools/screenshot.py --win-build "$PWD/build/win" --out "$PWD/build/screenshot.png" --demo
fi
export WINEPREFIX="${WINEPREFIX:-$PWD/build/win/wineprefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cd build/win/dist
exec wine pelterine.exe
