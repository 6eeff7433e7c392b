#!/usr/bin/env bash
# Takes docs/screenshot-windows.png: tessaport-config.exe under Wine on a private X server
# (Xvfb, with the xfwm4 window manager for a real frame), showing sample settings in edit mode.
# At another resolution than 96 dpi it takes docs/screenshot-windows-DPI.png.
# usage: scripts/screenshot-windows.sh [BUILD_DIR [DPI]]   (default: build-mingw, built first; 96)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-mingw}
dpi=${2:-96}
output=docs/screenshot-windows.png
[ "$dpi" -eq 96 ] || output=docs/screenshot-windows-$dpi.png
title='Tessaport Configuration'

[ -f "$build/CMakeCache.txt" ] ||
    cmake --no-warn-unused-cli -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTESSAPORT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target tessaport-config >/dev/null

# shellcheck source=lib/session.sh
source scripts/lib/session.sh
trap session_cleanup EXIT

session_start_x 1280x800
[ $session_window_manager = yes ] || session_fail "xfwm4 is needed for the window's frame"
session_start_wine
"$session_wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null \
    >/dev/null 2>&1
for value in NumberOfCards:3 PIIBeginAddress:10 PIQBeginAddress:20; do
    "$session_wine" reg add 'HKLM\Software\Korvanta\Tessaport\Advantech' /v "${value%%:*}" /t REG_DWORD \
        /d "${value#*:}" /f /reg:32 </dev/null >/dev/null 2>&1
done

session_start "$session_work/app.log" "$session_wine" "$build/app/tessaport-config.exe"
main_window() { wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1) && [ -n "$wid" ]; }
session_wait_until 90 main_window || session_fail "the window did not appear"
timeout 30 xdotool windowactivate --sync "$wid"
at() { echo $((($1 * dpi + 48) / 96)); }
xdotool mousemove --window "$wid" "$(at 64)" "$(at 197)" click 1
xdotool mousemove --window "$wid" "$(at 301)" "$(at 300)"
sleep 1

session_capture_frame "$wid" "$output"
echo "wrote $output"
