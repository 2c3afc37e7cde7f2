#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan and UBSan on everything they link) and runs each
# for SECONDS, one after another. Usage: scripts/fuzz-all.sh SECONDS [TARGET ...]
# (no TARGET: every fuzz/*/*_fuzz.cpp). Per target NAME in fuzz/AREA:
#   seeds     fuzz/AREA/corpus/NAME/ (never written; new inputs go to $BUILD_DIR/corpus/NAME)
#   options   fuzz/AREA/NAME.options, one libFuzzer option per line
#   words     fuzz/AREA/NAME.dict
# Every sanitizer finding stops its target; the input is saved as
# $BUILD_DIR/findings/NAME-crash-<sha1> (or -leak-, -timeout-, -oom-), the log beside it in
# $BUILD_DIR/logs/NAME.log. Ends with a table of runs and coverage per target; exits 1 when
# any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: $0 SECONDS [TARGET ...]" >&2
  exit 2
fi
RUN_SECONDS=$1
shift
export BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}

declare -A area
for source in fuzz/*/*_fuzz.cpp; do
  name=$(basename "$source" .cpp)
  area[$name]=$(basename "$(dirname "$source")")
done
if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(printf '%s\n' "${!area[@]}" | sort)
fi
for target in "${targets[@]}"; do
  [ -n "${area[$target]:-}" ] || { echo "unknown fuzz target $target" >&2; exit 2; }
done

# FUZZ_SKIP_BUILD=1 runs what is built: for several runs at once on one build folder.
if [ -z "${FUZZ_SKIP_BUILD:-}" ]; then
  CC=clang CXX=clang++ bash scripts/build.sh -DTC_BUILD_FUZZ=ON -DTC_BUILD_TESTS=OFF \
    -DTC_BUILD_BENCH=OFF -- "${targets[@]}"
fi

# Every finding is fatal (the build has -fno-sanitize-recover=all as well), and the one
# suppression file holds the libraries' own leaks.
#
# No allocation stacks are recorded (malloc_context_size=0): the system libraries not rebuilt
# by scripts/fuzz-deps.sh (Qt, GLib, libgsf, ...) are built without frame pointers, so the fast
# unwinder turns every allocation made inside them into a new junk stack, and ASan's stack
# store, which is never freed, grew by hundreds of MB per hour while each allocation got slower
# (server_reply_fuzz, when JsonCpp was still the system's: 430 to 1,385 MB in 71 k runs, a
# third of its speed). A smaller quarantine bounds what freed
# memory is held back. A finding still stops the run with the stack of the faulty access; to
# see where the memory was allocated and freed, replay the saved input with
#   ASAN_OPTIONS=fast_unwind_on_malloc=0 $BUILD_DIR/fuzz/AREA/NAME FILE
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:malloc_context_size=0:quarantine_size_mb=64
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:report_error_type=1
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen

findings=$BUILD_DIR/findings
mkdir -p "$findings" "$BUILD_DIR/logs"
status=0
summary=()
for target in "${targets[@]}"; do
  dir=fuzz/${area[$target]}
  corpus=$BUILD_DIR/corpus/$target
  log=$BUILD_DIR/logs/$target.log
  mkdir -p "$corpus"
  options=(-max_total_time="$RUN_SECONDS" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$findings/$target-")
  [ -f "$dir/$target.dict" ] && options+=(-dict="$dir/$target.dict")
  if [ -f "$dir/$target.options" ]; then
    while read -r option; do
      [[ -z $option || $option == \#* ]] || options+=("$option")
    done <"$dir/$target.options"
  fi
  echo "== $target: ${options[*]}"
  result=ok
  if ! "$BUILD_DIR/fuzz/${area[$target]}/$target" "${options[@]}" "$corpus" \
      "$dir/corpus/$target" >"$log" 2>&1; then
    result=FAILED
    status=1
    grep -E 'ERROR: |SUMMARY: |runtime error|Test unit written|deadly signal' "$log" | head -20 ||
      tail -n 20 "$log"
    echo "   (whole log: $log)"
  fi
  # A run stopped by a finding prints no final stats: its last status line tells the runs.
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [ -n "$runs" ] || runs=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#' || true)
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 || true)
  summary+=("$(printf '%-24s %-7s runs %-10s %s' "$target" "$result" "${runs:-?}" "${cov:-}")")
done
echo "== fuzz targets, $RUN_SECONDS s each"
printf '%s\n' "${summary[@]}"
exit $status
