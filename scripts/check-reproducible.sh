#!/usr/bin/env bash
# Builds the Debian package and both Windows zips and MSIs twice, from two copies of the working
# tree in folders of different names, one after the other (so at different times), with a
# different time zone and umask, and compares them: the .deb files, zips and .exe files byte for
# byte, the MSIs table by table and stream by stream (wixl gives each MSI a new package code and
# its time of writing in the summary, which are left out and counted). On a difference it shows
# diffoscope's report when diffoscope is installed (Debian: diffoscope-minimal). The comparison
# is tests/packaging/reproducible_test.sh.
# usage: scripts/check-reproducible.sh [WORK_DIR]   (default: a temporary folder, removed after)
# Environment: TESSAPORT_JOBS (default: all cores).
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD

if [ -n "${1:-}" ]; then
    work=$(realpath -m "$1")
    rm -rf "$work"
    mkdir -p "$work"
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/tessaport-reproducible.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi

# Both copies are taken first, so that both builds build the same files.
copy_tree() {
    mkdir -p "$1"
    (cd "$source" && git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
        tar -cf - --null -T -) | tar -xf - -C "$1"
}

# One build of the copy at $1, its packages and programs in $2.
build_once() {
    local tree=$1 output=$2 arch
    mkdir -p "$output"
    (
        cd "$tree"
        # The tests are left out: they run in the other builds, and change nothing shipped.
        DEB_BUILD_OPTIONS=nocheck scripts/build-deb.sh "$output" >/dev/null
        for arch in x64 x86; do
            TESSAPORT_WINDOWS_ARCH=$arch TESSAPORT_WINDOWS_BUILD=build-$arch \
                TESSAPORT_WINDOWS_CMAKE_ARGS="-DCMAKE_BUILD_TYPE=Release -DTESSAPORT_BUILD_TESTS=OFF" \
                scripts/build-msi.sh "$output" >/dev/null
            for program in build-$arch/cli/tessaport-reg.exe build-$arch/app/tessaport-config.exe; do
                [ -f "$program" ] && cp "$program" "$output/$arch-$(basename "$program")"
            done
        done
        rm -f "$output"/*.buildinfo "$output"/*.changes "$output"/*.build
    )
}

first=$work/first
second=$work/second
first_tree=$first/tessaport
second_tree=$second/a/longer/path/tessaport-config-copy
copy_tree "$first_tree"
copy_tree "$second_tree"
echo "== first build, in $first_tree"
build_once "$first_tree" "$first/out"
echo "== second build, in $second_tree"
(umask 0002 && export TZ=Pacific/Kiritimati && build_once "$second_tree" "$second/out")

tests/packaging/reproducible_test.sh "$first/out" "$second/out" "$work/msi-tables"
