#!/usr/bin/env bash
# Runs the built workbench on its embedded defaults: the reference server on 127.0.0.1:18086
# with the seeded demo account (13800000000 / demo1234), and the stand-in chat client
# registered as the client, each copy logging in by itself a few seconds after its start.
#
#   scripts/demo.sh                  on the current X display
#   scripts/demo.sh --screenshot F   headless: Xvfb + openbox, a screenshot to F after a while
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
PROGRAM_DIR=$ROOT/${BUILD_DIR:-build}/program
DEMO_DIR=${TC_DEMO_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/tandem_chats-demo}
screenshot=""
[ "${1:-}" = "--screenshot" ] && screenshot=${2:?--screenshot needs a file}

mkdir -p "$DEMO_DIR/refserver" "$DEMO_DIR/wechat"
# Qt wants a private runtime folder; a shell without a login session has none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$DEMO_DIR/run"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi
cleanup() { [ -n "${server_pid:-}" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null; true; }
trap cleanup EXIT INT TERM

# The reference server, seeded with the demo account.
"$PROGRAM_DIR/refserver" --port 18086 --data "$DEMO_DIR/refserver" --seed --quiet > "$DEMO_DIR/refserver.out" 2>&1 &
server_pid=$!
for _ in $(seq 50); do grep -q 'listening' "$DEMO_DIR/refserver.out" 2>/dev/null && break; sleep 0.1; done
grep -q 'listening' "$DEMO_DIR/refserver.out" || { cat "$DEMO_DIR/refserver.out"; echo "demo: the reference server did not start" >&2; exit 1; }

# The stand-in as the chat client; the copies the workbench starts read these.
"$PROGRAM_DIR/standin" --install
printf 'wxid_demo_wang\t客服小王 😀\nwxid_demo_li\t客服小李\nwxid_demo_anna\tSupport Anna\n' > "$DEMO_DIR/accounts.txt"
export TC_STANDIN_ACCOUNTS="$DEMO_DIR/accounts.txt"
export TC_STANDIN_LOGIN_DELAY=${TC_STANDIN_LOGIN_DELAY:-3000}
export TC_STANDIN_DATA_ROOT="$DEMO_DIR/wechat"
export TC_STANDIN_TRANSCRIPT="$DEMO_DIR/transcript-%p.jsonl"

# The splash, then the login window with the remembered account and password of the seed
# settings filled in: "登录" opens the main window.
echo "demo: reference server on 127.0.0.1:18086 (data in $DEMO_DIR), account 13800000000 / demo1234"
if [ -z "$screenshot" ]; then
  "$PROGRAM_DIR/tandem_chats"
else
  scripts/xvfb-run-wm.sh --wm openbox --screen 1280x900x24 -- bash -c '
    "$1/tandem_chats" & app=$!
    # Sign in as an operator would: the remembered account is filled in, press "登录".
    source scripts/lib/login-window.sh
    lw_sign_in || exit 1
    sleep 3
    # Press "添加微信" twice (top of the left column), then let the copies log in.
    eval "$(xdotool getwindowgeometry --shell "$win")"
    for _ in 1 2; do xdotool mousemove $((X + 76)) $((Y + 84)) click 1; sleep 2; done
    sleep "${TC_DEMO_WAIT:-5}"
    import -window root "$2"
    # SIGTERM is a confirmed exit: the copies end with the workbench.
    kill -TERM "$app" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$app" 2>/dev/null; wait "$app" 2>/dev/null; true' _ "$PROGRAM_DIR" "$screenshot"
  echo "demo: screenshot in $screenshot"
fi
