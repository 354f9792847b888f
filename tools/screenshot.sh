#!/usr/bin/env bash
# Starts kesto under a virtual X display with a real log loaded and saves a PNG of the
# main window, so a reviewer can see the application without a desktop.
#
#   tools/screenshot.sh [OUTPUT.png]      (default: build/screenshots/main-window.png)
#
# Needs a built tree (make run or make test builds it); installs Xvfb, xwd and
# ImageMagick when they are missing (as root).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build/release}"
output="${1:-$root/build/screenshots/main-window.png}"
kesto="$build/src/kesto"
cli="$build/src/kesto-cli"

[ -x "$kesto" ] && [ -x "$cli" ] || { echo "Build first: make -C '$root' build" >&2; exit 1; }

missing=()
for package in xvfb x11-apps imagemagick xauth; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A small tree and a real run over it, so the window shows what a run reports.
mkdir -p "$work/tree/src" "$work/tree/docs"
for n in 1 2 3; do
    printf 'int colour_%s = 1;\n\tuse(colour_%s);\n// the colour of things\n' "$n" "$n" \
        >"$work/tree/src/part$n.c"
done
printf 'No match in here.\n' >"$work/tree/docs/readme.txt"
printf 'Colour and colour again.\n' >"$work/tree/docs/notes.txt"
"$cli" --ini "$work/kesto.INI" --quiet --search colour --replace color \
    --dir "$work/tree" --filter '*.c;*.txt' --subdirs --log "$work/sample.log" >/dev/null

# A copy of the program in the work folder reads its own settings file beside it.
mkdir -p "$work/bin" "$(dirname "$output")"
cp "$kesto" "$work/bin/kesto"
printf '[Last Window Data]\nCoordinates=0020 0020 0980 0700\n' >"$work/bin/kesto.INI"

export KESTO_SAMPLE_LOG="$work/sample.log" KESTO_BIN="$work/bin/kesto" KESTO_SHOT="$output"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$KESTO_BIN" "$KESTO_SAMPLE_LOG" &
    pid=$!
    sleep 3
    xwd -root -silent | /usr/bin/convert xwd:- png:"$KESTO_SHOT"
    kill "$pid"
'
echo "Saved $output"
