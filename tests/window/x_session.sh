# A private X session for scripts that drive the real program: Xvfb on a display it picks
# itself, a session bus, and the xfwm4 window manager when installed. Source it, then call
# start_x_session. Everything started here is stopped, and $work removed, when the script exits.
# shellcheck shell=bash

work=$(mktemp -d)
groups=() # process groups started here, stopped in reverse order
cleanup() {
    local i
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

export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export TESSAPORT_REGISTRY=$work/registry.reg
export NO_AT_BRIDGE=1
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

# usage: start_x_session WIDTHxHEIGHT; sets window_manager to yes or no.
start_x_session() {
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
        wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
        wait_until 30 wm_running || fail "xfwm4 did not start: $(cat "$work/wm.log")"
        window_manager=yes
    fi
}
