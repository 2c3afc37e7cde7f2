#!/usr/bin/env bash
# Configures and builds the project into ${BUILD_DIR:-build}.
#   scripts/build.sh [cmake options] [-- target ...]   (no targets: everything)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
configure=() targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
  configure+=("$1"); shift
done
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  # Paths under the checkout are hashed relative to it, so that another clone or worktree of
  # the same sources (a CI run, a second branch) reuses what this one compiled.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
fi
# The configure output stays visible: a missing dependency must be seen, not hidden.
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
  "${launcher[@]}" "${configure[@]}" |
  { grep -vE '^-- (Found|Looking|Check|Performing|Detecting|Configuring done|Generating done|Build files)' || true; }
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "$BUILD_DIR" -j "$(nproc)" --target "${targets[@]}"
else
  cmake --build "$BUILD_DIR" -j "$(nproc)"
fi
