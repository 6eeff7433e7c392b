#!/usr/bin/env bash
# The real tessaport-config.exe under Wine on an X server, driven as a person would: Xvfb, the
# xfwm4 window manager, and xdotool for the mouse and keyboard. Checks what the X server and
# the window manager see, saves through the window and reads the result back from Wine's
# registry in the 32-bit view, where the settings live.
# usage: wine_end_to_end.sh TESSAPORT_CONFIG_EXE TESSAPORT_REG_EXE MESSAGE_BOX_TEXT_EXE
#        [SCREEN, default 1024x768] [DPI, default 96]
set -euo pipefail

program=$1
tool=$2
box_text=$3
screen=${4:-1024x768}
dpi=${5:-96}
title='Tessaport Configuration'
settings_key='HKLM\Software\Korvanta\Tessaport'
# shellcheck source=../../scripts/lib/session.sh
source "$(dirname "$0")/../../scripts/lib/session.sh"
trap session_cleanup EXIT
# shellcheck source=list_checks.sh
source "$(dirname "$0")/list_checks.sh"

run_wine() { "$session_wine" "$@" </dev/null 2>>"$session_work/wine.log" | tr -d '\r'; }
# "NAME TYPE DATA" for each value of a key, as reg query prints it.
query_values() { run_wine reg query "$1" "${@:2}" | awk 'NF == 3 && $2 ~ /^REG_/ { print $1, $2, $3 }'; }

session_start_x "$screen"
echo "display $DISPLAY, screen $screen at $dpi dpi, window manager: $session_window_manager"

session_start_wine
run_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
# A 96-dpi length in pixels on this screen, rounded as the program rounds it.
at() { echo $((($1 * dpi + 48) / 96)); }

# Adlink has settings; Advantech, the provider shown first, has none yet.
run_wine "$tool" set Adlink 1 2 3 >/dev/null

session_start "$session_work/app.log" "$session_wine" "$program"
app=${session_groups[-1]}

visible_windows() { xdotool search --onlyvisible --name "^$title\$" 2>/dev/null || true; }
main_window() { wid=$(visible_windows | head -n1) && [ -n "$wid" ]; }
session_wait_until 90 main_window || session_fail "the window did not appear"

# --- What the X server and the window manager see. Wine's X window is the client area.
[ "$(xdotool getwindowname "$wid")" = "$title" ] || session_fail "caption is $(xdotool getwindowname "$wid")"
client_in_place() {
    local info
    info=$(xwininfo -id "$wid")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    width=$(awk '/  Width:/ {print $2}' <<<"$info")
    height=$(awk '/  Height:/ {print $2}' <<<"$info")
    # The frame's corner at (192, 114) puts the client area inside Wine's border and caption.
    [ "$dpi" -ne 96 ] || [ "$x,$y" = "195,136" ]
}
session_wait_until 30 client_in_place || session_fail "client area at $x,$y, not 195,136 (frame not at 192,114)"
size="$(at 435)x$(at 316)"
[ "${width}x$height" = "$size" ] || session_fail "client area is ${width}x$height, not $size"

hints=$(xprop -id "$wid" WM_NORMAL_HINTS)
grep -q "minimum size: $(at 435) by $(at 316)" <<<"$hints" || session_fail "minimum size hint: $hints"
grep -q "maximum size: $(at 435) by $(at 316)" <<<"$hints" || session_fail "maximum size hint: $hints"
read -r _ functions decorations _ < <(xprop -id "$wid" _MOTIF_WM_HINTS | sed -n 's/.* = //p' | tr -d ',')
[ -n "${decorations:-}" ] || session_fail "no _MOTIF_WM_HINTS"
((functions & 0x18)) && session_fail "the frame offers minimise or maximise: functions $functions"
((functions & 0x20)) || session_fail "the frame offers no close: functions $functions"
echo "frame: client ${width}x$height at $x,$y, fixed, close box only"

# --- Driving it. Positions are the controls' centres in the client area.
# Wine takes its focus a moment after the click that gives it.
settle() { sleep 0.5; }
click() { xdotool mousemove --window "$wid" "$(at "$1")" "$(at "$2")" click 1 && settle; }
click_edit_mode() { click 64 197; }
click_save() { click 165 252; }
click_exit() { click 301 252; }
keys() { xdotool key --delay 30 "$@"; }
repeat() { local n=$1 key=$2 out=(); for ((i = 0; i < n; i++)); do out+=("$key"); done; echo "${out[@]}"; }
other_window() { box=$(visible_windows | grep -vx "$wid" | head -n1) && [ -n "$box" ]; }
no_other_window() { ! other_window; }
stored_values() { query_values "$settings_key\\$1" /reg:32 2>/dev/null; }
# "N DI DO" as stored for a provider.
stored() { stored_values "$1" | while read -r _ _ value; do printf '%d\n' "$value"; done | paste -sd' '; }

