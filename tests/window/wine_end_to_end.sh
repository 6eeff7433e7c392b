#!/usr/bin/env bash
# The real tessaport-config.exe under Wine on an X server, driven as a person would: Xvfb, the
# xfwm4 window manager, and xdotool for the mouse and keyboard. Checks what the X server and
# the window manager see, saves through the window and reads the result back from Wine's
# registry in the 32-bit view, where the settings live.
# usage: wine_end_to_end.sh TESSAPORT_CONFIG_EXE TESSAPORT_REG_EXE MESSAGE_BOX_TEXT_EXE
set -euo pipefail

program=$1
tool=$2
box_text=$3
title='Tessaport Configuration'
settings_key='HKLM\Software\Korvanta\Tessaport'
# shellcheck source=../../scripts/lib/session.sh
source "$(dirname "$0")/../../scripts/lib/session.sh"

run_wine() { "$wine" "$@" </dev/null 2>>"$work/wine.log" | tr -d '\r'; }
# "NAME TYPE DATA" for each value of a key, as reg query prints it.
query_values() { run_wine reg query "$1" "${@:2}" | awk 'NF == 3 && $2 ~ /^REG_/ { print $1, $2, $3 }'; }

start_x_session 1024x768
echo "display $DISPLAY, window manager: $window_manager"

start_wine_prefix

# Adlink has settings; Advantech, the provider shown first, has none yet.
run_wine "$tool" set Adlink 1 2 3 >/dev/null

start "$work/app.log" "$wine" "$program"
app=${groups[-1]}

visible_windows() { xdotool search --onlyvisible --name "^$title\$" 2>/dev/null || true; }
main_window() { wid=$(visible_windows | head -n1) && [ -n "$wid" ]; }
wait_until 90 main_window || fail "the window did not appear"

# --- What the X server and the window manager see. Wine's X window is the client area.
[ "$(xdotool getwindowname "$wid")" = "$title" ] || fail "caption is $(xdotool getwindowname "$wid")"
client_in_place() {
    local info
    info=$(xwininfo -id "$wid")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    width=$(awk '/  Width:/ {print $2}' <<<"$info")
    height=$(awk '/  Height:/ {print $2}' <<<"$info")
    # The frame's corner at (192, 114) puts the client area inside Wine's border and caption.
    [ "$x,$y" = "195,136" ]
}
wait_until 30 client_in_place || fail "client area at $x,$y, not 195,136 (frame not at 192,114)"
[ "${width}x$height" = "435x316" ] || fail "client area is ${width}x$height, not 435x316"

hints=$(xprop -id "$wid" WM_NORMAL_HINTS)
grep -q 'minimum size: 435 by 316' <<<"$hints" || fail "minimum size hint: $hints"
grep -q 'maximum size: 435 by 316' <<<"$hints" || fail "maximum size hint: $hints"
read -r _ functions decorations _ < <(xprop -id "$wid" _MOTIF_WM_HINTS | sed -n 's/.* = //p' | tr -d ',')
[ -n "${decorations:-}" ] || fail "no _MOTIF_WM_HINTS"
((functions & 0x18)) && fail "the frame offers minimise or maximise: functions $functions"
((functions & 0x20)) || fail "the frame offers no close: functions $functions"
echo "frame: client ${width}x$height at $x,$y, fixed, close box only"

# --- Driving it. Positions are the controls' centres in the client area.
# Wine takes its focus a moment after the click that gives it.
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1 && sleep 0.5; }
click_edit_mode() { click 64 197; }
click_save() { click 165 252; }
click_exit() { click 301 252; }
keys() { xdotool key --delay 30 "$@"; }
repeat() { local n=$1 key=$2 out=(); for ((i = 0; i < n; i++)); do out+=("$key"); done; echo "${out[@]}"; }
other_window() { box=$(visible_windows | grep -vx "$wid" | head -n1) && [ -n "$box" ]; }
no_other_window() { ! other_window; }
stored() { query_values "$settings_key\\$1" /reg:32 2>/dev/null; }

[ $window_manager = yes ] && timeout 30 xdotool windowactivate --sync "$wid"

# Save with empty lists is refused with the message, captioned with the application's title.
click_save
wait_until 30 other_window || fail "no message box after a refused save"
shown=$(run_wine "$box_text" "$title") || fail "the message box is not Wine's message box"
[ "$shown" = "Unable to save into registry!!" ] || fail "the message box says: $shown"
[ $window_manager = yes ] && timeout 30 xdotool windowactivate --sync "$box"
keys Return
wait_until 30 no_other_window || fail "the message box did not close on Enter"
[ -z "$(stored Advantech)" ] || fail "a refused save wrote something"
echo "refused save: \"$shown\" shown and dismissed, nothing written"

# Edit mode on; Enter and Esc on the focused Save button press nothing and close nothing.
click_edit_mode
keys Tab
keys Return Escape
sleep 1
no_other_window || fail "Enter or Esc pressed Save"
main_window || fail "Enter or Esc closed the window"
kill -0 "$app" 2>/dev/null || fail "Enter or Esc ended the program"
echo "Enter and Esc: nothing pressed"

# 3, 10 and 20 picked as a person would: a click opens the list, the keys move through it and
# Enter closes it on the entry.
pick() { click 280 "$1" && keys Home $(repeat "$2" Down) Return && sleep 0.3; }
pick 78 3
pick 118 10
pick 158 20
click_save
expected=$'NumberOfCards REG_DWORD 0x3\nPIIBeginAddress REG_DWORD 0xa\nPIQBeginAddress REG_DWORD 0x14'
saved() { [ "$(stored Advantech)" = "$expected" ]; }
wait_until 30 saved || fail "the 32-bit view holds: $(stored Advantech)"
[ -z "$(query_values "$settings_key\\Advantech" /reg:64 2>/dev/null)" ] ||
    fail "the settings went to the 64-bit view"
[ "$(stored Adlink)" = $'NumberOfCards REG_DWORD 0x1\nPIIBeginAddress REG_DWORD 0x2\nPIQBeginAddress REG_DWORD 0x3' ] ||
    fail "Adlink's settings changed"
no_other_window || fail "a successful save showed a message"
echo "save: Advantech holds 3, 10, 20 in the 32-bit view"

# Exit closes the window and the program ends normally.
click_exit
app_ended() { ! kill -0 "$app" 2>/dev/null; }
wait_until 60 app_ended || fail "the program did not end after Exit"
status=0
wait "$app" || status=$?
[ $status -eq 0 ] || fail "exit status $status after Exit"
echo "exit: status 0"
echo "end-to-end under Wine: passed"
