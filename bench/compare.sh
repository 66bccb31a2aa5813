#!/usr/bin/env bash
# Quorva beside calcurse and beside a bare Qt window, on one large calendar:
#   - the agenda of today and the next 365 days: quorva-cli agenda against calcurse -Q, after
#     checking that both print the same events on the same days;
#   - the time from starting the program to its main window on the screen (an X server of our
#     own, Xvfb), the calendar with that events file against bench_bare_window.
# Medians of K runs taken in turns, wall time and peak memory (/usr/bin/time). Nothing is
# asserted: the numbers are for notes on issues.
#
# Usage: bench/compare.sh [--events N] [--runs K] [--scale]
#   --events N  one-time events in the calendar (default 100000)
#   --runs K    timed runs of each program (default 5)
#   --scale     the same at 10,000, 100,000 and 1,000,000 events (--events is ignored), then
#               a table; 1,000,000 one-time events need the years 1900..4637
# The programs come from $BUILD (default build/ at the repository's root): quorva,
# quorva-cli and bench/bench_bare_window. Missing packages (calcurse, xvfb, xdotool,
# x11-utils, time) are installed with apt-get, as root or through sudo.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$root/build}
readonly WAIT=60 # seconds a window may take to appear
readonly SETTLE=0.5 # seconds a window stays up after it appeared, so that its memory is counted

usage() { sed -n '/^# Usage:/,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; }
die() {
    echo "compare.sh: $*" >&2
    exit 1
}

events=100000
runs=5
scale=0
while [ $# -gt 0 ]; do
    case $1 in
    --events | --runs)
        if [ $# -lt 2 ] || ! [[ $2 =~ ^[1-9][0-9]*$ ]]; then
            die "$1 needs a whole number above 0"
        fi
        if [ "$1" = --events ]; then events=$2; else runs=$2; fi
        shift 2
        ;;
    --scale) scale=1 && shift ;;
    -h | --help) usage && exit 0 ;;
    *) usage >&2 && exit 2 ;;
    esac
done

quorva=$BUILD/quorva
cli=$BUILD/quorva-cli
bare=$BUILD/bench/bench_bare_window
for program in "$quorva" "$cli" "$bare"; do
    [ -x "$program" ] ||
        die "$program is missing: build it first (cmake --build build), or point BUILD elsewhere"
done

# shellcheck source=tools/deps.sh disable=SC1091
source "$root/tools/deps.sh"
quorva_install_packages calcurse xvfb xdotool x11-utils time procps python3
calcurse_version=$(calcurse --version | awk 'NR == 1 {print $2}')

