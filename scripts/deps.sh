#!/usr/bin/env bash
# Installs the Debian packages that building, running or testing needs, when they are missing.
# usage: scripts/deps.sh run|test
set -euo pipefail

run_packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools
    libgl-dev libxcb1-dev fonts-liberation2 nlohmann-json3-dev)
test_packages=("${run_packages[@]}" libgtest-dev libgmock-dev libbenchmark-dev clang
    libclang-rt-14-dev util-linux acl attr xvfb xdotool x11-utils xfwm4 dbus-x11 at-spi2-core python3-pyatspi imagemagick
    desktop-file-utils g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64
    debhelper dpkg-dev fakeroot lintian appstream mandoc icoutils wixl msitools adduser passwd
    ansible-core osslsigncode openssl diffoscope-minimal shellcheck)

case "${1:-}" in
run) wanted=("${run_packages[@]}") ;;
test) wanted=("${test_packages[@]}") ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

missing=()
for package in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
# Through env: sudo drops the caller's environment.
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
