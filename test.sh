#!/usr/bin/env bash
# Builds everything, makes the release zip, and runs every test: unit tests natively, end-to-end tests of
# pelterine.exe (and of the release) under Wine.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
tools/build.sh
tools/package.sh
cd build/native
ctest --output-on-failure -j2 "$@"
