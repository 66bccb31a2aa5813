#!/usr/bin/env bash
# quorva-cli sync against a real CalDAV server on loopback, started in a temporary folder:
# Radicale (with a user name and password) or Xandikos (without). An independent client
# (peer.py, python3-caldav) plays the user's other device.
#
# Usage: run_sync.sh radicale|xandikos BUILD_DIR [KILLS]
#   KILLS: syncs killed at random moments in the crash test (default 50)
set -euo pipefail

server=$1
build=$(cd "$2" && pwd)
kills=${3:-50}
here=$(cd "$(dirname "$0")" && pwd)
cli=$build/quorva-cli
source "$here/servers.sh" # PYTHON, peer, free_port, start_radicale, wait_for_port

work=$(mktemp -d "${TMPDIR:-/tmp}/quorva-sync-$server.XXXXXX")
server_pid=""
cleanup() {
    local status=$?
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    [ -n "${KEEP:-}" ] && echo "kept: $work" >&2 && exit $status
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT

fail() {
    echo "FAIL [$server]: $*" >&2
    exit 1
}
pass() { echo "ok [$server]: $*"; }

start_server() {
    case $server in
    radicale)
        start_radicale "$work" "$port" alice secret info # info: the requests are counted
        ;;
    xandikos)
        xandikos --defaults -d "$work/store" -l 127.0.0.1 -p "$port" >>"$work/server.log" 2>&1 &
        server_pid=$!
        ;;
    esac
    wait_for_port "$port" || fail "the server did not start: $(cat "$work/server.log")"
}
stop_server() {
    kill "$server_pid" && wait "$server_pid" 2>/dev/null || true
    server_pid=""
}

port=$(free_port)
start_server
case $server in
radicale)
    user=alice password=secret
    "$PYTHON" "$peer" "http://127.0.0.1:$port/alice/" "$user" "$password" make-calendar test
    url="http://127.0.0.1:$port/alice/test/"
    ;;
xandikos)
    user="" password=""
    url="http://127.0.0.1:$port/user/calendars/calendar/"
    ;;
esac

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
events=$work/quorva.ini
on_server() { "$PYTHON" "$peer" "$url" "$user" "$password" "$@"; }
# Whether a line of the server's dump matches the pattern $1. The dump is read whole
# first: a reader that stops at its first match would break the pipe under the writer.
server_has() {
    local dump
    dump=$(on_server dump) || fail "the server could not be read"
    grep -q -- "$1" <<<"$dump"
}
sync_cli() { "$cli" sync --file "$events" "$@"; }
# The text of an entry in the events file: section and key.
entry() {
    awk -v section="[$1]" -v key="$2" '
        { sub(/\r$/, "") }
        /^\[/ { inside = ($0 == section); next }
        inside && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }' "$events"
}
expect_entry() {
    local actual
    actual=$(entry "$1" "$2")
    [ "$actual" = "$3" ] || fail "$4: [$1] $2 is '$actual', expected '$3'"
}
expect_summary() {
    local line
    cp "$events" "$work/summary.before"
    line=$(sync_cli "$@" 2>"$work/sync.err") || fail "sync failed: $(cat "$work/sync.err")"
    if [ "$line" != "$expected" ]; then
        diff "$work/summary.before" "$events" >&2 || true
        on_server dump >&2 || true
        fail "sync printed '$line', expected '$expected'"
    fi
}

# --- first sync: both sides' events meet -------------------------------------------------
printf '[Once]\r\n12/24/2026=Christmas Eve dinner\r\n[Weekly]\r\n3=Gym\r\n[Yearly]\r\n3/10=Anna\x27s birthday\r\n[NWeekdayly]\r\n0/6/11=Last Friday of November\r\n' >"$events"
on_server add phone-1 20261224 "Buy presents"
login=(--url "$url")
[ -n "$user" ] && login+=(--user "$user" --password-command "echo $password")
expected="sync: 4 sent, 1 received, 0 conflicts kept, 0 deleted"
expect_summary "${login[@]}"
expect_entry Once 12/24/2026 'Christmas Eve dinner\nBuy presents' "the first sync"
[ "$(on_server count)" = 5 ] || fail "the server holds $(on_server count) events, expected 5"
pass "first sync: 4 entries sent, the phone's event joined to the same day's text"

