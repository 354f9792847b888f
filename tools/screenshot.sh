#!/usr/bin/env bash
# Saves PNGs of Kesto's windows, rendered by Qt itself (no display needed), so a reviewer
# can look at the application:
#   main-window.png              a saved log of a real run, loaded
#   main-window-light.png        the same in Fusion's light palette
#   main-window-dark.png         the same in a dark palette
#   main-window-scale2.png       the first start at a device pixel ratio of 2 (QT_SCALE_FACTOR=2)
#                                on a 1600x1000 screen, no place kept, the sample log named
#                                at start: the screen with the window where it is put
#   search-replace-dialog.png    the dialog of a new window, strings typed
#   start-directory-dialog.png   the start directory of that run
#   confirm-dialog.png           the confirm question on a real match, the line after
#                                Replace It below the line
#   confirm-dialog-dark.png      the same in a dark palette
#   log-after-run.png            the window after that run
#   preview-window.png           a preview of that run over another tree, its changes marked
#   preview-choices.png          that preview with some of its changes unticked
#   preview-choices-dark.png     the same in a dark palette
#   run-history.png              the run history, that run selected with its files
#   undo-progress.png            the undo of that run under way, its count in the status bar
#   undo-report.png              the window that reports the undo of that run
#   run-history-after-undo.png   the run history then: the run undone, the undo a run
#   batch-dialog.png             the batch dialog with a batch file loaded
#   pair-editor.png              the pair editor on that file's pairs
#   options-*.png                each page of the options sheet
#
#   tools/screenshot.sh [FOLDER]      (default: build/screenshots)
#
# Needs a built tree (make run or make test builds it).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build/release}"
output="$(mkdir -p "${1:-$root/build/screenshots}" && cd "${1:-$root/build/screenshots}" && pwd)"
cli="$build/src/kesto-cli"
tour="$build/tools/kesto_screenshots"

[ -x "$cli" ] && [ -x "$tour" ] || { echo "Build first: make -C '$root' build" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The journals of the runs below stay in the scratch folder.
export XDG_STATE_HOME="$work/state"

# A small tree, and a saved log of a real run over a copy of it.
sample_tree() {
    mkdir -p "$1/src" "$1/docs"
    for n in 1 2 3; do
        printf 'int colour_%s = 1;\n\tuse(colour_%s);\n// the colour of things\n' "$n" "$n" \
            >"$1/src/part$n.c"
    done
    printf 'No match in here.\n' >"$1/docs/readme.txt"
    printf 'Colour and colour again.\n' >"$1/docs/notes.txt"
}
sample_tree "$work/first"
sample_tree "$work/second"
sample_tree "$work/third"
"$cli" --ini "$work/cli.INI" --quiet --search colour --replace color \
    --dir "$work/first" --filter '*.c;*.txt' --subdirs --log "$work/sample.log" >/dev/null

rm -f "$output"/*.png "$output/kesto.INI"
XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen "$tour" "$output" "$work/sample.log" "$work/second" "$work/third"
# The first start, every pixel doubled as on a HiDPI screen: a settings file that keeps no
# place yet, and a screen of 1600x1000 pixels (800x500 at that scale).
rm -f "$output/kesto.INI"
printf '{"screens": [{"name": "hidpi", "x": 0, "y": 0, "width": 1600, "height": 1000}]}\n' \
    >"$work/screen.json"
XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json" \
    QT_SCALE_FACTOR=2 "$tour" --first-start main-window-scale2.png \
    "$output" "$work/sample.log" "$work/second" "$work/third"
rm -f "$output/kesto.INI"
