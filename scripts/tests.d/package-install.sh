#!/usr/bin/env bash
# The Debian package installed into a clean Debian 12 root and started there (about four
# minutes, most of it downloading): see scripts/package-install-test.sh.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/package-install-test.sh
