#!/usr/bin/env bash
# Takes docs/screenshot.png: the configuration window on a private X server (Xvfb, with the
# xfwm4 window manager for a real frame), showing sample settings in edit mode.
# usage: scripts/screenshot.sh [BUILD_DIR]   (default: build; built first when needed)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
output=docs/screenshot.png
title='Tessaport Configuration'

if [ ! -x "$build/app/tessaport-config" ] || [ ! -x "$build/cli/tessaport-reg" ]; then
    [ -f "$build/CMakeCache.txt" ] ||
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSAPORT_BUILD_TESTS=OFF \
            >/dev/null
    cmake --build "$build" --target tessaport-config tessaport-reg
fi
for tool in Xvfb xfwm4 dbus-daemon xdotool xprop xwininfo import; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/deps.sh test)" >&2; exit 1; }
done

# shellcheck source=lib/session.sh
source scripts/lib/session.sh
trap session_cleanup EXIT
session_start_x 800x600
[ $session_window_manager = yes ] || session_fail "xfwm4 is needed for the window's frame"

"$build/cli/tessaport-reg" set Advantech 3 10 20

session_start "$session_work/app.log" "$build/app/tessaport-config"
framed_window() {
    wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1)
    [ -n "$wid" ] && xprop -id "$wid" _NET_FRAME_EXTENTS | grep -q ' = '
}
session_wait_until 60 framed_window || session_fail "the window did not appear"

# PPM carries no time stamps, so equal pictures give equal files.
capture() { session_capture_frame "$wid" "$1"; }
differs_from() { capture "$session_work/current.ppm" && ! cmp -s "$1" "$session_work/current.ppm"; }
stable() {
    cp "$session_work/current.ppm" "$session_work/previous.ppm"
    capture "$session_work/current.ppm"
    cmp -s "$session_work/previous.ppm" "$session_work/current.ppm"
}

# Edit mode shows the lists enabled; the pointer then leaves the picture.
timeout 30 xdotool windowactivate --sync "$wid"
xdotool mousemove 0 0
capture "$session_work/current.ppm"
session_wait_until 20 stable || session_fail "the window kept changing"
cp "$session_work/current.ppm" "$session_work/before.ppm"
xdotool mousemove --window "$wid" 64 197 click 1 mousemove 0 0
session_wait_until 20 differs_from "$session_work/before.ppm" || session_fail "edit mode did not show"
session_wait_until 20 stable || session_fail "the window kept changing"

mkdir -p "$(dirname "$output")"
convert "$session_work/current.ppm" -strip "$output"
echo "wrote $output"
