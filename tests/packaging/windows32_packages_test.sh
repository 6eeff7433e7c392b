#!/usr/bin/env bash
# The 32-bit Windows zip and MSI, checked without running them (these machines cannot run 32-bit
# code): the programs are 32-bit and import only system DLLs, the MSI carries the zip's files, and
# its tables are the 64-bit MSI's but for what the architecture changes.
# usage: windows32_packages_test.sh ZIP32 MSI32 MSI64
set -uo pipefail

zip=$(realpath "$1")
msi=$(realpath "$2")
msi64=$(realpath "$3")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessaport-win32-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
here=$(cd "$(dirname "$0")" && pwd)
# msiinfo export and msiextract write binary streams, such as the icon, into the current folder.
cd "$scratch" || exit 1

suite=windows32-packages
# shellcheck source=checks.sh
source "$here/checks.sh"

mkdir "$scratch/zip" "$scratch/msi"
(cd "$scratch/zip" && cmake -E tar xf "$zip")
msiextract -C "$scratch/msi" "$msi" >/dev/null
programs=$(cd "$scratch/zip" && ls ./*.exe 2>/dev/null | sed 's:^\./::' | paste -sd' ')

# The COFF machine field: 0x14c for i386, 0x8664 for x86-64.
machine_of() {
    local header
    header=$(od -An -tu4 -j 60 -N 4 "$1" | tr -d ' ')
    od -An -tx2 -j "$((header + 4))" -N 2 "$1" | tr -d ' '
}
all_i386() {
    local program ok=0 machine
    [ -n "$programs" ] || { say "no programs in the zip"; return 1; }
    for program in $programs; do
        machine=$(machine_of "$scratch/zip/$program")
        [ "$machine" = 014c ] || { say "$program: machine 0x$machine"; ok=1; }
    done
    return $ok
}
check "the zip's programs are 32-bit (PE machine 0x014c): $programs" all_i386

system_imports_only() {
    local program dll ok=0
    for program in $programs; do
        while read -r dll; do
            case ${dll^^} in
            ADVAPI32.DLL | COMCTL32.DLL | GDI32.DLL | KERNEL32.DLL | MSVCRT.DLL | USER32.DLL) ;;
            *) say "$program imports $dll"; ok=1 ;;
            esac
        done < <(i686-w64-mingw32-objdump -p "$scratch/zip/$program" | awk '/DLL Name:/ {print $3}')
    done
    return $ok
}
check "they import only system DLLs" system_imports_only

same_files() {
    local file ok=0
    for file in $(cd "$scratch/zip" && ls); do
        cmp -s "$scratch/zip/$file" "$(find "$scratch/msi" -name "$file" -type f | head -n1)" ||
            { say "$file differs between the zip and the MSI"; ok=1; }
    done
    return $ok
}
check "the MSI installs the zip's files, byte for byte" same_files

# A table with what the architecture changes made equal: the Program Files folder, the
# components' GUIDs and 64-bit flag (256), the files' sizes and hashes, the product code.
normalised() { # msi table
    msiinfo export "$1" "$2" 2>/dev/null | tr -d '\r' | sed 's/ProgramFiles64Folder/ProgramFilesFolder/g' |
        case $2 in
        Component) awk -F'\t' -v OFS='\t' 'NR > 3 { $2 = "GUID"; if ($4 >= 256) $4 -= 256 } 1' ;;
        File) awk -F'\t' -v OFS='\t' 'NR > 3 { $4 = "SIZE" } 1' ;;
        MsiFileHash) awk -F'\t' -v OFS='\t' 'NR > 3 { $3 = $4 = $5 = $6 = "HASH" } 1' ;;
        Property) grep -v '^ProductCode' ;;
        *) cat ;;
        esac
}
tables_match() {
    local table ok=0
    [ "$(msiinfo tables "$msi" | sort)" = "$(msiinfo tables "$msi64" | sort)" ] ||
        { say "the MSIs hold different tables"; return 1; }
    for table in $(msiinfo tables "$msi"); do
        [ "$table" = _SummaryInformation ] && continue
        diff <(normalised "$msi64" "$table") <(normalised "$msi" "$table") >"$scratch/diff" ||
            { say "$table:"; sed 's/^/    /' "$scratch/diff" >&2; ok=1; }
    done
    return $ok
}
check "its tables are the 64-bit MSI's but for the architecture" tables_match

architecture() {
    local ok=0
    grep -qx 'Template: Intel;1033' <<<"$(msiinfo suminfo "$msi")" ||
        { say "$(msiinfo suminfo "$msi" | grep Template)"; ok=1; }
    grep -q $'^INSTALLDIR\tProgramFilesFolder\t' <<<"$(msiinfo export "$msi" Directory)" ||
        { say "not installed under the 32-bit Program Files"; ok=1; }
    msiinfo export "$msi" Component | tail -n +4 | awk -F'\t' '$4 >= 256 { bad = 1 } END { exit bad }' ||
        { say "a component is marked 64-bit"; ok=1; }
    [ "$(msiinfo export "$msi" Property | grep ProductCode)" != \
        "$(msiinfo export "$msi64" Property | grep ProductCode)" ] ||
        { say "both MSIs have one product code"; ok=1; }
    return $ok
}
check "the MSI is for Intel (x86), under Program Files (x86), with a product code of its own" architecture

checks_summary
