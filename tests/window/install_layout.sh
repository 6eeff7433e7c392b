#!/usr/bin/env bash
# `cmake --install` puts both programs, the desktop entry and the icon where desktops look.
# usage: install_layout.sh BUILD_DIR
set -euo pipefail

build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

failed=0
for file in bin/tessaport-config bin/tessaport-reg share/applications/tessaport-config.desktop \
    share/icons/hicolor/32x32/apps/tessaport-config.png; do
    if [ ! -e "$prefix/$file" ]; then
        echo "not installed: $file" >&2
        failed=1
    fi
done
for program in bin/tessaport-config bin/tessaport-reg; do
    [ -x "$prefix/$program" ] || { echo "not executable: $program" >&2; failed=1; }
done

entry=$prefix/share/applications/tessaport-config.desktop
if [ -e "$entry" ]; then
    grep -qx 'Name=Tessaport Configuration' "$entry" || { echo "wrong Name" >&2; failed=1; }
    grep -qx 'Exec=tessaport-config' "$entry" || { echo "wrong Exec" >&2; failed=1; }
    grep -qx 'Icon=tessaport-config' "$entry" || { echo "wrong Icon" >&2; failed=1; }
    grep -qx 'Categories=Settings;HardwareSettings;' "$entry" ||
        { echo "wrong Categories" >&2; failed=1; }
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$entry" || failed=1
    else
        echo "desktop-file-validate not installed: the entry's syntax is not checked"
    fi
fi
exit $failed
