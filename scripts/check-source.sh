#!/usr/bin/env bash
# Checks of the source tree that need no build: the layering of the folders and the format.
# Prints what breaks a rule and exits non-zero; prints one line when all is well.
set -uo pipefail
cd "$(dirname "$0")/.."
status=0
report() { echo "check-source: $1"; printf '  %s\n' $2; status=1; }
reportLines() { echo "check-source: $1"; printf '%s\n' "$2" | sed 's/^/  /'; status=1; }

# Each rule prints "file:line: the include" and why it breaks the rule.
includes() { git grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' -- "$@" 2>/dev/null; }

# The platform layer never includes system code or window folders.
up=$(git grep -lE '#include "(app|server|wechat|excel|mainframe|shortcut|windows|chrome)/' -- 'platform/*')
[ -z "$up" ] || report "platform/ includes system code:" "$up"

# The UI library is a ladder; a layer includes its own folder and the layers below it:
#   core                  at the bottom
#   layout                on core
#   controls              on layout (the list is a column of rows) and core
#   builder               on controls, layout and core
#   window, desktop       on everything below; beside each other, so neither includes the other
# UIlib.h and the gallery program stand above the library. Where a lower layer needs a higher
# one, the lower declares an interface that the higher implements and registers
# (core/WindowSystem_p.h), never an include. Below the library (win32, hook, log) nothing
# includes it.
ui_ladder=$(includes 'platform/ui' | awk -F: '
  BEGIN { r["core"] = 0; r["layout"] = 1; r["controls"] = 2; r["builder"] = 3
          r["window"] = 4; r["desktop"] = 4 }
  {
    n = split($1, path, "/"); from = path[3]
    if (n < 4 || !(from in r)) next              # UIlib.h, gallery/: above the library
    if (!match($3, /"platform\/ui\/[^\/"]+\//)) next
    to = substr($3, RSTART + 13, RLENGTH - 14)
    if (to == from) next
    if (!(to in r)) why = to "/ is not a layer of the ladder"
    else if (r[to] > r[from]) why = from "/ may not climb to " to "/"
    else if (r[to] == r[from]) why = from "/ and " to "/ stand beside each other"
    else next
    printf "%s:%s: %s  (%s)\n", $1, $2, $3, why
  }')
below_ui=$(includes 'platform/win32' 'platform/hook' 'platform/log' | grep '"platform/ui/' |
  sed 's/$/  (below the UI library)/')
ui_ladder=$(printf '%s\n%s' "$ui_ladder" "$below_ui" | sed '/^$/d')
[ -z "$ui_ladder" ] || reportLines "include climbs the UI ladder:" "$ui_ladder"

# The system folders are a ladder too; a folder includes its own and lower folders, never a
# folder on its own rung:
#   app                            start-up pieces, settings, the window message ids
#   server, wechat, excel, chrome  the server client, the copies engine, spreadsheet
#                                  reading, and the menus, which need only app and the
#                                  platform, so that every window folder may use them
#   windows                        the small windows
#   shortcut                       the quick-reply panel
#   mainframe                      the main frame and the entry point
# A folder that is not on the ladder is reported when a system folder includes it: give it a
# rung here first.
system_ladder=$(includes app chrome server wechat excel windows shortcut mainframe | awk -F: '
  BEGIN { r["app"] = 0; r["server"] = 1; r["wechat"] = 1; r["excel"] = 1; r["chrome"] = 1
          r["windows"] = 2; r["shortcut"] = 3; r["mainframe"] = 4 }
  {
    split($1, path, "/"); from = path[1]
    if (!match($3, /"[A-Za-z0-9_.-]+\//)) next
    to = substr($3, RSTART + 1, RLENGTH - 2)
    if (to == from || to == "platform") next
    if (!(to in r)) why = to "/ has no rung on the ladder of system folders"
    else if (r[to] > r[from]) why = from "/ may not climb to " to "/"
    else if (r[to] == r[from]) why = from "/ and " to "/ stand on the same rung"
    else next
    printf "%s:%s: %s  (%s)\n", $1, $2, $3, why
  }')
[ -z "$system_ladder" ] || reportLines "include breaks the order of the system folders:" "$system_ladder"

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

# Xlib and xcb headers only in files named X11*, where their macros (None, Bool, Status,
# KeyPress) cannot meet Qt's. Tests, benchmarks and fuzz targets may drive the X server
# directly.
x11=$(git grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(X11|xcb)/' -- \
  ':!tests/' ':!bench/' ':!fuzz/' | grep -v -E '^([^:]*/)?X11[^/:]*:' |
  sed -E 's/^([^:]*:[0-9]+:)[[:space:]]*/\1 /; s/$/  (X11 and xcb headers belong in files named X11*)/')
[ -z "$x11" ] || reportLines "X11 header outside an X11* file:" "$x11"

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
