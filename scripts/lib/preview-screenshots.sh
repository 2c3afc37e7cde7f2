# Screenshots of a preview program (windows_preview, shortcut_preview): one window a mode,
# cropped with a margin, against a reference server with the demo account on 127.0.0.1, on a
# private bare Xvfb. Source it from the repository root, then:
#
#   ps_setup <script name> <preview tool> [output folder] [--scale 2]
#   PS_ARGS="--sms-codes $PS_WORK/ref/sms-codes.txt"   # more options for every mode (optional)
#   ps_shoot mode ...
#
# Makes <output>/<mode>.png (<mode>@2x.png at scale 2). Needs the preview tool and refserver
# built; everything else lives in $PS_WORK, removed on exit.

source scripts/lib/fonts.sh

ps_setup() {
  PS_NAME=$1
  local tool=$2 out=${3:-window-shots}
  PS_SCALE=1
  [ "${4:-}" = "--scale" ] && PS_SCALE=${5:?--scale needs a factor}
  local program="$PWD/${BUILD_DIR:-build}/program"
  for t in "$tool" refserver; do
    [ -x "$program/$t" ] || { echo "no $program/$t; build it first" >&2; exit 1; }
  done
  mkdir -p "$out"
  PS_OUT=$(cd "$out" && pwd)
  PS_PREVIEW="$program/$tool"
  PS_ARGS=""
  PS_WORK=$(mktemp -d)
  PS_SERVER_PID=""
  trap ps_cleanup EXIT INT TERM
  ps_start_server "$program"
  ps_make_program "$program"
}

ps_cleanup() {
  [ -n "$PS_SERVER_PID" ] && kill "$PS_SERVER_PID" 2>/dev/null && wait "$PS_SERVER_PID" 2>/dev/null
  rm -rf "$PS_WORK"
}

# A reference server with the demo account on a free port.
ps_start_server() {
  local program=$1 work=$PS_WORK
  mkdir -p "$work/ref" "$work/program" "$work/config"
  "$program/refserver" --port 0 --data "$work/ref" --seed --fast-hash --quiet --sms-interval 0 > "$work/ref.out" 2>&1 &
  PS_SERVER_PID=$!
  for _ in $(seq 100); do grep -q listening "$work/ref.out" 2>/dev/null && break; sleep 0.05; done
  PS_PORT=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$work/ref.out")
  [ -n "$PS_PORT" ] || { cat "$work/ref.out" >&2; echo "the reference server did not start" >&2; exit 1; }
}

# A program folder of its own: the skins, settings pointing at that server, the demo
# account remembered; fonts that render Chinese text and colour emoji.
ps_make_program() {
  local program=$1 work=$PS_WORK
  ln -s "$program/skin" "$work/program/skin"
  printf '[SYSTEM]\nWebServer=http://127.0.0.1:%s/\nVERSION=1.0.0\n' "$PS_PORT" > "$work/program/sys.cfg"
  printf '[LOGIN]\nLastUser=13800000000\nUserPwd=demo1234\n[OPTION]\nAutoPlay=1\n' > "$work/program/user.dat"
  write_fonts_conf "$work/fonts.conf"
}

ps_shoot() {  # mode ...
  FONTCONFIG_FILE="$PS_WORK/fonts.conf" XDG_CONFIG_HOME="$PS_WORK/config" QT_QPA_PLATFORM=xcb \
    QT_SCALE_FACTOR=$PS_SCALE PREVIEW="$PS_PREVIEW" PREVIEW_ARGS="$PS_ARGS" WORK="$PS_WORK" \
    OUT="$PS_OUT" SCALE="$PS_SCALE" NAME="$PS_NAME" \
    scripts/xvfb-run-wm.sh --wm none --screen 1600x1200x24 -- bash -c '
  set -u
  xsetroot -solid "#5B6675"
  shoot() {  # mode
    # PREVIEW_ARGS is split into words on purpose: options and folders without spaces.
    "$PREVIEW" "$1" --program-folder "$WORK/program" $PREVIEW_ARGS \
      > "$WORK/preview.out" 2> "$WORK/preview.err" &
    local pid=$! id=""
    for _ in $(seq 100); do
      id=$(sed -n "s/^window \([0-9]*\)/\1/p" "$WORK/preview.out"); [ -n "$id" ] && break; sleep 0.05
    done
    if [ -z "$id" ]; then echo "$NAME: $1 did not open" >&2; cat "$WORK/preview.err" >&2
      kill $pid 2>/dev/null; wait $pid 2>/dev/null; return 1; fi
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$id")"
    local m=$((16 * SCALE)) name="$1"
    [ "$SCALE" != 1 ] && name="$1@${SCALE}x"
    import -window root -crop "$((WIDTH + 2 * m))x$((HEIGHT + 2 * m))+$((X - m))+$((Y - m))" +repage "$OUT/$name.png"
    kill $pid 2>/dev/null; wait $pid 2>/dev/null
    echo "$NAME: $OUT/$name.png"
  }
  for mode in "$@"; do
    shoot "$mode" || exit 1
  done' _ "$@"
}
