#!/usr/bin/env bash
# Cross-builds everything for 64-bit Windows with MinGW-w64, the Win32 window included, and runs
# its tests under Wine, against Wine's own registry in a throwaway prefix. Then checks that hive
# files and settings files pass both ways between the Linux file back end and the Windows
# registry (reg import / reg export, tessaport-reg import / export), drives the real tessaport-config.exe under Wine on an X server, and compiles the
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

# shellcheck source=lib/session.sh
source scripts/lib/session.sh
trap session_cleanup EXIT
scratch=$session_work
# The window tests run with no display at all.
session_start_wine --null-display

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
run_wine() { "$session_wine" "$@" </dev/null 2>>"$scratch/wine-stderr.log" | tr -d '\r'; }

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

# A provider's values, as reg query prints them, are in the 32-bit view and not in the 64-bit one.
expect_only_in_32bit_view() { # provider expected-values
    expect_equal "reg query $1" "$2" "$(query_values "$settings_key\\$1" /reg:32)" || return 1
    expect_equal "the 64-bit view stays empty" "" \
        "$(query_values "$settings_key\\$1" /reg:64 2>/dev/null)"
}

# A hive written by the Linux back end imports into the 32-bit view and reads back, through
# reg query and through tessaport-reg.exe, as the Linux tool wrote it.
check_linux_hive_imports() {
    local hive=$scratch/from-linux.reg
    TESSAPORT_REGISTRY=$hive "$reg_linux" set Advantech 7 12 34 >/dev/null || return 1
    TESSAPORT_REGISTRY=$hive "$reg_linux" set Adlink 0 49 1 >/dev/null || return 1
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || true
    run_wine reg import "$(windows_path "$hive")" /reg:32 >/dev/null || return 1
    expect_only_in_32bit_view Advantech \
        "$(printf '%s\n' 'NumberOfCards REG_DWORD 0x7' 'PIIBeginAddress REG_DWORD 0xc' \
            'PIQBeginAddress REG_DWORD 0x22')" || return 1
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
    TESSAPORT_REGISTRY=$hive "$reg_linux" set Adlink 19 0 49 >/dev/null || return 1
    expect_equal "byte order mark after the edit" "fffe" "$(head -c 2 "$hive" | od -An -tx1 | tr -d ' \n')" ||
        return 1
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || true
    run_wine reg import "$(windows_path "$hive")" /reg:32 >/dev/null || return 1
    expect_equal "tessaport-reg.exe get Adlink after import" \
        "$(printf '%s\n' NumberOfCards=19 PIIBeginAddress=0 PIQBeginAddress=49)" \
        "$(run_wine "$reg_exe" get Adlink)"
}

# tessaport-reg export on Linux, tessaport-reg.exe import under Wine: the settings land in the
# 32-bit view only; so they do with reg import, as a 64-bit Windows imports a file by default.
check_linux_export_imports() {
    local hive=$scratch/export-source.reg file=$scratch/from-linux-export.reg
    TESSAPORT_REGISTRY=$hive "$reg_linux" set Advantech 3 10 20 >/dev/null || return 1
    TESSAPORT_REGISTRY=$hive "$reg_linux" set Adlink 4 5 6 >/dev/null || return 1
    TESSAPORT_REGISTRY=$hive "$reg_linux" export "$file" || return 1
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || true
    expect_equal "tessaport-reg.exe import" "$(printf '%s\n' 'Advantech: changed' 'Adlink: changed')" \
        "$(run_wine "$reg_exe" import "$(windows_path "$file")")" || return 1
    expect_only_in_32bit_view Adlink \
        "$(printf '%s\n' 'NumberOfCards REG_DWORD 0x4' 'PIIBeginAddress REG_DWORD 0x5' \
            'PIQBeginAddress REG_DWORD 0x6')" || return 1
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || true
    run_wine reg import "$(windows_path "$file")" >/dev/null || return 1
    expect_only_in_32bit_view Advantech \
        "$(printf '%s\n' 'NumberOfCards REG_DWORD 0x3' 'PIIBeginAddress REG_DWORD 0xa' \
            'PIQBeginAddress REG_DWORD 0x14')"
}

