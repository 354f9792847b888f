#!/usr/bin/env bash
# The real kesto on an X server of its own, worked with key presses as a user would (the
# mouse only for the title bar of a session window, which has no key to maximize it):
# start, a new session window, a maximized window and a new one opened over it, a
# single-mode run with "Confirm each Replace" whose questions are answered with the keys,
# print preview, exit. Prints every geometry it checks; fails when a check fails; exits 77
# (skipped) when no X server can be started here.
#
#   window-session.sh KESTO
set -uo pipefail

readonly kesto_program=$1
readonly screen_width=1600 screen_height=1000
# Pixels a window may stand off the centre it is meant to have.
readonly centre_slack=24
readonly wait_seconds=15

# shellcheck source=x-display.sh
source "$(dirname "$0")/x-display.sh"
mkdir -p "$work/tree/sub"
printf 'one cat and another cat\n' >"$work/tree/a.txt"
printf 'no match here\n' >"$work/tree/b.txt"
printf 'cat\n' >"$work/tree/c.txt"
printf 'a cat below\n' >"$work/tree/sub/d.txt"

# Qt names a maximized session window in brackets at the end of the main window's title.
main_title_ends_with() {
    local title
    title=$(xdotool getwindowname "$main_window")
    [ "${title%"$1"}" != "$title" ]
}

# A dialog stands centred over the main window.
check_centred_over_main() { # DIALOG-ID NAME
    local dialog main
    read -r -a dialog <<<"$(outer_geometry "$1")"
    read -r -a main <<<"$(outer_geometry "$main_window")"
    local dx=$(((dialog[0] + dialog[2] / 2) - (main[0] + main[2] / 2)))
    local dy=$(((dialog[1] + dialog[3] / 2) - (main[1] + main[3] / 2)))
    show_geometry "main window" "${main[@]}"
    show_geometry "$2" "${dialog[@]}"
    check "$2 is centred over the main window (centres differ by $dx,$dy; at most $centre_slack)" \
        eval "near $dx $centre_slack && near $dy $centre_slack"
}

key_to() { # WINDOW-ID KEY...
    local id=$1
    shift
    xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
    xdotool key --delay 40 "$@"
}

type_to() { # WINDOW-ID TEXT
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
    xdotool type --delay 20 "$2"
}

# What the area of the session windows shows, from a picture of the main window: the area
# (the part of the window holding the area's background), and the windows on it.
area_report() {
    local geometry
    read -r -a geometry <<<"$(xwininfo -id "$main_window" |
        sed -n 's/.*Absolute upper-left [XY]: *//p; s/.*Width: *//p; s/.*Height: *//p' | tr '\n' ' ')"
    python3 "$(dirname "$0")/window-area.py" "${geometry[@]}" "$@"
}

started_at=$(date +%s%N)
start_kesto

# --- First start: the main window and the dialog of its first session window ---

echo "== first start"
wait_for_first_window || exit 1
check "the main window is about two thirds of the screen wide (${main[2]} of $screen_width)" \
    eval "near $((main[2] * 3 - screen_width * 2)) $((screen_width * 3 / 10))"
check "the main window is about two thirds of the screen high (${main[3]} of $screen_height)" \
    eval "near $((main[3] * 3 - screen_height * 2)) $((screen_height * 3 / 10))"
dx=$((main[0] + main[2] / 2 - screen_width / 2))
dy=$((main[1] + main[3] / 2 - screen_height / 2))
check "the main window is centred on the screen (centres differ by $dx,$dy; at most $centre_slack)" \
    eval "near $dx $centre_slack && near $dy $centre_slack"
check_centred_over_main "$dialog" "search/replace dialog"
check_all_inside
key_to "$dialog" Escape
# The area, measured while it is empty: the first window closed with File > Close.
sleep 0.3
key_to "$main_window" alt+f c
sleep 0.5
area_report --measure "$work/area" || {
    echo "FAIL  no empty window area to measure"
    exit 1
}

# --- New session windows ---

for number in 2 3; do
    echo "== new session (Ctrl+N): Kesto$number"
    key_to "$main_window" ctrl+n
    dialog=$(window_named '^Search for a String  and  Replace It$')
    check_centred_over_main "$dialog" "search/replace dialog"
    check_all_inside
    key_to "$dialog" Escape
    sleep 0.5
    # The place of the first one, while it is alone, for the maximize below.
    [ "$number" -eq 2 ] && title_bar=$(area_report --title-bar "$work/area" | tail -1)
    check "the new session window lies inside the area" area_report --inside "$work/area"
done

# --- Maximized: Kesto2, brought forward with F6, by a double click on its title bar ---

