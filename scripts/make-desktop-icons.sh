#!/usr/bin/env bash
# Draws the program icon at the sizes a desktop looks for, from its vector drawing:
# packaging/icons/cn.orvo.TandemChats.svg -> packaging/icons/<N>x<N>/cn.orvo.TandemChats.png.
# The PNGs are committed; run this after changing the drawing (needs rsvg-convert).
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" cn.orvo.TandemChats.svg -o "${size}x${size}/cn.orvo.TandemChats.png"
done