expected="sync: 0 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary # the URL and login were remembered
pass "a second sync with no change sends and receives nothing (settings remembered)"
[ "$(stat -c %a "$XDG_CONFIG_HOME/Ostrune/quorva-sync.ini")" = 600 ] ||
    fail "the sync settings are readable by others"
! grep -q "$password" "$XDG_CONFIG_HOME/Ostrune/quorva-sync.ini" 2>/dev/null || [ -z "$password" ] ||
    grep -q "echo $password" "$XDG_CONFIG_HOME/Ostrune/quorva-sync.ini" ||
    fail "the password was written to the settings"

# --- one side changes ------------------------------------------------------------------
weekly_uid=$(on_server dump | awk -F'\t' '$2 == "Gym" {print $1}')
on_server set-summary "$weekly_uid" "Gym at seven"
expected="sync: 0 sent, 1 received, 0 conflicts kept, 0 deleted"
expect_summary
expect_entry Weekly 3 "Gym at seven" "a change on the server"
pass "a change on the server reaches the events file"

sed -i 's/^3\/10=.*/3\/10=Anna\x27s birthday party\r/' "$events"
expected="sync: 1 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
server_has "	Anna's birthday party	" || fail "the local change did not reach the server"
pass "a change in the events file reaches the server"

# --- both sides change: both texts kept --------------------------------------------------
on_server set-summary "$weekly_uid" "Gym on the server"
sed -i 's/^3=.*/3=Gym at home\r/' "$events"
expected="sync: 0 sent, 0 received, 1 conflict kept, 0 deleted"
expect_summary
expect_entry Weekly 3 'Gym at home\n--- changed on the server ---\nGym on the server' "a conflict"
server_has "Gym at home" || fail "the server lacks the local side of the conflict"
server_has "Gym on the server" || fail "the server lost its side of the conflict"
expected="sync: 0 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
pass "a conflict keeps both texts on both sides, and the next sync is quiet"

# --- deletions go only where the other side deleted --------------------------------------
on_server delete phone-1
expected="sync: 0 sent, 1 received, 0 conflicts kept, 0 deleted"
expect_summary
expect_entry Once 12/24/2026 "Christmas Eve dinner" "a deletion on the server"
sed -i '/^0\/6\/11=/d' "$events"
expected="sync: 0 sent, 0 received, 0 conflicts kept, 1 deleted"
expect_summary
server_has "Last Friday of November" && fail "the deleted entry is still on the server"
pass "a deletion on either side deletes that event only"

# --- the calendar drops old one-time events: its own housekeeping, never a deletion there ---------
old_key=$(date -d '-90 days' +%-m/%-d/%Y)
sed -i "s|^\[Once\]\r\$|[Once]\r\n$old_key=Old dentist visit\r|" "$events"
expected="sync: 1 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
# What the calendar's next save writes once its wipe (on by default, one month) dropped the entry.
sed -i "\|^$old_key=|d" "$events"
expected="sync: 0 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
server_has "	Old dentist visit	" || fail "the wipe deleted the old event on the server"
expect_summary
pass "a one-time event the calendar wiped as old stays on the server, and the syncs stay quiet"

# --- the events file missing or unreadable: nothing changes anywhere -----------------------------
on_server dump >"$work/server.before"
mv "$events" "$work/aside.ini"
mkdir "$work/in-place-of-file"
for shape in missing folder; do
    [ $shape = folder ] && mv "$work/in-place-of-file" "$events"
    status=0
    sync_cli >/dev/null 2>"$work/sync.err" || status=$?
    [ $status = 1 ] || fail "a sync whose events file is $shape exited $status: $(cat "$work/sync.err")"
    grep -qF "Unable to read $events: " "$work/sync.err" ||
        fail "a sync whose events file is $shape said: $(cat "$work/sync.err")"
    on_server dump >"$work/server.after"
    cmp -s "$work/server.after" "$work/server.before" ||
        fail "a sync whose events file is $shape changed the server"
