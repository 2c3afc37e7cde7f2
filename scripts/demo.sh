#!/usr/bin/env bash
# Runs the built workbench on its embedded defaults (see run-demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
PROGRAM_DIR=${BUILD_DIR:-build}/program
echo "demo: program folder $PROGRAM_DIR"
ls "$PROGRAM_DIR"
