#!/usr/bin/env bash
# Packs the build as `make package` does, into OUTPUT (emptied first), from the build's
# installed files; the other checks of the package read the .deb it leaves there.
#   build-deb.sh BUILD_DIR OUTPUT VERSION
set -euo pipefail
# shellcheck source=tests/package/common.sh
. "$(dirname "$0")/common.sh"
build=$1 output=$2 version=$3
need cpack dpkg-deb dpkg-shlibdeps

rm -rf "$output"
mkdir -p "$output"
cpack --config "$build/CPackConfig.cmake" -B "$output" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; finish; }

expected="kesto_${version}_$(dpkg --print-architecture).deb"
made=$(cd "$output" && { ls -- *.deb 2>/dev/null || true; })
[ "$made" = "$expected" ] || fail "cpack made '$made', not $expected"
finish