done
[ -d "$events" ] && [ -z "$(ls -A "$events")" ] || fail "a sync wrote into the folder in place of the file"
rmdir "$events"
mv "$work/aside.ini" "$events"
expected="sync: 0 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
pass "a missing events file, or a folder in its place, is no empty calendar: the sync stops and changes nothing"
# Before its first meeting with the server a calendar may have no file yet: the sync makes it.
mkdir "$work/new"
"$cli" sync --file "$work/new/quorva.ini" >/dev/null 2>"$work/sync.err" ||
    fail "a first sync into a file still to be made failed: $(cat "$work/sync.err")"
grep -q "Christmas Eve dinner" "$work/new/quorva.ini" || fail "a first sync made no events file"
on_server dump >"$work/server.after"
cmp -s "$work/server.after" "$work/server.before" || fail "a first sync into a new file changed the server"
pass "a first sync into a file still to be made brings the server's events and changes nothing there"

# --- a timed event from the phone, edited here ---------------------------------------------
on_server add-timed standup 20261215T091500 "Standup"
expected="sync: 0 sent, 1 received, 0 conflicts kept, 0 deleted"
expect_summary
expect_entry Once 12/15/2026 "9:15 Standup" "a timed event"
sed -i 's/^12\/15\/2026=.*/12\/15\/2026=9:15 Standup in the garden\r/' "$events"
expected="sync: 1 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
server_has "^standup	Standup in the garden		Room 4$" ||
    fail "the timed event lost its time or place: $(on_server dump | grep standup || true)"
pass "a timed event's text is sent back to its summary, time and place kept"

# --- an event the calendar cannot hold is left alone and named ---------------------------------
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//peer//EN\r\nBEGIN:VEVENT\r\nUID:cancelled\r\nDTSTAMP:20261201T120000Z\r\nDTSTART;VALUE=DATE:20261230\r\nSTATUS:CANCELLED\r\nSUMMARY:Called off\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' >"$work/cancelled.ics"
on_server put-raw cancelled.ics "$work/cancelled.ics" || fail "the server refused a cancelled event"
cp "$events" "$work/before.ini"
expected="sync: 0 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
grep -q "cancelled.ics: .*Called off" "$work/sync.err" ||
    fail "the event left out was not named: $(cat "$work/sync.err")"
cmp -s "$events" "$work/before.ini" || fail "an event left out changed the events file"
pass "an event the calendar cannot hold is named and changes nothing"

# --- dry run -----------------------------------------------------------------------------
sed -i 's/^12\/24\/2026=.*/12\/24\/2026=Christmas Eve at Anna\x27s\r/' "$events"
on_server dump >"$work/server.before"
cp "$events" "$work/before.ini"
"$cli" sync --file "$events" --dry-run >"$work/dry.out" || fail "the dry run failed"
grep -q "^would change" "$work/dry.out" || fail "the dry run did not say what it would do"
on_server dump >"$work/server.after"
cmp -s "$work/server.after" "$work/server.before" || fail "the dry run changed the server"
cmp -s "$events" "$work/before.ini" || fail "the dry run changed the events file"
expected="sync: 1 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
pass "a dry run says what it would do and changes nothing"

# --- the server goes away ------------------------------------------------------------------
stop_server
cp "$events" "$work/before.ini"
if sync_cli 2>"$work/sync.err" >/dev/null; then fail "a sync without its server succeeded"; fi
grep -q "could not be reached" "$work/sync.err" || fail "unclear error: $(cat "$work/sync.err")"
cmp -s "$events" "$work/before.ini" || fail "a failed sync changed the events file"
start_server
# Listening is not yet serving: the calendar is read once by the other device first.
served=0
for ((i = 0; i < 300; i++)); do
    on_server count >/dev/null 2>&1 && served=1 && break
    sleep 0.2
