#!/usr/bin/env bash
# The Windows zip and MSI as an administrator meets them, under Wine in a throwaway prefix: the
# zip's files and a program run from it; the MSI's tables; a silent install, the programs from
# their installed place, tessaport-reg by its name through the system PATH, the installed-programs
# entry and its install location, an upgrade by a newer MSI, and a silent uninstall that removes
# the files and the PATH entry and leaves the driver's settings alone.
# usage: windows_packages_test.sh WINDOWS_BUILD_DIR ZIP MSI NEWER_MSI
set -uo pipefail

build=$1
zip=$(realpath "$2")
msi=$(realpath "$3")
newer_msi=$(realpath "$4")
version_of() { basename "$1" | sed -E 's/^TessaportConfig-(.*)-win64\.(msi|zip)$/\1/'; }
version=$(version_of "$msi")
newer_version=$(version_of "$newer_msi")

# What the cross build made is what the packages must carry.
programs=(tessaport-reg.exe)
[ -f "$build/app/tessaport-config.exe" ] && programs+=(tessaport-config.exe)
documents=(README.md LICENSE.txt)

# shellcheck source=../../scripts/lib/session.sh
source "$(dirname "$0")/../../scripts/lib/session.sh"
trap session_cleanup EXIT
scratch=$session_work

suite=windows-packages
# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"
run_wine() { "$session_wine" "$@" </dev/null 2>>"$scratch/wine-stderr.log" | tr -d '\r'; }
sorted() { printf '%s\n' "$@" | sort; }

# --- The zip.
zip_holds_the_programs() {
    local listing
    listing=$(cmake -E tar tf "$zip" | sort)
    [ "$listing" = "$(sorted "${programs[@]}" "${documents[@]}")" ] ||
        { say "zip holds: $(tr '\n' ' ' <<<"$listing")"; return 1; }
}
check "zip $(basename "$zip") holds ${programs[*]} ${documents[*]}" zip_holds_the_programs
mkdir "$scratch/unzipped"
(cd "$scratch/unzipped" && cmake -E tar xf "$zip")

# --- The MSI's tables.
table() { msiinfo export "$msi" "$1" 2>/dev/null | tr -d '\r' | tail -n +4; }
msi_tables() {
    local ok=0 files shortcut properties
    files=$(table File | cut -f3 | sort)
    [ "$files" = "$(sorted "${programs[@]}" "${documents[@]}")" ] ||
        { say "MSI files: $(tr '\n' ' ' <<<"$files")"; ok=1; }
    properties=$(table Property)
    grep -qx $'UpgradeCode\t{991CB9DA-4970-40EE-A575-6B60E9D24DBF}' <<<"$properties" ||
        { say "UpgradeCode is not the fixed one"; ok=1; }
    grep -q '^ARPPRODUCTICON' <<<"$properties" || { say "no icon for the programs list"; ok=1; }
    grep -qx $'Manufacturer\tTessaportConfig' <<<"$properties" || { say "not published by TessaportConfig"; ok=1; }
    [ -z "$(table Registry)" ] || { say "the MSI writes registry values: $(table Registry)"; ok=1; }
    [ "$(table Environment)" = $'SystemPath\t=-*PATH\t[~];[INSTALLDIR]\tCommandLineTool' ] ||
        { say "PATH entry: $(table Environment)"; ok=1; }
    shortcut=$(table Shortcut | cut -f2,3,5)
    if [[ " ${programs[*]} " == *" tessaport-config.exe "* ]]; then
        [ "$shortcut" = $'ProgramMenuFolder\tTessaport Configuration\t[#TessaportConfigExe]' ] ||
            { say "shortcut: $shortcut"; ok=1; }
    else
        [ -z "$shortcut" ] || { say "a shortcut without the window: $shortcut"; ok=1; }
    fi
    return $ok
}
check "MSI tables: files, fixed UpgradeCode, publisher, icon, shortcut, PATH, no registry values" msi_tables