# Windows' own reg import puts each kind of our exports where the driver reads: the .exe's (for
# this system, a 64-bit one) by default, and the Linux tool's for 32-bit Windows, whose one view
# a 32-bit reg.exe (/reg:32 here) writes.
check_own_exports_reg_import() {
    local hive=$scratch/views.reg exe=$scratch/exe-export.reg win32=$scratch/for-32-bit.reg expected
    expected=$(printf '%s\n' 'NumberOfCards REG_DWORD 0x2' 'PIIBeginAddress REG_DWORD 0x3' \
        'PIQBeginAddress REG_DWORD 0x4')
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || true
    run_wine "$reg_exe" set Adlink 2 3 4 >/dev/null || return 1
    run_wine "$reg_exe" export -q "$(windows_path "$exe")" || return 1
    TESSAPORT_REGISTRY=$hive "$reg_linux" set Adlink 2 3 4 >/dev/null || return 1
    TESSAPORT_REGISTRY=$hive "$reg_linux" export --32-bit-windows -q "$win32" || return 1
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || return 1
    run_wine reg import "$(windows_path "$exe")" >/dev/null || return 1
    expect_only_in_32bit_view Adlink "$expected" || return 1
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || return 1
    run_wine reg import "$(windows_path "$win32")" /reg:32 >/dev/null || return 1
    expect_only_in_32bit_view Adlink "$expected"
}

# reg export of the 32-bit view, as a 64-bit Windows writes it: UTF-16, with and without
# Wow6432Node in the key paths; and tessaport-reg.exe's own export. Each imports on Linux, and
# the Wow6432Node file imports with tessaport-reg.exe into the 32-bit view too.
check_windows_exports_import() {
    local native=$scratch/view32.reg wow=$scratch/wow64node.reg own=$scratch/own-export.reg
    local expected hive
    expected=$(printf '%s\n' NumberOfCards=9 PIIBeginAddress=8 PIQBeginAddress=7)
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || true
    run_wine "$reg_exe" set Advantech 9 8 7 >/dev/null || return 1
    run_wine reg export "$settings_key" "$(windows_path "$native")" /y /reg:32 >/dev/null || return 1
    run_wine reg export 'HKLM\Software\Wow6432Node\Korvanta\Tessaport' \
        "$(windows_path "$wow")" /y /reg:64 >/dev/null || return 1
    run_wine "$reg_exe" export "$(windows_path "$own")" || return 1
    grep -qi 'Wow6432Node\\Korvanta' <<<"$(iconv -f UTF-16LE -t UTF-8 "$wow")" ||
        { echo "no Wow6432Node in the 64-bit export" >&2; return 1; }
    for file in "$native" "$wow" "$own"; do
        hive=$scratch/imported-$(basename "$file")
        TESSAPORT_REGISTRY=$hive "$reg_linux" import "$file" >/dev/null || return 1
        expect_equal "Linux get after importing $(basename "$file")" "$expected" \
            "$(TESSAPORT_REGISTRY=$hive "$reg_linux" get Advantech)" || return 1
    done
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || return 1
    run_wine "$reg_exe" import "$(windows_path "$wow")" >/dev/null || return 1
    expect_equal "tessaport-reg.exe get after importing the Wow6432Node export" "$expected" \
        "$(run_wine "$reg_exe" get Advantech)"
}

# A bad value refuses the whole file; exit statuses and /? as on Linux.
check_windows_statuses() {
    local file=$scratch/bad.reg status before
    run_wine "$reg_exe" set Adlink 1 2 3 >/dev/null || return 1
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Advantech]\r\n%s\r\n%s\r\n%s\r\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Adlink]\r\n%s\r\n' \
        '"NumberOfCards"=dword:1' '"PIIBeginAddress"=dword:1' '"PIQBeginAddress"=dword:1' \
        '"NumberOfCards"=dword:14' >"$file"
    before=$(query_values "$settings_key" /s /reg:32)
    status=0
    run_wine "$reg_exe" import "$(windows_path "$file")" >/dev/null || status=$?
    expect_equal "import of a bad file: status" 2 "$status" || return 1
    expect_equal "import of a bad file: the registry" "$before" \
        "$(query_values "$settings_key" /s /reg:32)" || return 1
    expect_equal "set of the same values" unchanged "$(run_wine "$reg_exe" set ADLINK 1 2 3)" ||
        return 1
    run_wine reg delete "$settings_key\\Advantech" /f /reg:32 >/dev/null 2>&1 || true
    status=0
    run_wine "$reg_exe" get Advantech >/dev/null 2>&1 || status=$?
    expect_equal "get of a provider never configured: status" 4 "$status" || return 1
    grep -q '^usage: tessaport-reg get' <<<"$(run_wine "$reg_exe" '/?')"
}

