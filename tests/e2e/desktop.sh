# Sourced by the real-window tests, which set WAIT: a desktop as people have it on the X server in $DISPLAY,
# a window manager (openbox: frames, focus, placement) and a tray host (trayer) that keeps a
# 24-pixel strip at the bottom of an 800-pixel screen for itself.
#
# start_desktop WAIT: starts both, waiting up to WAIT seconds for the window manager, and
# appends their process ids to the array desktop_pids. Returns 1 when the tray host's strip
# never showed in the work area.
desktop_pids=()

# Window id of the visible top-level window whose title is exactly $1, waiting up to $WAIT s.
# The list is taken whole before its first line is kept: a reader that stopped early would
# break the pipe under xdotool.
window_named() {
    local ids
    ids=$(timeout "$WAIT" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null) || return 1
    [ -n "$ids" ] || return 1
    echo "${ids%%$'\n'*}"
}
# Gives window $1 the keyboard focus and waits up to $WAIT s until the X server has it there:
# keys typed before that go to whichever window had it. The window manager is asked again
# every two seconds, in case another window took the focus meanwhile. Fails the test otherwise.
focus_window() {
    local i
    for ((i = 0; i < WAIT * 10; i++)); do
        if ((i % 20 == 0)); then
            xdotool windowactivate "$1" 2>/dev/null || true
        fi
        [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$1" ] && return 0
        sleep 0.1
    done
    fail "window $1 ($(xdotool getwindowname "$1" 2>/dev/null || true)) did not get the keyboard focus within $WAIT s"
}
# The id of a visible window titled exactly $1 other than window $2.
other_window_named() {
    local ids id
    ids=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null) || true
    for id in $ids; do
        [ "$id" != "$2" ] && echo "$id" && return 0
    done
    return 1
}
# Whether pictures $1 and $2 agree pixel for pixel.
same_pictures() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" = 0 ]; }
# Whether the root window's work area (one line of xprop, read whole) matches pattern $1.
work_area_is() {
    local area
    area=$(xprop -root _NET_WORKAREA 2>/dev/null) || return 1
    grep -q -- "$1" <<<"$area"
}
# Waits up to $WAIT s until the window manager has framed window $1 (it announces the frame's
# extents), so that moves, clicks and keys meet the window where it will stay.
wait_until_framed() {
    local i extents
    for ((i = 0; i < WAIT * 10; i++)); do
        extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null) || true
        [[ "$extents" == *=* ]] && return 0
        sleep 0.1
    done
    return 1
}
# Waits up to $WAIT s until no visible window has the title $1.
wait_until_gone() {
    local i
    for ((i = 0; i < WAIT * 10; i++)); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
start_desktop() {
    local wait=$1 i attempt tray
    openbox --sm-disable >/dev/null 2>&1 &
    desktop_pids+=($!)
    disown
    # openbox announces the work area once it manages the screen; the tray host's strip comes
    # off it. A tray host started in the same moment as the window manager is sometimes not
    # seen: it is started again then.
    for ((i = 0; i < wait * 10; i++)); do
        work_area_is '=' && break
        sleep 0.1
    done
    for attempt in 1 2 3; do
        trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel \
            --height 24 --SetDockType true --SetPartialStrut true >/dev/null 2>&1 &
        tray=$!
        disown
        for ((i = 0; i < wait * 5; i++)); do
            if work_area_is ', 776$'; then
                desktop_pids+=("$tray")
                return 0
            fi
            sleep 0.1
        done
        kill "$tray" 2>/dev/null || true
    done
    return 1
}

stop_desktop() {
    local pid
    for pid in "${desktop_pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
}

# The program under test, for scripts that set exe, work and WAIT and define fail.
# Each scenario runs the program with a folder of its own: app (the executable and its events
# file), config, data, runtime.
user_dirs() {
    local root=$1
    mkdir -p "$root/app" "$root/config/Ostrune" "$root/data" "$root/home" "$root/tmp"
    mkdir -p -m 700 "$root/runtime"
    cp "$exe" "$root/app/quorva"
}
# Settings of a copy that has run before (no help page at start), with extra lines appended.
write_settings() {
    local root=$1
    shift
    {
        printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ostrune\\Quorva\\Version]\n"Version"="1.75"\n\n'
        printf '[HKEY_CURRENT_USER\\Software\\Ostrune\\Quorva\\MainFormView]\n'
        printf '%s\n' "$@"
    } >"$root/config/Ostrune/Quorva.reg"
}
# Starts the program of folder $1 (as the command prefix in $runner, if any); waits for the
# main window, whose id lands in $main.
start_program() {
    local root=$1
    shift
    env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$root/home" TMPDIR="$root/tmp" \
        XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
        XDG_RUNTIME_DIR="$root/runtime" QT_QPA_PLATFORM=xcb "$@" \
        "${runner[@]}" "$root/app/quorva" >"$work/program.log" 2>&1 &
    program=$!
    main=$(window_named Quorva) || true
    [ -n "$main" ] || fail "the main window did not appear within $WAIT s"
    wait_until_framed "$main" || fail "the window manager did not frame the main window within $WAIT s"
}
# Ends the program as a log-off does, which writes its settings.
stop_program() {
    kill -TERM "$program"
    local status=0
    wait "$program" || status=$?
    program=""
    [ $status -eq 0 ] || fail "the program ended with status $status after SIGTERM"
}
# Where a month-view cell lies inside the main window, as "X Y W H", for the cell of a date
# in the shown month: the grid starts on a Sunday right of the month strip, below the menu.
cell_box() {
    local first_weekday=$1 day=$2 width height
    read -r width height <<<"$(xwininfo -id "$main" | awk -F: '/Width/ {w = $2 + 0}
        /Height/ {h = $2 + 0} END {print w, h}')"
    local strip=166 menu=20 status=19
    local cell_w=$(((width - strip) / 7)) cell_h=$(((height - menu - status - 34) / 6))
    local cell=$((first_weekday + day - 1))
    echo "$((strip + cell_w * (cell % 7))) $((menu + 36 + cell_h * (cell / 7))) $cell_w $cell_h"
}
click_cell() {
    local x y w h
    read -r x y w h <<<"$(cell_box "$1" "$2")"
    xdotool mousemove --window "$main" $((x + w / 2)) $((y + h / 2 + 8)) click 1
}


