#!/usr/bin/env bash
# Runs a command as an X11 client of XWayland under a private headless Wayland compositor:
# weston's headless back end with its XWayland module, as on a current Linux desktop where
# X11 programs run through XWayland and weston's own X window manager manages them. DISPLAY
# is set to weston's X display (Xwayland starts on the first X connection); WAYLAND_DISPLAY
# is left unset so that Qt programs stay X11 clients. weston is stopped afterwards,
# whatever the command's outcome; the command's exit code is returned.
#
#   scripts/weston-run.sh [--screen 1280x1024] -- command args...
set -euo pipefail

screen=1280x1024
while [ $# -gt 0 ]; do
  case "$1" in
    --screen) screen="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--screen WxH] -- command..." >&2; exit 2; }

runtime=$(mktemp -d)
chmod 700 "$runtime"
weston_pid=""
cleanup() {
  # Xwayland and weston's helpers first: they outlive a weston that crashed (Xwayland's pid
  # is in weston's log).
  [ -n "$weston_pid" ] && pkill -TERM -P "$weston_pid" 2>/dev/null
  local xwayland
  xwayland=$(sed -n 's/.*Spawned Xwayland server, pid \([0-9]*\).*/\1/p' "$runtime/weston.log" 2>/dev/null)
  [ -n "$xwayland" ] && kill "$xwayland" 2>/dev/null
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null || true
  # TC_WESTON_LOG=FILE keeps weston's log (its X window manager reports there).
  [ -n "${TC_WESTON_LOG:-}" ] && cp "$runtime/weston.log" "$TC_WESTON_LOG" 2>/dev/null
  rm -rf "$runtime"
}
trap cleanup EXIT INT TERM

XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --xwayland \
  --socket=wayland-tc --width="${screen%x*}" --height="${screen#*x}" --idle-time=0 \
  --log="$runtime/weston.log" >/dev/null 2>&1 &
weston_pid=$!
display=""
for _ in $(seq 1 200); do
  display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$runtime/weston.log" 2>/dev/null)
  [ -n "$display" ] && break
  kill -0 "$weston_pid" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$display" ]; then
  echo "weston-run: weston did not offer an X display" >&2
  cat "$runtime/weston.log" >&2 || true
  exit 1
fi
export DISPLAY=$display
export XDG_RUNTIME_DIR=$runtime
unset WAYLAND_DISPLAY
# Xwayland starts on the first connection: wait until it answers.
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
echo "weston-run: X display $DISPLAY of weston (XWayland)" >&2

status=0
"$@" || status=$?
exit $status
