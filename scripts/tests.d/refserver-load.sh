#!/usr/bin/env bash
# A short load run of the reference server: 8 client threads on loopback for 5 seconds.
# Prints the figures and fails only when a request failed (timings are never asserted).
set -euo pipefail
cd "$(dirname "$0")/../.."
LOAD=${BUILD_DIR:-build}/bench/refserver/refserver_load
if [ ! -x "$LOAD" ]; then
  echo "refserver-load: $LOAD not built (TC_BUILD_BENCH=OFF?), skipped"
  exit 0
fi
"$LOAD" --seconds 5