done
[ $served = 1 ] || fail "the restarted server never answered: $(tail -n 5 "$work/server.log")"
expected="sync: 0 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
pass "without its server a sync fails clearly (exit 1) and changes nothing"

if [ "$server" = radicale ]; then
    if "$cli" sync --file "$events" --password-command "echo wrong" 2>"$work/sync.err" >/dev/null; then
        fail "a wrong password was accepted"
    fi
    grep -q "refused the user name or password" "$work/sync.err" ||
        fail "unclear error: $(cat "$work/sync.err")"
    "$cli" sync --file "$events" --password-command "echo $password" >/dev/null
    pass "a wrong password is refused clearly"
fi

# --- killed at random moments: nothing lost, nothing twice -----------------------------------
{
    printf '[Once]\r\n'
    for i in $(seq 1 150); do
        printf '%d/%d/2027=Entry %d\r\n' $(((i - 1) / 28 + 1)) $(((i - 1) % 28 + 1)) "$i"
    done
} >"$work/many.ini"
"$PYTHON" - "$work/many.ini" "$events" <<'PY'
import sys
# Merges the generated one-time entries into the events file's [Once] section.
many = open(sys.argv[1], newline="").read().split("\r\n")[1:]
text = open(sys.argv[2], newline="").read()
text = text.replace("[Once]\r\n", "[Once]\r\n" + "\r\n".join(line for line in many if line) + "\r\n", 1)
open(sys.argv[2], "w", newline="").write(text)
PY
cp "$events" "$work/expected.ini"
for ((k = 1; k <= kills; k++)); do
    # Every few rounds the other device adds and changes something as well.
    if ((k % 10 == 0)); then on_server add "peer-$k" 20270301 "Peer event $k"; fi
    "$cli" sync --file "$events" >/dev/null 2>&1 & # the program itself, not a subshell
    victim=$!
    sleep "0.$((RANDOM % 40))"
    kill -KILL "$victim" 2>/dev/null || true
    wait "$victim" 2>/dev/null || true
done
sync_cli >/dev/null 2>"$work/sync.err" || fail "the sync after the kills failed: $(cat "$work/sync.err")"
expected="sync: 0 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
for i in $(seq 1 150); do
    key="$(((i - 1) / 28 + 1))/$(((i - 1) % 28 + 1))/2027"
    [[ "$(entry Once "$key")" == *"Entry $i"* ]] || fail "after $kills kills, Entry $i is missing"
done
dump=$(on_server dump)
duplicates=$(cut -f2 <<<"$dump" | sort | uniq -d)
[ -z "$duplicates" ] || fail "after $kills kills the server holds events twice: $duplicates"
for ((k = 10; k <= kills; k += 10)); do
    grep -q "Peer event $k" "$events" || fail "the peer's event $k was lost"
done
pass "$kills syncs killed at random moments: nothing lost, nothing twice, the next sync quiet"

# --- two syncs at once: the second waits for the first, or says it runs --------------------
sed -i 's/^1\/1\/2027=.*/1\/1\/2027=Entry 1 changed\r/' "$events"
"$cli" sync --file "$events" >"$work/first.out" 2>&1 &
first=$!
"$cli" sync --file "$events" >"$work/second.out" 2>&1 || true
wait "$first" || fail "the first of two syncs failed: $(cat "$work/first.out")"
grep -q "^sync: \|another sync of this calendar is running" "$work/second.out" ||
    fail "the second of two syncs said: $(cat "$work/second.out")"
expected="sync: 0 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
pass "two syncs at once do not step on each other"

# --- nothing changed: the server's sync-token answers in a request or two ------------------
if [ "$server" = radicale ]; then
    before=$(grep -c "request for" "$work/server.log" || true)
    expected="sync: 0 sent, 0 received, 0 conflicts kept, 0 deleted"
    expect_summary
    after=$(grep -c "request for" "$work/server.log" || true)
    requests=$((after - before))
    [ "$requests" -le 2 ] ||
        { grep "request for" "$work/server.log" | tail -n "$requests" >&2; fail "a sync with nothing changed made $requests requests"; }
    pass "a sync with nothing changed costs $requests requests for $(on_server count) events"
