#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
quorva_install_packages "${QUORVA_BUILD_PACKAGES[@]}" "${QUORVA_TEST_PACKAGES[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVA_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"

# The Qt-free part again: under the sanitizers, fuzzed, and cross-built for Windows under Wine.
tools/check-sanitizers.sh
tools/check-fuzz.sh
tools/check-windows.sh
