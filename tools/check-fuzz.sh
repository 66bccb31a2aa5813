#!/usr/bin/env bash
# Builds the libFuzzer targets of the events-file loader, the settings-file reader and the
# iCalendar import with clang into build-fuzz/ and runs each for 60 seconds, all at once, on a
# copy of its seed corpus. A crash, a leak, a hang, an allocation beyond the target's limit or a
# failed round trip fails the run; the input that caused it is kept in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${QUORVA_FUZZ_SECONDS:-60}"
compiler="$(command -v clang++-14 || command -v clang++)"
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER="$compiler" >/dev/null
cmake --build build-fuzz -j"$(nproc)"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:print_stacktrace=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
rm -rf build-fuzz/artifacts
mkdir -p build-fuzz/artifacts

# Runs one target on a fresh copy of its corpus (the copy grows; the seeds in fuzz/ do not),
# with a limit in megabytes on any one allocation. The process as a whole may take twice that:
# what AddressSanitizer keeps back grows with the run and varies from run to run. An input that
# takes 25 s, a hundred times the slowest seen, hangs whatever the machine's load.
run_target() {
    local name="$1" corpus="$2" dict="$3" memory="$4"
    local work="build-fuzz/corpus-$corpus"
    rm -rf "$work"
    cp -r "fuzz/corpus/$corpus" "$work"
    "build-fuzz/$name" "$work" -dict="fuzz/$dict" -max_total_time="$seconds" -timeout=25 \
        -malloc_limit_mb="$memory" -rss_limit_mb="$((memory * 2))" \
        -artifact_prefix="build-fuzz/artifacts/$name-" \
        -print_final_stats=1 >"build-fuzz/$name.log" 2>&1
}

status=0
targets=()
run_target fuzz_events_file events events.dict 2048 &
targets+=("fuzz_events_file:$!")
run_target fuzz_settings_file settings settings.dict 2048 &
targets+=("fuzz_settings_file:$!")
# The import bounds its own work on any file: far less than the others' limit must do.
run_target fuzz_ics_import ics ics.dict 1024 &
targets+=("fuzz_ics_import:$!")
for target in "${targets[@]}"; do
    name="${target%%:*}"
    if wait "${target##*:}"; then
        echo "$name: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "build-fuzz/$name.log" |
            grep -o '[0-9]*$') runs, no finding"
    else
        status=1
        echo "$name FAILED; its log (build-fuzz/$name.log) ends:" >&2
        tail -n 60 "build-fuzz/$name.log" >&2
    fi
done
exit $status