fi

# --- the two sides agree day by day over five years -------------------------------------------
today=$(date +%Y-%m-%d)
"$cli" agenda --file "$events" --from "$(date +%m/%d/%Y)" --days 1826 |
    "$PYTHON" -c '
import sys
for line in sys.stdin:
    day, text = line.rstrip("\n").split("\t", 1)
    m, d, y = day.split("/")
    print("%s-%02d-%02d\t%s" % (y, int(m), int(d), " ".join(sorted(text.replace(", ", " ").split()))))
' >"$work/local.agenda"
on_server agenda "$today" 1826 >"$work/server.agenda"
if ! cmp -s "$work/local.agenda" "$work/server.agenda"; then
    diff "$work/local.agenda" "$work/server.agenda" >"$work/agenda.diff" || true
    head -n 10 "$work/agenda.diff" >&2
    fail "the local agenda and the server's expansion differ"
fi
pass "the local agenda equals the server calendar's expansion for five years, day by day ($(wc -l <"$work/local.agenda") days)"

# --- a text longer than the events file holds: cut here, whole on the server -----------------
"$PYTHON" - "$work/long.ics" <<'PY'
import sys
words = " ".join("word%d" % i for i in range(900))  # about 7,000 characters
lines = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//peer//EN", "BEGIN:VEVENT", "UID:long-notes",
         "DTSTAMP:20261201T120000Z", "DTSTART;VALUE=DATE:20310315", "SUMMARY:Long notes",
         "DESCRIPTION:" + words, "END:VEVENT", "END:VCALENDAR"]
folded = []
for line in lines:
    while len(line) > 70:
        folded.append(line[:70])
        line = " " + line[70:]
    folded.append(line)
open(sys.argv[1], "w", newline="").write("\r\n".join(folded) + "\r\n")
PY
on_server put-raw long-notes.ics "$work/long.ics" || fail "the server refused the long event"
expected="sync: 0 sent, 1 received, 0 conflicts kept, 0 deleted"
expect_summary
grep -q "3/15/2031: text cut at 4096 characters in the events file; the server keeps it whole" \
    "$work/sync.err" || fail "the cut text was not named: $(cat "$work/sync.err")"
[ "$(entry Once 3/15/2031 | wc -c)" -le 4200 ] || fail "the events file holds more than its limit"
expected="sync: 0 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
expect_summary
description=$(on_server dump | awk -F'\t' '$1 == "long-notes" {print $3}')
grep -q "word899$" <<<"$description" ||
    fail "the server's text lost its end after the syncs: ...${description: -40}"
pass "a text over 4096 characters is cut in the events file, named, and kept whole on the server"

# Both sides change that entry: the text that keeps both is longer still. The events file holds
# its start; the server holds all of it, and the next syncs leave it so.
sed -i 's/^3\/15\/2031=Long notes\\n/3\/15\/2031=Long notes, read\\n/' "$events"
on_server set-summary long-notes "Long notes, moved"
expected="sync: 0 sent, 0 received, 1 conflict kept, 0 deleted"
expect_summary
expected="sync: 0 sent, 0 received, 0 conflicts kept, 0 deleted"
expect_summary
expect_summary
# The phone's event stays whole; the calendar's lines (of the text it holds) became an event of
# their own.
on_server dump >"$work/dump"
grep -q "^long-notes	Long notes, moved	word0 .* word899	" "$work/dump" ||
    fail "the server's own event changed: $(grep long-notes "$work/dump" | cut -c1-120)"
grep -q "	Long notes, read	word0 .*|--- changed on the server ---	" "$work/dump" ||
    fail "the server lost the local change whole: $(grep -v long-notes "$work/dump" | grep "Long notes" | cut -c1-120)"
pass "a conflict on a text over 4096 characters keeps both whole on the server, and stays quiet"
