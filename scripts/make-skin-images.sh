#!/usr/bin/env bash
# Draws the main frame's skin pictures from vector shapes with ImageMagick: each is drawn at
# four times its size and scaled down, which gives smooth edges without a vector renderer.
# Run it after changing a shape; its output is committed under skin/.
#
#   scripts/make-skin-images.sh [output folder, default skin/]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-skin}
mkdir -p "$out"
S=4  # supersampling factor

# draw NAME WIDTH HEIGHT BACKGROUND DRAW-ARGS... : a picture drawn at S times and reduced.
draw() {
  local name=$1 w=$2 h=$3 bg=$4
  shift 4
  convert -size $((w * S))x$((h * S)) "xc:$bg" "$@" -filter Box -resize "${w}x${h}!" \
    -define png:exclude-chunks=date,time -strip "PNG32:$out/$name"
}
s() { echo $(($1 * S)); }  # scales a length

LIST=#383F44
BLUE=#008CEE

# Avatar frames over the 41x40 avatar: the list colour outside a circle (which rounds the
# picture below) and a ring.
face_frame() {
  local name=$1 ring=$2 width=$3
  convert -size $((41 * S))x$((40 * S)) "xc:$LIST" -alpha set \
    \( -size $((41 * S))x$((40 * S)) xc:none -fill white \
       -draw "circle $((41 * S / 2)),$((40 * S / 2)) $((41 * S / 2)),$((2 * S))" \) \
    -compose DstOut -composite -compose Over \
    -fill none -stroke "$ring" -strokewidth $((width * S)) \
    -draw "circle $((41 * S / 2)),$((40 * S / 2)) $((41 * S / 2)),$((2 * S))" \
    -filter Box -resize 41x40! -strip "PNG32:$out/$name"
}
face_frame face_filter_selected.png "$BLUE" 2
face_frame face_filter_normal.png "#5B646C" 1

# The avatar before the account's picture arrives: a person on a calm grey disc.
draw logoff_face.png 41 40 "#5A636B" \
  -fill "#8D979F" -draw "circle $((41 * S / 2)),$(s 15) $((41 * S / 2)),$(s 8)" \
  -draw "ellipse $((41 * S / 2)),$(s 38) $(s 13),$(s 11) 180,360"

# Kick-off button (9x9): a quiet cross, and on hover a red disc with a white cross.
draw logoff_normal.png 9 9 none \
  -stroke "#9AA4AD" -strokewidth $(s 1) -draw "line $(s 2),$(s 2) $(s 7),$(s 7)" \
  -draw "line $(s 7),$(s 2) $(s 2),$(s 7)"
draw logoff_pressed.png 9 9 none \
  -fill "#E5484D" -draw "circle $((9 * S / 2)),$((9 * S / 2)) $((9 * S / 2)),0" \
  -stroke white -strokewidth $(s 1) -draw "line $(s 3),$(s 3) $(s 6),$(s 6)" \
  -draw "line $(s 6),$(s 3) $(s 3),$(s 6)"

# Row separator: a dark line over a lighter one.
convert -size 150x2 xc:"#30363B" -fill "#414950" -draw "line 0,1 150,1" -strip "PNG32:$out/face_fenge.png"

# Empty quick-message tree: a light chat bubble with three dots.
draw shortcut_none.png 121 118 none \
  -fill "#EEF2F6" -draw "roundrectangle $(s 14),$(s 18) $(s 107),$(s 82) $(s 14),$(s 14)" \
  -draw "polygon $(s 34),$(s 80) $(s 30),$(s 100) $(s 54),$(s 80)" \
  -fill "#C9D3DC" -draw "circle $(s 42),$(s 50) $(s 42),$(s 44)" \
  -draw "circle $(s 60),$(s 50) $(s 60),$(s 44)" -draw "circle $(s 78),$(s 50) $(s 78),$(s 44)"

# The quick-message panel: the group folder button (13x13: a chevron down while the group is
# open, right while it is closed), the add and template buttons and the search glass (16x16).
draw tree_expand_normal.png 13 13 none -fill none -stroke "#7E8891" -strokewidth $(s 1) \
  -draw "polyline $(s 3),$(s 5) $(s 6),$(s 8) $(s 10),$(s 5)"
draw tree_close_normal.png 13 13 none -fill none -stroke "#7E8891" -strokewidth $(s 1) \
  -draw "polyline $(s 5),$(s 3) $(s 8),$(s 6) $(s 5),$(s 10)"
