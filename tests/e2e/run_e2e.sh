#!/usr/bin/env bash
# Drives the real program in a real X server with a window manager and a tray host, the way a
# person would: a first start in an empty application folder, one event typed into today's
# cell and saved, the event found again, a second copy that hands over and ends, and a
# log-off (SIGTERM) that writes the settings. Everything lives in a temporary folder; the main window's picture stays in the
# build folder as e2e-main-window.png.
#
# Usage: run_e2e.sh QUORVA_EXECUTABLE BUILD_DIR
set -euo pipefail

source "$(dirname "$0")/desktop.sh"
# An X server of its own (the display number it chose itself, so runs at the same moment never
# race for one), with openbox and trayer; $build/e2e-failure.png shows the screen on failure.
desktop_test_begin e2e "$@" convert
rm -f "$build/e2e-failure.png"

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

"$app/quorva" >"$work/program.log" 2>&1 &
first=$!
program=$first

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

# For today the one-time memo has the focus; Enter starts its second line. Keys are typed
# once the window manager gave the editor the keyboard.
xdotool mousemove --window "$day_editor" 300 305
focus_window "$day_editor"
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

# The picture kept for people to look at; the cell now shows the text in blue, once the window
# has painted it.
xdotool mousemove 1279 799
shown=0
for ((i = 0; i < WAIT * 4; i++)); do
    import -window "$main_window" "$build/e2e-main-window.png" ||
        fail "no picture of the main window could be taken"
    if [ "$(blue_pixels "$build/e2e-main-window.png" "$cell_region")" -gt 20 ]; then
        shown=1
        break
    fi
    sleep 0.25
done
[ $shown -eq 1 ] || fail "today's cell shows no event text in $build/e2e-main-window.png"
pass "today's cell shows the event ($build/e2e-main-window.png)"

# Find: the dialog opens at its minimum height and grows to 208 px with the first search.
# A search that finds nothing leaves the result area without blue text; one that finds the
# second line of the event fills a row with it.
# The main window gets the focus back from the closed day editor, and Ctrl+F is its shortcut.
xdotool windowraise "$main_window"
xdotool mousemove --window "$main_window" $((width - 20)) 8
focus_window "$main_window"
xdotool key --clearmodifiers ctrl+f
find_dialog=$(window_named "Find - Quorva") || true
[ -n "$find_dialog" ] || fail "Ctrl+F did not open the find dialog"
pass "Ctrl+F opened the find dialog"
# The pointer rests on the search controls: keys reach the dialog, and no result row is
# under it (a hovered row turns orange).
xdotool mousemove --window "$find_dialog" 5 5
focus_window "$find_dialog"
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
for ((i = 0; i < WAIT * 5; i++)); do
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
program=""
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
