# shellcheck shell=bash
# What the scripts beside this one share, sourced by them: an X server of their own with a
# window manager when there is one, kesto's own folders, checks that count their failures,
# and the geometry of a window on the screen with its frame. Exits 77 (skipped) when no X
# server can be started here.
#
# Set before sourcing: screen_width, screen_height, wait_seconds, kesto_program.

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

# --- Kesto's folders ---

# The settings file lies beside the program when that folder is writable: a copy of the
# program in a fresh folder starts as on a machine that never ran it.
mkdir -p "$work/bin" "$work/state" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
ln "$kesto_program" "$work/bin/kesto" 2>/dev/null || cp "$kesto_program" "$work/bin/kesto"

# Starts kesto on the X server, with its journals and everything else in the scratch
# folder; VARIABLE=VALUE arguments go to its environment. Sets kesto_pid.
start_kesto() {
    env XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config" \
        XDG_RUNTIME_DIR="$work/runtime" HOME="$work" QT_QPA_PLATFORM=xcb "$@" \
        "$work/bin/kesto" >"$work/kesto.log" 2>&1 &
    kesto_pid=$!
    started+=("$kesto_pid")
}

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

near() { [ "${1#-}" -le "$2" ]; }

# Waits for the dialog of the first session window and the main window: sets dialog,
# main_window and main (the main window's geometry with its frame) and prints the latter.
# Fails, showing kesto's output, when the dialog does not appear.
wait_for_first_window() {
    dialog=$(window_named '^Search for a String  and  Replace It$') || {
        cat "$work/kesto.log"
        echo "FAIL  the search/replace dialog of the first window did not appear"
        return 1
    }
    main_window=$(window_named '^Search/Replace - Kesto1$')
    # A moment for the window manager to settle the frame it gave the window.
    sleep 0.3
    read -r -a main <<<"$(outer_geometry "$main_window")"
    show_geometry "main window" "${main[@]}"
}
