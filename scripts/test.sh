#!/usr/bin/env bash
# Builds everything and runs every test: unit, widget, end-to-end, the Windows back end under
# Wine, and the packages (built, installed, used and removed).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test
build=${TESSAPORT_TEST_BUILD:-build-test}
# Warnings are errors in the project's own checks, the cross builds included.
export TESSAPORT_WINDOWS_CMAKE_ARGS=${TESSAPORT_WINDOWS_CMAKE_ARGS:--DTESSAPORT_WERROR=ON}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSAPORT_WERROR=ON \
    ${TESSAPORT_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

[ -n "${TESSAPORT_SKIP_WINDOWS:-}" ] || scripts/test-windows.sh
[ -n "${TESSAPORT_SKIP_PACKAGES:-}" ] || scripts/test-packages.sh
