#!/usr/bin/env bash
# A short run (10 seconds) of every fuzz target, in a build of its own (clang, sanitizers).
# Each run first replays its seeds, which hold the reproducers of the faults found so far.
set -euo pipefail
cd "$(dirname "$0")/../.."
unset BUILD_DIR  # the fuzz build has its own folder
bash scripts/fuzz-all.sh 10
