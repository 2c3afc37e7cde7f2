#!/usr/bin/env bash
# The end-to-end suite once under Wayland: every X11 test program (label "x11": the
# end-to-end programs and the suites of the window functions and the stand-in, each run as
# its test registers it, but inside scripts/weston-run.sh instead of Xvfb), all as X11
# clients of XWayland under weston's headless back end. What works there and what does not
# is in the README ("Wayland").
# Prints one line per program, then the counts of single tests: "wayland: N passed, M failed".
# Not part of the test command: weston 10's X window manager crashes while the workbench
# embeds client windows (README, "Wayland").
set -uo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
log=$build/wayland-e2e
mkdir -p "$log"
passed=0 failed=0

# The registered X11 runs on the bare server: their program, environment and folder.
ctest --test-dir "$build" -L x11 -R '_bare$' --show-only=json-v1 >"$log/tests.json"
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

# Single tests: gtest's lines of the programs.
ok=$(cat "$log"/*_bare.log | grep -ac '^\[       OK \]')
bad=$(cat "$log"/*_bare.log | grep -aE '^\[  FAILED  \] [A-Za-z]' | grep -ac ' ms)$')
echo "programs: $passed passed, $failed failed"
echo "wayland: $ok passed, $bad failed"
[ "$failed" -eq 0 ]
