#!/usr/bin/env bash
# The real program on a desktop as people have it: an X server with a window manager
# (openbox: frames, title bars, placement, focus) and a notification area (trayer, which
# keeps the bottom of the screen for itself). Checks what only shows there:
#   - the main window opens where it was closed, 10 restarts without a pixel of drift, and
#     comes back on screen from a position no screen has;
#   - the reminder slides in to the work area's bottom-right corner, caption inside it;
#   - a cell's hint passes the click to the cell and goes when the pointer leaves the cell;
#   - Enter presses the focused button; help opened from the day editor is usable in front;
#   - midnight passing under the open day editor: the text goes to the editor's date;
#   - a read-only events file (run as a user without root): the save says so, nothing goes
#     elsewhere, and a retry after the file is writable again saves everything typed.
# Pictures of the windows stay in the build folder as desktop-*.png.
#
# Usage: run_desktop.sh QUORVA_EXECUTABLE BUILD_DIR
set -euo pipefail

source "$(dirname "$0")/desktop.sh"
desktop_test_begin desktop "$@" convert faketime
read -r area_x area_y area_w area_h <<<"$(xprop -root _NET_WORKAREA | sed 's/.*= //; s/,//g' | cut -d' ' -f1-4)"
[ "$area_h" -eq 776 ] || fail "the tray host keeps no strip: work area $area_x,$area_y ${area_w}x$area_h"
pass "openbox and trayer run on $DISPLAY, work area ${area_w}x$area_h"

runner=()

# The frame of a window as "X Y W H": its inside as the X server has it, and the frame
# extents the window manager announced.
frame_of() {
    local x y w h left right top bottom extents
    eval "$(xwininfo -id "$1" | awk -F: '/Absolute upper-left X/ {print "x=" $2 + 0}
        /Absolute upper-left Y/ {print "y=" $2 + 0} /Width/ {print "w=" $2 + 0}
        /Height/ {print "h=" $2 + 0}')"
    left=0 right=0 top=0 bottom=0
    # Read once: a window the window manager has not framed yet has no extents.
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null) || extents=""
    if [[ $extents == *=* ]]; then
        read -r left right top bottom <<<"$(sed 's/.*= //; s/,//g' <<<"$extents")"
    fi
    echo "$((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))"
}
# Waits until a window's frame stays put for half a second, and prints it.
settled_frame_of() {
    local before after i
    before=$(frame_of "$1")
    for ((i = 0; i < WAIT * 2; i++)); do
        sleep 0.5
        after=$(frame_of "$1")
        [ "$after" = "$before" ] && break
        before=$after
    done
    echo "$after"
}
# Waits up to $WAIT s until the frame of window $1 passes the test $2 (a command given the
# frame as X Y W H), then until it stays put, and prints it: the window manager and the
# program place a window when they get to it, and a slide moves it step by step. A frame that
# never passes is printed as it ends up.
frame_when() {
    local window=$1 test=$2 frame i
    for ((i = 0; i < WAIT * 10; i++)); do
        frame=$(frame_of "$window")
        # shellcheck disable=SC2086 # the frame's four numbers as four arguments
        $test $frame && break
        sleep 0.1
    done
    settled_frame_of "$window"
}
at_work_area_corner() { [ "$1" -eq "$area_x" ] && [ "$2" -eq "$area_y" ]; }
where_placed() { [ "$*" = "$placed" ]; }
moved_away() { [ "$*" != "$before_move" ]; }
on_screen() {
    [ "$1" -ge "$area_x" ] && [ "$2" -ge "$area_y" ] && [ $(($1 + 50)) -le $((area_x + area_w)) ]
}
ends_at_work_area_corner() {
    [ $(($1 + $3)) -eq $((area_x + area_w)) ] && [ $(($2 + $4)) -eq $((area_y + area_h)) ]
}

# True while window $2 is a visible window titled exactly $1.
visible_as() {
    local ids
    ids=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null) || return 1
    grep -qx "$2" <<<"$ids"
}

