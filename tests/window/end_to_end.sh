#!/usr/bin/env bash
# The real program on a real X server, driven as a person would: Xvfb, a window manager when
# one is installed, and xdotool for the mouse and keyboard. Checks what the X server and the
# window manager see, saves through the window and reads the result back with tessaport-reg.
# usage: end_to_end.sh TESSAPORT_CONFIG TESSAPORT_REG [SCREEN, default 1024x768]
set -euo pipefail

program=$1
tool=$2
screen=${3:-1024x768}
title='Tessaport Configuration'
# shellcheck source=../../scripts/lib/session.sh
source "$(dirname "$0")/../../scripts/lib/session.sh"
trap session_cleanup EXIT
# shellcheck source=list_checks.sh
source "$(dirname "$0")/list_checks.sh"

session_start_x "$screen"
echo "screen $screen"
echo "display $DISPLAY"
echo "window manager: $session_window_manager"

# Adlink has settings; Advantech, the provider shown first, has none yet.
"$tool" set Adlink 1 2 3

# Exported to assistive tools through AT-SPI, on the session's accessibility bus.
session_start "$session_work/app.log" env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program"
app=${session_groups[-1]}

visible_windows() { xdotool search --onlyvisible --name "^$title\$" 2>/dev/null || true; }
main_window() { wid=$(visible_windows | head -n1) && [ -n "$wid" ]; }
session_wait_until 120 main_window || session_fail "the window did not appear"

# --- What the X server and the window manager see.
[ "$(xdotool getwindowname "$wid")" = "$title" ] || session_fail "caption is $(xdotool getwindowname "$wid")"
xprop -id "$wid" _NET_WM_NAME | grep -qF "= \"$title\"" || session_fail "_NET_WM_NAME is not the caption"

frame_left=0
frame_top=0
frame_at_designed_place() {
    local info extents
    info=$(xwininfo -id "$wid")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    width=$(awk '/  Width:/ {print $2}' <<<"$info")
    height=$(awk '/  Height:/ {print $2}' <<<"$info")
    if [ $session_window_manager = yes ]; then
        # left, right, top, bottom
        extents=$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')
        [ -n "$extents" ] || return 1
        frame_left=$((x - $(cut -d, -f1 <<<"$extents")))
        frame_top=$((y - $(cut -d, -f3 <<<"$extents")))
    else
        frame_left=$x
        frame_top=$y
    fi
    [ "$frame_left,$frame_top" = "192,114" ]
}
# The window manager frames the window in its own time: room for a loaded machine.
session_wait_until 120 frame_at_designed_place ||
    session_fail "frame's top-left corner is at $frame_left,$frame_top, not 192,114"
[ "${width}x$height" = "435x316" ] || session_fail "client area is ${width}x$height, not 435x316"

hints=$(xprop -id "$wid" WM_NORMAL_HINTS)
grep -q 'minimum size: 435 by 316' <<<"$hints" || session_fail "minimum size hint: $hints"
grep -q 'maximum size: 435 by 316' <<<"$hints" || session_fail "maximum size hint: $hints"

# flags, functions, decorations: no minimise (functions 0x08, decorations 0x20) and no
# maximise (0x10, 0x40); a close function (0x20) and a title bar (0x08).
read -r _ functions decorations _ < <(xprop -id "$wid" _MOTIF_WM_HINTS |
    sed -n 's/.* = //p' | tr -d ',')
[ -n "${decorations:-}" ] || session_fail "no _MOTIF_WM_HINTS"
((functions & 0x18)) && session_fail "the frame offers minimise or maximise: functions $functions"
((decorations & 0x60)) && session_fail "the frame shows minimise or maximise: decorations $decorations"
((functions & 0x20)) || session_fail "the frame offers no close: functions $functions"
((decorations & 0x08)) || session_fail "the frame has no title bar: decorations $decorations"