echo "== maximize"
key_to "$main_window" F6
sleep 0.3
read -r title_x title_y <<<"$title_bar"
echo "      double click at $title_x,$title_y"
xdotool mousemove --sync "$title_x" "$title_y" click --repeat 2 --delay 80 1
sleep 0.5
echo "      main window: $(xdotool getwindowname "$main_window")"
check "the session window is maximized (the main window's title names it in brackets)" \
    main_title_ends_with " - [Kesto2]"
check "the maximized window fills the area" area_report --filled "$work/area"

# --- A second window opened over it, and a run in it, answered from the keyboard ---

echo "== a second window over the maximized one, and a run with Confirm"
key_to "$main_window" ctrl+n
dialog=$(window_named '^Search for a String  and  Replace It$')
check_centred_over_main "$dialog" "search/replace dialog"
check_all_inside
echo "      main window: $(xdotool getwindowname "$main_window")"
check "the window opened over a maximized one is maximized too" \
    main_title_ends_with " - [Kesto4]"
# The search string, Tab to the Expand button, Tab to the replace string; then Confirm each
# Replace and By Directory and Filter by their keys, and Enter for Begin.
type_to "$dialog" cat
key_to "$dialog" Tab Tab
type_to "$dialog" dog
key_to "$dialog" alt+c alt+d Return
dialog=$(window_named '^Select Files to Search by Starting Directory and File Filter$') || {
    echo "FAIL  the start directory dialog did not appear"
    exit 1
}
check_centred_over_main "$dialog" "start directory dialog"
check_all_inside
# The directory field has the focus; Tab goes by the Browse button to the filter.
key_to "$dialog" ctrl+a
type_to "$dialog" "$work/tree"
key_to "$dialog" Tab Tab ctrl+a
type_to "$dialog" '*.txt'
key_to "$dialog" Return

# Each question: Enter is Replace It, Alt+S is Skip It. The matches come file by file:
# a.txt has two, c.txt one, sub/d.txt one when the walk takes the subfolder.
answers=(Return alt+s Return Return)
asked=0
for _ in $(seq 6); do
    question=$(window_named '^String Replace$|^Include/Exclude This File Extension') || break
    name=$(xdotool getwindowname "$question")
    if [ "$name" = "String Replace" ]; then
        [ "$asked" -eq 0 ] && { check_centred_over_main "$question" "confirm dialog"; check_all_inside; }
        key_to "$question" "${answers[$asked]:-Return}"
        asked=$((asked + 1))
    else
        key_to "$question" Return
    fi
    # The next question comes with the next match; the run ends without one.
    for _ in $(seq 20); do
        xdotool search --onlyvisible --pid "$kesto_pid" 2>/dev/null | grep -qv "^$main_window$" || break
        sleep 0.05
    done
done
echo "      questions answered: $asked"
check "the run asked about every match (3 or 4, the subfolder's one when it is walked)" \
    eval "[ $asked -ge 3 ]"
check "a.txt has the first match replaced and the skipped one left" \
    eval "[ \"\$(cat '$work/tree/a.txt')\" = 'one dog and another cat' ]"
check "b.txt, without a match, is as it was" \
    eval "[ \"\$(cat '$work/tree/b.txt')\" = 'no match here' ]"
check "c.txt has its match replaced" eval "[ \"\$(cat '$work/tree/c.txt')\" = 'dog' ]"
check "a.txt kept its original as a backup" \
    eval "[ \"\$(cat '$work/tree/a.~txt')\" = 'one cat and another cat' ]"
check "the window opened over the maximized one fills the area" area_report --filled "$work/area"

# --- Print preview, then exit ---

echo "== print preview"
key_to "$main_window" alt+f v
preview=$(window_named '^Print Preview') || preview=""
if [ -n "$preview" ]; then
    check_centred_over_main "$preview" "print preview"
    check_all_inside
    key_to "$preview" Escape
    sleep 0.3
else
    echo "FAIL  the print preview did not appear"
    failures=$((failures + 1))
fi

echo "== exit"
key_to "$main_window" alt+f x
for _ in $(seq $((wait_seconds * 10))); do
    kill -0 "$kesto_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$kesto_pid" 2>/dev/null; then
    echo "FAIL  kesto is still running after File > Exit"
    failures=$((failures + 1))
else
    wait "$kesto_pid"
    status=$?
    check "kesto ended with status 0 (it ended with $status)" eval "[ $status -eq 0 ]"
fi
check "the settings file was written beside the program" eval "[ -s '$work/bin/kesto.INI' ]"

echo "$failures checks failed; $((($(date +%s%N) - started_at) / 1000000)) ms"
[ "$failures" -eq 0 ]
