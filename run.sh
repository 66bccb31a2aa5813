#!/usr/bin/env bash
# Builds the calendar into build/ and starts it; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
quorva_install_packages "${QUORVA_BUILD_PACKAGES[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVA_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" >/dev/null

if [ ! -x build/quorva ]; then
    # Until the windows exist, the calendar is its agenda.
    exec build/quorva-cli agenda "$@"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found: start the calendar on a desktop, or headless with: xvfb-run -a build/quorva" >&2
    exit 1
fi
exec build/quorva "$@"
