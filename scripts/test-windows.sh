#!/usr/bin/env bash
# Cross-builds everything for 64-bit Windows with MinGW-w64, the Win32 window included, and runs
# its tests under Wine, against Wine's own registry in a throwaway prefix. Then checks that hive
# files pass both ways between the Linux file back end and the Windows registry (reg import /
# reg export), drives the real tessaport-config.exe under Wine on an X server, and compiles the
# 32-bit (i686) programs, which these machines cannot run.
# usage: scripts/test-windows.sh
# Environment: TESSAPORT_WINDOWS_BUILD (default build-mingw), TESSAPORT_WINDOWS32_BUILD (default
# build-mingw32), TESSAPORT_INTEROP_BUILD (default build-interop, the Linux tessaport-reg),
# TESSAPORT_WINDOWS_CMAKE_ARGS (more options for both cross builds), TESSAPORT_JOBS (default: all
# cores).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test

build=${TESSAPORT_WINDOWS_BUILD:-build-mingw}
linux_build=${TESSAPORT_INTEROP_BUILD:-build-interop}
jobs=${TESSAPORT_JOBS:-$(nproc)}

# The settings key, where the 64-bit build keeps it: the 32-bit view (reg.exe's /reg:32).
settings_key='HKLM\Software\Korvanta\Tessaport'

cmake --no-warn-unused-cli -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ${TESSAPORT_WINDOWS_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$jobs"
cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSAPORT_BUILD_GUI=OFF -DTESSAPORT_BUILD_TESTS=OFF >/dev/null
cmake --build "$linux_build" -j "$jobs" --target tessaport-reg

reg_exe=$PWD/$build/cli/tessaport-reg.exe
reg_linux=$PWD/$linux_build/cli/tessaport-reg

# Debian's wine64 loader runs 64-bit programs without the wrapper's complaint about wine32.
wine=$(command -v wine64 || true)
[ -n "$wine" ] || { [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64; } || wine=wine

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessaport-windows.XXXXXX")
export WINEPREFIX=$scratch/prefix WINEARCH=win64 WINEDEBUG=-all
# No display, and no offer to install Mono or Gecko.
export DISPLAY='' WAYLAND_DISPLAY='' WINEDLLOVERRIDES='mscoree,mshtml='

cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    rm -rf "$scratch"
}
trap cleanup EXIT

mkdir "$WINEPREFIX"
# A persistent server, and its services started here with their output to a file: a service
# started from a test would inherit ctest's pipe and keep it open.
wineserver -p </dev/null >"$scratch/wineserver.log" 2>&1
if ! "$wine" wineboot --init </dev/null >"$scratch/wineboot.log" 2>&1; then
    cat "$scratch/wineboot.log" >&2
    exit 1
fi
# Windows without any display for the window tests (the null graphics driver), and Wine's own
# bitmap fonts, "MS Sans Serif" among them, which a new prefix lacks.
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
# The driver is chosen when the server starts the desktop.
wineserver -k
wineserver -w
wineserver -p </dev/null >>"$scratch/wineserver.log" 2>&1
# The first program after a restart waits for Wine's services; the tests' discovery must not.
"$wine" reg query 'HKCU\Software\Wine\Drivers' </dev/null >/dev/null 2>&1

# The Windows executables' tests: the shared store tests and the back end's own. They share
# Wine's registry, so one at a time.
ctest_status=0
ctest --test-dir "$build" --output-on-failure --timeout 300 -j 1 | tee "$scratch/ctest.log" ||
    ctest_status=$?
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$scratch/ctest.log" ||
    true)
# Without a summary line, ctest itself failed: counted as one failed test below.
summary=${summary:-0% tests passed, 0 tests failed out of 0}
unit_total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
unit_failed=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$summary")
if [ "$ctest_status" -ne 0 ] && [ "$unit_failed" -eq 0 ]; then
    unit_failed=$((unit_failed + 1))
    unit_total=$((unit_total + 1))
fi

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
run_wine() { "$wine" "$@" </dev/null 2>>"$scratch/wine-stderr.log" | tr -d '\r'; }

# "NAME TYPE DATA" for each value of a key, as reg query prints it.
query_values() {
    run_wine reg query "$1" "${@:2}" | awk 'NF == 3 && $2 ~ /^REG_/ { print $1, $2, $3 }'
}

expect_equal() { # what expected actual
    if [ "$2" != "$3" ]; then
        printf '%s\n  expected:\n%s\n  actual:\n%s\n' "$1" "$2" "$3" >&2
        return 1
    fi
}

