#!/usr/bin/env bash
# The main window of the real kesto at a scale factor of 2 on a 1600x1000 screen, on an X
# server of its own: at the first start and from places the settings file keeps that would
# reach past the screen, the whole window, its title bar included, lies on the screen.
# Prints every geometry it checks; fails when a check fails; exits 77 (skipped) when no X
# server can be started here.
#
#   window-placement.sh KESTO
set -uo pipefail

readonly kesto_program=$1
readonly screen_width=1600 screen_height=1000
readonly wait_seconds=15

# shellcheck source=x-display.sh
source "$(dirname "$0")/x-display.sh"

# Starts kesto at scale 2, checks where its windows stand, and ends it.
check_start() { # LABEL
    echo "== $1"
    start_kesto QT_SCALE_FACTOR=2
    if wait_for_first_window; then
        check "the main window, title bar included, lies inside the ${screen_width}x${screen_height} screen" \
            inside_screen "${main[@]}"
        check_all_inside
    else
        failures=$((failures + 1))
    fi
    kill "$kesto_pid" 2>/dev/null
    wait "$kesto_pid" 2>/dev/null
}

check_start "first start, no settings file"
first=("${main[@]}")
check "the first start left its place in the settings file" \
    grep -q '^Coordinates=' "$work/bin/kesto.INI"

# The place the first start left in the settings file when it ended.
check_start "the place the first start left"
# A border one screen pixel wide is half a pixel to kesto at scale 2: it may round either way.
check "the main window is where the first start left it (${first[*]} then ${main[*]})" \
    eval "near $((main[0] - first[0])) 2 && near $((main[1] - first[1])) 2 &&
          near $((main[2] - first[2])) 2 && near $((main[3] - first[3])) 2"

# Places in the settings file as a larger screen or a scale of 1 left them: the whole
# screen, one off its top left corner, one off its bottom right corner.
for coordinates in "0000 0000 1600 1000" "-200 -150 0500 0400" "0600 0380 1200 0760"; do
    printf '[Last Window Data]\nCoordinates=%s\nIconized=0\nMaximized=0\n' "$coordinates" \
        >"$work/bin/kesto.INI"
    check_start "saved place $coordinates"
done

echo "$failures checks failed"
[ "$failures" -eq 0 ]