draw shortcut_add.png 16 16 none -stroke "$BLUE" -strokewidth $(s 2) \
  -draw "line $(s 8),$(s 2) $(s 8),$(s 14)" -draw "line $(s 2),$(s 8) $(s 14),$(s 8)"
draw shortcut_download.png 16 16 none -fill none -stroke "#5A646E" -strokewidth $(s 1) \
  -draw "line $(s 8),$(s 2) $(s 8),$(s 10)" -draw "polyline $(s 4),$(s 7) $(s 8),$(s 11) $(s 12),$(s 7)" \
  -draw "polyline $(s 2),$(s 11) $(s 2),$(s 14) $(s 14),$(s 14) $(s 14),$(s 11)"
draw shortcut_search.png 16 16 none -fill none -stroke "#8E98A1" -strokewidth $(s 1) \
  -draw "circle $(s 7),$(s 7) $(s 7),$(s 2)" -draw "line $(s 11),$(s 11) $(s 14),$(s 14)"

# Caption buttons (16x16 white strokes) and the logo.
draw btn_min.png 16 16 none -stroke white -strokewidth $(s 1) -draw "line $(s 3),$(s 8) $(s 13),$(s 8)"
draw btn_max.png 16 16 none -fill none -stroke white -strokewidth $(s 1) \
  -draw "rectangle $(s 3),$(s 3) $(s 13),$(s 13)"
draw btn_restore.png 16 16 none -fill none -stroke white -strokewidth $(s 1) \
  -draw "rectangle $(s 3),$(s 5) $(s 11),$(s 13)" -draw "polyline $(s 5),$(s 5) $(s 5),$(s 3) $(s 13),$(s 3) $(s 13),$(s 11) $(s 11),$(s 11)"
draw btn_close.png 16 16 none -stroke white -strokewidth $(s 1) \
  -draw "line $(s 3),$(s 3) $(s 13),$(s 13)" -draw "line $(s 13),$(s 3) $(s 3),$(s 13)"
draw btn_menu.png 16 16 none -stroke white -strokewidth $(s 1) \
  -draw "line $(s 2),$(s 4) $(s 14),$(s 4)" -draw "line $(s 2),$(s 8) $(s 14),$(s 8)" \
  -draw "line $(s 2),$(s 12) $(s 14),$(s 12)"
draw tip_close.png 12 12 none -stroke "#8E98A1" -strokewidth $(s 1) \
  -draw "line $(s 2),$(s 2) $(s 10),$(s 10)" -draw "line $(s 10),$(s 2) $(s 2),$(s 10)"
draw menu_exit.png 16 16 none -fill none -stroke "#5A646E" -strokewidth $(s 1) \
  -draw "arc $(s 2),$(s 3) $(s 14),$(s 15) 300,600" -draw "line $(s 8),$(s 1) $(s 8),$(s 8)"
draw logo.png 26 26 none -fill "$BLUE" -draw "roundrectangle 0,0 $(s 26),$(s 26) $(s 6),$(s 6)" \
  -fill white -draw "roundrectangle $(s 5),$(s 6) $(s 17),$(s 15) $(s 3),$(s 3)" \
  -draw "polygon $(s 7),$(s 14) $(s 6),$(s 18) $(s 11),$(s 14)" \
  -fill "#BFE3FB" -draw "roundrectangle $(s 10),$(s 11) $(s 21),$(s 19) $(s 3),$(s 3)" \
  -draw "polygon $(s 18),$(s 18) $(s 20),$(s 22) $(s 15),$(s 18)"

# The list's scroll bar strip: 16x16 cells on magenta (the mask colour). Rows: thumb at 126,
# rail at 144, background at 162; columns: normal, hot, pushed, disabled at x 0, 18, 36, 54.
args=()
thumbs=("#6B757E" "#8A949D" "#A7B0B8" "#4E565D")
for i in 0 1 2 3; do
  x=$((i * 18))
  args+=(-fill "${thumbs[$i]}" -draw "roundrectangle $x,126 $((x + 15)),141 1,1")
  args+=(-fill "$LIST" -draw "rectangle $x,144 $((x + 15)),159" -draw "rectangle $x,162 $((x + 15)),177")
done
convert -size 72x180 xc:"#FF00FF" "${args[@]}" -type TrueColor "BMP3:$out/wechatlist_scrollbar.bmp"
echo "skin images written to $out/"
