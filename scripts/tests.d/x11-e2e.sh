#!/usr/bin/env bash
# The window, input, clipboard and stand-in tests on a real X server, twice: on a bare Xvfb
# and under openbox (focus and embedding faults show only with a window manager).
set -uo pipefail
cd "$(dirname "$0")/../.."
build="${BUILD_DIR:-build}"
status=0
# Test names, not labels: every X11 suite of the window functions and the stand-in.
pattern='^(X11DesktopTest|X11ErrorTrapTest|StandinX11Test)\.'
for wm in none openbox; do
  echo "== X11 end-to-end tests, window manager: $wm"
  scripts/xvfb-run-wm.sh --wm "$wm" -- \
    ctest --test-dir "$build" -R "$pattern" --no-tests=error --output-on-failure --timeout 300 || status=1
done
exit $status
