#!/usr/bin/env bash
# The project's version is the one kesto-cli prints, the newest entry of the changelog and
# the newest release of the AppStream data (the package's own is checked with the package).
#   versions.sh SOURCE_DIR KESTO_CLI VERSION
set -euo pipefail
# shellcheck source=tests/package/common.sh
. "$(dirname "$0")/common.sh"
source_dir=$1 cli=$2 version=$3

[ "$("$cli" --version)" = "kesto-cli $version" ] ||
  fail "kesto-cli --version says '$("$cli" --version)', the project is $version"
changelog=$(sed -n '1s/^kesto (\([^)]*\)).*/\1/p' "$source_dir/doc/changelog")
[ "$changelog" = "$version" ] || fail "doc/changelog begins with $changelog, not $version"
release=$(grep -o '<release version="[^"]*"' "$source_dir/src/resources/org.kesto.Kesto.metainfo.xml" |
  head -1 | cut -d'"' -f2)
[ "$release" = "$version" ] || fail "the metainfo's newest release is $release, not $version"
finish