if [ $session_window_manager = yes ]; then
    actions=$(xprop -id "$wid" _NET_WM_ALLOWED_ACTIONS)
    grep -q _NET_WM_ACTION_CLOSE <<<"$actions" || session_fail "window manager allows no close: $actions"
    if grep -qE '_NET_WM_ACTION_(MINIMIZE|MAXIMIZE|RESIZE)' <<<"$actions"; then
        session_fail "window manager allows minimise, maximise or resize: $actions"
    fi
fi
echo "frame: at $frame_left,$frame_top, client ${width}x$height, fixed, close box only"

# --- What a screen reader learns: role, title, labels, locked lists, the Toggle action.
/usr/bin/python3 "$(dirname "$0")/atspi_checks.py" "$title" || session_fail "AT-SPI checks failed"

# --- Driving it. Positions are the controls' centres in the client area.
at() { echo "$1"; }
settle() { sleep 0.2; }
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1 && settle; }
click_edit_mode() { click 64 197; }
click_save() { click 165 252; }
click_exit() { click 301 252; }
keys() { xdotool key --delay 20 "$@" && settle; }
# "N DI DO" as stored for a provider.
stored() { "$tool" get "$1" 2>/dev/null | cut -d= -f2 | paste -sd' '; }
# Keys go to the window that has the focus: after a message box, wait until it is ours again.
window_has_focus() { [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$wid" ]; }
repeat() { local n=$1 key=$2 out=(); for ((i = 0; i < n; i++)); do out+=("$key"); done; echo "${out[@]}"; }

if [ $session_window_manager = yes ]; then
    timeout 120 xdotool windowactivate --sync "$wid"
fi

# Save with empty lists is refused with a message box titled with the application's name.
click_save
message_box() { box=$(visible_windows | grep -vx "$wid" | head -n1) && [ -n "$box" ]; }
session_wait_until 30 message_box || session_fail "no message box after a refused save"
xprop -id "$box" WM_TRANSIENT_FOR | grep -qi "$(printf '0x%x' "$wid")" ||
    session_fail "the message box does not belong to the window"
[ $session_window_manager = yes ] && timeout 30 xdotool windowactivate --sync "$box"
keys Return
box_gone() { ! visible_windows | grep -qx "$box"; }
session_wait_until 30 box_gone || session_fail "the message box did not close on Enter"
session_wait_until 30 window_has_focus || session_fail "the window did not get the focus back"
[ -z "$("$tool" get Advantech 2>/dev/null)" ] || session_fail "a refused save wrote something"
echo "refused save: message box shown and dismissed, nothing written"

# Edit mode, then 3, 10 and 20 picked with the keyboard, then Save.
click_edit_mode
keys shift+Tab shift+Tab shift+Tab
# shellcheck disable=SC2046 # one key a word
keys Home $(repeat 3 Down) Tab Home $(repeat 10 Down) Tab Home $(repeat 20 Down)
click_save
expected=$'NumberOfCards=3\nPIIBeginAddress=10\nPIQBeginAddress=20'
saved() { [ "$("$tool" get Advantech 2>/dev/null)" = "$expected" ]; }
session_wait_until 30 saved || session_fail "the hive holds: $("$tool" get Advantech 2>&1)"
[ "$(stored Adlink)" = "1 2 3" ] ||
    session_fail "Adlink's settings changed"
[ -z "$(visible_windows | grep -vx "$wid")" ] || session_fail "a successful save showed a message"
echo "save: Advantech holds 3, 10, 20"

check_lists "3 10 20"

# Exit closes the window and the program ends normally.
click_exit
app_ended() { ! kill -0 "$app" 2>/dev/null; }
session_wait_until 60 app_ended || session_fail "the program did not end after Exit"
status=0
wait "$app" || status=$?
[ $status -eq 0 ] || session_fail "exit status $status after Exit"
if grep -q 'QObject::connect' "$session_work/app.log"; then
    session_fail "broken signal wiring"
fi
echo "exit: status 0"
echo "end-to-end: passed"
