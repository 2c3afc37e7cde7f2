# Fonts for screenshots: Chinese text and colour emoji render when the Noto fonts come first
# for the generic families. Source it, then point FONTCONFIG_FILE at what it writes:
#
#   source scripts/lib/fonts.sh
#   write_fonts_conf "$work/fonts.conf" ['<alias>…</alias>' (more rules, optional)]
write_fonts_conf() {
  cat > "$1" <<XML
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <alias><family>sans-serif</family><prefer><family>Noto Sans CJK SC</family><family>Noto Color Emoji</family></prefer></alias>
${2:-}
</fontconfig>
XML
}
