#!/usr/bin/env bash
# Runs a command on a private X server: Xvfb on a free display (chosen by Xvfb itself via
# -displayfd), optionally with a window manager (openbox, or GNOME's mutter with software GL
# inside a session bus of its own, as a desktop session runs it), DISPLAY set for the
# command. Both are stopped afterwards, whatever the command's outcome. The command's exit
# code is returned.
#
#   scripts/xvfb-run-wm.sh [--wm openbox|mutter|none] [--screen 1280x1024x24] -- command args...
set -euo pipefail

wm=none
screen=1280x1024x24
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) wm="$2"; shift 2 ;;
    --screen) screen="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--wm openbox|mutter|none] [--screen WxHxD] -- command..." >&2; exit 2; }

# mutter needs a session bus; the bus (and whatever it started) ends with this script.
if [ "$wm" = mutter ] && [ -z "${TC_XVFB_SESSION_BUS:-}" ]; then
  exec env TC_XVFB_SESSION_BUS=1 dbus-run-session -- bash "$0" --wm mutter --screen "$screen" -- "$@"
fi

workdir=$(mktemp -d)
xvfb_pid=""
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$workdir"
}
trap cleanup EXIT INT TERM

mkfifo "$workdir/displayfd"
# -noreset: by default the server resets when its last client leaves, and a client connecting
# meanwhile is refused; without a window manager every test that closes its only connection
# leaves the server that way for the next one.
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$workdir/displayfd" 2>"$workdir/xvfb.log" &
xvfb_pid=$!
display=""
if ! read -r -t 20 display <"$workdir/displayfd" || [ -z "$display" ]; then
  echo "xvfb-run-wm: Xvfb did not start" >&2
  cat "$workdir/xvfb.log" >&2 || true
  exit 1
fi
export DISPLAY=":$display"

if [ "$wm" = openbox ] || [ "$wm" = mutter ]; then
  if [ "$wm" = openbox ]; then
    openbox --sm-disable >"$workdir/wm.log" 2>&1 &
  else
    # mutter always composites: llvmpipe stands in for a GPU.
    LIBGL_ALWAYS_SOFTWARE=1 mutter --x11 --replace --sm-disable >"$workdir/wm.log" 2>&1 &
  fi
  wm_pid=$!
  # Wait until the manager announces itself on the root window.
  for _ in $(seq 1 200); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then break; fi
    sleep 0.05
  done
fi

status=0
"$@" || status=$?
exit $status
