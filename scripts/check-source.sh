#!/usr/bin/env bash
# Checks of the source tree that need no build: the layering of the folders and the format.
# Prints what breaks a rule and exits non-zero; prints one line when all is well.
set -uo pipefail
cd "$(dirname "$0")/.."
status=0
report() { echo "check-source: $1"; printf '  %s\n' $2; status=1; }

# The platform layer never includes system code or window folders.
up=$(git grep -lE '#include "(app|server|wechat|excel|mainframe|shortcut|windows|chrome)/' -- 'platform/*')
[ -z "$up" ] || report "platform/ includes system code:" "$up"

# Nothing above the platform includes Qt, X11 or xcb; public UI headers stay free of Qt.
system_dirs=(app server wechat excel mainframe shortcut windows chrome)
qt=$(git grep -lE '#include <(Q|X11/|xcb/)' -- "${system_dirs[@]}" 2>/dev/null)
[ -z "$qt" ] || report "system code includes Qt, X11 or xcb:" "$qt"
uiqt=$(git grep -lE '#include <(Q|X11/|xcb/)' -- 'platform/ui/*.h' ':!*_p.h')
[ -z "$uiqt" ] || report "public UI headers include Qt, X11 or xcb:" "$uiqt"

# The copies engine and the spreadsheet reader know no UI library: the window above the
# engine (CWebchatMan) lives in mainframe/.
engine_ui=$(git grep -lE '#include "platform/ui/' -- wechat excel)
[ -z "$engine_ui" ] || report "wechat/ or excel/ includes the UI library:" "$engine_ui"

# One format, fixed by .clang-format.
if command -v clang-format >/dev/null; then
  unformatted=$(git ls-files -z '*.cpp' '*.h' '*.c' |
    xargs -0 -n 50 clang-format --dry-run 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning:.*/\1/p' | sort -u)
  [ -z "$unformatted" ] || report "not formatted (run clang-format -i on them):" "$unformatted"
else
  echo "check-source: clang-format is missing (scripts/install-deps.sh installs it)"
  status=1
fi

[ $status -ne 0 ] || echo "check-source: layering and format hold"
exit $status
