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

work=$(mktemp -d)
groups=()
cleanup() {
    local i
    for ((i = ${#groups[@]} - 1; i >= 0; i--)); do
        kill -TERM -- "-${groups[i]}" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export TESSAPORT_REGISTRY=$work/registry.reg
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

setsid Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
groups+=($!)
wait_until 30 test -s "$work/display" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")

# A private session bus, so that nothing autolaunches one that would outlive the script.
setsid dbus-daemon --session --nofork --print-address=3 3>"$work/bus" 2>/dev/null &
groups+=($!)
wait_until 30 test -s "$work/bus" || { echo "the session bus did not start" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus") NO_AT_BRIDGE=1

setsid xfwm4 --compositor=off >/dev/null 2>&1 &
groups+=($!)
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until 30 wm_running || { echo "xfwm4 did not start" >&2; exit 1; }

"$build/cli/tessaport-reg" set Advantech 3 10 20

setsid "$build/app/tessaport-config" >"$work/app.log" 2>&1 &
groups+=($!)
framed_window() {
    wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1)
    [ -n "$wid" ] && xprop -id "$wid" _NET_FRAME_EXTENTS | grep -q ' = '
}
wait_until 60 framed_window || { echo "the window did not appear" >&2; cat "$work/app.log" >&2; exit 1; }

# The frame: the client area widened by the window manager's extents (left, right, top, bottom).
info=$(xwininfo -id "$wid")
x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
width=$(awk '/  Width:/ {print $2}' <<<"$info")
height=$(awk '/  Height:/ {print $2}' <<<"$info")
IFS=, read -r left right top bottom < <(xprop -id "$wid" _NET_FRAME_EXTENTS |
    sed -n 's/.* = //p' | tr -d ' ')
crop="$((width + left + right))x$((height + top + bottom))+$((x - left))+$((y - top))"

# PPM carries no time stamps, so equal pictures give equal files.
capture() { import -window root -crop "$crop" +repage "$1"; }
differs_from() { capture "$work/current.ppm" && ! cmp -s "$1" "$work/current.ppm"; }
stable() {
    cp "$work/current.ppm" "$work/previous.ppm"
    capture "$work/current.ppm"
    cmp -s "$work/previous.ppm" "$work/current.ppm"
}

# Edit mode shows the lists enabled; the pointer then leaves the picture.
timeout 30 xdotool windowactivate --sync "$wid"
xdotool mousemove 0 0
capture "$work/current.ppm"
wait_until 20 stable || { echo "the window kept changing" >&2; exit 1; }
cp "$work/current.ppm" "$work/before.ppm"
xdotool mousemove --window "$wid" 64 197 click 1 mousemove 0 0
wait_until 20 differs_from "$work/before.ppm" || { echo "edit mode did not show" >&2; exit 1; }
wait_until 20 stable || { echo "the window kept changing" >&2; exit 1; }

mkdir -p "$(dirname "$output")"
convert "$work/current.ppm" -strip "$output"
echo "wrote $output ($crop)"