# A hive written by the Linux back end imports into the 32-bit view and reads back, through
# reg query and through tessaport-reg.exe, as the Linux tool wrote it.
check_linux_hive_imports() {
    local hive=$scratch/from-linux.reg
    TESSAPORT_REGISTRY=$hive "$reg_linux" set Advantech 7 12 34 || return 1
    TESSAPORT_REGISTRY=$hive "$reg_linux" set Adlink 0 49 1 || return 1
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || true
    run_wine reg import "$(windows_path "$hive")" /reg:32 >/dev/null || return 1
    expect_equal "reg query after import" \
        "$(printf '%s\n' 'NumberOfCards REG_DWORD 0x7' 'PIIBeginAddress REG_DWORD 0xc' \
            'PIQBeginAddress REG_DWORD 0x22')" \
        "$(query_values "$settings_key\\Advantech" /reg:32)" || return 1
    expect_equal "the 64-bit view stays empty" "" \
        "$(query_values "$settings_key\\Advantech" /reg:64 2>/dev/null)" || return 1
    expect_equal "tessaport-reg.exe get Adlink" \
        "$(TESSAPORT_REGISTRY=$hive "$reg_linux" get Adlink)" "$(run_wine "$reg_exe" get Adlink)"
}

# A key exported by reg export (UTF-16LE, as Windows writes it) reads through the Linux back end,
# including a value outside the lists written by another tool.
check_windows_export_reads() {
    local hive=$scratch/from-wine.reg
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || true
    run_wine "$reg_exe" set Adlink 5 6 7 >/dev/null || return 1
    run_wine reg add "$settings_key\\Adlink" /v PIQBeginAddress /t REG_DWORD /d 4294967295 /f \
        /reg:32 >/dev/null || return 1
    run_wine reg export "$settings_key" "$(windows_path "$hive")" /y /reg:32 >/dev/null || return 1
    expect_equal "byte order mark of the export" "fffe" "$(head -c 2 "$hive" | od -An -tx1 | tr -d ' \n')" ||
        return 1
    expect_equal "Linux tessaport-reg get Adlink" \
        "$(printf '%s\n' NumberOfCards=5 PIIBeginAddress=6 PIQBeginAddress=-1)" \
        "$(TESSAPORT_REGISTRY=$hive "$reg_linux" get Adlink)"
}

# The Linux tool edits that UTF-16 export in place, and the edit imports back.
check_edited_export_imports() {
    local hive=$scratch/from-wine.reg
    [ -f "$hive" ] || return 1
    TESSAPORT_REGISTRY=$hive "$reg_linux" set Adlink 19 0 49 || return 1
    expect_equal "byte order mark after the edit" "fffe" "$(head -c 2 "$hive" | od -An -tx1 | tr -d ' \n')" ||
        return 1
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || true
    run_wine reg import "$(windows_path "$hive")" /reg:32 >/dev/null || return 1
    expect_equal "tessaport-reg.exe get Adlink after import" \
        "$(printf '%s\n' NumberOfCards=19 PIIBeginAddress=0 PIQBeginAddress=49)" \
        "$(run_wine "$reg_exe" get Adlink)"
}

interop_total=0
interop_failed=0
for check in check_linux_hive_imports check_windows_export_reads check_edited_export_imports; do
    interop_total=$((interop_total + 1))
    if "$check"; then
        echo "interop: ${check#check_} ... Passed"
    else
        echo "interop: ${check#check_} ... FAILED"
        interop_failed=$((interop_failed + 1))
        [ -s "$scratch/wine-stderr.log" ] && cat "$scratch/wine-stderr.log" >&2
    fi
done

# The real window under Wine on an X server, in a Wine prefix of its own.
window_failed=0
if tests/window/wine_end_to_end.sh "$PWD/$build/app/tessaport-config.exe" "$reg_exe" \
    "$PWD/$build/tests/window/MessageBoxText.exe" </dev/null; then
    echo "window: end_to_end_under_wine ... Passed"
else
    echo "window: end_to_end_under_wine ... FAILED"
    window_failed=1
fi

# The 32-bit programs: compiled, not run.
build32=${TESSAPORT_WINDOWS32_BUILD:-build-mingw32}
compile_failed=0
if cmake --no-warn-unused-cli -S . -B "$build32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DTESSAPORT_BUILD_TESTS=OFF \
    ${TESSAPORT_WINDOWS_CMAKE_ARGS:-} >/dev/null &&
    cmake --build "$build32" -j "$jobs" --target tessaport-config tessaport-reg; then
    echo "i686: programs compiled ... Passed"
else
    echo "i686: programs compiled ... FAILED"
    compile_failed=1
fi

total=$((unit_total + interop_total + 2))
failed=$((unit_failed + interop_failed + window_failed + compile_failed))
echo
echo "Windows back end under Wine: $(((total - failed) * 100 / total))% tests passed," \
    "$failed tests failed out of $total ($unit_total unit, $interop_total interoperability," \
    "1 end-to-end, 1 i686 build)"
[ "$failed" -eq 0 ]
