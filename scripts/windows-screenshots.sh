#!/usr/bin/env bash
# Screenshots of the splash, every login view, the personal centre, the feedback, contact-note
# and tip windows, each in a typical state, on a private Xvfb against a reference server on
# 127.0.0.1. Needs the windows_preview and refserver targets built.
#   scripts/windows-screenshots.sh [output folder] [--scale 2]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/preview-screenshots.sh
ps_setup windows-screenshots windows_preview "$@"
# The registration and reset views read the codes the server "sent".
PS_ARGS="--sms-codes $PS_WORK/ref/sms-codes.txt"
ps_shoot splash login login-error register findpwd register-success reset-success \
  mycenter about feedback feedback-tip contactnote msgwnd
