#!/usr/bin/env bash
# Without a usable display the program must say so and fail, not abort inside Qt.
# usage: app_without_display.sh TESSAPORT_CONFIG
set -uo pipefail

program=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
errors=$scratch/errors

# An X display number with no server: neither its socket nor its lock file is there.
dead=77
while [ -e "/tmp/.X11-unix/X$dead" ] || [ -e "/tmp/.X$dead-lock" ]; do
    dead=$((dead + 1))
done

failed=0

# expect_refusal NAME PATTERN [VAR=VALUE...] [-- ARGUMENTS...]
# Runs the program with no display variables but the ones given; it must exit 1 with a plain
# message matching PATTERN and nothing from Qt's platform plugins.
expect_refusal() {
    local name=$1 pattern=$2
    shift 2
    local settings=() arguments=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        settings+=("$1")
        shift
    done
    [ $# -gt 0 ] && shift
    arguments=("$@")

    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$scratch" \
        "${settings[@]}" "$program" "${arguments[@]}" 2>"$errors" </dev/null
    local status=$?

    if [ "$status" -ne 1 ]; then
        echo "$name: expected exit status 1, got $status" >&2
        cat "$errors" >&2
        failed=1
    elif ! grep -q "^tessaport-config: no display is available: $pattern" "$errors"; then
        echo "$name: expected a plain message matching '$pattern' on stderr, got:" >&2
        cat "$errors" >&2
        failed=1
    elif grep -q 'qt\.qpa' "$errors"; then
        echo "$name: Qt's platform plugin was started:" >&2
        cat "$errors" >&2
        failed=1
    else
        echo "$name: exit status 1 with: $(head -c 200 "$errors")"
    fi
}

expect_refusal "nothing set" "neither DISPLAY nor WAYLAND_DISPLAY is set"
expect_refusal "X server missing" "cannot connect to the X display \":$dead\"" DISPLAY=":$dead"
expect_refusal "X server missing, xcb asked for" "cannot connect to the X display \":$dead\"" \
    DISPLAY=":$dead" QT_QPA_PLATFORM=xcb
expect_refusal "X server missing, named by -display" "cannot connect to the X display \":$dead\"" \
    -- -display ":$dead"
expect_refusal "xcb asked for, only Wayland set" "DISPLAY is not set" \
    WAYLAND_DISPLAY=wayland-test -- -platform xcb
expect_refusal "Wayland socket missing" \
    "there is no Wayland display \"wayland-test\" (no socket at $scratch/wayland-test)" \
    WAYLAND_DISPLAY=wayland-test
expect_refusal "both missing" \
    "cannot connect to the X display \":$dead\" and there is no Wayland display" \
    DISPLAY=":$dead" WAYLAND_DISPLAY=wayland-test

exit $failed
