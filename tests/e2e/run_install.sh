#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed tree: the programs,
# the desktop entry (validated), the icons and the read-me where the program looks for it.
# Then it makes the prefix read-only, as a system-wide install is for its users, and starts
# the installed program as a user who cannot write there: its events file must go to the
# user's data folder, never into the prefix.
#
# Usage: run_install.sh BUILD_DIR
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$(realpath "$1")
readonly WAIT=45

work=$(mktemp -d "${TMPDIR:-/tmp}/quorva-install.XXXXXX")
program=""
cleanup() {
    local status=$?
    [ -n "$program" ] && kill -KILL "$program" 2>/dev/null
    if [ $status -ne 0 ] && [ -f "$work/program.log" ]; then
        echo "--- output of the program ---" >&2
        cat "$work/program.log" >&2
    fi
    chmod -R u+w "$work" 2>/dev/null
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
pass() { echo "ok: $*"; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$work/install.log")"
pass "cmake --install into $prefix"

for program_file in bin/quorva bin/quorva-cli; do
    [ -x "$prefix/$program_file" ] || fail "$program_file is missing or not executable"
done
for data_file in lib/quorva/quorva_sound.so share/systemd/user/quorva-sync.timer \
    share/systemd/user/quorva-sync.service share/applications/quorva.desktop \
    share/icons/hicolor/64x64/apps/quorva.png \
    share/icons/hicolor/scalable/apps/quorva.svg \
    share/doc/quorva/readme.txt; do
    [ -s "$prefix/$data_file" ] || fail "$data_file is missing or empty"
done
# The program looks for its read-me beside itself, then at ../share/doc/quorva.
[ -s "$prefix/bin/../share/doc/quorva/readme.txt" ] ||
    fail "the read-me is not at ../share/doc/quorva from bin/"
[ ! -e "$prefix/bin/readme.txt" ] || fail "a read-me was installed into bin/"
grep -qx "ExecStart=$prefix/bin/quorva-cli sync" "$prefix/share/systemd/user/quorva-sync.service" ||
    fail "the sync service does not start the installed quorva-cli"
pass "programs, desktop entry, icons, read-me and sync timer are in place"

command -v desktop-file-validate >/dev/null ||
    fail "desktop-file-validate is missing (package desktop-file-utils)"
desktop-file-validate "$prefix/share/applications/quorva.desktop" ||
    fail "the desktop entry does not validate"
grep -qx 'Exec=quorva' "$prefix/share/applications/quorva.desktop" ||
    fail "the desktop entry does not start quorva"
grep -qx 'Icon=quorva' "$prefix/share/applications/quorva.desktop" ||
    fail "the desktop entry does not name the installed icon"
pass "the desktop entry validates"

: >"$work/empty.ini"
"$prefix/bin/quorva-cli" agenda --file "$work/empty.ini" --days 0 >/dev/null 2>&1 ||
    fail "the installed quorva-cli does not run"
pass "the installed quorva-cli runs"

# A read-only prefix. Root writes through any permission bits, so as root the program runs
# as an unprivileged user instead.
chmod -R a-w "$prefix"
runner=()
if [ "$(id -u)" -eq 0 ]; then
    if ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
        echo "skipped: running as root without setpriv or the user nobody, the read-only" \
            "install cannot be checked"
        exit 77
    fi
    runner=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
    chmod a+rx "$work"
    if ! "${runner[@]}" test -x "$prefix/bin/quorva"; then
        echo "skipped: the user nobody cannot reach $prefix (a private temporary folder?)," \
            "the read-only install cannot be checked"
        exit 77
    fi
fi

user="$work/user"
mkdir -p "$user/config/Ostrune" "$user/data" "$user/cache" "$user/tmp" "$user/home"
mkdir -m 700 "$user/runtime"
# A previous version on record makes start-up seed the Easter dates and save the events file
# at once, so the file's place shows without any window being touched.
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ostrune\\Quorva\\Version]\n"Version"="1.5"\n' \
    >"$user/config/Ostrune/Quorva.reg"
if [ ${#runner[@]} -gt 0 ]; then
    chown -R nobody "$user"
fi

env -i PATH="$PATH" HOME="$user/home" QT_QPA_PLATFORM=offscreen \
    XDG_CONFIG_HOME="$user/config" XDG_DATA_HOME="$user/data" \
    XDG_CACHE_HOME="$user/cache" TMPDIR="$user/tmp" XDG_RUNTIME_DIR="$user/runtime" \
    "${runner[@]}" "$prefix/bin/quorva" >"$work/program.log" 2>&1 &
program=$!

events_file="$user/data/Quorva/quorva.ini"
# Until the seeded dates are there, not just until the file is: a file may be seen while it
# is being written.
for ((i = 0; i < WAIT * 10; i++)); do
    grep -q '=Easter' "$events_file" 2>/dev/null && break
    kill -0 "$program" 2>/dev/null || fail "the installed program ended at start-up"
    sleep 0.1
done
[ -s "$events_file" ] || fail "no events file appeared at $events_file within $WAIT s"
grep -q '=Easter' "$events_file" || fail "the events file lacks the seeded dates"
[ ! -e "$prefix/bin/quorva.ini" ] || fail "an events file appeared in the read-only prefix"
pass "installed read-only, the events file goes to the user's data folder"

# SIGTERM stands for a log-off only once the program has its handler; before that it
# would simply end the process. The handler shows in the process's caught-signal mask.
catches_sigterm() {
    local mask
    mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$1/status" 2>/dev/null) || return 1
    [ -n "$mask" ] && (((16#$mask >> 14) & 1))
}
for ((i = 0; i < WAIT * 10; i++)); do
    catches_sigterm "$program" && break
    sleep 0.1
done
catches_sigterm "$program" || fail "the installed program did not get ready for SIGTERM"
kill -TERM "$program"
for ((i = 0; i < WAIT * 10; i++)); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program" 2>/dev/null && fail "SIGTERM did not end the installed program"
program=""
grep -q '^"Version"="1.75"' "$user/config/Ostrune/Quorva.reg" ||
    fail "the installed program did not record its version at exit"
pass "SIGTERM ended the installed program, which wrote its settings"

echo "install: all checks passed"
