# Sourced by the real-window tests, which set WAIT: a desktop as people have it on the X server in $DISPLAY,
# a window manager (openbox: frames, focus, placement) and a tray host (trayer) that keeps a
# 24-pixel strip at the bottom of an 800-pixel screen for itself.
#
# start_desktop WAIT: starts both, waiting up to WAIT seconds for the window manager, and
# appends their process ids to the array desktop_pids. Returns 1 when the tray host's strip
# never showed in the work area.
desktop_pids=()

# Window id of the visible top-level window whose title is exactly $1, waiting up to $WAIT s.
window_named() {
    timeout "$WAIT" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
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
        xprop -root _NET_WORKAREA 2>/dev/null | grep -q '=' && break
        sleep 0.1
    done
    for attempt in 1 2 3; do
        trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel \
            --height 24 --SetDockType true --SetPartialStrut true >/dev/null 2>&1 &
        tray=$!
        disown
        for ((i = 0; i < 100; i++)); do
            if xprop -root _NET_WORKAREA 2>/dev/null | grep -q ', 776$'; then
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
