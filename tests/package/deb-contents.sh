#!/usr/bin/env bash
# The package holds every file the install puts in place, under /usr, and its control
# fields say what it is and what it needs.
#   deb-contents.sh PACKAGE_DIR VERSION
set -euo pipefail
# shellcheck source=tests/package/common.sh
. "$(dirname "$0")/common.sh"
deb=$1/kesto_${2}_$(dpkg --print-architecture).deb version=$2
need dpkg-deb
[ -f "$deb" ] || { fail "no package $deb"; finish; }

dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/contents"
for path in \
  /usr/bin/kesto \
  /usr/bin/kesto-cli \
  /usr/share/doc/kesto/help/3000.html \
  /usr/share/doc/kesto/copyright \
  /usr/share/doc/kesto/changelog.gz \
  /usr/share/man/man1/kesto.1.gz \
  /usr/share/man/man1/kesto-cli.1.gz \
  /usr/share/bash-completion/completions/kesto-cli \
  /usr/share/zsh/vendor-completions/_kesto-cli \
  /usr/share/fish/vendor_completions.d/kesto-cli.fish \
  /usr/share/applications/org.kesto.Kesto.desktop \
  /usr/share/metainfo/org.kesto.Kesto.metainfo.xml \
  /usr/share/mime/packages/kesto-batch.xml \
  /usr/share/icons/hicolor/scalable/apps/kesto.svg; do
  grep -qxF -- "$path" "$work/contents" || fail "the package lacks $path"
done
outside=$(grep -vxE '/|/usr/.*' "$work/contents" || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kesto ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), the project is $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
  fail "Architecture: $(field Architecture)"
case $(field Section) in utils | editors) ;; *) fail "Section: $(field Section)" ;; esac
[ "$(field Priority)" = optional ] || fail "Priority: $(field Priority)"
field Maintainer | grep -qE '^[^<]+ <[^@>]+@[^>]+>$' || fail "Maintainer: $(field Maintainer)"
# A synopsis line and a long description of its own.
[ "$(field Description | wc -l)" -ge 5 ] || fail "the description is only: $(field Description)"
# Libraries the binaries link are found by dpkg-shlibdeps, with their versions.
depends=$(field Depends)
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libpcre2-8-0; do
  [[ ", $depends" == *", $library (>= "* ]] || fail "Depends lacks $library: $depends"
done
[[ ", $depends," == *", qt6-qpa-plugins,"* ]] || fail "Depends lacks qt6-qpa-plugins: $depends"
finish
