#!/usr/bin/env bash
# Takes a screenshot of the UI library's gallery window under a private Xvfb.
#   scripts/gallery-screenshot.sh [output.png] [build dir] [--openbox]
# The gallery (ui_gallery) must be built: cmake --build <build dir> --target ui_gallery
set -euo pipefail

out=${1:-gallery.png}
build=${2:-build}
with_wm=${3:-}
program="$build/program/ui_gallery"
[[ -x "$program" ]] || { echo "no $program; build the ui_gallery target first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Chinese text and colour emoji: prefer the Noto fonts for the generic families.
source "$(dirname "$0")/lib/fonts.sh"
write_fonts_conf "$work/fonts.conf" \
  '  <alias><family>Noto Sans CJK SC</family><prefer><family>Noto Sans CJK SC</family><family>Noto Color Emoji</family></prefer></alias>'
export FONTCONFIG_FILE="$work/fonts.conf"

# A free display chosen by the server itself.
exec 3<> "$work/display"
Xvfb -displayfd 3 -screen 0 1024x700x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [[ -s "$work/display" ]] && break
  sleep 0.05
done
display=":$(head -n1 "$work/display")"
export DISPLAY=$display QT_QPA_PLATFORM=xcb

if [[ "$with_wm" == "--openbox" ]]; then
  openbox > "$work/openbox.log" 2>&1 &
  pids+=($!)
  sleep 0.5
fi

"$program" --quit-after 8000 > "$work/gallery.log" 2>&1 &
gallery=$!
pids+=($gallery)
sleep 3
import -window root "$out"
kill "$gallery" 2>/dev/null || true
echo "screenshot: $out (display $display)"