work=$(mktemp -d "${TMPDIR:-/tmp}/quorva-compare.XXXXXX")
xvfb_pid=""
running="" # the /usr/bin/time of a window being measured
cleanup() {
    local status=$?
    set +e
    [ -n "$running" ] && pkill -KILL -P "$running" 2>/dev/null
    [ -n "${XEV_PID:-}" ] && kill "$XEV_PID" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

now_us() { echo "${EPOCHREALTIME/./}"; }
median() {
    printf '%s\n' "$@" | sort -g |
        awk '{v[NR] = $1}
             END {printf "%.0f\n", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
seconds() { awk -v us="$1" 'BEGIN {printf "%.3f", us / 1e6}'; }
mib() { awk -v kib="$1" 'BEGIN {printf "%.1f", kib / 1024}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.1f", a / b}'; }
# "median s (fastest-slowest)" of microsecond values.
spread() {
    local sorted
    sorted=$(printf '%s\n' "$@" | sort -g)
    printf '%s s (%s-%s)' "$(seconds "$(median "$@")")" "$(seconds "$(head -n 1 <<<"$sorted")")" \
        "$(seconds "$(tail -n 1 <<<"$sorted")")"
}
# The last line /usr/bin/time wrote: "wall peak-KiB" (before it, a note of a fatal signal).
peak_kib() { tail -n 1 "$1" | awk '{print $2}'; }

# Runs a command once, its output thrown away; leaves the wall time in $took (microseconds,
# finer than /usr/bin/time's hundredths) and the peak memory in $peak (KiB).
measure() {
    local start
    start=$(now_us)
    if ! /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr"; then
        cat "$work/stderr" >&2
        die "failed: $*"
    fi
    took=$(($(now_us) - start))
    peak=$(peak_kib "$work/time")
}

# --- the calendar ------------------------------------------------------------------------

# Writes the calendar of $1 events into folder $2: quorva.ini and calcurse/apts.
make_calendar() {
    mkdir -p "$2/calcurse"
    python3 "$root/bench/make_calendar.py" --events "$1" --ini "$2/quorva.ini" \
        --apts "$2/calcurse/apts"
}

# --- the agenda ----------------------------------------------------------------------------

# The two agendas of $2 and the next 365 days as "YYYY-MM-DD<tab>text" lines, sorted.
# quorva-cli counts 365 days after the first; calcurse's --days counts the first as well.
# calcurse gets TZ set only to be quicker (see compare_agendas): the zone stays the same.
quorva_agenda() {
    "$cli" agenda --file "$1/quorva.ini" --from "$2" --days 365 |
        awk -F'\t' '{split($1, d, "/"); n = split($2, t, ", ")
                     for (i = 1; i <= n; i++)
                         printf "%04d-%02d-%02d\t%s\n", d[3], d[1], d[2], t[i]}' |
        LC_ALL=C sort
}
calcurse_agenda() {
    TZ=${TZ:-:/etc/localtime} calcurse -D "$1/calcurse" -Q --from "$2" --days 366 \
        --output-datefmt '%Y-%m-%d' |
        awk '/^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]:$/ {date = substr($0, 1, 10); next}
             /^ \* / {printf "%s\t%s\n", date, substr($0, 4)}' |
        LC_ALL=C sort
}

# Checks that both agendas hold the same events; says so, or shows where they differ.
check_agendas() {
    local today
    today=$(date +%m/%d/%Y)
    quorva_agenda "$1" "$today" >"$work/agenda.quorva"
    calcurse_agenda "$1" "$today" >"$work/agenda.calcurse"
    if cmp -s "$work/agenda.quorva" "$work/agenda.calcurse"; then
        echo "  both agendas: the same $(wc -l <"$work/agenda.quorva") events on" \
            "$(cut -f1 "$work/agenda.quorva" | uniq | wc -l) days"
    else
        echo "  THE AGENDAS DIFFER (< quorva-cli only, > calcurse only; first 10):"
        { diff "$work/agenda.quorva" "$work/agenda.calcurse" || true; } | grep '^[<>]' |
            head -n 10 | sed 's/^/    /'
    fi
}

# Times the agendas $runs times in turns; leaves the medians in agenda_*. calcurse runs twice:
# with TZ unset, as on most desktops, where glibc looks at /etc/localtime again at each of
# calcurse's many date conversions, and with TZ set (the caller's, or :/etc/localtime: the
# same zone), where it reads the zone once.
compare_agendas() {
    local folder=$1 i tz=${TZ:-:/etc/localtime}
    local quorva_us=() quorva_kib=() calcurse_us=() calcurse_kib=() tz_us=()
    echo "agenda of today and the next 365 days"
    check_agendas "$folder"
    for ((i = 1; i <= runs; i++)); do
        measure "$cli" agenda --file "$folder/quorva.ini" --days 365
        quorva_us+=("$took") quorva_kib+=("$peak")
        measure env -u TZ calcurse -D "$folder/calcurse" -Q --days 366
        calcurse_us+=("$took") calcurse_kib+=("$peak")
        measure env TZ="$tz" calcurse -D "$folder/calcurse" -Q --days 366
        tz_us+=("$took")
    done
    agenda_quorva=$(median "${quorva_us[@]}")
    agenda_quorva_kib=$(median "${quorva_kib[@]}")
    agenda_calcurse=$(median "${calcurse_us[@]}")
    agenda_calcurse_kib=$(median "${calcurse_kib[@]}")
    agenda_calcurse_tz=$(median "${tz_us[@]}")
    printf '  %-46s %-26s %8s MiB\n' "quorva-cli agenda --file CAL --days 365" \
        "$(spread "${quorva_us[@]}")" "$(mib "$agenda_quorva_kib")"
    printf '  %-46s %-26s %8s MiB\n' "calcurse -D DIR -Q --days 366, TZ unset" \
        "$(spread "${calcurse_us[@]}")" "$(mib "$agenda_calcurse_kib")"
    printf '  %-46s %s\n' "the same with TZ=$tz" "$(spread "${tz_us[@]}")"
    printf '  %-46s %s x, with TZ set %s x\n' "calcurse time / quorva-cli time" \
        "$(ratio "$agenda_calcurse" "$agenda_quorva")" \
        "$(ratio "$agenda_calcurse_tz" "$agenda_quorva")"
}

# --- the window ----------------------------------------------------------------------------

# An X server of our own on a free display, and xev reporting every window mapped on it: the
# moment a line arrives is the moment the window appeared, without polling beside the program.
start_x() {
    local display_fd i
    exec {display_fd}>"$work/display"
    Xvfb -displayfd "$display_fd" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec {display_fd}>&-
    for ((i = 0; i < WAIT * 10; i++)); do
        [ -s "$work/display" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$work/display" ] || die "Xvfb did not start: $(cat "$work/xvfb.log")"
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
    coproc XEV { exec stdbuf -oL xev -root -event substructure 2>/dev/null; }
    sleep 0.5
}

# The folders of one user: app (a copy of the calendar beside its events file), config,
# data, runtime, home, tmp.
prepare_user() {
    rm -rf "$work/user"
    mkdir -p "$work/user/app" "$work/user/config/Ostrune" "$work/user/data" "$work/user/home" \
        "$work/user/tmp"
    mkdir -m 700 "$work/user/runtime"
    cp "$quorva" "$work/user/app/quorva"
    cp "$1/quorva.ini" "$work/user/app/quorva.ini"
}

# Settings of a copy that has run before: no help page at the start, no reminder, and no
# wipe of past one-time events, so that the window holds every event of the file.
write_settings() {
    printf '%s\n' 'REGEDIT4' '' \
        '[HKEY_CURRENT_USER\Software\Ostrune\Quorva\Version]' '"Version"="1.75"' '' \
        '[HKEY_CURRENT_USER\Software\Ostrune\Quorva\MainFormView]' \
        '"frmMain->Top"=dword:00000000' '' \
        '[HKEY_CURRENT_USER\Software\Ostrune\Quorva\Preferences]' '"bReminder"="0"' '"bWipe"="0"' \
        >"$work/user/config/Ostrune/Quorva.reg"
}

# Starts a program ($2...) and waits for its window titled $1; leaves the time from the start
# to the window mapped in $took (microseconds) and the program's peak memory in $peak (KiB),
# measured up to its end after SIGTERM.
time_window() {
    local title=$1 line start mapped="" id program
    shift
    while read -r -t 0.1 -u "${XEV[0]}" line; do :; done # what the previous run left
    start=$(now_us)
    env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$work/user/home" TMPDIR="$work/user/tmp" \
        XDG_CONFIG_HOME="$work/user/config" XDG_DATA_HOME="$work/user/data" \
        XDG_RUNTIME_DIR="$work/user/runtime" QT_QPA_PLATFORM=xcb \
        /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/window.log" 2>&1 &
    running=$!
    while [ -z "$mapped" ]; do
        if ! read -r -t 1 -u "${XEV[0]}" line; then
            kill -0 "$running" 2>/dev/null ||
                die "$1 ended before its window appeared: $(cat "$work/window.log")"
            (($(now_us) - start < WAIT * 1000000)) || die "no window \"$title\" within $WAIT s"
            continue
        fi
        [[ $line == MapNotify* ]] || continue
        mapped=$(now_us)
        read -r -t 5 -u "${XEV[0]}" line || die "xev stopped"
        id=${line##*window }
        id=${id%%,*}
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$title" ] || mapped=""
    done
    took=$((mapped - start))
    sleep "$SETTLE"
    program=$(pgrep -P "$running") || die "$1 is gone"
    kill -TERM "$program"
    wait "$running" || true # a program without a SIGTERM handler ends by the signal
    running=""
    peak=$(peak_kib "$work/time")
}

# Times the calendar's window with the events file of folder $1 and the bare window, $runs
# times in turns after one run of each that is not counted; leaves the medians in window_*.
compare_windows() {
    local i quorva_us=() quorva_kib=() bare_us=() bare_kib=()
    echo "main window under Xvfb, from the start to the window mapped"
    prepare_user "$1"
    for ((i = 0; i <= runs; i++)); do
        write_settings
        time_window Quorva "$work/user/app/quorva"
        ((i == 0)) || quorva_us+=("$took") quorva_kib+=("$peak")
        time_window Bare "$bare"
        ((i == 0)) || bare_us+=("$took") bare_kib+=("$peak")
    done
    window_quorva=$(median "${quorva_us[@]}")
    window_quorva_kib=$(median "${quorva_kib[@]}")
    window_bare=$(median "${bare_us[@]}")
    window_bare_kib=$(median "${bare_kib[@]}")
    printf '  %-46s %-26s %8s MiB\n' "quorva, events file beside it" \
        "$(spread "${quorva_us[@]}")" "$(mib "$window_quorva_kib")"
    printf '  %-46s %-26s %8s MiB\n' "bench_bare_window (QMainWindow, status bar)" \
        "$(spread "${bare_us[@]}")" "$(mib "$window_bare_kib")"
    printf '  %-46s %s x\n' "quorva time / bare time" "$(ratio "$window_quorva" "$window_bare")"
}

# --- one size, or the scale ----------------------------------------------------------------

# A line of the table that --scale prints at the end.
table_row() { printf '%9s  %10s %6s %9s %7s %6s %6s %6s  %7s %6s %6s %6s\n' "$@"; }

# Everything for a calendar of $1 events; its results land in a line of $work/table.
compare_at() {
    local folder=$work/calendar-$1 summary
    summary=$(make_calendar "$1" "$folder")
    echo
    echo "== $1 events: $summary"
    echo "   quorva.ini $(mib $(($(stat -c %s "$folder/quorva.ini") / 1024))) MiB," \
        "calcurse apts $(mib $(($(stat -c %s "$folder/calcurse/apts") / 1024))) MiB"
    compare_agendas "$folder"
    compare_windows "$folder"
    table_row "$1" "$(seconds "$agenda_quorva")" "$(mib "$agenda_quorva_kib")" \
        "$(seconds "$agenda_calcurse")" "$(seconds "$agenda_calcurse_tz")" \
        "$(mib "$agenda_calcurse_kib")" "$(ratio "$agenda_calcurse" "$agenda_quorva")" \
        "$(ratio "$agenda_calcurse_tz" "$agenda_quorva")" "$(seconds "$window_quorva")" \
        "$(mib "$window_quorva_kib")" "$(seconds "$window_bare")" \
        "$(ratio "$window_quorva" "$window_bare")" >>"$work/table"
    rm -rf "$folder"
}

echo "Quorva ($BUILD) against calcurse $calcurse_version and a bare Qt window: medians of" \
    "$runs runs taken in turns (fastest-slowest), and the median peak resident memory"
echo "Quorva's repeating events as calcurse rules: weekly {1W}, monthly {1M}, yearly {1Y}," \
    "n-th and last weekday of a month {1Y wK mM}; the agendas are compared below"
start_x
if ((scale)); then
    for size in 10000 100000 1000000; do
        compare_at "$size"
    done
else
    compare_at "$events"
fi
if ((scale)); then
    echo
    echo "medians; agenda: calcurse with TZ unset and set, ratios calcurse / quorva-cli;" \
        "window: ratio quorva / bare"
    table_row "" "agenda" "" "" "" "" "" "" "window" "" "" ""
    table_row events quorva-cli MiB calcurse "TZ set" MiB ratio "TZ set" quorva MiB bare ratio
    cat "$work/table"
fi