# --- Under Wine.
check "a fresh Wine prefix" session_start_wine --null-display || { checks_summary; exit 1; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
unix_path() { "$session_wine" winepath -u "$1" 2>/dev/null </dev/null | tr -d '\r'; }
install_dir=$(unix_path 'C:\Program Files\TessaportConfig')
# Windows puts a per-machine install's shortcut in the common Start menu; Wine in the user's.
start_menus=("$(unix_path 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')"
    "$(unix_path "$("$session_wine" cmd /c echo %APPDATA% </dev/null 2>/dev/null | tr -d '\r')")/Microsoft/Windows/Start Menu/Programs")
shortcut_present() {
    local menu
    for menu in "${start_menus[@]}"; do
        [ -f "$menu/Tessaport Configuration.lnk" ] && return 0
    done
    return 1
}
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
zip_tool=$scratch/unzipped/tessaport-reg.exe

check "tessaport-reg.exe --version from the zip" \
    test "$(run_wine "$zip_tool" --version | head -n1)" = "tessaport-reg (TessaportConfig) $version"

# The driver's settings, there before the package and still there after it.
run_wine "$zip_tool" set Adlink 4 5 6 >/dev/null
settings_kept() {
    [ "$(run_wine "$zip_tool" get Adlink)" = \
        $'NumberOfCards=4\nPIIBeginAddress=5\nPIQBeginAddress=6' ]
}

# "NAME VALUE" of the installed-programs entry whose DisplayName is ours.
programs_entry() {
    run_wine reg query "$uninstall_key" /s |
        awk '/^HKEY_/ { key = $0 } $1 == "DisplayName" && $0 ~ /Tessaport Configuration/ { print key }'
}

installs() {
    local program ok=0
    run_wine msiexec /i "$(windows_path "$msi")" /qn || { say "msiexec /i failed"; return 1; }
    for program in "${programs[@]}" "${documents[@]}"; do
        [ -f "$install_dir/$program" ] || { say "not installed: $program"; ok=1; }
    done
    if [[ " ${programs[*]} " == *" tessaport-config.exe "* ]]; then
        shortcut_present || { say "no Start-menu shortcut"; ok=1; }
    fi
    return $ok
}
check "msiexec /i /qn installs under Program Files" installs
check "installed tessaport-reg.exe --version" test \
    "$(run_wine "$install_dir/tessaport-reg.exe" --version | head -n1)" = \
    "tessaport-reg (TessaportConfig) $version"
check "installed tessaport-reg.exe reads the settings" settings_kept

# The system PATH as the registry keeps it, one folder a line.
system_path() {
    run_wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v PATH |
        sed -nE 's/^ *PATH +REG_(EXPAND_)?SZ +//p' | tr ';' '\n'
}
on_the_path() {
    grep -qixF 'C:\Program Files\TessaportConfig\' <<<"$(system_path)" ||
        { say "system PATH: $(system_path | paste -sd';')"; return 1; }
    # A new process finds the tool by its name.
    [ "$(run_wine cmd /c tessaport-reg --version | head -n1)" = "tessaport-reg (TessaportConfig) $version" ]
}
check "tessaport-reg runs by its name: the install folder is on the system PATH" on_the_path

listed_with_version_and_icon() {
    local keys values icon
    keys=$(programs_entry)
    [ "$(wc -l <<<"$keys")" -eq 1 ] && [ -n "$keys" ] || { say "entries: $keys"; return 1; }
    values=$(run_wine reg query "$keys")
    grep -qE "DisplayVersion +REG_SZ +${version//./\\.}\$" <<<"$values" || { say "$values"; return 1; }
    grep -qiE 'InstallLocation +REG_SZ +C:\\Program Files\\TessaportConfig\\$' <<<"$values" ||
        { say "no install location: $values"; return 1; }
    # The list takes the icon from the product's registration, as Windows Installer keeps it.
    icon=$(run_wine reg query 'HKLM\Software\Classes\Installer\Products' /s |
        awk '$1 == "ProductIcon" { sub(/^ *ProductIcon +REG_SZ +/, ""); print }')
    [ -n "$icon" ] && [ -s "$(unix_path "$icon")" ] || { say "no product icon: '$icon'"; return 1; }
    grep -q -- '--width=256' <<<"$(icotool -l "$(unix_path "$icon")")" ||
        { say "the product icon has no 256 x 256 image"; return 1; }
}
check "installed-programs entry with version $version, its install location and an icon" \
    listed_with_version_and_icon

upgrades() {
    local keys values
    run_wine msiexec /i "$(windows_path "$newer_msi")" /qn || { say "msiexec /i newer failed"; return 1; }
    keys=$(programs_entry)
    [ "$(wc -l <<<"$keys")" -eq 1 ] || { say "entries after the upgrade: $keys"; return 1; }
    values=$(run_wine reg query "$keys")
    grep -qE "DisplayVersion +REG_SZ +${newer_version//./\\.}\$" <<<"$values" || { say "$values"; return 1; }
    [ -f "$install_dir/tessaport-reg.exe" ]
}
check "a newer MSI replaces the installed one (one entry, version $newer_version)" upgrades

uninstalls() {
    local left
    run_wine msiexec /x "$(windows_path "$newer_msi")" /qn || { say "msiexec /x failed"; return 1; }
    left=$(find "$install_dir" -type f 2>/dev/null)
    [ -z "$left" ] || { say "left behind: $left"; return 1; }
    ! shortcut_present || { say "shortcut left behind"; return 1; }
    [ -z "$(programs_entry)" ] || { say "still listed as installed"; return 1; }
    ! grep -qiF 'TessaportConfig' <<<"$(system_path)" || { say "still on the PATH"; return 1; }
}
check "msiexec /x /qn removes files, shortcut, entry and PATH entry" uninstalls
check "the driver's settings stay after the uninstall" settings_kept

checks_summary
