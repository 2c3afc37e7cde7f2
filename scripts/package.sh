#!/usr/bin/env bash
# Makes the Debian package of the workbench with CPack:
#   ${BUILD_DIR:-build}/package/tandem-chats_<version>_<arch>.deb
# Builds only what the package holds. See packaging/CMakeLists.txt for the layout.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
bash scripts/build.sh -- tandem_chats standin tc_xls_reader tc_program_files tc_package_docs
rm -f "$BUILD_DIR"/package/*.deb
(cd "$BUILD_DIR" && cpack -G DEB >cpack.log 2>&1) || { cat "$BUILD_DIR/cpack.log"; exit 1; }
ls "$BUILD_DIR"/package/*.deb
