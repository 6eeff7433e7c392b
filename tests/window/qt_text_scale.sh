#!/usr/bin/env bash
# The window's text grows with Qt's own scaling: at QT_SCALE_FACTOR 1.5 and 2 each label's glyphs,
# measured in a screenshot of the real window, are that much taller than at 1, within 2 pixels.
# usage: qt_text_scale.sh TESSAPORT_CONFIG
set -euo pipefail

program=$1
title='Tessaport Configuration'
# shellcheck source=../../scripts/lib/session.sh
source "$(dirname "$0")/../../scripts/lib/session.sh"
trap session_cleanup EXIT

session_start_x 1920x1080

# Labels' design rectangles (left top width height) at 96 dpi.
labels=("Provider 96 28 57 20" "Label1 30 68 123 20" "Label2 34 108 119 20" "Label3 27 148 126 20")

# Prints the ink height of each label at a scale factor.
ink_heights() {
    local factor=$1 shot=$session_work/window-$1.png wid=''
    QT_SCALE_FACTOR=$factor session_start "$session_work/app-$factor.log" "$program"
    local app=${session_groups[-1]}
    shown() { wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1) && [ -n "$wid" ]; }
    session_wait_until 120 shown || session_fail "the window did not appear at scale $factor"
    # Painted once it has its full size and two pictures in a row show the same pixels.
    local size last=''
    size=$(awk -v f="$factor" 'BEGIN { printf "%dx%d", 435 * f + 0.5, 316 * f + 0.5 }')
    painted() {
        local now
        now=$(import -window "$wid" "$shot" 2>/dev/null && identify -format '%wx%h %#' "$shot") ||
            return 1
        [ "$now" = "$last" ] && [ "${now%% *}" = "$size" ] && return 0
        last=$now
        return 1
    }
    session_wait_until 120 painted || session_fail "no ${size} window at scale $factor"
    local label left top width height
    for label in "${labels[@]}"; do
        read -r _ left top width height <<<"$label"
        # The label's box, widened to the left for a stand-in font that runs wider.
        convert "$shot" -crop "$(awk -v f="$factor" -v l="$left" -v t="$top" -v w="$width" -v h="$height" \
            'BEGIN { printf "%dx%d+%d+%d", (w + 20) * f, h * f, (l - 20) * f, t * f }')" +repage \
            -threshold 50% -negate -trim -format '%h\n' info:
    done
    # Gone before the next one starts, whose window would otherwise be taken for this one.
    kill -TERM -- "-$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
}

# Run here rather than in a subshell, so that a failure ends the script and its cleanup stops
# the program.
ink_heights 1 >"$session_work/heights-1"
mapfile -t at_one <"$session_work/heights-1"
for factor in 1.5 2; do
    ink_heights "$factor" >"$session_work/heights-$factor"
    mapfile -t scaled <"$session_work/heights-$factor"
    for i in "${!labels[@]}"; do
        expected=$(awk -v h="${at_one[i]}" -v f="$factor" 'BEGIN { printf "%d", h * f + 0.5 }')
        difference=$((scaled[i] - expected))
        echo "${labels[i]%% *}: ${at_one[i]} pixels at 1, ${scaled[i]} at $factor (expected $expected)"
        [ "${difference#-}" -le 2 ] || session_fail "${labels[i]%% *} does not grow with the scale"
    done
done
echo "Qt text scale: passed"
