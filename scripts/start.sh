#!/usr/bin/env bash
# Builds the program and starts the configuration window.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSAPORT_BUILD_TESTS=OFF >/dev/null
cmake --build build --target tessaport-config tessaport-reg

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display is available (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window" >&2
    echo "cannot be shown. Start it from a desktop session, or use the command-line tool:" >&2
    echo "  build/cli/tessaport-reg get Advantech" >&2
    exit 1
fi
exec build/app/tessaport-config "$@"