# Pictures. A window shows what lay there before until it has drawn itself, and redraws when
# it gets to it: a picture is taken again until it shows what is waited for.
picture_of_window() { import -window "$1" "$2"; }
# The main window's status bar, which names today, to $1.
picture_of_status_bar() {
    local width height
    read -r width height <<<"$(xwininfo -id "$main" | awk -F: '/Width/ {w = $2 + 0}
        /Height/ {h = $2 + 0} END {print w, h}')"
    import -window "$main" -crop "${width}x19+0+$((height - 19))" +repage "$1"
}
# Runs "$@" (a picture command whose last argument is the file) until two pictures half a
# second apart agree, up to $WAIT s; the last one stays in the file.
settled_picture() {
    local file=${!#} i
    "$@"
    for ((i = 0; i < WAIT * 2; i++)); do
        sleep 0.5
        "${@:1:$#-1}" "$work/again.png"
        same_pictures "$file" "$work/again.png" && return 0
        mv "$work/again.png" "$file"
    done
}
# Runs "${@:2}" (a picture command whose last argument is the file) until its picture differs
# from picture $1, up to $WAIT s; false when it never did.
picture_changes_from() {
    local before=$1 i
    shift
    for ((i = 0; i < WAIT * 5; i++)); do
        "$@" && ! same_pictures "$before" "${!#}" && return 0
        sleep 0.2
    done
    return 1
}
today_first_weekday=$(date -d "$(date +%Y-%m-01)" +%w)
today_day=$(date +%-d)
today_key=$(date +%-m/%-d/%Y)

# --- The main window's place -----------------------------------------------------------
root="$work/geometry"
user_dirs "$root"
start_program "$root"
read -r fx fy fw fh <<<"$(frame_when "$main" at_work_area_corner)"
[ "$fx" -eq "$area_x" ] && [ "$fy" -eq "$area_y" ] ||
    fail "a first start put the frame at $fx,$fy, not at the work area's corner"
pass "a first start puts the frame's top-left at $fx,$fy with the title bar on screen"
before_move=$(frame_of "$main")
xdotool windowmove "$main" 230 140
placed=$(frame_when "$main" moved_away)
[ "$placed" != "$before_move" ] || fail "the window manager did not move the window from $before_move"
stop_program
for run in $(seq 1 10); do
    start_program "$root"
    now=$(frame_when "$main" where_placed)
    [ "$now" = "$placed" ] || fail "restart $run moved the window from $placed to $now"
    stop_program
done
pass "10 restarts open the window where it was closed ($placed), not a pixel moved"

write_settings "$root" '"frmMain->Left"=dword:00001388' '"frmMain->Top"=dword:ffffff00'
start_program "$root"
read -r fx fy fw fh <<<"$(frame_when "$main" on_screen)"
[ "$fx" -ge "$area_x" ] && [ "$fy" -ge "$area_y" ] && [ $((fx + 50)) -le $((area_x + area_w)) ] ||
    fail "a position no screen has (5000,-256) opened the frame at $fx,$fy"
pass "a position no screen has comes back on screen at $fx,$fy"
stop_program

# --- The reminder window ---------------------------------------------------------------
check_reminder() {
    local reminder rx ry rw rh
    reminder=$(window_named "Reminder - Quorva") || true
    [ -n "$reminder" ] || fail "$1: the reminder window did not appear"
    read -r rx ry rw rh <<<"$(frame_when "$reminder" ends_at_work_area_corner)"
    [ $((rx + rw)) -eq $((area_x + area_w)) ] && [ $((ry + rh)) -eq $((area_y + area_h)) ] ||
        fail "$1: the reminder's frame ends at $((rx + rw)),$((ry + rh)), not at the work area's corner $((area_x + area_w)),$((area_y + area_h))"
    [ "$ry" -ge "$area_y" ] || fail "$1: the reminder's caption is above the work area (top $ry)"
    pass "$1: the reminder's frame $rx,$ry ${rw}x$rh ends at the work area's corner"
}
root="$work/reminder"
user_dirs "$root"
printf '[Once]\r\n%s=Dentist at nine\r\n' "$today_key" >"$root/app/quorva.ini"
for run in 1 2 3; do
    write_settings "$root"
    start_program "$root"
    check_reminder "start-up $run"
    [ "$run" -eq 1 ] && import -window root "$build/desktop-reminder.png"
    stop_program
done
write_settings "$root" '' '[HKEY_CURRENT_USER\Software\Ostrune\Quorva\ReminderFormView]' \
    '"frmReminder->Height"=dword:000007d0'
start_program "$root"
check_reminder "a reminder taller than the screen"
stop_program

# A hand-edited look-ahead of 2147483647 days: the windows look a year ahead, start, and end
# on SIGTERM as usual; the stored value is written back as it was.
write_settings "$root" '' '[HKEY_CURRENT_USER\Software\Ostrune\Quorva\Preferences]' \
    '"iRemThreshold"=dword:7fffffff'
start_program "$root"
check_reminder "a look-ahead of 2147483647 days"
stop_program
grep -q '"iRemThreshold"=dword:7fffffff' "$root/config/Ostrune/Quorva.reg" ||
    fail "the stored look-ahead changed: $(grep iRemThreshold "$root/config/Ostrune/Quorva.reg")"
pass "a look-ahead of 2147483647 days starts, ends and is kept"

# --- The cell hint, keys in the day editor, help from it --------------------------------
root="$work/editor"
user_dirs "$root"
long="Line one of a long day"
for n in two three four five six seven eight nine ten; do long="$long\\nLine $n of a long day"; done
printf '[Once]\r\n%s=%s\r\n' "$today_key" "$long" >"$root/app/quorva.ini"
write_settings "$root" '"frmMain->Left"=dword:00000000' '"frmMain->Top"=dword:00000000'
printf '\n[HKEY_CURRENT_USER\\Software\\Ostrune\\Quorva\\Preferences]\n"bReminder"="0"\n' \
    >>"$root/config/Ostrune/Quorva.reg"
start_program "$root"
focus_window "$main"
read -r cx cy cw ch <<<"$(cell_box "$today_first_weekday" "$today_day")"
xdotool mousemove --window "$main" $((cx + cw / 2)) $((cy + ch / 2 + 8))
hint=$(window_named "Quorva Hint") || true
[ -n "$hint" ] || fail "resting on a cell whose text does not fit shows no hint"
# The hint is measured once the program has sized and placed it.
hint_fits() {
    [ "$3" -ge $((cw - 2)) ] && [ "$3" -le $((2 * cw + 2)) ] &&
        [ $(($2 + $4)) -le 800 ] && [ $(($1 + $3)) -le 1280 ]
}
read -r hx hy hw hh <<<"$(frame_when "$hint" hint_fits)"
[ "$hw" -ge $((cw - 2)) ] && [ "$hw" -le $((2 * cw + 2)) ] ||
    fail "the hint is $hw px wide, not between one and two cells ($cw px)"
[ $((hy + hh)) -le 800 ] && [ $((hx + hw)) -le 1280 ] || fail "the hint runs off the screen"
import -window root "$build/desktop-hint.png"
pass "a cut-off text shows its hint, ${hw}x$hh, inside the screen ($build/desktop-hint.png)"
xdotool click 1
editor=$(window_named "Planned Events - Quorva") || true
[ -n "$editor" ] || fail "a click on the hint did not open the day editor"
pass "a click on the hint opens the day editor for the cell"

# Enter on Cancel closes without saving what was typed.
focus_window "$editor"
xdotool key --clearmodifiers ctrl+End
xdotool type --delay 20 " (not to be saved)"
xdotool key --clearmodifiers shift+Tab shift+Tab Return
wait_until_gone "Planned Events - Quorva" || fail "Enter on Cancel did not close the day editor"
# A save would follow the closing; it is looked for again once the program has ended.
grep -q "not to be saved" "$root/app/quorva.ini" && fail "Enter on Cancel saved the text"
pass "Enter on the focused Cancel closes the editor and saves nothing"

# The hint goes when the pointer leaves its cell.
xdotool mousemove --window "$main" $((cx + cw / 2)) $((cy + ch / 2 + 8))
window_named "Quorva Hint" >/dev/null || fail "the hint did not come back on the cell"
# Into the neighbouring cell, which the hint covers.
cell_column=$(((today_first_weekday + today_day - 1) % 7))
xdotool mousemove --window "$main" $((cell_column < 6 ? cx + cw + cw / 2 : cx - cw / 2)) $((cy + ch / 2 + 8))
wait_until_gone "Quorva Hint" || fail "the hint stayed after the pointer left its cell"
pass "the hint goes when the pointer leaves its cell"

# Enter on Help opens the help in front of the editor; it scrolls and closes while the
# editor stays open.
click_cell "$today_first_weekday" "$today_day"
editor=$(window_named "Planned Events - Quorva") || true
[ -n "$editor" ] || fail "a click on the cell did not open the day editor"
focus_window "$editor"
xdotool key --clearmodifiers shift+Tab Return
help=$(window_named "Quorva Help") || true
[ -n "$help" ] || fail "Enter on Help opened no help window"
# Bottom to top; the tray host's dock stays above everything and is no concern here. The
# window manager restacks when it gets to it.
help_in_front() {
    local id position=0
    stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
    help_at=-1 editor_at=-1
    for id in $stacking; do
        [ "$((id))" -eq "$help" ] && help_at=$position
        [ "$((id))" -eq "$editor" ] && editor_at=$position
        position=$((position + 1))
    done
    [ "$help_at" -gt "$editor_at" ] && [ "$editor_at" -ge 0 ]
}
for ((i = 0; i < WAIT * 10; i++)); do
    help_in_front && break
    sleep 0.1
done
help_in_front || fail "the help window is not in front of the day editor (stacking: $stacking)"
# The pointer rests on the help before its first picture: what it shows under the pointer is
# in both pictures.
xdotool mousemove --window "$help" 300 250
settled_picture picture_of_window "$help" "$work/help-before.png"
for i in 1 2 3 4 5 6; do xdotool click 5; done
picture_changes_from "$work/help-before.png" picture_of_window "$help" "$build/desktop-help.png" ||
    fail "the help window did not scroll while the day editor was open"
focus_window "$help"
xdotool key --clearmodifiers alt+F4
wait_until_gone "Quorva Help" || fail "the help window could not be closed while the editor was open"
window_named "Planned Events - Quorva" >/dev/null || fail "closing the help closed the day editor"
pass "help opened from the editor is in front, scrolls and closes while the editor stays"
focus_window "$editor"
xdotool key --clearmodifiers Escape
wait_until_gone "Planned Events - Quorva" || fail "Esc did not close the day editor"
stop_program
grep -q "not to be saved" "$root/app/quorva.ini" && fail "Enter on Cancel saved the text"

# --- Midnight under the open day editor --------------------------------------------------
root="$work/midnight"
user_dirs "$root"
write_settings "$root" '"frmMain->Left"=dword:00000000' '"frmMain->Top"=dword:00000000'
printf '[Yearly]\r\n4/30=Someone else'"'"'s birthday\r\n' >"$root/app/quorva.ini"
faketime_libs=$(dpkg -L libfaketime 2>/dev/null) || true
faketime_lib=$(grep -m 1 'libfaketime\.so\.1$' <<<"$faketime_libs") || fail "libfaketime is not installed"
# The faked clock is read from a file, again at most two seconds after it changed. It starts
# an hour before midnight, longer than any run of this test, so the editor opens on March 31
# however long the start takes; it is set to just before midnight once the editor is open.
clock="$work/clock"
printf '@2025-03-31 23:00:00\n' >"$clock"
start_program "$root" FAKETIME_TIMESTAMP_FILE="$clock" FAKETIME_CACHE_DURATION=1 \
    FAKETIME_DONT_FAKE_MONOTONIC=1 LD_PRELOAD="$faketime_lib"
focus_window "$main"
click_cell 6 31 # March 2025 starts on a Saturday
editor=$(window_named "Planned Events - Quorva") || true
[ -n "$editor" ] || fail "a click on March 31 did not open the day editor"
focus_window "$editor"
settled_picture picture_of_status_bar "$work/status-march.png"
printf '@2025-03-31 23:59:58\n' >"$clock.new"
mv "$clock.new" "$clock"
# The faked clock passes midnight; the timer moves the month view to April and the status bar
# names the new day.
picture_changes_from "$work/status-march.png" picture_of_status_bar "$work/status-april.png" ||
    fail "the program did not see the faked clock pass midnight"
xdotool type --delay 20 "Late note"
xdotool key --clearmodifiers Tab Tab Tab
xdotool type --delay 20 "Yearly note"
xdotool key --clearmodifiers alt+s
wait_until_gone "Planned Events - Quorva" || fail "Save did not close the day editor"
# The save follows the closing.
for ((i = 0; i < WAIT * 10; i++)); do
    grep -q "Late note" "$root/app/quorva.ini" && grep -q "Yearly note" "$root/app/quorva.ini" && break
    sleep 0.1
done
file=$(tr -d '\r' <"$root/app/quorva.ini")
grep -qx "3/31/2025=Late note" <<<"$file" || fail "the one-time text is not under 3/31/2025: $file"
grep -qx "3/31=Yearly note" <<<"$file" || fail "the yearly text is not under 3/31: $file"
grep -qx "4/30=Someone else's birthday" <<<"$file" || fail "another date's text changed: $file"
[ "$(grep -c '^4/' <<<"$file")" -eq 1 ] || fail "a text went under an April key: $file"
import -window "$main" "$build/desktop-midnight.png"
pass "texts typed across midnight go to the date the editor was opened for"
stop_program

# --- A read-only events file, as a user without root ----------------------------------
if [ "$(id -u)" -eq 0 ]; then
    if ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
        echo "desktop: no setpriv or user nobody: the read-only events file is not checked"
        echo "desktop: all other checks passed"
        exit 0
    fi
    runner=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
fi
root="$work/readonly"
user_dirs "$root"
write_settings "$root" '"frmMain->Left"=dword:00000000' '"frmMain->Top"=dword:00000000'
printf '[Weekly]\r\n2=Gym\r\n' >"$root/app/quorva.ini"
[ ${#runner[@]} -gt 0 ] && chown -R nobody "$root"
chmod 444 "$root/app/quorva.ini"
start_program "$root"
focus_window "$main"
click_cell "$today_first_weekday" "$today_day"
editor=$(window_named "Planned Events - Quorva") || true
[ -n "$editor" ] || fail "the day editor did not open"
focus_window "$editor"
xdotool type --delay 20 "Typed while read-only"
xdotool key --clearmodifiers alt+s
for ((i = 0; i < WAIT * 10; i++)); do
    [ "$(xdotool search --onlyvisible --name '^Quorva$' | wc -l)" -ge 2 ] && break
    sleep 0.1
done
[ "$(xdotool search --onlyvisible --name '^Quorva$' | wc -l)" -ge 2 ] ||
    fail "a save to a read-only events file showed no message"
import -window root "$build/desktop-readonly.png"
[ "$(tr -d '\r' <"$root/app/quorva.ini")" = "[Weekly]
2=Gym" ] || fail "the read-only events file changed"
[ ! -e "$root/data/Quorva/quorva.ini" ] || fail "the save went to a second file in the data folder"
pass "a save to a read-only file says so and writes nowhere else ($build/desktop-readonly.png)"
chmod 644 "$root/app/quorva.ini"
message=$(other_window_named Quorva "$main") || fail "the message about the read-only events file went away"
focus_window "$message"
xdotool key --clearmodifiers Return
for ((i = 0; i < WAIT * 10; i++)); do
    visible_as Quorva "$message" || break
    sleep 0.1
done
if visible_as Quorva "$message"; then
    fail "Enter did not close the message about the read-only events file"
fi
focus_window "$main"
click_cell "$today_first_weekday" "$today_day"
editor=$(window_named "Planned Events - Quorva") || true
[ -n "$editor" ] || fail "the day editor did not open again"
focus_window "$editor"
xdotool key --clearmodifiers ctrl+End
xdotool type --delay 20 ", saved on retry"
xdotool key --clearmodifiers alt+s
wait_until_gone "Planned Events - Quorva" || fail "Save did not close the day editor"
# The save follows the closing.
for ((i = 0; i < WAIT * 10; i++)); do
    grep -q "saved on retry" "$root/app/quorva.ini" && break
    sleep 0.1
done
grep -q "^$today_key=Typed while read-only, saved on retry" "$root/app/quorva.ini" ||
    fail "the retry did not save what was typed: $(cat "$root/app/quorva.ini")"
grep -q "^2=Gym" "$root/app/quorva.ini" || fail "the retry lost the weekly text"
pass "once the file is writable, the next save holds everything typed meanwhile"
stop_program

echo "desktop: all checks passed"
