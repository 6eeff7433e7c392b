# Private sessions for the scripts, tests and benchmarks that run the programs: an X server and a
# throwaway Wine prefix. Source it, set `trap session_cleanup EXIT` (or call session_cleanup from
# the script's own trap), then call session_start_x and session_start_wine as needed.
# session_cleanup stops everything started here and removes $session_work.
#   session_fail MESSAGE           exits 1, with the program's output ($session_work/app.log) if any
#   session_wait_until SECONDS COMMAND     runs COMMAND until it succeeds, for at most SECONDS
#   session_start LOG COMMAND      starts COMMAND in a process group of its own, output to LOG
#   session_start_x WxH            Xvfb, a session bus and xfwm4 when installed
#   session_start_wine [--null-display]    a Wine prefix in $session_work; $session_wine is
#                                  Wine's loader
#   session_capture_frame WINDOW FILE      a picture of the window with its window manager's frame
# Every name here starts with session_.
# shellcheck shell=bash

# Sourced once, even when a script and a helper it sources both ask for it.
[ -n "${session_lib_loaded:-}" ] && return 0
session_lib_loaded=yes

session_work=$(mktemp -d)
session_groups=() # process groups started here, stopped in reverse order
session_cleanup() {
    local i
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    for ((i = ${#session_groups[@]} - 1; i >= 0; i--)); do
        kill -TERM -- "-${session_groups[i]}" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$session_work"
}
session_fail() {
    echo "FAIL: $*" >&2
    if [ -s "$session_work/app.log" ]; then
        echo "--- program output" >&2
        cat "$session_work/app.log" >&2
    fi
    exit 1
}

session_wait_until() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# Starts a command in a process group of its own, so that everything it starts goes with it.
session_start() {
    local log=$1
    shift
    setsid "$@" >"$log" 2>&1 &
    session_groups+=($!)
}

# usage: session_start_x WIDTHxHEIGHT; exports DISPLAY, a private XDG_RUNTIME_DIR and a
# TESSAPORT_REGISTRY in $session_work, and sets session_window_manager to yes or no.
session_start_x() {
    export XDG_RUNTIME_DIR=$session_work/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    export TESSAPORT_REGISTRY=$session_work/registry.reg
    export NO_AT_BRIDGE=1
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY

    # Xvfb reports the display once it accepts connections.
    setsid Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$session_work/display" \
        2>"$session_work/xvfb.log" &
    session_groups+=($!)
    session_wait_until 30 test -s "$session_work/display" ||
        session_fail "Xvfb did not start: $(cat "$session_work/xvfb.log")"
    DISPLAY=:$(head -n1 "$session_work/display")
    export DISPLAY

    # Without a bus of our own, the window manager or the program would autolaunch one that
    # outlives the script.
    if command -v dbus-daemon >/dev/null; then
        setsid dbus-daemon --session --nofork --print-address=3 3>"$session_work/bus" 2>/dev/null &
        session_groups+=($!)
        session_wait_until 30 test -s "$session_work/bus" ||
            session_fail "the session bus did not start"
        DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$session_work/bus")
        export DBUS_SESSION_BUS_ADDRESS
    fi

    # shellcheck disable=SC2034 # for the scripts that source this
    session_window_manager=no
    if command -v xfwm4 >/dev/null; then
        session_start "$session_work/wm.log" xfwm4 --compositor=off
        session_wm_pid=${session_groups[-1]}
        # Running once the window that the root names as the manager's names itself too, and the
        # frame extents and window activation that the tests use are announced. A loaded machine
        # may take a while; a manager that gave up meanwhile is started again.
        session_wm_running() {
            local check
            if ! kill -0 "$session_wm_pid" 2>/dev/null; then
                session_start "$session_work/wm.log" xfwm4 --compositor=off
                session_wm_pid=${session_groups[-1]}
                return 1
            fi
            check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')
            [ -n "$check" ] &&
                xprop -id "$check" _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "# $check\$" &&
                xprop -root _NET_SUPPORTED 2>/dev/null |
                grep _NET_FRAME_EXTENTS | grep -q _NET_ACTIVE_WINDOW
        }
        session_wait_until 120 session_wm_running ||
            session_fail "xfwm4 did not start ($(kill -0 "$session_wm_pid" 2>/dev/null &&
                echo "running, not answering" || echo "exited")): $(cat "$session_work/wm.log")"
        # shellcheck disable=SC2034
        session_window_manager=yes
    fi
}

# Debian's wine64 loader runs 64-bit programs without the wrapper's complaint about wine32.
session_wine=$(command -v wine64 || true)
[ -n "$session_wine" ] || { [ -x /usr/lib/wine/wine64 ] && session_wine=/usr/lib/wine/wine64; } ||
    session_wine=wine

# A fresh 64-bit prefix, $WINEPREFIX in $session_work, with one persistent wineserver and Wine's
# own bitmap fonts ("MS Sans Serif" among them), which a new prefix lacks. Wine's services start
# here, with their output to a file: started later from a test, they would inherit ctest's pipe
# and keep it open. On the X session by default; --null-display gives Wine's null graphics
# driver and no display at all, for programs tested without one. Returns 1, with Wine's output,
# when the prefix cannot be made.
session_start_wine() {
    export WINEPREFIX=$session_work/prefix WINEARCH=win64 WINEDEBUG=-all
    # No offer to install Mono or Gecko.
    export WINEDLLOVERRIDES='mscoree,mshtml='
    [ "${1:-}" = --null-display ] && export DISPLAY='' WAYLAND_DISPLAY=''
    mkdir "$WINEPREFIX"
    wineserver -p </dev/null >"$session_work/wineserver.log" 2>&1
    if ! "$session_wine" wineboot --init </dev/null >"$session_work/wineboot.log" 2>&1; then
        cat "$session_work/wineboot.log" >&2
        return 1
    fi
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    if [ "${1:-}" = --null-display ]; then
        "$session_wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null \
            >/dev/null 2>&1
        # The driver is chosen when the server starts the desktop.
        wineserver -k
        wineserver -w
        wineserver -p </dev/null >>"$session_work/wineserver.log" 2>&1
        # The first program after a restart waits for Wine's services; the next ones must not.
        "$session_wine" reg query 'HKCU\Software\Wine\Drivers' </dev/null >/dev/null 2>&1
    else
        # On a display, access keys are underlined only while Alt is held, as Windows has it by
        # default; a new prefix underlines them always (bit 0x20 of the mask's first byte). The
        # tests without a display keep that, so that every caption declares its key.
        "$session_wine" reg add 'HKCU\Control Panel\Desktop' /v UserPreferencesMask /t REG_BINARY \
            /d 1000028012000000 /f </dev/null >/dev/null 2>&1
    fi
}

# The window and the frame the window manager put around it (_NET_FRAME_EXTENTS), cut from the
# screen.
session_capture_frame() {
    local info x y width height left right top bottom crop
    info=$(xwininfo -id "$1")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    width=$(awk '/  Width:/ {print $2}' <<<"$info")
    height=$(awk '/  Height:/ {print $2}' <<<"$info")
    IFS=, read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS |
        sed -n 's/.* = //p' | tr -d ' ')
    crop="$((width + left + right))x$((height + top + bottom))+$((x - left))+$((y - top))"
    import -window root -crop "$crop" +repage "$2"
}
