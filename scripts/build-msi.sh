#!/usr/bin/env bash
# Builds the Windows packages from the MinGW-w64 cross build: TessaportConfig-VERSION-win64.zip
# (cpack) and TessaportConfig-VERSION-win64.msi (wixl). Whatever programs the cross build makes go
# in; the window, tessaport-config.exe, with its Start-menu shortcut when it is built.
# usage: scripts/build-msi.sh [OUTPUT_DIR]
# Environment: TESSAPORT_WINDOWS_BUILD (default build-mingw, shared with test-windows.sh),
# TESSAPORT_MSI_VERSION (the installer's version, default the project's; tests use it to make an
# upgrade), TESSAPORT_JOBS.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${TESSAPORT_WINDOWS_BUILD:-build-mingw}
output=$(realpath -m "${1:-dist}")
jobs=${TESSAPORT_JOBS:-$(nproc)}

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --no-warn-unused-cli -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ${TESSAPORT_WINDOWS_CMAKE_ARGS:-} \
        >/dev/null
fi
cmake --build "$build" -j "$jobs" >/dev/null

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
msi_version=${TESSAPORT_MSI_VERSION:-$version}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessaport-msi.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$output"

(cd "$build" && cpack -G ZIP -B "$scratch/cpack" >/dev/null)
zip=TessaportConfig-$version-win64.zip
cp "$scratch/cpack/$zip" "$output/"
echo "$output/$zip"

stage=$scratch/stage
cmake --install "$build" --prefix "$stage" --strip >/dev/null
cp packaging/icons/tessaport-config.ico "$stage/"
defines=(-D "Version=$msi_version" -D StageDir=. -D IconFile=tessaport-config.ico)
[ -f "$stage/tessaport-config.exe" ] && defines+=(-D HaveWindow=1)
msi=TessaportConfig-$msi_version-win64.msi
# wixl takes the files' paths relative to where it runs.
(cd "$stage" && wixl -a x64 "${defines[@]}" -o "$output/$msi" \
    "$OLDPWD/packaging/windows/TessaportConfig.wxs")
echo "$output/$msi"
