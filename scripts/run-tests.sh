#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test (unit, end-to-end, short fuzz runs).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
status=0
bash scripts/check-source.sh || status=1
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j "$(nproc)" --timeout 600 || status=$?
for extra in scripts/tests.d/*.sh; do
  [ -e "$extra" ] || continue
  echo "== $extra"
  bash "$extra" || status=1
done
exit $status
