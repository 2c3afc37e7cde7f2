#!/usr/bin/env bash
# Builds a server fuzz target with clang (AddressSanitizer, libFuzzer) and runs it.
# Usage: scripts/fuzz-server.sh [seconds] [target]   (default 60, server_reply_fuzz;
# server_http_fuzz serves each input as a whole HTTP reply on loopback)
set -euo pipefail
cd "$(dirname "$0")/.."
RUN_SECONDS=${1:-60}
TARGET=${2:-server_reply_fuzz}
case $TARGET in
  server_reply_fuzz) CORPUS=fuzz/server/corpus ;;
  server_http_fuzz) CORPUS=fuzz/server/http-corpus ;;
  *) echo "unknown target $TARGET" >&2; exit 2 ;;
esac
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DTC_BUILD_FUZZ=ON >/dev/null
cmake --build "$BUILD_DIR" --target "$TARGET" -j2
# New inputs go to a scratch corpus; the seeds in the tree stay as they are.
work=$(mktemp -d /tmp/tc-server-corpus-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$BUILD_DIR/fuzz/server/$TARGET" -max_total_time="$RUN_SECONDS" \
  -max_len=4096 -timeout=20 -print_final_stats=1 "$work" "$CORPUS"
