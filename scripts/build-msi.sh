#!/usr/bin/env bash
# Builds the Windows packages from a MinGW-w64 cross build: TessaportConfig-VERSION-win64.zip and
# TessaportConfig-VERSION-win64.msi (wixl), or -win32 of both from the i686 build.
# Whatever programs the cross build makes go in; the window, tessaport-config.exe, with its
# Start-menu shortcut when it is built.
# usage: scripts/build-msi.sh [OUTPUT_DIR]
# Environment: TESSAPORT_WINDOWS_ARCH (x64, the default, or x86), TESSAPORT_WINDOWS_BUILD (default
# build-mingw for x64, build-mingw32 for x86, shared with test-windows.sh; configured when
# missing, with TESSAPORT_WINDOWS_CMAKE_ARGS), TESSAPORT_MSI_VERSION (the installer's version,
# default the project's; tests use it to make an upgrade), SOURCE_DATE_EPOCH (the files' time in
# the zip and the MSI; default the time of the last debian/changelog entry), TESSAPORT_JOBS;
# TESSAPORT_SIGN_CERTIFICATE, TESSAPORT_SIGN_PASSWORD_FILE and TESSAPORT_SIGN_TIMESTAMP to sign
# the programs and the MSI (scripts/sign-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

arch=${TESSAPORT_WINDOWS_ARCH:-x64}
case $arch in
x64) triplet=x86_64 flavour=win64 default_build=build-mingw build_type=RelWithDebInfo ;;
x86) triplet=i686 flavour=win32 default_build=build-mingw32 build_type=Release ;;
*)
    echo "TESSAPORT_WINDOWS_ARCH must be x64 or x86, not $arch" >&2
    exit 2
    ;;
esac
build=${TESSAPORT_WINDOWS_BUILD:-$default_build}
output=$(realpath -m "${1:-dist}")
jobs=${TESSAPORT_JOBS:-$(nproc)}
# As the Debian package does, so that two builds of one commit give the same zip and cabinet.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(dpkg-parsechangelog -S Timestamp)}

if [ ! -f "$build/CMakeCache.txt" ]; then
    # The 32-bit tests cannot run here, so they are not built.
    tests=ON
    [ "$arch" = x86 ] && tests=OFF
    cmake --no-warn-unused-cli -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=$build_type \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-$triplet.cmake -DTESSAPORT_BUILD_TESTS=$tests \
        ${TESSAPORT_WINDOWS_CMAKE_ARGS:-} >/dev/null
fi
cmake --build "$build" -j "$jobs" >/dev/null

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
msi_version=${TESSAPORT_MSI_VERSION:-$version}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessaport-msi.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$output"

# One set of files for both packages: installed, stripped, signed when asked, with one time.
stage=$scratch/stage
cmake --install "$build" --prefix "$stage" --strip >/dev/null
programs=()
for program in tessaport-reg.exe tessaport-config.exe; do
    [ -f "$stage/$program" ] && programs+=("$program")
done
sign() {
    [ -z "${TESSAPORT_SIGN_CERTIFICATE:-}" ] || scripts/sign-windows.sh \
        --certificate "$TESSAPORT_SIGN_CERTIFICATE" \
        --password-file "${TESSAPORT_SIGN_PASSWORD_FILE:?is needed with TESSAPORT_SIGN_CERTIFICATE}" \
        ${TESSAPORT_SIGN_TIMESTAMP:+--timestamp "$TESSAPORT_SIGN_TIMESTAMP"} "$@" >/dev/null
}
sign "${programs[@]/#/$stage/}"
find "$stage" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +

# Without a top folder: Windows' own "Extract all" already makes one named after the zip.
zip=TessaportConfig-$version-$flavour.zip
# A zip keeps local times: in UTC, they are the same wherever it is built.
(cd "$stage" && TZ=UTC cmake -E tar cf "$output/$zip" --format=zip -- "${programs[@]}" README.md LICENSE.txt)
echo "$output/$zip"

cp packaging/icons/tessaport-config.ico "$scratch/"
upgrade_code=991CB9DA-4970-40EE-A575-6B60E9D24DBF
# The same product code for the same version and architecture, a new one for any other.
cat >"$scratch/product-code.cmake" <<CMAKE
string(UUID code NAMESPACE $upgrade_code NAME "$msi_version $arch" TYPE SHA1 UPPER)
message(\${code})
CMAKE
product_code=$(cmake -P "$scratch/product-code.cmake" 2>&1)
defines=(-D "Version=$msi_version" -D "Arch=$arch" -D "ProductCode=$product_code" -D StageDir=.
    -D IconFile=../tessaport-config.ico)
[ -f "$stage/tessaport-config.exe" ] && defines+=(-D HaveWindow=1)
msi=TessaportConfig-$msi_version-$flavour.msi
# wixl takes the files' paths relative to where it runs.
(cd "$stage" && TZ=UTC wixl -a "$arch" "${defines[@]}" -o "$output/$msi" \
    "$OLDPWD/packaging/windows/TessaportConfig.wxs")
# The install folder at the end of the system PATH while the tool is installed ("=-*": set on
# install, removed on uninstall, system-wide), with the actions that write and remove it.
tables=$scratch/tables
mkdir -p "$tables"
printf '%s\r\n' $'Environment\tName\tValue\tComponent_' $'s72\tl255\tL255\ts72' \
    $'Environment\tEnvironment' $'SystemPath\t=-*PATH\t[~];[INSTALLDIR]\tCommandLineTool' \
    >"$tables/Environment.idt"
{
    msiinfo export "$output/$msi" InstallExecuteSequence | tr -d '\r'
    printf '%s\n' $'RemoveEnvironmentStrings\t\t3300' $'WriteEnvironmentStrings\t\t5200'
} | sed 's/$/\r/' >"$tables/InstallExecuteSequence.idt"
# msibuild takes the tables' files relative to where it runs.
(cd "$tables" && msibuild "$output/$msi" -i Environment.idt &&
    msibuild "$output/$msi" -i InstallExecuteSequence.idt)
sign "$output/$msi"
echo "$output/$msi"
