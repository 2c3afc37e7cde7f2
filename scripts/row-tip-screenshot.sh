#!/usr/bin/env bash
# A screenshot of an account row's tip (its switching chord, the copy's memory and CPU): the
# rows end-to-end test starts the frame with three stand-in copies under Xvfb with openbox,
# rests the pointer on the second row and shoots the screen while the tip shows. Needs the
# built target rows_clipboard_e2e_test (and standin, refserver as it does).
#
#   scripts/row-tip-screenshot.sh [file, default build/screenshots/row-tip.png]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
out=$(realpath -m "${1:-$build/screenshots/row-tip.png}")
mkdir -p "$(dirname "$out")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source scripts/lib/fonts.sh
write_fonts_conf "$work/fonts.conf"
export FONTCONFIG_FILE=$work/fonts.conf
cd "$build/tests/e2e"
QT_QPA_PLATFORM=xcb TC_SOURCE_DIR="$OLDPWD" TC_PROGRAM_DIR="$OLDPWD/$build/program" \
  TC_ROW_TIP_SCREENSHOT="$work/screen.png" \
  "$OLDPWD/scripts/xvfb-run-wm.sh" --wm openbox --screen 1280x800x24 -- \
  ./rows_clipboard_e2e_test --gtest_filter='*ThreeCopies*:*RowTips*' >"$work/test.log" 2>&1 ||
  { tail -30 "$work/test.log"; exit 1; }
# The frame's left part: the rows and the tip beside them.
convert "$work/screen.png" -crop 620x420+0+0 +repage "$out"
echo "row-tip-screenshot: $out"
