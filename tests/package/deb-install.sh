#!/usr/bin/env bash
# dpkg installs the package into an empty root; there the installed kesto-cli runs a real
# replacement, every library of both binaries is found, the man pages render, the AppStream
# data matches the desktop entry it names, and removing the package leaves no file behind.
#   deb-install.sh PACKAGE_DIR VERSION
set -euo pipefail
# shellcheck source=tests/package/common.sh
. "$(dirname "$0")/common.sh"
deb=$1/kesto_${2}_$(dpkg --print-architecture).deb version=$2
need dpkg man
[ -f "$deb" ] || { fail "no package $deb"; finish; }

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
# The root holds none of the libraries the package depends on: the host's serve instead.
dpkg_in_root() {
  dpkg --root="$root" --force-depends --force-not-root --force-script-chrootless \
    --log=/dev/null "$@" >"$work/dpkg.log" 2>&1
}
if ! dpkg_in_root -i "$deb"; then
  cat "$work/dpkg.log"
  echo "SKIPPED: dpkg cannot install into a folder here"
  exit "$SKIPPED"
fi

cli=$root/usr/bin/kesto-cli
"$cli" --help | grep -q '^Usage: kesto-cli' || fail "the installed kesto-cli --help"
[ "$("$cli" --version)" = "kesto-cli $version" ] ||
  fail "the installed kesto-cli --version says '$("$cli" --version)', the package is $version"

mkdir "$work/run"
printf 'the cat sat\n' >"$work/run/notes.txt"
XDG_STATE_HOME=$work/state "$cli" --ini "$work/run.INI" -q -s cat -r dog "$work/run/notes.txt" \
  >"$work/run.log" || fail "the installed kesto-cli ended with $?"
[ "$(cat "$work/run/notes.txt")" = 'the dog sat' ] || fail "notes.txt: $(cat "$work/run/notes.txt")"
[ "$(cat "$work/run/notes.~txt")" = 'the cat sat' ] || fail "no backup notes.~txt beside notes.txt"

for binary in kesto kesto-cli; do
  missing=$(ldd "$root/usr/bin/$binary" | grep 'not found' || true)
  [ -z "$missing" ] || fail "$binary: $missing"
done

for page in kesto kesto-cli; do
  MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" >"$work/$page.txt" \
    2>"$work/$page.err" || fail "man $page ended with $?"
  [ ! -s "$work/$page.err" ] || fail "man $page: $(cat "$work/$page.err")"
  grep -q "^NAME" "$work/$page.txt" || fail "man $page renders no NAME section"
done

if command -v appstreamcli >/dev/null; then
  appstreamcli validate-tree --no-net "$root" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log"; fail "appstreamcli validate-tree"; }
fi

dpkg_in_root --purge kesto || { cat "$work/dpkg.log"; fail "dpkg --purge kesto"; }
left=$(find "$root/usr" -type f 2>/dev/null || true)
[ -z "$left" ] || fail "removing the package left: $left"
finish
