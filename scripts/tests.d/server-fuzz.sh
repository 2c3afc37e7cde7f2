#!/usr/bin/env bash
# Short runs of the server fuzz targets (about 10 seconds each after the build): the reply
# bodies, and whole HTTP replies through libcurl on loopback.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/fuzz-server.sh 10 server_reply_fuzz
bash scripts/fuzz-server.sh 10 server_http_fuzz
