#!/usr/bin/env bash
# Builds the Windows build (build/win, with the staged working folder build/win/dist) and the native build
# (build/native: unit tests, benchmarks, and the end-to-end tests of build/win), and with clang the fuzzers
# (build/fuzz), which the native build runs as tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$root" -B "$root/build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/win" -j"$jobs"
if [ "${1:-}" != "--win-only" ]; then
  # The fuzzers need clang (build/fuzz); the native build runs them briefly as its "fuzz" tests.
  fuzz_build=""
  if command -v clang++ >/dev/null 2>&1; then
    cmake -S "$root" -B "$root/build/fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DPELTERINE_FUZZ=ON >/dev/null
    cmake --build "$root/build/fuzz" -j"$jobs"
    fuzz_build="$root/build/fuzz"
  fi
  cmake -S "$root" -B "$root/build/native" -DPELTERINE_WIN_BUILD="$root/build/win" \
    -DPELTERINE_FUZZ_BUILD="$fuzz_build" >/dev/null
  cmake --build "$root/build/native" -j"$jobs"
fi
