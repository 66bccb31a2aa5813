#!/usr/bin/env bash
# Cross-builds the Qt-free part (event store, events file, settings store with its registry
# backend, quorva-cli) and its GoogleTest binaries for 64-bit Windows with mingw-w64 into
# build-win/, and runs them under Wine in a fresh prefix, so the settings store meets a real
# registry. Installs nothing: the packages are in QUORVA_TEST_PACKAGES (tools/deps.sh).
# Exits non-zero when anything fails to build or any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-win
jobs=${QUORVA_JOBS:-2}
tests=(quorva_core_tests quorva_settings_tests quorva_cli_tests)

for tool in x86_64-w64-mingw32-g++-posix wine wineboot wineserver; do
    if ! command -v "$tool" >/dev/null; then
        echo "check-windows: $tool is missing; install QUORVA_TEST_PACKAGES of tools/deps.sh" >&2
        exit 1
    fi
done

cmake --no-warn-unused-cli -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVA_GUI=OFF -DQUORVA_BENCH=OFF -DQUORVA_WERROR=ON \
    >/dev/null
cmake --build "$build" -j"$jobs" \
    --target quorva_core quorva_settings quorva_cli quorva-cli "${tests[@]}"

# A prefix of our own: the tests never see a user's Wine registry or files, and root in CI
# owns the folder it runs in, which Wine insists on.
prefix=$(mktemp -d "${TMPDIR:-/tmp}/quorva-wine.XXXXXX")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quorva-win-cli.XXXXXX")
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
# Wine reads file names and arguments from Linux in the locale's character set.
export LC_ALL=C.UTF-8
# No browser engine or .NET runtime is needed, and without a display there is no one to ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix" "$scratch"
}
trap cleanup EXIT

if ! wineboot --init >"$scratch/wineboot.log" 2>&1; then
    cat "$scratch/wineboot.log" >&2
    echo "check-windows: wineboot failed" >&2
    exit 1
fi
wineserver -w

failed=()
for test in "${tests[@]}"; do
    echo "== $test.exe under Wine"
    status=0
    timeout 300 wine "$build/$test.exe" --gtest_brief=1 >"$scratch/$test.log" 2>&1 || status=$?
    tr -d '\r' <"$scratch/$test.log" | sed '/^Running main()/d'
    if [ "$status" -ne 0 ] || ! grep -q '^\[  PASSED  \]' "$scratch/$test.log"; then
        failed+=("$test")
    fi
done

# The tool itself: an events file with CR LF lines, in a folder whose name the ANSI code page
# cannot hold, in; one line per planned day out. Wine shows the Linux root as drive Z:.
echo "== quorva-cli.exe under Wine"
mkdir "$scratch/Jörg 日"
printf '[Once]\r\n3/11/2025=Dentist\\nBring the card\r\n[Weekly]\r\n2=Gym\r\n' \
    >"$scratch/Jörg 日/quorva.ini"
file="Z:${scratch//\//\\}\\Jörg 日\\quorva.ini"
expected=$'3/10/2025\tGym\n3/11/2025\tDentist Bring the card\n3/17/2025\tGym'
actual=$(timeout 300 wine "$build/quorva-cli.exe" agenda --file "$file" --from 3/10/2025 --days 7 |
    tr -d '\r') || true
if [ "$actual" != "$expected" ]; then
    printf 'quorva-cli agenda printed:\n%s\nexpected:\n%s\n' "$actual" "$expected" >&2
    failed+=(quorva-cli)
fi
if ! timeout 300 wine "$build/quorva-cli.exe" --help >/dev/null; then
    failed+=("quorva-cli --help")
fi

if [ ${#failed[@]} -ne 0 ]; then
    echo "check-windows: failed under Wine: ${failed[*]}" >&2
    exit 1
fi
echo "check-windows: every test passed under Wine"
