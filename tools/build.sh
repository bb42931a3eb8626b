#!/usr/bin/env bash
# Builds the Windows build (build/win, with the staged working folder build/win/dist) and the native build
# (build/native: unit tests, benchmarks, and the end-to-end tests of build/win).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$root" -B "$root/build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/win" -j"$jobs"
if [ "${1:-}" != "--win-only" ]; then
  cmake -S "$root" -B "$root/build/native" -DPELTERINE_WIN_BUILD="$root/build/win" >/dev/null
  cmake --build "$root/build/native" -j"$jobs"
fi
