#!/usr/bin/env bash
# Synchronize in the running calendar, on a desktop (openbox, trayer) with a real CalDAV
# server (Radicale) and an independent client (peer.py) playing the user's phone:
#   - Options > Calendar Server and File > Synchronize, by keys;
#   - with a secret store started for the test (gnome-keyring under a D-Bus session of its
#     own): the password is kept there, and a restarted calendar syncs without asking;
#   - without one: the password is used for the run, asked again after a restart, and never
#     written to a file;
#   - an event added on the server shows in the running window's cell after Synchronize;
#   - another program writing the events file under the open day editor, then Save: the file
#     holds both changes.
# Pictures stay in the build folder as desktop-sync-*.png.
#
# Usage: run_desktop_sync.sh QUORVA_EXECUTABLE BUILD_DIR
set -euo pipefail

source "$(dirname "$0")/desktop.sh"
desktop_test_begin desktop-sync "$@" compare dbus-daemon gnome-keyring-daemon secret-tool
runner=()

# --- the server and the phone ------------------------------------------------------------
source "$(dirname "$0")/../sync/servers.sh"
port=$(free_port)
password=s3cret-e2e
start_radicale "$work" "$port" alice "$password" warning
pids+=("$server_pid")
wait_for_port "$port" || fail "Radicale did not start: $(cat "$work/server.log")"
"$PYTHON" "$peer" "http://127.0.0.1:$port/alice/" alice "$password" make-calendar test
url="http://127.0.0.1:$port/alice/test/"
phone() { "$PYTHON" "$peer" "$url" alice "$password" "$@"; }
pass "Radicale runs at $url"

today_first_weekday=$(date -d "$(date +%Y-%m-01)" +%w)
today_day=$(date +%-d)
today_ics=$(date +%Y%m%d)

# Waits until the events file holds a line matching $2 (grep pattern), or fails with $3.
wait_for_file() {
    local i
    for ((i = 0; i < WAIT * 10; i++)); do
        grep -q "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "$3: $(cat "$1" 2>/dev/null)"
}
# Options > Calendar Server: address, user name and password typed, OK by Enter.
set_up_server() {
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool key --clearmodifiers alt+o
    sleep 0.3
    xdotool key --clearmodifiers s
    dialog=$(window_named "Calendar Server - Quorva") || true
    [ -n "$dialog" ] || fail "Options > Calendar Server opened no dialog"
    sleep 0.3
    xdotool type --delay 10 "$url"
    xdotool key --clearmodifiers Tab
    xdotool type --delay 10 alice
    xdotool key --clearmodifiers Tab
    xdotool type --delay 10 "$password"
    import -window "$dialog" "$build/desktop-sync-server.png"
    xdotool key --clearmodifiers Return
}
# File > Synchronize by its key.
synchronize() {
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool key --clearmodifiers ctrl+shift+s
}
# The picture of today's cell, to $1.
picture_of_today() {
    local x y w h
    read -r x y w h <<<"$(cell_box "$today_first_weekday" "$today_day")"
    import -window "$main" -crop "${w}x$h+$x+$y" +repage "$1"
}
no_password_in_files() {
    if grep -rqF "$password" "$1"; then
        fail "the password was written to $(grep -rlF "$password" "$1" | head -n 1)"
    fi
}
calendar_dirs() {
    user_dirs "$1"
    cp "$build/quorva-cli" "$1/app/quorva-cli"
    # No reminder: its window would take the keys meant for the main window.
    write_settings "$1" '"frmMain->Left"=dword:00000000' '"frmMain->Top"=dword:00000000' \
        '' '[HKEY_CURRENT_USER\Software\Ostrune\Quorva\Preferences]' '"bReminder"=dword:00000000'
}

