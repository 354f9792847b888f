# shellcheck shell=bash
# Shared by the scripts of this folder: a scratch folder removed on exit, and the ways a
# check ends. Sourced, never run.

# ctest reads this exit status as "skipped" (SKIP_RETURN_CODE in tests/CMakeLists.txt).
readonly SKIPPED=77

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Ends the check as skipped when a tool it needs is missing (make test installs them all).
need() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIPPED: $tool is not installed"
      exit "$SKIPPED"
    fi
  done
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "every check passed"
}

# The long options that `kesto-cli --help` lists, one a line.
help_options() {
  "$1" --help | grep -oE -- '--[a-z][a-z-]+' | sort -u
}
