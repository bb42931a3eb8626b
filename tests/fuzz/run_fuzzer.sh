#!/usr/bin/env bash
# Runs one fuzzer for a bounded time on a fresh corpus folder, which the fuzzer seeds with valid inputs
# itself. Exits non-zero on any crash, leak, timeout or sanitizer report; the input is kept in the
# artifacts folder. Usage: run_fuzzer.sh FUZZER SECONDS ARTIFACTS_FOLDER
set -euo pipefail
fuzzer=$1
seconds=$2
artifacts=$3
[ -x "$fuzzer" ] || { echo "fuzzer not built: $fuzzer (build the fuzz build first)" >&2; exit 1; }
mkdir -p "$artifacts"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$fuzzer" "$corpus" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$artifacts/$(basename "$fuzzer")-"
