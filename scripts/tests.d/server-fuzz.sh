#!/usr/bin/env bash
# A short run of the server reply fuzz target (about 10 seconds after the build).
set -euo pipefail
cd "$(dirname "$0")/../.."
exec bash scripts/fuzz-server.sh 10
