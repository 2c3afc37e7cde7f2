#!/usr/bin/env bash
# A short load run of the reference server on loopback: each phase for 1 second, with our own
# load tool and ab side by side, the edge goals under bounded attackers (3 s; goal, figure,
# met or not, load average), then the 10,000-message library. Prints the figures and
# fails only when a request failed or an edge goal that holds on a loaded machine was missed
# (the well-behaved client never fails, server memory under 300 MB, no large list failing);
# timings are never asserted (bench/refserver has the full run: refserver_load --seconds 10).
set -euo pipefail
cd "$(dirname "$0")/../.."
LOAD=${BUILD_DIR:-build}/bench/refserver/refserver_load
if [ ! -x "$LOAD" ]; then
  echo "refserver-load: $LOAD not built (TC_BUILD_BENCH=OFF?), skipped"
  exit 0
fi
# 2,000 idle connections and the other attackers come from one process.
ulimit -n "$(ulimit -Hn)" 2>/dev/null || true
"$LOAD" --seconds 1
