#!/usr/bin/env bash
# Compares the packages and programs of two builds of one commit (scripts/check-reproducible.sh
# makes them): the .deb files, zips and .exe files byte for byte, the MSIs table by table and
# stream by stream, leaving out the package code and times wixl writes anew into each.
# usage: tests/packaging/reproducible_test.sh FIRST_OUT SECOND_OUT SCRATCH_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
first_out=$(realpath "$1")
second_out=$(realpath "$2")

# A failed comparison is counted, and the others still made.
suite=reproducible
# shellcheck source=checks.sh
source "$here/checks.sh"
# msiinfo writes the streams of binary tables, such as the icon, into the current folder.
mkdir -p "$3"
cd "$3" || exit 1

show_difference() {
    if command -v diffoscope >/dev/null; then
        diffoscope --text - "$1" "$2" >&2 || true
    else
        say "diffoscope is not installed (Debian: diffoscope-minimal): $(cmp "$1" "$2" 2>&1)"
    fi
}
identical() {
    [ -f "$2" ] || { say "the second build made no $(basename "$2")"; return 1; }
    cmp -s "$1" "$2" || { show_difference "$1" "$2"; return 1; }
}

# An MSI as text: its tables, a digest of each stream, and its summary without the package code
# and the times.
msi_contents() {
    local table stream
    for table in $(msiinfo tables "$1" | sort); do
        [ "$table" = _SummaryInformation ] || msiinfo export "$1" "$table"
    done
    # The summary's stream holds the package code and times; its other fields are compared below.
    for stream in $(msiinfo streams "$1" | grep -v 'SummaryInformation$' | sort); do
        echo "$stream $(msiinfo extract "$1" "$stream" | sha256sum)"
    done
    msiinfo suminfo "$1" | grep -Ev '^(Revision number \(UUID\)|Created|Last saved):'
}
same_msi() {
    [ -f "$2" ] || { say "the second build made no $(basename "$2")"; return 1; }
    diff <(msi_contents "$1") <(msi_contents "$2") >&2 || return 1
    cmp -s "$1" "$2" ||
        echo "  $(basename "$1"): $(cmp -l "$1" "$2" | wc -l) bytes differ, in the package code and times"
}

made=0
for file in "$first_out"/*; do
    name=$(basename "$file")
    made=$((made + 1))
    case $name in
    *.msi) check "$name: the same tables, streams and summary" same_msi "$file" "$second_out/$name" ;;
    *) check "$name: byte for byte the same" identical "$file" "$second_out/$name" ;;
    esac
done
check "each build made the same $made files" test "$(ls "$first_out")" = "$(ls "$second_out")"
checks_summary
