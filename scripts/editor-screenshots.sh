#!/usr/bin/env bash
# Screenshots of the quick-message editor: the group view, a message being edited, and the
# content page with each emoji panel and with a picture, on a private Xvfb. Needs the
# shortcut_preview and refserver targets built.
#   scripts/editor-screenshots.sh [output folder] [--scale 2]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/preview-screenshots.sh
ps_setup editor-screenshots shortcut_preview "$@"
ps_shoot group message content-text content-emoji content-picture
