#!/usr/bin/env bash
# Installs what is needed, builds, and runs the workbench on its embedded defaults:
# the reference server on 127.0.0.1 with a seeded demo account, and the stand-in client
# registered as the chat client.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Only what the demo runs: the workbench, the reference server, the stand-in and the program
# folder's files (the test command builds the tests and benchmarks).
bash scripts/build.sh -- tandem_chats refserver standin tc_program_files
exec bash scripts/demo.sh "$@"
