#!/usr/bin/env bash
# Drives the real program in a real X server with a window manager and a tray host, the way a
# person would: a first start in an empty application folder, one event typed into today's
# cell and saved, the event found again, a second copy that hands over and ends, and a
# log-off (SIGTERM) that writes the settings. Everything lives in a temporary folder; the main window's picture stays in the
# build folder as e2e-main-window.png.
#
# Usage: run_e2e.sh QUORVA_EXECUTABLE BUILD_DIR
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 QUORVA_EXECUTABLE BUILD_DIR" >&2
    exit 2
fi
exe=$(realpath "$1")
build=$(realpath "$2")

# Re-run inside a private X server; -a takes the next free display from a random start, so
# runs that start at the same moment do not race for the same number.
if [ -z "${QUORVA_E2E_DISPLAY_READY:-}" ]; then
    for tool in xvfb-run xdotool import convert openbox trayer xprop; do
        command -v "$tool" >/dev/null || { echo "e2e: $tool is missing" >&2; exit 1; }
    done
    export QUORVA_E2E_DISPLAY_READY=1
    rm -f "$build/e2e-failure.png"
    exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x800x24" "$0" "$@"
fi

# The program may take several seconds to start on a busy machine.
readonly WAIT=45

# A desktop as people have it: a window manager (frames, focus, placement) and a tray host.
source "$(dirname "$0")/desktop.sh"
start_desktop "$WAIT" || { echo "e2e: the tray host keeps no strip of the screen" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quorva-e2e.XXXXXX")
pids=()
cleanup() {
    local status=$?
    local pid
    for pid in "${pids[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
    done
    stop_desktop
    if [ $status -ne 0 ] && [ -f "$work/first.log" ]; then
        echo "--- output of the program ---" >&2
        cat "$work/first.log" >&2
    fi
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${main_window:-}" ]; then
        import -window "$main_window" "$build/e2e-failure.png" 2>/dev/null &&
            echo "  picture of the main window: $build/e2e-failure.png" >&2
    fi
    exit 1
}
pass() { echo "ok: $*"; }

# A first start: an application folder of its own (the events file goes beside the
# executable), no settings, no data, and a temporary folder that no other copy shares,
# which also isolates the single-instance channel.
app="$work/app"
mkdir -p "$app" "$work/config" "$work/data" "$work/tmp" "$work/home" "$work/cache"
mkdir -m 700 "$work/runtime"
cp "$exe" "$app/quorva"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
export HOME="$work/home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime"
export QT_QPA_PLATFORM=xcb
unset SESSION_MANAGER

# Width and height of a window, as "W H".
window_size() {
    local WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(WIDTH|HEIGHT)=')"
    echo "$WIDTH $HEIGHT"
}
# Number of pixels close to pure blue (the colour of event texts) in a region "WxH+X+Y"
# of a picture.
blue_pixels() {
    convert "$1" -crop "$2" +repage -fuzz 30% \
        -fill black +opaque '#0000FF' -fill white -opaque '#0000FF' \
        -format '%[fx:round(mean*w*h)]' info:
}

"$app/quorva" >"$work/first.log" 2>&1 &
first=$!
pids+=("$first")

main_window=$(window_named Quorva) || true
[ -n "$main_window" ] || fail "the main window did not appear within $WAIT s"
pass "main window $main_window appeared"

# The first start under an account opens the help; without a window manager the newest
# window lies on top, so the main window is raised before every click.
help_window=$(window_named "Quorva Help") || true
[ -n "$help_window" ] || fail "a first start did not open the help window"
pass "a first start opened the help window"

# Today's cell: the grid starts on a Sunday with the first of the month in the first row.
first_weekday=$(date -d "$(date +%Y-%m-01)" +%w)
day=$(date +%-d)
cell=$((first_weekday + day - 1))
row=$((cell / 7))
column=$((cell % 7))
today_key=$(date +%-m/%-d/%Y)

# The month view lies right of the month strip (scroll bar + 150 px) and below the menu bar;
# it keeps 36 px of headers above six rows of cells. Cells are wide and tall enough that
# their centres stay inside them whatever the style's exact bar sizes.
read -r width height <<<"$(window_size "$main_window")"
readonly STRIP=166 MENU=20 STATUS=19
month_width=$((width - STRIP))
month_height=$((height - MENU - STATUS))
cell_width=$((month_width / 7))
cell_height=$(((month_height - 34) / 6))
click_x=$((STRIP + cell_width * column + cell_width / 2))
click_y=$((MENU + 36 + cell_height * row + cell_height / 2))

# The text region of the cell, below the day number: empty (no blue) before the event exists.
cell_region="$((cell_width - 8))x$((cell_height - 24))+$((STRIP + cell_width * column + 4))+$((MENU + 36 + cell_height * row + 20))"
xdotool windowraise "$main_window"
sleep 0.5
import -window "$main_window" "$work/before.png" || fail "no picture of the main window could be taken"
[ "$(blue_pixels "$work/before.png" "$cell_region")" -eq 0 ] ||
    fail "today's cell shows blue text before any event exists"

xdotool mousemove --window "$main_window" "$click_x" "$click_y" click 1
day_editor=$(window_named "Planned Events - Quorva") || true
[ -n "$day_editor" ] || fail "clicking today's cell ($cell at $click_x,$click_y) did not open the day editor"
pass "clicking today's cell opened the day editor"

# Without a window manager the keys go to the window under the pointer. For today the
# one-time memo has the focus; Enter starts its second line.
xdotool mousemove --window "$day_editor" 300 305
sleep 0.5
xdotool type --delay 30 "Dentist at nine"
xdotool key Return
xdotool type --delay 30 "Bring the card"
xdotool mousemove --window "$day_editor" $((389 + 37)) $((292 + 12)) click 1
wait_until_gone "Planned Events - Quorva" || fail "Save did not close the day editor"
pass "Save closed the day editor"

events_file="$app/quorva.ini"
expected_line="$today_key=Dentist at nine\\nBring the card"
for ((i = 0; i < WAIT * 10; i++)); do
    grep -qxF "$expected_line"$'\r' "$events_file" 2>/dev/null && break
    sleep 0.1
done
grep -qxF "[Once]"$'\r' "$events_file" ||
    fail "the events file has no [Once] section: $(cat -A "$events_file" 2>&1)"
grep -qxF "$expected_line"$'\r' "$events_file" ||
    fail "the events file lacks the line $expected_line: $(cat -A "$events_file" 2>&1)"
pass "the events file holds the two lines as one value"

# The picture kept for people to look at; the cell now shows the text in blue.
xdotool mousemove 1279 799
sleep 0.5
import -window "$main_window" "$build/e2e-main-window.png" ||
    fail "no picture of the main window could be taken"
[ "$(blue_pixels "$build/e2e-main-window.png" "$cell_region")" -gt 20 ] ||
    fail "today's cell shows no event text in $build/e2e-main-window.png"
pass "today's cell shows the event ($build/e2e-main-window.png)"

# Find: the dialog opens at its minimum height and grows to 208 px with the first search.
# A search that finds nothing leaves the result area without blue text; one that finds the
# second line of the event fills a row with it.
# The closed day editor leaves the X input focus nowhere; without a window manager to hand
# it back, the test gives it to the main window, where Ctrl+F is a shortcut.
xdotool windowraise "$main_window"
xdotool mousemove --window "$main_window" $((width - 20)) 8
xdotool windowfocus --sync "$main_window"
sleep 0.5
xdotool key --clearmodifiers ctrl+f
find_dialog=$(window_named "Find - Quorva") || true
[ -n "$find_dialog" ] || fail "Ctrl+F did not open the find dialog"
pass "Ctrl+F opened the find dialog"
# The pointer rests on the search controls: keys reach the dialog, and no result row is
# under it (a hovered row turns orange).
xdotool mousemove --window "$find_dialog" 5 5
sleep 0.5
read -r find_width find_height <<<"$(window_size "$find_dialog")"
[ "$find_height" -lt 208 ] || fail "the find dialog opened $find_height px high, not at its minimum"

search_for() {
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 30 "$1"
    xdotool key Return
}
results_region() {
    read -r find_width find_height <<<"$(window_size "$find_dialog")"
    echo "$((find_width - 20))x$((find_height - 89 - 19 - 16))+0+$((89 + 16))"
}

search_for "no such appointment"
for ((i = 0; i < WAIT * 10; i++)); do
    read -r find_width find_height <<<"$(window_size "$find_dialog")"
    [ "$find_height" -ge 208 ] && break
    sleep 0.1
done
[ "$find_height" -eq 208 ] || fail "the find dialog is $find_height px high after a search, not 208"
pass "a search grew the find dialog to 208 px"
sleep 0.5
import -window "$find_dialog" "$work/find-none.png"
[ "$(blue_pixels "$work/find-none.png" "$(results_region)")" -eq 0 ] ||
    fail "a search for an absent text lists a result"
pass "a search for an absent text lists nothing"

search_for "the card"
found=0
for ((i = 0; i < 50; i++)); do
    sleep 0.2
    import -window "$find_dialog" "$build/e2e-find-dialog.png"
    if [ "$(blue_pixels "$build/e2e-find-dialog.png" "$(results_region)")" -gt 20 ]; then
        found=1
        break
    fi
done
[ $found -eq 1 ] || fail "searching the event's second line lists no result ($build/e2e-find-dialog.png)"
pass "searching the event's second line lists a result ($build/e2e-find-dialog.png)"

xdotool key Escape
wait_until_gone "Find - Quorva" || fail "Esc did not close the find dialog"
pass "Esc closed the find dialog"

# A second copy hands over to the first and ends; the first goes on.
second_status=0
timeout "$WAIT" "$app/quorva" >"$work/second.log" 2>&1 || second_status=$?
[ $second_status -eq 0 ] || fail "the second copy ended with status $second_status: $(cat "$work/second.log")"
kill -0 "$first" 2>/dev/null || fail "the first copy ended when the second started"
[ -n "$(xdotool search --onlyvisible --name '^Quorva$' 2>/dev/null)" ] ||
    fail "the main window is gone after the second copy started"
pass "a second copy ended at once and the first stays"

# A log-off: SIGTERM writes the settings and ends the program.
kill -TERM "$first"
first_status=0
for ((i = 0; i < WAIT * 10; i++)); do
    kill -0 "$first" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$first" 2>/dev/null && fail "SIGTERM did not end the program within $WAIT s"
wait "$first" || first_status=$?
[ $first_status -eq 0 ] || fail "after SIGTERM the program ended with status $first_status"
pass "SIGTERM ended the program"

settings="$XDG_CONFIG_HOME/Ostrune/Quorva.reg"
[ -f "$settings" ] || fail "no settings were written at $settings"
grep -q '^"frmMain->Width"=' "$settings" || fail "the settings lack frmMain->Width: $(cat "$settings")"
grep -q '^"Version"="1.75"' "$settings" || fail "the settings lack the version record: $(cat "$settings")"
pass "the settings hold the main window's width and the version record"
grep -qxF "$expected_line"$'\r' "$events_file" || fail "the events file changed at exit"
pass "the events file is unchanged at exit"

echo "e2e: all checks passed"