# A name outside the ANSI code page names that file: tessaport-reg.exe writes and reads it, never
# the look-alike with "O" for "Ω" beside it, and prints the name as it is.
check_unicode_file_names() {
    local dir=$scratch/unicode out
    mkdir -p "$dir"
    printf 'look-alike\r\n' >"$dir/Oexport.reg"
    # Importing this one instead would fail: 99 cards is outside the list.
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\Adlink]\r\n%s\r\n' \
        '"NumberOfCards"=dword:63' >"$dir/Omega.reg"
    run_wine "$reg_exe" set Adlink 4 5 6 >/dev/null || return 1
    LC_ALL=C.UTF-8 run_wine "$reg_exe" export "$(windows_path "$dir/Ωexport.reg")" || return 1
    expect_equal "the look-alike after the export" look-alike "$(tr -d '\r' <"$dir/Oexport.reg")" ||
        return 1
    grep -q 'Tessaport\\Adlink' "$dir/Ωexport.reg" || { echo "Ωexport.reg: not written" >&2; return 1; }
    mv "$dir/Ωexport.reg" "$dir/Ωmega.reg"
    expect_equal "import of Ωmega.reg" "Adlink: unchanged" \
        "$(LC_ALL=C.UTF-8 run_wine "$reg_exe" import "$(windows_path "$dir/Ωmega.reg")")" || return 1
    # On a console (a terminal, through Wine's), the message names the file as it is.
    out=$(LC_ALL=C.UTF-8 timeout 120 script -qec "$(printf '%q ' "$session_wine" "$reg_exe" import \
        "$(windows_path "$dir/Ωmissing.reg")")" /dev/null </dev/null) &&
        { echo "import of a missing file succeeded" >&2; return 1; }
    grep -qF 'Ωmissing.reg: cannot read it' <<<"$out" || { echo "$out" >&2; return 1; }
}

# The keys our programs create outlive the registry's server: Wine writes out only keys that are
# not volatile when it ends.
check_settings_survive_a_restart() {
    run_wine reg delete "$settings_key" /f /reg:32 >/dev/null || true
    run_wine "$reg_exe" set Adlink 3 4 5 >/dev/null || return 1
    wineserver -k
    wineserver -w
    wineserver -p </dev/null >>"$scratch/wineserver.log" 2>&1
    # Wine's services start here, not from the pipe below, which they would keep open.
    "$session_wine" reg query 'HKCU\Software\Wine\Drivers' </dev/null >/dev/null 2>&1
    expect_equal "tessaport-reg.exe get Adlink after the registry's restart" \
        "$(printf '%s\n' NumberOfCards=3 PIIBeginAddress=4 PIQBeginAddress=5)" \
        "$(run_wine "$reg_exe" get Adlink)"
}

interop_total=0
interop_failed=0
for check in check_linux_hive_imports check_windows_export_reads check_edited_export_imports \
    check_linux_export_imports check_own_exports_reg_import check_windows_exports_import \
    check_windows_statuses check_unicode_file_names check_settings_survive_a_restart; do
    interop_total=$((interop_total + 1))
    if "$check"; then
        echo "interop: ${check#check_} ... Passed"
    else
        echo "interop: ${check#check_} ... FAILED"
        interop_failed=$((interop_failed + 1))
        [ -s "$scratch/wine-stderr.log" ] && cat "$scratch/wine-stderr.log" >&2
    fi
done

# The real window under Wine on an X server, in a Wine prefix of its own: a small screen at 100 %
# and 150 %, and a large one.
window_failed=0
window_total=0
for screen_and_dpi in "1024x768 96" "1024x768 144" "1920x1080 96"; do
    window_total=$((window_total + 1))
    # shellcheck disable=SC2086 # two words: the screen and its resolution
    if tests/window/wine_end_to_end.sh "$PWD/$build/app/tessaport-config.exe" "$reg_exe" \
        "$PWD/$build/tests/window/MessageBoxText.exe" $screen_and_dpi </dev/null; then
        echo "window: end_to_end_under_wine ($screen_and_dpi dpi) ... Passed"
    else
        echo "window: end_to_end_under_wine ($screen_and_dpi dpi) ... FAILED"
        window_failed=$((window_failed + 1))
    fi
done

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

total=$((unit_total + interop_total + window_total + 1))
failed=$((unit_failed + interop_failed + window_failed + compile_failed))
echo
echo "Windows back end under Wine: $(((total - failed) * 100 / total))% tests passed," \
    "$failed tests failed out of $total ($unit_total unit, $interop_total interoperability," \
    "$window_total end-to-end, 1 i686 build)"
[ "$failed" -eq 0 ]
