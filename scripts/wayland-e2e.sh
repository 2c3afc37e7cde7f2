#!/usr/bin/env bash
# The end-to-end suite once under Wayland: every end-to-end program (label "e2e", each run as
# its test registers it, but inside scripts/weston-run.sh instead of Xvfb) and the X11 suites
# of the window functions and the stand-in, all as X11 clients of XWayland under weston's
# headless back end. What works there and what does not is in the README ("Wayland").
# Prints one line per program, then the counts of single tests: "wayland: N passed, M failed".
# Not part of the test command: weston 10's X window manager crashes while the workbench
# embeds client windows (README, "Wayland").
set -uo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
log=$build/wayland-e2e
mkdir -p "$log"
passed=0 failed=0

# The registered e2e runs on the bare server: their program, environment and folder.
ctest --test-dir "$build" -L e2e -R '_bare$' --show-only=json-v1 >"$log/tests.json"
python3 - "$log/tests.json" >"$log/runs.tsv" <<'PY'
import json, sys
for test in json.load(open(sys.argv[1]))["tests"]:
    command = test["command"]
    program = command[command.index("--") + 1:]
    props = {p["name"]: p["value"] for p in test.get("properties", [])}
    env = props.get("ENVIRONMENT", [])
    folder = props.get("WORKING_DIRECTORY", program[0].rsplit("/", 1)[0])
    print("\t".join([test["name"], folder, " ".join(env), " ".join(program)]))
PY
while IFS=$'\t' read -r name folder env program; do
  out="$log/$name.log"
  if (cd "$folder" && env $env TC_WESTON_LOG="$OLDPWD/$log/$name.weston.log" timeout 600 \
        "$OLDPWD/scripts/weston-run.sh" -- $program) </dev/null >"$out" 2>&1; then
    echo "PASS $name (under weston)"; passed=$((passed + 1))
  else
    echo "FAIL $name (under weston): $out"; grep -E '^\[  FAILED  \]' "$out" | sort -u | head -20
    failed=$((failed + 1))
  fi
done <"$log/runs.tsv"

pattern='^(X11DesktopTest|X11ErrorTrapTest|StandinX11Test)\.'
if TC_WESTON_LOG="$log/x11-suites.weston.log" scripts/weston-run.sh -- ctest --test-dir "$build" \
     -R "$pattern" --no-tests=error --output-on-failure --timeout 300 </dev/null \
     >"$log/x11-suites.log" 2>&1; then
  echo "PASS X11 suites (under weston)"; passed=$((passed + 1))
else
  echo "FAIL X11 suites (under weston): $log/x11-suites.log"
  grep -E 'Failed|\*\*\*' "$log/x11-suites.log" | head -30
  failed=$((failed + 1))
fi
# Single tests: gtest's lines of the programs, ctest's of the suites.
ok=$(cat "$log"/*_bare.log | grep -ac '^\[       OK \]')
bad=$(cat "$log"/*_bare.log | grep -aE '^\[  FAILED  \] [A-Za-z]' | grep -ac ' ms)$')
ok=$((ok + $(grep -ac 'Test *#.*Passed' "$log/x11-suites.log")))
bad=$((bad + $(grep -acE 'Test *#.*(Failed|aborted|Exception|Timeout)' "$log/x11-suites.log")))
echo "programs: $passed passed, $failed failed"
echo "wayland: $ok passed, $bad failed"
[ "$failed" -eq 0 ]
