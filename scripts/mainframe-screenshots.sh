#!/usr/bin/env bash
# Screenshots of the main frame: three signed-in accounts with the quick-message panel, and
# the tray menu opened from the tray icon. Runs the built program on a private Xvfb with
# openbox and a tint2 panel (its notification area holds the tray icon).
#
#   scripts/mainframe-screenshots.sh [output dir] [--scale 2]
# Makes mainframe-accounts.png and mainframe-traymenu.png (…@2x.png at scale 2).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-screenshots}
scale=1
[ "${2:-}" = "--scale" ] && scale=${3:?--scale needs a factor}
mkdir -p "$out"
out=$(readlink -f "$out")
suffix=""
[ "$scale" = 1 ] || suffix="@${scale}x"
screen="$((1366 * scale))x$((900 * scale))x24"

scripts/xvfb-run-wm.sh --wm openbox --screen "$screen" -- bash -c '
  set -u
  source scripts/lib/workbench-session.sh
  export QT_SCALE_FACTOR=$2 FONTCONFIG_FILE=$(mktemp)
  source scripts/lib/fonts.sh
  write_fonts_conf "$FONTCONFIG_FILE"
  tint2 > /dev/null 2>&1 & panel=$!
  trap "ws_stop; kill $panel 2>/dev/null" EXIT
  ws_start 10 || exit 1
  # Copies left running on this desktop by others would raise the question about copies
  # started outside; OK takes them over, as an operator would.
  printf "ok\nok\nok\n" > "$TC_MESSAGEBOX_ANSWERS"
  ws_wait_copies 1 || exit 1
  for n in 2 3; do ws_add; ws_wait "[ \$(ws_copy_count) -ge $n ]" 150; sleep 1; done
  sleep $((TC_STANDIN_LOGIN_DELAY / 1000 + 3))
  ws_click_row 1
  sleep 1
  import -window root "$1/mainframe-accounts$3.png"
  # The tray icon: the small square window of ours that the panel embedded.
  icon=""
  for w in $(xdotool search --pid "$WS_FRAME_PID" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
    if [ "$WIDTH" -eq "$HEIGHT" ] && [ "$WIDTH" -le $((64 * $2)) ] && [ "$Y" -gt 0 ]; then icon=$w; fi
  done
  [ -n "$icon" ] || { echo "no tray icon" >&2; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$icon")"
  xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
  sleep 1
  import -window root "$1/mainframe-traymenu$3.png"
' _ "$out" "$scale" "$suffix"
echo "screenshots in $out"
