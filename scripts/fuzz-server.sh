#!/usr/bin/env bash
# Runs a server fuzz target: scripts/fuzz-server.sh [seconds] [target]   (default 60,
# server_reply_fuzz; server_http_fuzz serves each input as a whole HTTP reply on loopback).
# scripts/fuzz-all.sh runs any set of targets.
set -euo pipefail
exec bash "$(dirname "$0")/fuzz-all.sh" "${1:-60}" "${2:-server_reply_fuzz}"
