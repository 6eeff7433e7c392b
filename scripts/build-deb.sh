#!/usr/bin/env bash
# Builds the Debian package from a clean copy of the working tree (tracked and new files, not
# build folders) with dpkg-buildpackage, without the tests. The .deb lands in dist/.
# usage: scripts/build-deb.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

output=$(realpath -m "${1:-dist}")
version=$(dpkg-parsechangelog -S Version)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessaport-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

source_dir=$scratch/tessaport-config-$version
mkdir -p "$source_dir" "$output"
git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
    tar -cf - --null -T - | tar -xf - -C "$source_dir"

(
    cd "$source_dir"
    DEB_BUILD_OPTIONS="nocheck parallel=${TESSAPORT_JOBS:-$(nproc)}" \
        dpkg-buildpackage -us -uc -b >"$scratch/build.log" 2>&1 ||
        { tail -n 60 "$scratch/build.log" >&2; exit 1; }
)
for file in "$scratch"/*.deb "$scratch"/*.changes "$scratch"/*.buildinfo; do
    [ -e "$file" ] && cp "$file" "$output/"
done
echo "$output/tessaport-config_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb"
