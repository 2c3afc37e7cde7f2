#!/usr/bin/env bash
# Installs what is needed, builds, and runs the workbench on its embedded defaults:
# the reference server on 127.0.0.1 with a seeded demo account, and the stand-in client
# registered as the chat client.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
exec bash scripts/demo.sh "$@"
