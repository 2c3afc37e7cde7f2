#!/usr/bin/env bash
# Screenshots of the quick-message editor: the group view, a message being edited, and the
# content page with each emoji panel and with a picture, on a private Xvfb. Needs the
# shortcut_preview and refserver targets built.
#   scripts/editor-screenshots.sh [output folder] [--scale 2]
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
out=${1:-window-shots}
scale=1
[ "${2:-}" = "--scale" ] && scale=${3:?--scale needs a factor}
program="$ROOT/${BUILD_DIR:-build}/program"
for tool in shortcut_preview refserver; do
  [ -x "$program/$tool" ] || { echo "no $program/$tool; build it first" >&2; exit 1; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d)
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A reference server with the demo account on a free port.
mkdir -p "$work/ref" "$work/program" "$work/config"
"$program/refserver" --port 0 --data "$work/ref" --seed --fast-hash --quiet --sms-interval 0 > "$work/ref.out" 2>&1 &
server_pid=$!
for _ in $(seq 100); do grep -q listening "$work/ref.out" 2>/dev/null && break; sleep 0.05; done
port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$work/ref.out")
[ -n "$port" ] || { cat "$work/ref.out" >&2; echo "the reference server did not start" >&2; exit 1; }

# A program folder of its own: the skins, settings pointing at that server, the demo
# account remembered.
ln -s "$program/skin" "$work/program/skin"
printf '[SYSTEM]\nWebServer=http://127.0.0.1:%s/\nVERSION=1.0.0\n' "$port" > "$work/program/sys.cfg"
printf '[LOGIN]\nLastUser=13800000000\nUserPwd=demo1234\n[OPTION]\nAutoPlay=1\n' > "$work/program/user.dat"
cat > "$work/fonts.conf" <<'XML'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <alias><family>sans-serif</family><prefer><family>Noto Sans CJK SC</family><family>Noto Color Emoji</family></prefer></alias>
</fontconfig>
XML

export FONTCONFIG_FILE="$work/fonts.conf" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
export QT_SCALE_FACTOR=$scale PREVIEW="$program/shortcut_preview" WORK="$work" OUT="$out" SCALE="$scale"
scripts/xvfb-run-wm.sh --wm none --screen 1600x1200x24 -- bash -c '
  set -u
  xsetroot -solid "#5B6675"
  shoot() {  # mode
    "$PREVIEW" "$1" --program-folder "$WORK/program" \
      > "$WORK/preview.out" 2> "$WORK/preview.err" &
    local pid=$! id=""
    for _ in $(seq 100); do
      id=$(sed -n "s/^window \([0-9]*\)/\1/p" "$WORK/preview.out"); [ -n "$id" ] && break; sleep 0.05
    done
    if [ -z "$id" ]; then echo "editor-screenshots: $1 did not open" >&2; cat "$WORK/preview.err" >&2
      kill $pid 2>/dev/null; wait $pid 2>/dev/null; return 1; fi
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$id")"
    local m=$((16 * SCALE)) name="$1"
    [ "$SCALE" != 1 ] && name="$1@${SCALE}x"
    import -window root -crop "$((WIDTH + 2 * m))x$((HEIGHT + 2 * m))+$((X - m))+$((Y - m))" +repage "$OUT/$name.png"
    kill $pid 2>/dev/null; wait $pid 2>/dev/null
    echo "editor-screenshots: $OUT/$name.png"
  }
  for mode in group message content-text content-emoji content-picture; do
    shoot "$mode" || exit 1
  done'
