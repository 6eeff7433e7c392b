# The four drop-down lists driven with the mouse and the keys, the same on every back end: a
# click opens a list beside its box and picks nothing; an entry is picked by a click on it or by
# keys; Esc or a click elsewhere closes it unchanged. Source it after the caller has shown the
# window ($wid) and defined: at N (a 96-dpi length in screen pixels), click X Y (96-dpi client
# coordinates), keys KEY..., click_edit_mode, click_save, stored PROVIDER (prints "N DI DO").
# shellcheck shell=bash

# Design rectangles of the lists' boxes (left top width height) and their entries' height.
declare -A list_box=([cbProvider]="160 24 241 28" [cbNumCards]="160 64 241 28"
    [cbDIAddr]="160 104 241 28" [cbDOAddr]="160 144 241 28")
entry_height=20
visible_entries=10
# A spot in the window clear of every control.
empty_x=20
empty_y=300

# "X Y WIDTH HEIGHT" of each visible override-redirect window: an open list is one.
popups() {
    local w info
    for w in $(xwininfo -root -children | awk '/^ +0x/ {print $1}'); do
        info=$(xwininfo -id "$w" 2>/dev/null) || continue
        grep -q 'Map State: IsViewable' <<<"$info" || continue
        grep -q 'Override Redirect State: yes' <<<"$info" || continue
        awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
             /  Width:/ {w=$2} /  Height:/ {h=$2} END {if (w > 20 && h > 20) print x, y, w, h}' <<<"$info"
    done
}
list_open() { popup=$(popups | head -n1) && [ -n "$popup" ]; }
list_closed() { [ -z "$(popups)" ]; }

# The client area's corner on the screen.
client_origin() {
    local info
    # shellcheck disable=SC2154 # the window, found by the script that sources this
    info=$(xwininfo -id "$wid")
    origin_x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    origin_y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
}

box_centre_y() {
    local b
    read -ra b <<<"${list_box[$1]}"
    echo $((b[1] + b[3] / 2))
}
click_box() { click 280 "$(box_centre_y "$1")"; }

# The open list lies wholly below or above its box and shows at most ten entries. It may share
# the box's border line, as Qt's does; an entry it may not.
expect_open_beside() {
    local name=$1 b p
    read -ra b <<<"${list_box[$1]}"
    session_wait_until 20 list_open || session_fail "$name: no list opened"
    read -ra p <<<"$popup"
    client_origin
    local top=$((origin_y + $(at "${b[1]}"))) bottom=$((origin_y + $(at $((b[1] + b[3])))))
    if ! { [ "${p[1]}" -ge $((bottom - 1)) ] || [ $((p[1] + p[3])) -le $((top + 1)) ]; }; then
        session_fail "$name: the open list (${p[*]}) covers its box (rows $top to $bottom)"
    fi
    [ "${p[3]}" -le $(($(at $((entry_height * visible_entries))) + 8)) ] ||
        session_fail "$name: the open list is ${p[3]} pixels high, more than $visible_entries entries"
    open_list=("${p[@]}")
}

expect_closed() { session_wait_until 20 list_closed || session_fail "$1: the list did not close"; }

# Clicks the entry in row ROW (from 0) of the open list of ENTRIES entries. The rows' height is
# read off the open list: Wine sizes them by their font beyond 96 dpi.
click_row() {
    client_origin
    local shown=$(($2 < visible_entries ? $2 : visible_entries))
    local row=$(((open_list[3] - 2) / shown))
    local x=$((open_list[0] + open_list[2] / 3 - origin_x))
    local y=$((open_list[1] + 1 + row * $1 + row / 2 - origin_y))
    xdotool mousemove --window "$wid" "$x" "$y" click 1
    settle
}

# A click opens, then Esc, a click elsewhere, or F4 with arrows and Esc close it unchanged.
open_and_leave_alone() {
    local name=$1
    click_box "$name"
    expect_open_beside "$name"
    keys Escape
    expect_closed "$name after Esc"
    click_box "$name"
    expect_open_beside "$name"
    click "$empty_x" "$empty_y"
    expect_closed "$name after a click outside"
    keys F4
    expect_open_beside "$name"
    keys Down Down Escape
    expect_closed "$name after arrows and Esc"
}

saved_as() { [ "$(stored "$1")" = "$2" ]; }
expect_saved() {
    click_save
    session_wait_until 30 saved_as "$1" "$2" || session_fail "after $3, $1 holds \"$(stored "$1")\", not \"$2\""
}

# usage: check_lists START_TRIPLE; Advantech holds START_TRIPLE, Adlink "1 2 3", edit mode off.
check_lists() {
    click_edit_mode
    for name in cbProvider cbNumCards cbDIAddr cbDOAddr; do
        open_and_leave_alone "$name"
    done
    expect_saved Advantech "$1" "clicks, Esc and clicks outside on every list"
    saved_as Adlink "1 2 3" || session_fail "Adlink changed: $(stored Adlink)"
    echo "lists: a click opens beside the box and picks nothing; Esc and a click outside change nothing"

    click_edit_mode
    # Keys: Alt+Down opens, arrows move, Enter picks.
    click_box cbNumCards
    expect_open_beside cbNumCards
    keys Escape
    expect_closed cbNumCards
    keys alt+Down
    expect_open_beside cbNumCards
    keys Home Down Down Return
    expect_closed "cbNumCards after Enter"
    # A click on an entry picks it.
    click_box cbDIAddr
    expect_open_beside cbDIAddr
    keys Home
    click_row 5 50
    expect_closed "cbDIAddr after a click on an entry"
    # A digit typed on the closed list jumps to the next entry starting with it, from the top
    # once past the end, as on Windows: from 20, "1" is 1.
    click_box cbDOAddr
    expect_open_beside cbDOAddr
    keys Escape
    expect_closed cbDOAddr
    keys 1
    expect_saved Advantech "2 5 1" "Enter, a click on an entry and a typed digit"
    echo "lists: Enter, a click on an entry and a typed digit pick"

    # A click on another provider loads it.
    click_box cbProvider
    expect_open_beside cbProvider
    click_row 1 2
    expect_closed "cbProvider after a click on Adlink"
    click_edit_mode
    click_box cbNumCards
    expect_open_beside cbNumCards
    keys Home
    click_row 9 20
    expect_closed "cbNumCards after a click on an entry"
    expect_saved Adlink "9 2 3" "picking Adlink and 9 cards"
    saved_as Advantech "2 5 1" || session_fail "Advantech changed: $(stored Advantech)"
    echo "lists: a click on Adlink loads it"
}
