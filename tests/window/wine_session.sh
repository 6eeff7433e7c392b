# A throwaway Wine prefix for a program shown on the X session of x_session.sh (source that
# first). Sets $wine, exports WINEPREFIX inside the session's $work folder and stops Wine with
# the session on exit. start_wine_prefix makes the prefix with one persistent wineserver and
# Wine's own bitmap fonts ("MS Sans Serif" among them), which a new prefix lacks.

wine=$(command -v wine64 || true)
[ -n "$wine" ] || { [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64; } || wine=wine
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='

stop_wine() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    cleanup
}
trap stop_wine EXIT

start_wine_prefix() {
    mkdir "$WINEPREFIX"
    wineserver -p </dev/null >"$work/wineserver.log" 2>&1
    "$wine" wineboot --init </dev/null >"$work/wineboot.log" 2>&1 ||
        fail "wineboot: $(cat "$work/wineboot.log")"
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
}
