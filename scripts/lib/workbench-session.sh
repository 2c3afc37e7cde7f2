# A private workbench session for scripts that drive the real program from outside (the
# screenshots of the main frame, the frame benchmark). Source it, then call ws_start with
# the quota; it needs an X display (run the caller under scripts/xvfb-run-wm.sh).
#
#   source scripts/lib/workbench-session.sh
#   ws_start 10          # reference server, stand-in registered, tandem_chats signed in
#   ws_add; ws_wait_rows 2
#   ws_stop
#
# Everything lives in $WS_ROOT (a fresh temporary folder): the server's data, the program
# folder (the built program with this server in sys.cfg), HOME and the registry files.
# Frame geometry (client points, from skin/tandem_chats.xml): the add button, the first row
# and the row height of the account list, the kick-off button's offset in a row.

WS_TITLE="Orvo客服-电商版"
WS_ADD_X=77 WS_ADD_Y=81
WS_LIST_TOP=134 WS_ROW_HEIGHT=60
WS_KICK_X=140 WS_KICK_DY=10

ws_log() { echo "workbench-session: $*" >&2; }

# Polls a shell condition every 100 ms for at most $2 tenths of a second.
ws_wait() {
  local condition=$1 tenths=${2:-100}
  for _ in $(seq "$tenths"); do
    eval "$condition" && return 0
    sleep 0.1
  done
  eval "$condition"
}

ws_start_server() {
  local quota=$1
  "$WS_BUILT/refserver" --port 0 --data "$WS_ROOT/server" --seed --fast-hash \
    --wechat-quantity "$quota" > "$WS_ROOT/refserver.out" 2>&1 &
  WS_SERVER_PID=$!
  ws_wait "grep -qs 'listening on' '$WS_ROOT/refserver.out'" 100 ||
    { cat "$WS_ROOT/refserver.out" >&2; ws_log "the reference server did not start"; return 1; }
  WS_PORT=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$WS_ROOT/refserver.out" | head -n 1)
}

ws_make_program() {
  local program=$WS_ROOT/program
  mkdir -p "$program"
  cp "$WS_BUILT/tandem_chats" "$WS_BUILT/user.dat" "$program/"
  ln -s "$(readlink -f "$WS_BUILT/skin")" "$program/skin"
  printf '[SYSTEM]\nWebServer=http://127.0.0.1:%s/\nVERSION=1.0.0\n' "$WS_PORT" > "$program/sys.cfg"
  cat > "$program/log.cfg" <<EOF
log4cplus.rootLogger=${WS_LOG_LEVEL:-INFO}, FILE
log4cplus.appender.FILE=log4cplus::FileAppender
log4cplus.appender.FILE.File=./tandem_chats.log
log4cplus.appender.FILE.layout=log4cplus::PatternLayout
log4cplus.appender.FILE.layout.ConversionPattern=%D{%H:%M:%S.%q} %-5p %m%n
EOF
}

# The frame's X window once it is shown (wider than the login window).
ws_find_frame() {
  local w
  for _ in $(seq 150); do
    for w in $(xdotool search --onlyvisible --pid "$WS_FRAME_PID" --name "$WS_TITLE" 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
      if [ "$WIDTH" -gt 600 ]; then WS_FRAME=$w; return 0; fi
    done
    sleep 0.1
  done
  ws_log "no main frame appeared"; return 1
}

ws_start() {
  local quota=${1:-10}
  WS_BUILT=${WS_BUILT:-$PWD/${BUILD_DIR:-build}/program}
  WS_ROOT=$(mktemp -d /tmp/tc-session-XXXXXX)
  mkdir -p "$WS_ROOT/home/.config" "$WS_ROOT/wechat"
  export HOME=$WS_ROOT/home XDG_CONFIG_HOME=$WS_ROOT/home/.config
  export XDG_RUNTIME_DIR=$WS_ROOT/runtime && mkdir -m 0700 -p "$XDG_RUNTIME_DIR"
  export TC_HKCU_FILE=$WS_ROOT/hkcu.ini TC_HKLM_FILE=$WS_ROOT/hklm.ini
  export TC_STANDIN_DATA_ROOT=$WS_ROOT/wechat TC_STANDIN_LOGIN_DELAY=${TC_STANDIN_LOGIN_DELAY:-1200}
  export TC_DEV_SIGNIN=1 TC_MESSAGEBOX_ANSWERS=$WS_ROOT/answers.txt
  export QT_QPA_PLATFORM=xcb
  printf 'wxid_ws_wang\t客服小王\nwxid_ws_li\t客服小李\nwxid_ws_anna\tSupport Anna\n' > "$WS_ROOT/accounts.txt"
  export TC_STANDIN_ACCOUNTS=$WS_ROOT/accounts.txt
  ws_start_server "$quota" || return 1
  ws_make_program
  "$WS_BUILT/standin" --install > /dev/null
  (cd "$WS_ROOT/program" && exec ./tandem_chats) > "$WS_ROOT/frame.out" 2>&1 &
  WS_FRAME_PID=$!
  ws_find_frame
}

ws_click() {  # client x, client y (logical points) [button]
  local scale=${QT_SCALE_FACTOR:-1}
  eval "$(xdotool getwindowgeometry --shell "$WS_FRAME")"
  xdotool mousemove --sync $((X + $1 * scale)) $((Y + $2 * scale)) click "${3:-1}"
  sleep 0.15
}

ws_add() { ws_click "$WS_ADD_X" "$WS_ADD_Y"; }
ws_click_row() { ws_click 100 $((WS_LIST_TOP + $1 * WS_ROW_HEIGHT + 30)); }
ws_kick_row() {
  # The kick-off button shows on the row under the pointer.
  ws_click 100 $((WS_LIST_TOP + $1 * WS_ROW_HEIGHT + 30))
  sleep 0.5
  ws_click "$WS_KICK_X" $((WS_LIST_TOP + $1 * WS_ROW_HEIGHT + WS_KICK_DY))
}

# Stand-in copies of this session (their data root is in their environment).
ws_copies() {
  local pid
  for pid in $(pgrep -x standin); do
    { tr '\0' '\n' < "/proc/$pid/environ"; } 2>/dev/null | grep -qx "TC_STANDIN_DATA_ROOT=$WS_ROOT/wechat" &&
      echo "$pid"
  done
  true
}
ws_copy_count() { ws_copies | wc -l; }
ws_wait_copies() { ws_wait "[ \$(ws_copy_count) -eq $1 ]" "${2:-150}"; }

ws_stop() {
  [ -n "${WS_FRAME_PID:-}" ] && kill -TERM "$WS_FRAME_PID" 2>/dev/null
  ws_wait "! kill -0 ${WS_FRAME_PID:-0} 2>/dev/null" 100 || kill -9 "$WS_FRAME_PID" 2>/dev/null
  local pid
  for pid in $(ws_copies); do kill -9 "$pid" 2>/dev/null; done
  [ -n "${WS_SERVER_PID:-}" ] && kill "$WS_SERVER_PID" 2>/dev/null
  wait "${WS_FRAME_PID:-}" "${WS_SERVER_PID:-}" 2>/dev/null
  [ -n "${WS_KEEP:-}" ] || rm -rf "$WS_ROOT"
  true
}
