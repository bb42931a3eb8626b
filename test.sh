#!/usr/bin/env bash
# Builds everything and runs every test: unit tests natively, end-to-end tests of pelterine.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
tools/build.sh
cd build/native
ctest --output-on-failure -j2 "$@"
