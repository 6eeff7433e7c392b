#!/usr/bin/env bash
# Builds the Debian package (running the tests a package build runs), the Windows zips and MSIs,
# then installs each, uses it and removes it again (tests/packaging/); the 32-bit ones, which
# cannot run here, are checked as files. Signs copies of the Windows files with a throwaway
# certificate and verifies them. The Debian test installs into this machine as root (through sudo
# otherwise) and puts back what it changed.
# usage: scripts/test-packages.sh
# Environment: TESSAPORT_PACKAGE_DIR (default build-packages), TESSAPORT_SKIP_WINDOWS (leave out
# the Windows packages), TESSAPORT_WINDOWS_BUILD and TESSAPORT_WINDOWS32_BUILD (the cross builds,
# default build-mingw and build-mingw32).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test
output=${TESSAPORT_PACKAGE_DIR:-build-packages}
rm -rf "$output"
mkdir -p "$output"

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
status=0

echo "== Debian package"
deb=$(scripts/build-deb.sh "$output" | tail -n1)
dpkg-deb -c "$deb" | awk '{print "  " $1, $6}'
"${sudo[@]}" tests/packaging/deb_test.sh "$deb" || status=1

if [ -z "${TESSAPORT_SKIP_WINDOWS:-}" ]; then
    echo "== Windows zip and MSI"
    built=$(scripts/build-msi.sh "$output")
    zip=$(grep '\.zip$' <<<"$built")
    msi=$(grep '\.msi$' <<<"$built")
    # The same package one patch release later, to upgrade to.
    version=$(basename "$msi" | sed -E 's/^TessaportConfig-(.*)-win64\.msi$/\1/')
    newer=$(awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }' <<<"$version")
    newer_msi=$(TESSAPORT_MSI_VERSION=$newer scripts/build-msi.sh "$output/newer" | grep '\.msi$')
    cmake -E tar tvf "$zip" | awk '{print "  " $NF}'
    tests/packaging/windows_packages_test.sh "${TESSAPORT_WINDOWS_BUILD:-build-mingw}" \
        "$zip" "$msi" "$newer_msi" || status=1

    echo "== 32-bit Windows zip and MSI (checked without running: no 32-bit code runs here)"
    built32=$(TESSAPORT_WINDOWS_ARCH=x86 TESSAPORT_WINDOWS_BUILD=${TESSAPORT_WINDOWS32_BUILD:-build-mingw32} \
        scripts/build-msi.sh "$output")
    zip32=$(grep '\.zip$' <<<"$built32")
    msi32=$(grep '\.msi$' <<<"$built32")
    cmake -E tar tvf "$zip32" | awk '{print "  " $NF}'
    tests/packaging/windows32_packages_test.sh "$zip32" "$msi32" "$msi" || status=1

    echo "== Signing the programs and the MSIs with a throwaway certificate"
    for archive in "$zip" "$zip32"; do
        mkdir -p "$output/programs/$(basename "$archive" .zip)"
        (cd "$output/programs/$(basename "$archive" .zip)" && cmake -E tar xf "$archive")
    done
    tests/packaging/signing_test.sh "$output"/programs/*/*.exe "$msi" "$msi32" || status=1
fi
exit $status