# The start of a real-window test script run as SCRIPT QUORVA_EXECUTABLE BUILD_DIR:
#   desktop_test_begin NAME "$@" [TOOL ...]
# checks the arguments and the tools, makes the temporary folder $work (gone at the end, the
# program's output shown on failure), defines fail (a picture of the screen as
# $build/NAME-failure.png) and pass, and starts an X server of its own with openbox and
# trayer. Sets exe, build, work, WAIT, DISPLAY, pids and program.
desktop_test_begin() {
    test_name=$1
    if [ $# -lt 3 ]; then
        echo "usage: $0 QUORVA_EXECUTABLE BUILD_DIR" >&2
        exit 2
    fi
    exe=$(realpath "$2")
    build=$(realpath "$3")
    shift 3
    local tool i
    for tool in Xvfb openbox trayer xdotool xwininfo xprop import "$@"; do
        command -v "$tool" >/dev/null || { echo "$test_name: $tool is missing" >&2; exit 1; }
    done
    WAIT=45
    work=$(mktemp -d "${TMPDIR:-/tmp}/quorva-$test_name.XXXXXX")
    chmod 755 "$work"
    pids=()
    program=""
    trap desktop_test_end EXIT
    trap 'exit 130' INT TERM
    exec 5>"$work/display"
    Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp -ac >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    for ((i = 0; i < WAIT * 10; i++)); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    local number
    read -r number <"$work/display" || true
    export DISPLAY=":$number"
    start_desktop "$WAIT" || fail "the tray host keeps no strip of the screen"
}
desktop_test_end() {
    local status=$?
    local pid
    [ -n "$program" ] && kill -KILL "$program" 2>/dev/null
    stop_desktop
    for pid in "${pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    if [ $status -ne 0 ] && [ -f "$work/program.log" ]; then
        echo "--- output of the program ---" >&2
        cat "$work/program.log" >&2
    fi
    rm -rf "$work"
    exit $status
}
fail() {
    echo "FAIL: $*" >&2
    import -window root "$build/$test_name-failure.png" 2>/dev/null &&
        echo "  picture of the screen: $build/$test_name-failure.png" >&2
    exit 1
}
pass() { echo "ok: $*"; }