[ $session_window_manager = yes ] && timeout 30 xdotool windowactivate --sync "$wid"

# Save with empty lists is refused with the message, captioned with the application's title.
click_save
session_wait_until 30 other_window || session_fail "no message box after a refused save"
shown=$(run_wine "$box_text" "$title") || session_fail "the message box is not Wine's message box"
[ "$shown" = "Unable to save into registry!!" ] || session_fail "the message box says: $shown"
owner=$(run_wine "$box_text" --owner "$title") || true
[ "$owner" = "$title" ] || session_fail "the message box belongs to \"$owner\", not to the window"
[ $session_window_manager = yes ] && timeout 30 xdotool windowactivate --sync "$box"
keys Return
session_wait_until 30 no_other_window || session_fail "the message box did not close on Enter"
[ -z "$(stored_values Advantech)" ] || session_fail "a refused save wrote something"
echo "refused save: \"$shown\" shown and dismissed, nothing written"

# Edit mode on; Enter and Esc on the focused Save button press nothing and close nothing, each
# on its own, so that Esc cannot close a box that Enter opened.
click_edit_mode
keys Tab
for key in Return Escape; do
    keys "$key"
    sleep 1
    no_other_window || session_fail "$key pressed Save"
    main_window || session_fail "$key closed the window"
    kill -0 "$app" 2>/dev/null || session_fail "$key ended the program"
done
echo "Enter and Esc: nothing pressed"

# 3, 10 and 20 picked as a person would: a click opens the list, the keys move through it and
# Enter closes it on the entry.
# shellcheck disable=SC2046 # one key a word
pick() { click 280 "$1" && keys Home $(repeat "$2" Down) Return && sleep 0.3; }
pick 78 3
pick 118 10
pick 158 20
click_save
expected=$'NumberOfCards REG_DWORD 0x3\nPIIBeginAddress REG_DWORD 0xa\nPIQBeginAddress REG_DWORD 0x14'
saved() { [ "$(stored_values Advantech)" = "$expected" ]; }
session_wait_until 30 saved || session_fail "the 32-bit view holds: $(stored_values Advantech)"
[ -z "$(query_values "$settings_key\\Advantech" /reg:64 2>/dev/null)" ] ||
    session_fail "the settings went to the 64-bit view"
[ "$(stored_values Adlink)" = $'NumberOfCards REG_DWORD 0x1\nPIIBeginAddress REG_DWORD 0x2\nPIQBeginAddress REG_DWORD 0x3' ] ||
    session_fail "Adlink's settings changed"
no_other_window || session_fail "a successful save showed a message"
echo "save: Advantech holds 3, 10, 20 in the 32-bit view"

check_lists "3 10 20"

# Exit closes the window and the program ends normally.
click_exit
app_ended() { ! kill -0 "$app" 2>/dev/null; }
session_wait_until 60 app_ended || session_fail "the program did not end after Exit"
status=0
wait "$app" || status=$?
[ $status -eq 0 ] || session_fail "exit status $status after Exit"
echo "exit: status 0"

# The close box, here Alt+F4 through the window manager, ends the program as Exit does.
session_start "$session_work/app.log" "$session_wine" "$program"
app=${session_groups[-1]}
session_wait_until 90 main_window || session_fail "the window did not appear again"
[ $session_window_manager = yes ] && timeout 30 xdotool windowactivate --sync "$wid"
keys alt+F4
session_wait_until 60 app_ended || session_fail "the program did not end after Alt+F4"
status=0
wait "$app" || status=$?
[ $status -eq 0 ] || session_fail "exit status $status after Alt+F4"
echo "Alt+F4: status 0"

# A window that cannot be created is a failed start, and says so in its exit status.
status=0
DISPLAY='' timeout 60 "$session_wine" "$program" </dev/null >/dev/null 2>&1 || status=$?
[ $status -eq 1 ] || session_fail "exit status $status after a start without a display, not 1"
echo "start-up failure: status 1"
echo "end-to-end under Wine: passed"
