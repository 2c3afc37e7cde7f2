#!/usr/bin/env bash
# Builds the server reply fuzz target with clang (AddressSanitizer, libFuzzer) and runs it.
# Usage: scripts/fuzz-server.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
RUN_SECONDS=${1:-60}
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DTC_BUILD_FUZZ=ON >/dev/null
cmake --build "$BUILD_DIR" --target server_reply_fuzz -j2
# New inputs go to a scratch corpus; the seeds in the tree stay as they are.
work=$(mktemp -d /tmp/tc-server-corpus-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$BUILD_DIR/fuzz/server/server_reply_fuzz" -max_total_time="$RUN_SECONDS" \
  -max_len=4096 -timeout=20 -print_final_stats=1 "$work" fuzz/server/corpus
