#!/usr/bin/env bash
# Builds the Debian package, the Windows zip and the MSI, then installs each, uses it and
# removes it again (tests/packaging/). The Debian test installs into this machine as root
# (through sudo otherwise) and puts back what it changed.
# usage: scripts/test-packages.sh
# Environment: TESSAPORT_PACKAGE_DIR (default build-packages), TESSAPORT_SKIP_WINDOWS (leave out
# the zip and the MSI), TESSAPORT_WINDOWS_BUILD (the cross build, default build-mingw).
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
fi
exit $status
