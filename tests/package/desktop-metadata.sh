#!/usr/bin/env bash
# The desktop entry and the AppStream data pass their validators and name each other, the
# binaries and the batch file type as they are installed, and show screenshots that
# tools/screenshot.sh takes.
#   desktop-metadata.sh SOURCE_DIR
set -euo pipefail
# shellcheck source=tests/package/common.sh
. "$(dirname "$0")/common.sh"
resources=$1/src/resources main=$1/src/gui/app/main.cpp
need desktop-file-validate appstreamcli
id=org.kesto.Kesto
desktop=$resources/$id.desktop
metainfo=$resources/$id.metainfo.xml

desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 ||
  fail "desktop-file-validate: $(cat "$work/desktop.log")"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$work/appstream.log")"

grep -qx "  <id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"
grep -qx "  <launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $id.desktop"
for binary in kesto kesto-cli; do
  grep -qx "    <binary>$binary</binary>" "$metainfo" || fail "the metainfo does not provide $binary"
done
mime=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$resources/kesto-batch.xml")
grep -qx "MimeType=$mime;" "$desktop" || fail "the desktop entry does not open $mime"
grep -qx "    <mediatype>$mime</mediatype>" "$metainfo" || fail "the metainfo does not provide $mime"
# Each screenshot is a picture tools/screenshot.sh takes, under the name it gives it.
for picture in $(sed -n 's|.*<image>.*/\([^/<]*\.png\)</image>.*|\1|p' "$metainfo"); do
  grep -qF "\"$picture\"" "$1/tools/ScreenshotTour.cpp" ||
    fail "the metainfo shows $picture, which tools/screenshot.sh does not take"
done
[ "$(grep -c '<image>' "$metainfo")" -ge 1 ] || fail "the metainfo shows no screenshot"
# The window names its desktop entry, by which a desktop finds the window's icon and entry.
grep -qF "setDesktopFileName(QStringLiteral(\"$id\"))" "$main" ||
  fail "the window does not name $id as its desktop entry"
grep -qx 'Icon=kesto' "$desktop" || fail "the desktop entry's icon is not kesto"
[ -f "$resources/kesto.svg" ] || fail "no icon kesto.svg"
finish
