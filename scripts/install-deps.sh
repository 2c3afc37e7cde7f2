#!/usr/bin/env bash
# Installs every Debian package the workbench needs to build, run and test.
# Idempotent: packages already present are left alone.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git clang lld
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-qpa-plugins qt6-translations-l10n libgl-dev
  liblog4cplus-dev libjsoncpp-dev libtinyxml2-dev libzip-dev libxlsxwriter-dev libexpat1-dev libgsf-1-dev
  libcurl4-openssl-dev libcpp-httplib-dev libboost-dev zlib1g-dev libssl-dev libsqlite3-dev sqlite3 libsodium-dev
  libx11-dev libx11-xcb-dev libxcb1-dev libxcb-res0-dev libxtst-dev libxi-dev libxext-dev libxfixes-dev
  xvfb xauth openbox mutter dbus tint2 x11-utils x11-xserver-utils xdotool xclip imagemagick
  fonts-noto-cjk fonts-noto-color-emoji fontconfig
  libreoffice-calc-nogui
  procps psmisc iproute2 apache2-utils curl python3 python3-pil openssl ca-certificates ccache clang-format
  debootstrap lintian desktop-file-utils appstream librsvg2-bin rofi weston xwayland
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
