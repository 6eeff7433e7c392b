#!/usr/bin/env bash
# Builds the Debian package from a clean copy of the working tree (tracked and new files, not
# build folders) with dpkg-buildpackage, which also runs the tests that a package build can run.
# The .deb and the build log land in dist/. Environment: TESSAPORT_JOBS (default: all cores), DEB_BUILD_OPTIONS
# (added to; nocheck leaves the tests out).
# usage: scripts/build-deb.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

output=$(realpath -m "${1:-dist}")
version=$(dpkg-parsechangelog -S Version)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessaport-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

source_dir=$scratch/tessaport-config-$version
mkdir -p "$source_dir" "$output"
# Outside a git checkout (an unpacked copy), everything but build folders and packages.
source_files() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z --cached --others --exclude-standard
    else
        find . \( -path './build*' -o -path ./dist -o -path ./.git \) -prune -o -type f -printf '%P\0'
    fi
}
source_files | while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
    tar -cf - --null -T - | tar -xf - -C "$source_dir"

log=$output/tessaport-config_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).build
(
    cd "$source_dir"
    DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }parallel=${TESSAPORT_JOBS:-$(nproc)}" \
        dpkg-buildpackage -us -uc -b >"$log" 2>&1 ||
        { tail -n 60 "$log" >&2; echo "build log: $log" >&2; exit 1; }
)
for file in "$scratch"/*.deb "$scratch"/*.changes "$scratch"/*.buildinfo; do
    [ -e "$file" ] && cp "$file" "$output/"
done
echo "$output/tessaport-config_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb"
