#!/usr/bin/env bash
# Both man pages render without a warning, and kesto-cli(1) describes every option that
# `kesto-cli --help` lists.
#   man-pages.sh SOURCE_DIR KESTO_CLI
set -euo pipefail
# shellcheck source=tests/package/common.sh
. "$(dirname "$0")/common.sh"
source_dir=$1 cli=$2
need man groff

for page in kesto kesto-cli; do
  MANWIDTH=80 man --warnings -l "$source_dir/doc/man/$page.1" >"$work/$page.txt" \
    2>"$work/$page.err" || fail "man $page ended with $?"
  [ ! -s "$work/$page.err" ] || fail "man $page warns: $(cat "$work/$page.err")"
  for section in NAME SYNOPSIS DESCRIPTION FILES; do
    grep -qx "$section" "$work/$page.txt" || fail "$page(1) has no $section section"
  done
done
for section in OPTIONS 'EXIT STATUS' FILES EXAMPLES SAFETY; do
  grep -qx "$section" "$work/kesto-cli.txt" || fail "kesto-cli(1) has no $section section"
done

# An option is described where it stands in a tag line: one indented by seven spaces that
# begins with it, or with the options it is given beside.
help_options "$cli" >"$work/options"
while read -r option; do
  grep -qE -- "^ {7}(-.*[ ,])?$option([ ,]|$)" "$work/kesto-cli.txt" ||
    fail "kesto-cli(1) does not describe $option"
done <"$work/options"
for status in 0 1 2 3 4; do
  sed -n '/^EXIT STATUS/,/^[A-Z]/p' "$work/kesto-cli.txt" | grep -qE "^ +$status  " ||
    fail "kesto-cli(1) does not give exit status $status"
done
finish