# --- without a secret store ----------------------------------------------------------------
root="$work/nostore"
calendar_dirs "$root"
printf '[Yearly]\r\n1/15=Desk plant\r\n' >"$root/app/quorva.ini"
nobus=(DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus")
start_program "$root" "${nobus[@]}"
set_up_server
# The dialog says that the password could not be kept: a second window of that name.
for ((i = 0; i < WAIT * 10; i++)); do
    [ "$(xdotool search --onlyvisible --name '^Calendar Server - Quorva$' | wc -l)" -ge 2 ] && break
    sleep 0.1
done
[ "$(xdotool search --onlyvisible --name '^Calendar Server - Quorva$' | wc -l)" -ge 2 ] ||
    fail "without a secret store, OK did not say that the password was not kept"
import -window root "$build/desktop-sync-nostore.png"
xdotool key --clearmodifiers Return
wait_until_gone "Calendar Server - Quorva" || fail "the Calendar Server dialog stayed open"
picture_of_today "$work/before.png"
phone add phone-1 "$today_ics" "Call the plumber"
synchronize
wait_for_file "$root/app/quorva.ini" "Call the plumber" "Synchronize did not bring the phone's event"
[ "$(phone count)" = 2 ] || fail "the server holds $(phone count) events, expected 2"
sleep 1.5 # the window reads the file again
picture_of_today "$build/desktop-sync-cell.png"
[ "$(compare -metric AE "$work/before.png" "$build/desktop-sync-cell.png" null: 2>&1 || true)" != 0 ] ||
    fail "today's cell looks the same after the sync ($build/desktop-sync-cell.png)"
pass "Synchronize sends the calendar's event and shows the phone's in today's cell ($build/desktop-sync-cell.png)"
no_password_in_files "$root"
stop_program

phone add phone-2 "$today_ics" "Water the plant"
start_program "$root" "${nobus[@]}"
synchronize
asked=$(window_named "Synchronize - Quorva") || true
[ -n "$asked" ] || fail "after a restart without a secret store, Synchronize did not ask the password"
xdotool type --delay 10 "$password"
xdotool key --clearmodifiers Return
wait_for_file "$root/app/quorva.ini" "Water the plant" "the sync after the password was asked failed"
no_password_in_files "$root"
pass "without a secret store the password is asked after a restart and written nowhere"
stop_program

# --- with a secret store --------------------------------------------------------------------
root="$work/store"
calendar_dirs "$root"
printf '[Weekly]\r\n2=Gym\r\n' >"$root/app/quorva.ini"
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$work/bus.pid" | head -n 1)
pids+=("$(cat "$work/bus.pid")")
printf 'keyring' | env HOME="$root/home" XDG_DATA_HOME="$root/data" DBUS_SESSION_BUS_ADDRESS="$bus" \
    gnome-keyring-daemon --unlock --components=secrets >"$work/keyring.env" 2>/dev/null
withbus=(DBUS_SESSION_BUS_ADDRESS="$bus")
start_program "$root" "${withbus[@]}"
set_up_server
wait_until_gone "Calendar Server - Quorva" || fail "OK with a secret store left a dialog open"
kept=$(env DBUS_SESSION_BUS_ADDRESS="$bus" secret-tool lookup url "$url" user alice || true)
[ "$kept" = "$password" ] || fail "the secret store does not hold the password (it holds '$kept')"
stop_program
phone add phone-3 "$today_ics" "Dentist at 4"
start_program "$root" "${withbus[@]}"
synchronize
wait_for_file "$root/app/quorva.ini" "Dentist at 4" "a restarted calendar did not sync with the kept password"
[ -z "$(xdotool search --onlyvisible --name '^Synchronize - Quorva$' 2>/dev/null)" ] ||
    fail "the password was asked although the secret store keeps it"
no_password_in_files "$root"
pass "with a secret store the password is kept there, and a restarted calendar syncs without asking"

# --- another program writes the file under the open day editor -------------------------------
sleep 1
xdotool windowactivate --sync "$main" 2>/dev/null || true
click_cell "$today_first_weekday" "$today_day"
editor=$(window_named "Planned Events - Quorva") || true
[ -n "$editor" ] || fail "a click on today's cell opened no day editor"
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:x1\r\nDTSTAMP:20250101T000000Z\r\nDTSTART;VALUE=DATE:20300704\r\nSUMMARY:Fireworks\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' >"$work/outside.ics"
env HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
    "$root/app/quorva-cli" import-ics "$work/outside.ics" --file "$root/app/quorva.ini" >/dev/null ||
    fail "import-ics refused while the calendar runs"
sleep 1.5
xdotool windowactivate --sync "$editor" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+End
xdotool type --delay 10 " - typed in the editor"
xdotool key --clearmodifiers alt+s
wait_until_gone "Planned Events - Quorva" || fail "Save did not close the day editor"
wait_for_file "$root/app/quorva.ini" "typed in the editor" "the editor's text is not in the file"
grep -q "^7/4/2030=Fireworks" "$root/app/quorva.ini" || fail "the save lost the imported event: $(cat "$root/app/quorva.ini")"
grep -q "Dentist at 4" "$root/app/quorva.ini" || fail "the save lost the synced event"
import -window "$main" "$build/desktop-sync-both.png"
pass "import-ics under the open day editor, then Save: the file holds both"
stop_program

echo "desktop-sync: all checks passed"
