# Private sessions for the scripts, tests and benchmarks that run the programs: an X server and a
# throwaway Wine prefix. Source it, then call start_x_session and start_wine_prefix as needed.
# Everything started here is stopped, and $work removed, when the script exits.
#   fail MESSAGE                 exits 1, with the program's output ($work/app.log) if any
#   wait_until SECONDS COMMAND   runs COMMAND until it succeeds, for at most SECONDS
#   start LOG COMMAND            starts COMMAND in a process group of its own, output to LOG
#   start_x_session WxH          Xvfb, a session bus and xfwm4 when installed
#   start_wine_prefix [--null-display]   a Wine prefix in $work; $wine is Wine's loader
#   capture_frame WINDOW FILE    a picture of the window with its window manager's frame
# shellcheck shell=bash

# Sourced once, even when a script and a helper it sources both ask for it.
[ -n "${session_lib_loaded:-}" ] && return 0
session_lib_loaded=yes

work=$(mktemp -d)
groups=() # process groups started here, stopped in reverse order
cleanup() {
    local i
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    for ((i = ${#groups[@]} - 1; i >= 0; i--)); do
        kill -TERM -- "-${groups[i]}" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [ -s "$work/app.log" ]; then
        echo "--- program output" >&2
        cat "$work/app.log" >&2
    fi
    exit 1
}

# Runs the command until it succeeds, for at most $1 seconds.
wait_until() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# Starts a command in a process group of its own, so that everything it starts goes with it.
start() {
    local log=$1
    shift
    setsid "$@" >"$log" 2>&1 &
    groups+=($!)
}

# usage: start_x_session WIDTHxHEIGHT; exports DISPLAY, a private XDG_RUNTIME_DIR and a
# TESSAPORT_REGISTRY in $work, and sets window_manager to yes or no.
start_x_session() {
    export XDG_RUNTIME_DIR=$work/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    export TESSAPORT_REGISTRY=$work/registry.reg
    export NO_AT_BRIDGE=1
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY

    # Xvfb reports the display once it accepts connections.
    setsid Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" \
        2>"$work/xvfb.log" &
    groups+=($!)
    wait_until 30 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=:$(head -n1 "$work/display")

    # Without a bus of our own, the window manager or the program would autolaunch one that
    # outlives the script.
    if command -v dbus-daemon >/dev/null; then
        setsid dbus-daemon --session --nofork --print-address=3 3>"$work/bus" 2>/dev/null &
        groups+=($!)
        wait_until 30 test -s "$work/bus" || fail "the session bus did not start"
        export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
    fi

    window_manager=no
    if command -v xfwm4 >/dev/null; then
        start "$work/wm.log" xfwm4 --compositor=off
        # Running once the window that the root names as the manager's names itself too, and the
        # frame extents and window activation that the tests use are announced. A loaded machine
        # may take a while.
        wm_running() {
            local check
            check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')
            [ -n "$check" ] &&
                xprop -id "$check" _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "# $check\$" &&
                xprop -root _NET_SUPPORTED 2>/dev/null |
                grep _NET_FRAME_EXTENTS | grep -q _NET_ACTIVE_WINDOW
        }
        wait_until 120 wm_running || fail "xfwm4 did not start: $(cat "$work/wm.log")"
        window_manager=yes
    fi
}

# Debian's wine64 loader runs 64-bit programs without the wrapper's complaint about wine32.
wine=$(command -v wine64 || true)
[ -n "$wine" ] || { [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64; } || wine=wine

# usage: start_wine_prefix [--null-display]
# A fresh 64-bit prefix, $WINEPREFIX in $work, with one persistent wineserver and Wine's own
# bitmap fonts ("MS Sans Serif" among them), which a new prefix lacks. Wine's services start
# here, with their output to a file: started later from a test, they would inherit ctest's pipe
# and keep it open. On the X session by default; --null-display gives Wine's null graphics
# driver and no display at all, for programs tested without one. Returns 1, with Wine's output,
# when the prefix cannot be made.
start_wine_prefix() {
    export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
    # No offer to install Mono or Gecko.
    export WINEDLLOVERRIDES='mscoree,mshtml='
    [ "${1:-}" = --null-display ] && export DISPLAY='' WAYLAND_DISPLAY=''
    mkdir "$WINEPREFIX"
    wineserver -p </dev/null >"$work/wineserver.log" 2>&1
    if ! "$wine" wineboot --init </dev/null >"$work/wineboot.log" 2>&1; then
        cat "$work/wineboot.log" >&2
        return 1
    fi
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    if [ "${1:-}" = --null-display ]; then
        "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null \
            >/dev/null 2>&1
        # The driver is chosen when the server starts the desktop.
        wineserver -k
        wineserver -w
        wineserver -p </dev/null >>"$work/wineserver.log" 2>&1
        # The first program after a restart waits for Wine's services; the next ones must not.
        "$wine" reg query 'HKCU\Software\Wine\Drivers' </dev/null >/dev/null 2>&1
    else
        # On a display, access keys are underlined only while Alt is held, as Windows has it by
        # default; a new prefix underlines them always (bit 0x20 of the mask's first byte). The
        # tests without a display keep that, so that every caption declares its key.
        "$wine" reg add 'HKCU\Control Panel\Desktop' /v UserPreferencesMask /t REG_BINARY \
            /d 1000028012000000 /f </dev/null >/dev/null 2>&1
    fi
}

# usage: capture_frame WINDOW FILE
# The window and the frame the window manager put around it (_NET_FRAME_EXTENTS), cut from the
# screen.
capture_frame() {
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
