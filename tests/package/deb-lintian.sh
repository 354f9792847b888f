#!/usr/bin/env bash
# lintian finds no error in the package; its warnings and notes are printed for a look.
#   deb-lintian.sh PACKAGE_DIR VERSION
set -euo pipefail
# shellcheck source=tests/package/common.sh
. "$(dirname "$0")/common.sh"
deb=$1/kesto_${2}_$(dpkg --print-architecture).deb
need lintian
[ -f "$deb" ] || { fail "no package $deb"; finish; }

# lintian warns on standard error when it runs as root; that is no finding.
status=0
lintian --tag-display-limit 0 --fail-on error -I "$deb" >"$work/lintian.log" 2>"$work/lintian.err" ||
  status=$?
cat "$work/lintian.log"
if grep -q '^E: ' "$work/lintian.log"; then
  fail "lintian reports errors (above)"
elif [ "$status" -ne 0 ]; then
  cat "$work/lintian.err"
  fail "lintian ended with $status"
fi
finish
