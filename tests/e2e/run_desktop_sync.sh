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
desktop_test_begin desktop-sync "$@" compare dbus-daemon dbus-send gnome-keyring-daemon secret-tool
runner=()

# --- the server and the phone ------------------------------------------------------------
source "$(dirname "$0")/../sync/servers.sh"
password=s3cret-e2e
# Up to $WAIT s until Radicale listens on port $1; false at once when it ended.
radicale_listens() {
    local i
    for ((i = 0; i < WAIT * 10; i++)); do
        "$PYTHON" -c "import socket; socket.create_connection(('127.0.0.1', $1), 1)" 2>/dev/null &&
            return 0
        kill -0 "$server_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
# A port found free may be taken by another program before Radicale binds it (a build beside
# the test runs servers of its own): Radicale then ends, and is started on another port.
listening=0
for attempt in 1 2 3; do
    port=$(free_port)
    start_radicale "$work" "$port" alice "$password" warning
    pids+=("$server_pid")
    if radicale_listens "$port"; then
        listening=1
        break
    fi
    kill "$server_pid" 2>/dev/null || true
done
[ $listening -eq 1 ] || fail "Radicale did not start: $(cat "$work/server.log")"
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
    focus_window "$main"
    # The menu opens while the program handles Alt+O, and the program handles the next key
    # only after that: S goes to the open menu whenever it arrives.
    xdotool key --clearmodifiers alt+o
    xdotool key --clearmodifiers s
    dialog=$(window_named "Calendar Server - Quorva") || true
    [ -n "$dialog" ] || fail "Options > Calendar Server opened no dialog"
    focus_window "$dialog"
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
    focus_window "$main"
    xdotool key --clearmodifiers ctrl+shift+s
}
# The picture of today's cell, to $1.
picture_of_today() {
    local x y w h
    read -r x y w h <<<"$(cell_box "$today_first_weekday" "$today_day")"
    import -window "$main" -crop "${w}x$h+$x+$y" +repage "$1"
}
# A window shows what lay there before until it has drawn itself, and redraws when it gets to
# it: a picture is taken again until it shows what is waited for.
# Today's cell to $1 once two pictures half a second apart agree, up to $WAIT s.
settled_picture_of_today() {
    local i
    picture_of_today "$1"
    for ((i = 0; i < WAIT * 2; i++)); do
        sleep 0.5
        picture_of_today "$work/again.png"
        same_pictures "$1" "$work/again.png" && return 0
        mv "$work/again.png" "$1"
    done
}
# Up to $WAIT s until today's cell, pictured to $2, looks other than in picture $1; false when
# it never did.
today_changed_from() {
    local i
    for ((i = 0; i < WAIT * 5; i++)); do
        picture_of_today "$2" && ! same_pictures "$1" "$2" && return 0
        sleep 0.2
    done
    return 1
}
no_password_in_files() {
    local found
    if grep -rqF "$password" "$1"; then
        found=$(grep -rlF "$password" "$1") || true
        fail "the password was written to ${found%%$'\n'*}"
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
message=$(other_window_named "Calendar Server - Quorva" "$dialog") ||
    fail "the message that the password was not kept went away"
focus_window "$message"
xdotool key --clearmodifiers Return
wait_until_gone "Calendar Server - Quorva" || fail "the Calendar Server dialog stayed open"
# The cell as the window draws it again where the dialog was, active as it is after the sync.
focus_window "$main"
settled_picture_of_today "$work/before.png"
phone add phone-1 "$today_ics" "Call the plumber"
synchronize
wait_for_file "$root/app/quorva.ini" "Call the plumber" "Synchronize did not bring the phone's event"
[ "$(phone count)" = 2 ] || fail "the server holds $(phone count) events, expected 2"
# The window reads the file again when the sync has ended.
today_changed_from "$work/before.png" "$build/desktop-sync-cell.png" ||
    fail "today's cell looks the same after the sync ($build/desktop-sync-cell.png)"
pass "Synchronize sends the calendar's event and shows the phone's in today's cell ($build/desktop-sync-cell.png)"
no_password_in_files "$root"
stop_program
# Again once the program and its sync have ended, when nothing is written any more.
no_password_in_files "$root"

phone add phone-2 "$today_ics" "Water the plant"
start_program "$root" "${nobus[@]}"
synchronize
asked=$(window_named "Synchronize - Quorva") || true
[ -n "$asked" ] || fail "after a restart without a secret store, Synchronize did not ask the password"
focus_window "$asked"
xdotool type --delay 10 "$password"
xdotool key --clearmodifiers Return
wait_for_file "$root/app/quorva.ini" "Water the plant" "the sync after the password was asked failed"
# Once the program and its sync have ended, when nothing is written any more.
stop_program
no_password_in_files "$root"
pass "without a secret store the password is asked after a restart and written nowhere"

# --- with a secret store --------------------------------------------------------------------
root="$work/store"
calendar_dirs "$root"
printf '[Weekly]\r\n2=Gym\r\n' >"$root/app/quorva.ini"
dbus-daemon --session --fork --print-address=1 --print-pid=3 >"$work/bus.address" 3>"$work/bus.pid" ||
    fail "dbus-daemon did not start"
bus="" bus_pid=""
for ((i = 0; i < WAIT * 10; i++)); do
    if read -r bus <"$work/bus.address" && read -r bus_pid <"$work/bus.pid"; then
        break
    fi
    bus="" bus_pid=""
    sleep 0.1
done
[ -n "$bus" ] && [ -n "$bus_pid" ] || fail "dbus-daemon gave no address within $WAIT s"
pids+=("$bus_pid")
printf 'keyring' >"$work/keyring.password"
env HOME="$root/home" XDG_DATA_HOME="$root/data" DBUS_SESSION_BUS_ADDRESS="$bus" \
    gnome-keyring-daemon --unlock --components=secrets <"$work/keyring.password" \
    >"$work/keyring.env" 2>/dev/null || fail "gnome-keyring-daemon did not start"
# The secret store answers once the keyring daemon holds its name on the bus; a request before
# that would have the bus start another one.
secrets_on_bus() {
    local reply
    reply=$(env DBUS_SESSION_BUS_ADDRESS="$bus" dbus-send --session --print-reply \
        --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner \
        string:org.freedesktop.secrets 2>/dev/null) || return 1
    [[ $reply == *"boolean true"* ]]
}
for ((i = 0; i < WAIT * 10; i++)); do
    secrets_on_bus && break
    sleep 0.1
done
secrets_on_bus || fail "the keyring daemon did not take the secret store's name on the bus within $WAIT s"
withbus=(DBUS_SESSION_BUS_ADDRESS="$bus")
start_program "$root" "${withbus[@]}"
set_up_server
wait_until_gone "Calendar Server - Quorva" || fail "OK with a secret store left a dialog open"
kept=""
for ((i = 0; i < WAIT * 10; i++)); do
    kept=$(env DBUS_SESSION_BUS_ADDRESS="$bus" secret-tool lookup url "$url" user alice || true)
    [ "$kept" = "$password" ] && break
    sleep 0.1
done
[ "$kept" = "$password" ] || fail "the secret store does not hold the password (it holds '$kept')"
stop_program
phone add phone-3 "$today_ics" "Dentist at 4"
start_program "$root" "${withbus[@]}"
# Today's cell before the sync, to see when the window shows the synced event.
focus_window "$main"
settled_picture_of_today "$work/before-store.png"
synchronize
wait_for_file "$root/app/quorva.ini" "Dentist at 4" "a restarted calendar did not sync with the kept password"
[ -z "$(xdotool search --onlyvisible --name '^Synchronize - Quorva$' 2>/dev/null)" ] ||
    fail "the password was asked although the secret store keeps it"
no_password_in_files "$root"
pass "with a secret store the password is kept there, and a restarted calendar syncs without asking"

# --- another program writes the file under the open day editor -------------------------------
# The day editor opens on what the window holds: it must have read the synced file, or the
# save would meet the synced text as another program's change.
today_changed_from "$work/before-store.png" "$work/after-store.png" ||
    fail "today's cell does not show the synced event"
focus_window "$main"
click_cell "$today_first_weekday" "$today_day"
editor=$(window_named "Planned Events - Quorva") || true
[ -n "$editor" ] || fail "a click on today's cell opened no day editor"
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:x1\r\nDTSTAMP:20250101T000000Z\r\nDTSTART;VALUE=DATE:20300704\r\nSUMMARY:Fireworks\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' >"$work/outside.ics"
env HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
    "$root/app/quorva-cli" import-ics "$work/outside.ics" --file "$root/app/quorva.ini" >/dev/null ||
    fail "import-ics refused while the calendar runs"
# Time for the window to take the change in under the open editor; the save writes on top of
# the file as it is then, so the result is the same when it has not.
sleep 1.5
focus_window "$editor"
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
no_password_in_files "$root"

echo "desktop-sync: all checks passed"
