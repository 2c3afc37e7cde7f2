#!/usr/bin/env bash
# Builds the libraries that parse what the fuzz targets feed in (JsonCpp, TinyXML-2, expat,
# libzip, libcurl) instrumented like our own code, so that a fault inside them, or one of ours
# that only shows inside them, stops the run, and their branches guide the fuzzer too.
#
# Each is Debian's source of the version installed on this machine, Debian's patches applied,
# fetched with apt-get from the deb-src twins of the machine's own package sources (a private
# list: the machine's apt configuration is not touched). They are installed as shared libraries
# into DIR/prefix, where the fuzz build finds them ahead of the system's copies.
#   scripts/fuzz-deps.sh DIR "COMPILE FLAGS"      (CC and CXX name the compilers)
# A library is built again only when its installed version or the flags change.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 DIR FLAGS" >&2
  exit 2
fi
deps=$(realpath -m "$1")
flags=$2
prefix=$deps/prefix
export CC=${CC:-clang} CXX=${CXX:-clang++}

# name | a binary package built from the source | folder of its CMake project | CMake options
LIBRARIES=(
  "jsoncpp|libjsoncpp-dev|.|-DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DBUILD_STATIC_LIBS=OFF -DBUILD_OBJECT_LIBS=OFF"
  "tinyxml2|libtinyxml2-dev|.|-Dtinyxml2_BUILD_TESTING=OFF"
  "expat|libexpat1-dev|expat|-DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=ON"
  "libzip|libzip-dev|.|-DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=OFF"
  "curl|libcurl4-openssl-dev|.|-DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DHTTP_ONLY=ON -DCURL_USE_OPENSSL=ON -DCURL_DISABLE_LDAP=ON -DCURL_USE_LIBSSH2=OFF -DUSE_NGHTTP2=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_LIBIDN2=OFF -DENABLE_MANUAL=OFF"
)

# Debian's security patches to expat test "XML_DTD == 1", as its autotools build defines it;
# expat's CMake build writes it defined empty.
after_configure_expat() {
  sed -i 's/^#define XML_DTD$/#define XML_DTD 1/' "$1/expat_config.h"
}

apt_ready=
# apt-get with a private state holding only source lists (deb-src lines for the machine's own
# deb lines), updated once per run that needs a source.
apt_private() {
  local tool=$1 dir=$deps/apt
  shift
  "$tool" -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$dir/sources" \
    -o Dir::State::Lists="$dir/lists" -o Dir::Cache="$dir/cache" \
    -o APT::Sandbox::User="$(id -un)" "$@"
}
prepare_apt() {
  [ -z "$apt_ready" ] || return 0
  local dir=$deps/apt file
  rm -rf "$dir"
  mkdir -p "$dir/sources" "$dir/lists/partial" "$dir/cache/archives/partial"
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && sed -n 's/^deb\s/deb-src /p' "$file" >>"$dir/sources/machine.list"
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && sed 's/^Types:.*/Types: deb-src/' "$file" >"$dir/sources/$(basename "$file")"
  done
  apt_private apt-get update || return 1
  apt_ready=1
}

# Fetches and unpacks source package $1 at version $2 into $3 (Debian's patches applied).
fetch_source() {
  local package=$1 version=$2 into=$3 download=$deps/download
  # Called under quietly, where set -e does not act: every step returns its own failure.
  prepare_apt || return 1
  rm -rf "$download" "$into" && mkdir -p "$download" "$(dirname "$into")" || return 1
  # The installed version first; when the archive no longer has it (replaced by an update not
  # installed here) or a mirror lacks its files, the archive's others, newest first.
  local candidate fetched=
  for candidate in "$version" $(apt_private apt-cache showsrc "$package" |
      sed -n 's/^Version: //p' | sort -u -r -V); do
    if (cd "$download" && apt_private apt-get source --download-only "$package=$candidate"); then
      fetched=$candidate
      break
    fi
    rm -f "$download"/*
  done
  [ -n "$fetched" ] || return 1
  echo "fuzz-deps: $package $fetched fetched (installed: $version)"
  dpkg-source -q --no-copy -x "$download"/"$package"_*.dsc "$into" || return 1
  rm -rf "$download"
}

# Runs a command with its output in $log, shown only when it fails.
quietly() {
  "$@" >>"$log" 2>&1 || { tail -n 40 "$log" >&2; echo "fuzz-deps: failed, whole log: $log" >&2; exit 1; }
}

build_library() {
  local name=$1 binary=$2 folder=$3 options=$4 package version stamp source
  read -r package version < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' "$binary")
  stamp="$package $version $CC $CXX $flags $options"
  if [ -f "$deps/stamps/$name" ] && [ "$(cat "$deps/stamps/$name")" = "$stamp" ]; then
    return 0
  fi
  echo "fuzz-deps: building $package $version, instrumented"
  source=$deps/src/$name
  mkdir -p "$deps/logs"
  log=$deps/logs/$name.log
  : >"$log"
  quietly fetch_source "$package" "$version" "$source"
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  rm -rf "$deps/build/$name"
  # shellcheck disable=SC2086 # the options are words
  quietly cmake -S "$source/$folder" -B "$deps/build/$name" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=ON \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" "${launcher[@]}" $options
  if declare -F "after_configure_$name" >/dev/null; then
    quietly "after_configure_$name" "$deps/build/$name"
  fi
  quietly cmake --build "$deps/build/$name" -j "$(nproc)"
  quietly cmake --install "$deps/build/$name"
  mkdir -p "$deps/stamps"
  echo "$stamp" >"$deps/stamps/$name"
}

for library in "${LIBRARIES[@]}"; do
  IFS='|' read -r name binary folder options <<<"$library"
  build_library "$name" "$binary" "$folder" "$options"
done
