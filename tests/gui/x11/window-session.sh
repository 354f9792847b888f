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

skip() {
    echo "SKIPPED: $*"
    exit 77
}
for tool in Xvfb xdotool xwininfo xprop python3; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done

work=$(mktemp -d)
started=()
cleanup() {
    local pid
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${started[@]}"; do wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

# --- The X server, and a window manager when there is one ---

Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp \
    3>"$work/display" 2>"$work/xvfb.log" &
started+=($!)
for _ in $(seq 50); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || skip "Xvfb did not start: $(tail -1 "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"
xprop -root >/dev/null 2>&1 || skip "the X server on $DISPLAY does not answer"
if command -v openbox >/dev/null; then
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    started+=($!)
    for _ in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
fi

# --- Kesto, with settings, journals and everything else of its own ---

# The settings file lies beside the program when that folder is writable: a copy of the
# program in a fresh folder starts as on a machine that never ran it.
mkdir -p "$work/bin" "$work/state" "$work/config" "$work/runtime" "$work/tree/sub"
chmod 700 "$work/runtime"
ln "$kesto_program" "$work/bin/kesto" 2>/dev/null || cp "$kesto_program" "$work/bin/kesto"
printf 'one cat and another cat\n' >"$work/tree/a.txt"
printf 'no match here\n' >"$work/tree/b.txt"
printf 'cat\n' >"$work/tree/c.txt"
printf 'a cat below\n' >"$work/tree/sub/d.txt"

failures=0
check() { # DESCRIPTION CONDITION...
    local what=$1
    shift
    if "$@"; then
        echo "PASS  $what"
    else
        echo "FAIL  $what"
        failures=$((failures + 1))
    fi
}

# The window of kesto whose title matches, once it is shown.
window_named() {
    local id
    for _ in $(seq $((wait_seconds * 10))); do
        id=$(xdotool search --all --onlyvisible --pid "$kesto_pid" --name "$1" 2>/dev/null | tail -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# "X Y WIDTH HEIGHT" of a window with its frame, as it stands on the screen.
outer_geometry() {
    local info x y width height extents left=0 right=0 top=0 bottom=0
    info=$(xwininfo -id "$1") || return 1
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    width=$(sed -n 's/.*Width: *//p' <<<"$info")
    height=$(sed -n 's/.*Height: *//p' <<<"$info")
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p' | tr -d ' ')
    [ -n "$extents" ] && IFS=, read -r left right top bottom <<<"$extents"
    echo "$((x - left)) $((y - top)) $((width + left + right)) $((height + top + bottom))"
}

show_geometry() { # LABEL X Y WIDTH HEIGHT
    printf '      %-34s %5d,%-5d %5dx%-5d\n' "$1" "$2" "$3" "$4" "$5"
}

inside_screen() {
    [ "$1" -ge 0 ] && [ "$2" -ge 0 ] && [ $(($1 + $3)) -le "$screen_width" ] &&
        [ $(($2 + $4)) -le "$screen_height" ]
}

# Every window kesto shows lies on the screen.
check_all_inside() {
    local id geometry
    for id in $(xdotool search --onlyvisible --pid "$kesto_pid" 2>/dev/null); do
        read -r -a geometry <<<"$(outer_geometry "$id")" || continue
        show_geometry "$(xdotool getwindowname "$id")" "${geometry[@]}"
        check "\"$(xdotool getwindowname "$id")\" lies inside the ${screen_width}x${screen_height} screen" \
            inside_screen "${geometry[@]}"
    done
}

# Qt names a maximized session window in brackets at the end of the main window's title.
main_title_ends_with() {
    local title
    title=$(xdotool getwindowname "$main_window")
    [ "${title%"$1"}" != "$title" ]
}

near() { [ "${1#-}" -le "$2" ]; }

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
XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    HOME="$work" QT_QPA_PLATFORM=xcb "$work/bin/kesto" >"$work/kesto.log" 2>&1 &
kesto_pid=$!
started+=("$kesto_pid")

# --- First start: the main window and the dialog of its first session window ---

echo "== first start"
dialog=$(window_named '^Search for a String  and  Replace It$') || {
    cat "$work/kesto.log"
    echo "FAIL  the search/replace dialog of the first window did not appear"
    exit 1
}
main_window=$(window_named '^Search/Replace - Kesto1$')
read -r -a main <<<"$(outer_geometry "$main_window")"
show_geometry "main window" "${main[@]}"
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
