#!/usr/bin/env bash
# Builds the spreadsheet reader fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each
# for a while. Usage: fuzz/excel/excel_fuzz_run.sh [seconds per target]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/../.."
RUN_SECONDS=${1:-60}
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DTC_BUILD_FUZZ=ON >/dev/null
targets=(excel_book_fuzz excel_sheet_fuzz excel_csv_fuzz excel_date_fuzz)
cmake --build "$BUILD_DIR" --target "${targets[@]}" -j2
# New inputs go to a scratch corpus; the seeds in the tree stay as they are.
work=$(mktemp -d /tmp/tc-excel-corpus-XXXXXX)
trap 'rm -rf "$work"' EXIT
for target in "${targets[@]}"; do
  seeds="fuzz/excel/corpus/${target#excel_}"
  seeds="${seeds%_fuzz}"
  mkdir -p "$work/$target"
  # A failing input is kept in the build folder as excel-crash-<hash>.
  "$BUILD_DIR/fuzz/excel/$target" -max_total_time="$RUN_SECONDS" -max_len=65536 -timeout=30 \
    -rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix="$BUILD_DIR/excel-" \
    "$work/$target" "$seeds"
done
