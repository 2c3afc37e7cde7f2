#!/usr/bin/env bash
# Draws the pictures of the splash, login, personal-centre, feedback and tip windows from
# vector shapes with ImageMagick. Every picture is drawn at twice its size on screen and the
# skins scale it down by dest='' or by the control's size, so it stays crisp on a 2x screen.
#   scripts/make-window-images.sh      (writes into skin/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=skin
mkdir -p "$out/login"
im() { convert "$@"; }

# Backgrounds: white with a soft blue wash along the top and two faint rings at the right.
background() {  # file width height
  local w=$2 h=$3
  im -size "${w}x${h}" xc:'#FFFFFF' \
    \( -size "${w}x200" gradient:'#E6F2FF-#FFFFFF' \) -geometry +0+0 -composite \
    -fill none -stroke '#D8EAFF' -strokewidth 3 \
    -draw "circle $((w - 60)),40 $((w - 60)),190" \
    -draw "circle $((w - 10)),130 $((w - 10)),230" \
    -stroke '#EEF2F7' -strokewidth 2 -draw "line 0,$((h - 2)) $w,$((h - 2))" \
    -strip "$out/$1"
}
background login_bk.png 1080 720
background register_bk.png 1080 1002

# Splash: a deep blue diagonal gradient with soft rings.
im -size 960x600 gradient:'#1296FF-#0057D9' -rotate -90 -resize 960x600! \
  -fill none -stroke 'rgba(255,255,255,0.12)' -strokewidth 40 \
  -draw "circle 860,80 860,300" -strokewidth 20 -draw "circle 120,620 120,780" \
  -strip "$out/splash_bk.png"
# The product mark on the splash: a white rounded square with two chat bubbles.
im -size 160x160 xc:none -fill white -draw "roundrectangle 0,0 159,159 36,36" \
  -fill '#1296FF' -draw "roundrectangle 30,38 112,96 18,18" -draw "polygon 46,92 46,116 70,94" \
  -fill '#7CC4FF' -draw "roundrectangle 56,74 130,124 16,16" -draw "polygon 112,120 118,140 96,122" \
  -strip "$out/splash_logo.png"
# The same mark in blue for white backgrounds (the about page).
im -size 112x112 xc:none -fill '#008CEE' -draw "roundrectangle 0,0 111,111 26,26" \
  -fill white -draw "roundrectangle 20,26 78,67 13,13" -draw "polygon 31,64 31,81 48,66" \
  -fill '#BFE3FF' -draw "roundrectangle 40,52 92,87 11,11" -draw "polygon 78,84 83,98 67,85" \
  -strip "$out/about_logo.png"

# The drop shadow: a soft dark border around a clear middle (nine-patch, corners 12).
im -size 64x64 xc:none -fill 'rgba(0,0,0,0.35)' -draw "roundrectangle 10,10 53,53 6,6" \
  -blur 0x4 -strip "$out/shadow.png"

# Field icons, 18x18 on screen, grey strokes.
icon() {  # file, then draw primitives
  local file=$1; shift
  im -size 36x36 xc:none -fill none -stroke '#98A2B3' -strokewidth 3 "$@" -strip "$out/login/$file"
}
icon icon_phone.png -draw "roundrectangle 9,2 27,33 4,4" -draw "line 15,28 21,28"
icon icon_sms.png -draw "roundrectangle 3,6 33,27 5,5" -draw "polyline 4,8 18,19 32,8"
icon icon_company.png -draw "rectangle 6,6 22,32" -draw "polyline 22,14 31,14 31,32" \
  -draw "line 2,32 34,32" -strokewidth 2 -draw "line 11,12 17,12" -draw "line 11,18 17,18" \
  -draw "line 11,24 17,24"
icon icon_user.png -draw "circle 18,11 18,4" -draw "path 'M 5,33 C 5,19 31,19 31,33'"
icon icon_lock.png -draw "roundrectangle 5,15 31,33 4,4" -draw "path 'M 11,15 L 11,10 C 11,1 25,1 25,10 L 25,15'" \
  -fill '#98A2B3' -stroke none -draw "circle 18,24 18,21"
# The remember box, 16x16 on screen: empty and ticked.
im -size 32x32 xc:none -fill white -stroke '#B8C0CC' -strokewidth 2 \
  -draw "roundrectangle 2,2 29,29 5,5" -strip "$out/login/check_off.png"
im -size 32x32 xc:none -fill '#008CEE' -stroke '#008CEE' -strokewidth 2 \
  -draw "roundrectangle 2,2 29,29 5,5" -fill none -stroke white -strokewidth 4 \
  -draw "polyline 8,16 14,22 24,10" -strip "$out/login/check_on.png"
# The success mark: a green disc with a white tick (64x64 on screen).
im -size 128x128 xc:none -fill '#19BE6B' -draw "circle 64,64 64,4" \
  -fill none -stroke white -strokewidth 10 -draw "polyline 36,66 56,86 94,46" -strip "$out/login/success.png"
# The tip window's bell, 20x20 on screen.
im -size 40x40 xc:none -fill '#008CEE' \
  -draw "path 'M 20,4 C 11,4 9,12 9,19 L 9,26 L 5,31 L 35,31 L 31,26 L 31,19 C 31,12 29,4 20,4 Z'" \
  -draw "circle 20,35 20,31" -strip "$out/msg_bell.png"
echo "make-window-images: pictures written to $out/"
