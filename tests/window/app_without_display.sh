#!/usr/bin/env bash
# Without any display the program must say so and fail, not abort inside Qt.
# usage: app_without_display.sh TESSAPORT_CONFIG
set -uo pipefail

program=$1
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" 2>"$errors" </dev/null
status=$?

if [ "$status" -ne 1 ]; then
    echo "expected exit status 1, got $status" >&2
    cat "$errors" >&2
    exit 1
fi
if ! grep -q '^tessaport-config: no display is available' "$errors"; then
    echo "expected a plain message on stderr, got:" >&2
    cat "$errors" >&2
    exit 1
fi
echo "exit status 1 with: $(head -c 200 "$errors")"
