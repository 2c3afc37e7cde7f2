#!/usr/bin/env bash
# The desktop install, tested as a user meets it:
#   1. the Debian package made by scripts/package.sh passes lintian without an error, and its
#      desktop entry and AppStream file validate;
#   2. a clean Debian 12 root is made here (debootstrap, minbase) from the mirrors apt is
#      configured with, and the package is installed into it with apt, which brings its
#      dependencies;
#   3. the installed program is started from that root as an ordinary user, under Xvfb with
#      openbox, against the reference server of the build tree on 127.0.0.1 (written into
#      the root's /etc/tandem-chats/sys.cfg, as an administrator would): the splash, the login
#      window with the remembered account, "登录" pressed, the main window with the stand-in
#      copy signed in; nothing under /usr was written, the user's folders were.
# Screenshots of the installed program and of its entry in a launcher (rofi) go to
# ${BUILD_DIR:-build}/package/. Needs root (debootstrap, chroot) and the Debian mirror; takes
# about four minutes, most of it downloading. TC_PACKAGE_TEST_ROOT=DIR keeps the clean root
# in DIR and uses it again on the next run (the package is installed anew), for working on
# the package itself.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT_DIR=$PWD
BUILD=$ROOT_DIR/${BUILD_DIR:-build}
OUT=$BUILD/package
work=$(mktemp -d /tmp/tc-package-test-XXXXXX)
root=${TC_PACKAGE_TEST_ROOT:-$work/root}
server_pid=""

cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  for m in "$root/dev/shm" "$root/proc"; do mountpoint -q "$m" && umount -l "$m"; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
step() { echo "== package-install-test: $*"; }

step "package"
bash scripts/package.sh >/dev/null
bash scripts/build.sh -- refserver >/dev/null
deb=$(ls "$OUT"/*.deb)
step "lintian $(basename "$deb")"
lintian --fail-on error "$deb"
dpkg-deb -x "$deb" "$work/unpacked"
desktop-file-validate "$work"/unpacked/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work"/unpacked/usr/share/metainfo/*.metainfo.xml

# The mirror of apt's own configuration (deb822 or one-line form).
mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list)
if [ ! -x "$root/usr/bin/apt-get" ]; then
  step "debootstrap bookworm from $mirror"
  debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -20 "$work/debootstrap.log"; exit 1; }
fi
# The same sources as this machine (the release, its updates and security), so that the
# versions the package was built against are there.
rm -f "$root/etc/apt/sources.list"
cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/" 2>/dev/null ||
  cp /etc/apt/sources.list "$root/etc/apt/sources.list"
mount -t proc proc "$root/proc"
mkdir -p "$root/dev/shm" && mount -t tmpfs -o mode=1777 shm "$root/dev/shm"

step "apt-get install $(basename "$deb") into the clean root"
cp "$deb" "$root/tmp/"
chroot "$root" bash -c "apt-get update -q && DEBIAN_FRONTEND=noninteractive \
  apt-get install --reinstall -y -q --no-install-recommends /tmp/$(basename "$deb")" >"$work/apt.log" 2>&1 ||
  { tail -30 "$work/apt.log"; exit 1; }
chroot "$root" bash -c 'id kefu >/dev/null 2>&1 || useradd -m kefu'
rm -rf "$root/home/kefu/.config"
touch "$work/installed"

step "reference server"
"$BUILD/program/refserver" --port 0 --data "$work/server" --seed --quiet >"$work/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 100); do grep -q 'listening' "$work/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.*listening on [0-9.]*:\([0-9]*\).*/\1/p' "$work/server.out")
[ -n "$port" ] || { cat "$work/server.out"; exit 1; }
sed -i "s|^WebServer=.*|WebServer=http://127.0.0.1:$port/|" "$root/etc/tandem-chats/sys.cfg"

step "the installed program under Xvfb with openbox"
mkdir -p "$OUT"
scripts/xvfb-run-wm.sh --wm openbox --screen 1280x900x24 -- bash -c '
  set -uo pipefail
  root=$1 out=$2
  as_operator() {
    chroot --userspec=kefu:kefu "$root" env -i HOME=/home/kefu USER=kefu \
      PATH=/usr/bin:/bin DISPLAY="$DISPLAY" XDG_RUNTIME_DIR=/tmp/kefu-run \
      TC_STANDIN_LOGIN_DELAY=1000 LANG=C.UTF-8 "$@"
  }
  chroot "$root" install -d -m 700 -o kefu -g kefu /tmp/kefu-run
  # The stand-in registers itself as the chat client, in the user'"'"'s registry.
  as_operator /usr/lib/tandem-chats/standin --install || exit 1
  as_operator tandem_chats >"$root/tmp/tandem_chats.out" 2>&1 & app=$!
  source scripts/lib/login-window.sh
  lw_sign_in || exit 1
  echo "main window: $(xdotool getwindowname "$win") ${WIDTH}x${HEIGHT}"
  # The first copy of the stand-in logs in by itself and shows in the frame.
  for _ in $(seq 150); do
    [ -n "$(xdotool search --onlyvisible --class WeChatMainWndForPC 2>/dev/null)" ] && break
    sleep 0.1
  done
  xdotool search --onlyvisible --class WeChatMainWndForPC >/dev/null ||
    { echo "no copy signed in" >&2; tail -20 "$root/tmp/tandem_chats.out" >&2; exit 1; }
  sleep 2
  import -window root "$out/installed-main-window.png"
  kill -TERM "$app"; for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$app" 2>/dev/null; wait "$app" 2>/dev/null
  # The installed entry in a launcher: rofi reads the root'"'"'s applications and icons.
  XDG_DATA_DIRS="$root/usr/share" rofi -show drun -show-icons -filter Orvo -theme-str \
    "window {width: 520px;}" >/dev/null 2>&1 & launcher=$!
  sleep 3
  import -window root -crop 560x300+360+200 "$out/installed-desktop-entry.png"
  kill "$launcher" 2>/dev/null; wait "$launcher" 2>/dev/null
  exit 0' _ "$root" "$OUT"

step "read-only install"
written=$(find "$root/usr" "$root/etc/tandem-chats" -newer "$work/installed" ! -type d -print \
  | grep -v "^$root/etc/tandem-chats/sys.cfg$" || true)
[ -z "$written" ] || { echo "written under /usr or /etc at run time:"; echo "$written"; exit 1; }
for f in .config/orvo2/user.dat .config/tandem_chats/HKEY_LOCAL_MACHINE.ini; do
  [ -f "$root/home/kefu/$f" ] || { echo "missing in the user's folder: $f"; exit 1; }
done
echo "1 passed, 0 failed"
