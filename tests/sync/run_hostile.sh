#!/usr/bin/env bash
# quorva-cli sync against broken and hostile servers (hostile_server.py, one way of
# misbehaving each): every one ends in a clear one-line error naming the URL, exit 1, bounded
# memory, no hang, the events file untouched, and no password sent to another host.
#
# Usage: run_hostile.sh BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quorva-hostile.XXXXXX")
server_pid=""
cleanup() {
    local status=$?
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT
fail() {
    echo "FAIL [hostile]: $*" >&2
    exit 1
}

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
readonly MAX_KIB=262144 # what a sync may take against any server: 64 MB of answer, and more
# A sanitizer's own overhead on the heap varies from run to run: there a sync only has to end
# cleanly, and the bound is checked in the plain build.
bounded=1
[ -n "${QUORVA_SANITIZED:-}" ] && bounded=0

check() {
    local mode=$1 message=$2 port
    coproc SERVER { exec /usr/bin/python3 "$here/hostile_server.py" "$mode" "$work/$mode.log"; }
    server_pid=$SERVER_PID
    read -r -t 60 -u "${SERVER[0]}" port || fail "$mode: the server did not start"
    printf '[Once]\r\n1/1/2027=Kept\r\n' >"$work/quorva.ini"
    cp "$work/quorva.ini" "$work/before.ini"
    local status=0
    # Far beyond the sync's own 30 s limit for a stalled answer: only a hang reaches it.
    timeout 300 /usr/bin/time -f "%M" -o "$work/peak" "$build/quorva-cli" sync \
        --file "$work/quorva.ini" --url "http://127.0.0.1:$port/cal/" --user bob \
        --password-command "echo pw" >"$work/out" 2>"$work/err" || status=$?
    kill "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
    [ "$status" != 124 ] || fail "$mode: the sync hung"
    [ "$status" = 1 ] || fail "$mode: exit $status, expected 1: $(cat "$work/err")"
    [ "$(wc -l <"$work/err")" = 1 ] || fail "$mode: more than one line: $(cat "$work/err")"
    grep -q "^quorva-cli: http://127.0.0.1:$port/cal/ $message" "$work/err" ||
        fail "$mode: unclear message: $(cat "$work/err")"
    cmp -s "$work/quorva.ini" "$work/before.ini" || fail "$mode: the events file changed"
    local peak
    peak=$(tail -n 1 "$work/peak")
    if [ $bounded = 1 ]; then
        ((peak < MAX_KIB)) || fail "$mode: the sync took $peak KiB"
    fi
    echo "ok [hostile]: $mode: $(cut -d' ' -f3- "$work/err") (peak $((peak / 1024)) MiB)"
}

check huge "answered with more than 64 MB"
check redirect "redirected too many times"
check elsewhere "refused the user name or password"
grep -q "authorization: no" "$work/elsewhere.log" || fail "elsewhere: no request arrived there"
grep -q "authorization: yes" "$work/elsewhere.log" && fail "the password went to another host"
echo "ok [hostile]: the password was not sent to the host a redirect named"
check malformed "is not a CalDAV calendar: its listing is not well-formed XML"
check html "is not a CalDAV calendar: it answered 200 with text/html"
check cut "could not be reached"
check stall "could not be reached"
